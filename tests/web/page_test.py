#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""The browser edition as a person sees it: the page built by scripts/web,
served from 127.0.0.1, in headless Chromium driven through WebDriver, watched
through screenshots and driven with keys, as the desktop's view test does,
and held on one frame of a pinned clock to compare with the desktop's.

Environment: FLYOVER_PAGE (the page's folder), FLYOVER_AXE (the
accessibility audit's script), FLYOVER_TALLY (the colour family counter),
FLYOVER_BINARY and SWAPCOUNT (the desktop program and its frame counter,
for the frame rate beside it and the frame it draws)."""

import functools
import http.server
import os
import shutil
import subprocess
import tempfile
import threading
import time
import unittest

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

# Counts the page's frames without touching the page: every frame starts
# with one clear of the canvas. Installed before the page's own scripts.
# With window.holdat set, it holds that frame on the canvas as the swap
# counter does on the desktop: the later frames' clears and draws are
# dropped, so the canvas is never drawn again and shows frame holdat.
FRAMECOUNTER = """
window.framecount = 0;
window.holdat = 0;
const gl = WebGLRenderingContext.prototype;
const held = () => window.holdat > 0 && window.framecount > window.holdat;
const clear = gl.clear, drawElements = gl.drawElements, drawArrays = gl.drawArrays;
gl.clear = function (mask) {
  if (++window.framecount === 1)
    window.firstframe = performance.timeOrigin + performance.now();
  return held() ? undefined : clear.call(this, mask);
};
gl.drawElements = function (...args) {
  return held() ? undefined : drawElements.apply(this, args);
};
gl.drawArrays = function (...args) {
  return held() ? undefined : drawArrays.apply(this, args);
};
// The eye and where it looks, from the view matrix [R | -R eye] the OpenGL
// emulation hands its shader: eye = -R^T t, and R's last row is -forward.
window.view = null;
{
  const uniform = gl.getUniformLocation, matrix = gl.uniformMatrix4fv;
  gl.getUniformLocation = function (program, name) {
    const where = uniform.call(this, program, name);
    if (where && name === "u_modelView")
      where.view = true;
    return where;
  };
  gl.uniformMatrix4fv = function (where, transpose, m) {
    if (where && where.view)
      window.view = {eye: [0, 1, 2].map((j) => -(m[4 * j] * m[12] + m[4 * j + 1] * m[13] +
                                                m[4 * j + 2] * m[14])),
                     forward: [-m[2], -m[6], -m[10]]};
    return matrix.call(this, where, transpose, m);
  };
}
// What the page's policy refused, and errors nobody caught.
window.faults = [];
document.addEventListener("securitypolicyviolation",
                          (e) => window.faults.push(e.effectiveDirective + " " + e.blockedURI));
window.addEventListener("error", (e) => window.faults.push("error " + e.message));
"""

# The frame and clock the desktop tests hold (tests/support/frame.cpp): a
# well-lit frame of the city. The page's clock is pinned as the swap counter
# pins time() there: Emscripten's time() reads Date.now.
HELDFRAME, CLOCK = 200, 1000000


def pinclock(seconds):
    """A script that pins the page's clock, to run before the page's own."""
    return "Date.now = () => %d;" % (seconds * 1000)


PINNED = pinclock(CLOCK) + "window.holdat = %d;" % HELDFRAME
# Root-mean-square difference, in 255ths, that the page's held frame may show
# against the desktop's: SwiftShader and llvmpipe rasterise edges and
# colours slightly apart (1.6% measured, the same on every run). The frame
# before or after measures 14%, and an eye moved by one unit 3.4%.
MATCHRMSE = 0.03

MINLIT = 0.2  # of the canvas not black, once the city shows
EMPTYFRAMES = 142  # the program starts looking straight down: nothing shows

# Viewports (width, height, a phone's) and the canvas each should get: the
# whole 4:3 picture as large as fits beside or above the buttons. The tests'
# own is the first: the program's 800 x 600, as the held frame needs.
VIEWPORTS = [((800, 700, False), (800, 600)), ((390, 844, True), (390, 292.5)),
             ((320, 568, True), (320, 240)), ((1920, 1080, False), (1440, 1080)),
             ((3840, 2160, False), (2880, 2160)), ((844, 390, True), (520, 390))]
# The layout as the page gives it: the canvas, and whether the page fits
# unscrolled with every button whole, off the picture.
LAYOUT = """
const box = (e) => e.getBoundingClientRect(), canvas = box(document.querySelector("canvas"));
const page = document.documentElement;
const clear = [...document.querySelectorAll("#keys button")].every((b) => {
  const r = box(b);
  return r.left >= 0 && r.top >= 0 && r.right <= innerWidth && r.bottom <= innerHeight &&
         (r.bottom <= canvas.top || r.top >= canvas.bottom || r.right <= canvas.left ||
          r.left >= canvas.right);
});
return [canvas.width, canvas.height,
        clear && page.scrollWidth <= innerWidth && page.scrollHeight <= innerHeight];
"""


# The page's files asked for with queries, five times each; then every cache
# of the page and the files it keeps, by path.
CACHES = """
const done = arguments[0], asked = [], path = (u) => new URL(u).pathname + new URL(u).search;
for (const file of ["flyover.js", "page.css", "manifest.webmanifest"])
  for (let i = 0; i < 5; i++)
    asked.push(fetch(file + "?" + i).then((r) => r.blob()));
Promise.all(asked).then(() => new Promise((wait) => setTimeout(wait, 500)))
  .then(() => caches.keys())
  .then((names) => Promise.all(names.filter((n) => n.startsWith("flyover-")).map((n) =>
    caches.open(n).then((c) => c.keys())
      .then((kept) => [n, kept.map((k) => path(k.url)).sort()]))))
  .then(done, (error) => done(String(error)));
"""
# Whether what the selector arguments[0] finds lies inside the box with
# left, top, right and bottom arguments[1] to [4].
INSIDE = """
return [...document.querySelectorAll(arguments[0])].every((e) => {
  const r = e.getBoundingClientRect();
  return r.left >= arguments[1] && r.top >= arguments[2] && r.right <= arguments[3] &&
         r.bottom <= arguments[4];
});
"""
# The point program 2 stares at, from x 586 at a height of 7.
STREETPOINT = (587, 4, 0)
class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, format, *args):  # pylint: disable=redefined-builtin
        pass


class RedirectingHandler(QuietHandler):
    """A host that sends /index.html on to / and knows no WebAssembly type,
    as many static hosts do."""

    extensions_map = {**QuietHandler.extensions_map, ".wasm": "application/octet-stream"}

    def do_GET(self):
        if self.path.split("?")[0] != "/index.html":
            return super().do_GET()
        self.send_response(301)
        self.send_header("Location", "/")
        self.end_headers()
        return None


def edit(path, old, new):
    """Replaces text in a file, as a new build would change it."""
    with open(path) as f:
        text = f.read()
    with open(path, "w") as f:
        f.write(text.replace(old, new))


def serve(folder, handler=QuietHandler):
    """Serves the folder on a free port of 127.0.0.1; returns the address."""
    handler = functools.partial(handler, directory=folder)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server, "http://127.0.0.1:%d/" % server.server_address[1]


def browser(*extraargs, setup=""):
    """Chromium with WebGL on SwiftShader, headless unless extraargs say
    --kiosk (a full-screen window on DISPLAY), and the frame counter."""
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    window = () if "--kiosk" in extraargs else ("--headless=new", "--window-size=1024,900")
    for arg in ("--use-angle=swiftshader", "--enable-unsafe-swiftshader") + window + extraargs:
        options.add_argument(arg)
    if os.geteuid() == 0:
        options.add_argument("--no-sandbox")  # Chromium refuses to run as root otherwise
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument",
                           {"source": FRAMECOUNTER + setup})
    return driver


def console(driver):
    """The browser's console, less the GL driver's performance notes: ANGLE's
    Vulkan path under SwiftShader writes some when frames come in a burst,
    as they do under load ("Running out of reserved outsideRenderPass
    queueSerial"). They say how the driver fared, not what the page did."""
    return [e for e in driver.get_log("browser")
            if "GL Driver Message (OpenGL, Performance," not in e["message"]]


def waituntil(condition, seconds, step=0.1):
    """Polls condition until it gives a true value or the deadline passes."""
    deadline = time.monotonic() + seconds
    while True:
        value = condition()
        if value or time.monotonic() > deadline:
            return value
        time.sleep(step)


class Shot:
    """A screenshot of the canvas and its colour families."""

    def __init__(self, png):
        ppm = subprocess.run(["convert", "png:-", "-depth", "8", "ppm:-"], input=png,
                             capture_output=True, check=True).stdout
        self.pixels = ppm
        out = subprocess.run([os.environ["FLYOVER_TALLY"]], input=ppm, capture_output=True,
                             check=True).stdout.split()
        self.width, self.height = int(out[0]), int(out[1])
        self.black, self.building, self.ground, self.unexplained = map(float, out[2:])


class Page(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.server, cls.url = serve(os.environ["FLYOVER_PAGE"])

    @classmethod
    def tearDownClass(cls):
        cls.server.shutdown()

    def open(self, *browserargs, setup="", url=None):
        """Loads the page in a fresh browser, in the first of VIEWPORTS;
        setup runs before the page's scripts."""
        self.driver = browser(*browserargs, setup=setup)
        self.addCleanup(self.driver.quit)
        self.view(*VIEWPORTS[0][0])
        self.driver.get(url or self.url)
        self.canvas = self.driver.find_element(By.TAG_NAME, "canvas")

    def view(self, width, height, phone):
        """Emulates a viewport, a phone's with touch, or a screen's."""
        self.driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
            "width": width, "height": height, "deviceScaleFactor": 1, "mobile": phone})
        self.driver.execute_cdp_cmd("Emulation.setTouchEmulationEnabled", {"enabled": phone})

    def tap(self, label):
        """Taps the button with this label as a finger does."""
        button = self.driver.find_element(By.XPATH, "//button[text()='%s']" % label)
        r = button.rect
        point = {"x": r["x"] + r["width"] / 2, "y": r["y"] + r["height"] / 2}
        for kind, points in (("touchStart", [point]), ("touchEnd", [])):
            self.driver.execute_cdp_cmd("Input.dispatchTouchEvent",
                                        {"type": kind, "touchPoints": points})

    def touch(self, x, y, at):
        """A tap at (x, y) with its own time: DevTools would otherwise stamp
        it when it reaches the page, a second or so apart under load."""
        point = {"x": x, "y": y}
        for kind, points, when in (("touchStart", [point], at), ("touchEnd", [], at + 0.05)):
            self.driver.execute_cdp_cmd("Input.dispatchTouchEvent", {
                "type": kind, "touchPoints": points, "timestamp": when})

    def fullscreen(self):
        return self.driver.execute_script(
            "return document.fullscreenElement === document.documentElement")

    def leavefullscreen(self):
        """Ends full screen, and waits for the layout that follows."""
        self.driver.execute_async_script(
            "document.exitFullscreen().then(arguments[0], arguments[0])")
        self.assertTrue(waituntil(lambda: not self.fullscreen(), 5), "full screen stays")

    def program(self):
        """Which camera program the view shows: 'high' above the city,
        'stare' at the street's fixed point, 'look' elsewhere from the
        street; None before the first frame or in between."""
        view = self.driver.execute_script("return window.view")
        if view is None:
            return None
        eye, forward = view["eye"], view["forward"]
        if eye[1] >= 50:
            return "high"
        if abs(eye[0] - 586) > 1e-3 or abs(eye[1] - 7) > 1e-3:
            return None
        to = [p - e for p, e in zip(STREETPOINT, eye)]
        length = sum(c * c for c in to) ** 0.5
        along = sum(f * c / length for f, c in zip(forward, to))
        return "stare" if along > 1 - 1e-6 else "look"

    def flyagain(self, action):
        """Does what starts a new flight on a new page, waits for its first
        frame, and gives back what the action gave."""
        self.driver.execute_script("window.before = true")
        done = action()
        self.assertTrue(waituntil(lambda: self.driver.execute_script(
            "return !window.before && window.framecount > 0"), 30), "flying again drew no frame")
        self.canvas = self.driver.find_element(By.TAG_NAME, "canvas")
        return done

    def audit(self):
        """The accessibility audit's violations, at any impact."""
        with open(os.environ["FLYOVER_AXE"]) as f:
            self.driver.execute_script(f.read())
        return self.driver.execute_async_script(
            "axe.run(document, {resultTypes: ['violations']})"
            ".then((r) => arguments[0](r.violations.map((v) => [v.id, v.impact, v.nodes.length])))")

    def ended(self):
        """Whether the page says the demo has ended and offers to fly again."""
        again = self.driver.find_element(By.ID, "again")
        return waituntil(lambda: "ended" in self.driver.find_element(By.ID, "status").text
                         and again.is_displayed(), 10)

    def frames(self):
        return self.driver.execute_script("return window.framecount")

    def shot(self):
        return Shot(self.canvas.screenshot_as_png)

    def key(self, key):
        ActionChains(self.driver).send_keys(key).perform()

    def waitforcity(self, seconds):
        """Screenshots until the city shows or the deadline passes."""
        shot = None

        def lit():
            nonlocal shot
            shot = self.shot()
            return 1 - shot.black >= MINLIT
        waituntil(lit, seconds, 0.5)
        return shot

    def test_ShowsTheCityFollowsKeys321AndEndsOnEscape(self):
        self.open()
        d = self.driver
        self.assertIn("flyover", d.title)
        self.assertEqual(d.execute_script(
            "return getComputedStyle(document.body).backgroundColor"), "rgb(0, 0, 0)")

        # The first frames look straight down from high above: empty.
        self.assertTrue(waituntil(lambda: self.frames() > 0, 30), "no frame 30 s after loading")
        first = self.shot()
        self.assertLess(self.frames(), EMPTYFRAMES, "the first screenshot came too late")
        self.assertAlmostEqual(first.black, 1.0, 6, "the first frames are not empty")

        shot = self.waitforcity(60)
        self.assertEqual((shot.width, shot.height), (800, 600))
        self.assertGreaterEqual(1 - shot.black, MINLIT, "no city on the page 60 s after start")
        self.assertGreater(shot.building, 0.01, "no blue-green buildings")
        self.assertLess(shot.unexplained, 0.01, "colours the world cannot make")

        for key in "321":
            self.key(key)
            nextshot = waituntil(lambda: (s := self.shot()).pixels != shot.pixels and s, 10, 0.3)
            self.assertTrue(nextshot, "the view did not change after key " + key)
            self.assertLess(nextshot.unexplained, 0.01, "after key " + key)
            shot = nextshot

        self.key(Keys.ESCAPE)
        self.assertTrue(self.ended(), "still running 10 s after Escape")
        last = self.frames()
        time.sleep(1.5)
        self.assertEqual(self.frames(), last, "frames drawn after the end")
        # The program writes nothing in a normal run, so neither may anything
        # else on the page's console; and the page's policy refused nothing.
        self.assertEqual(console(d), [])
        self.assertEqual(d.execute_script("return window.faults"), [])
        # The policy holds: a script written into the page is refused, and
        # said to be (window.faults sees what the policy refuses).
        self.assertIsNone(d.execute_script(
            "const s = document.createElement('script'); s.textContent = 'window.inline = 1';"
            "document.body.append(s); return window.inline"), "an inline script ran")
        faults = lambda: d.execute_script("return window.faults")  # noqa: E731
        self.assertTrue(waituntil(lambda: faults() == ["script-src-elem inline"], 5), faults())

    def test_ComesBackWhenTheContextIsLost(self):
        """The browser takes WebGL away and gives it back, twice in a row,
        the second time in the new flight's first, black frames: each time
        the page stops drawing, then flies again at once."""
        self.open()
        d = self.driver
        lose = "window.lost = document.querySelector('canvas').getContext('webgl')" \
               ".getExtension('WEBGL_lose_context'); window.lost.loseContext()"
        self.assertTrue(waituntil(lambda: self.frames() > 0, 30), "no frame 30 s after loading")
        for turn in (1, 2):
            d.execute_script(lose)
            time.sleep(0.5)
            last = self.frames()
            time.sleep(1)
            self.assertEqual(self.frames(), last, "frames drawn without a context")
            start = time.monotonic()
            restored = self.flyagain(lambda: d.execute_script(
                "window.lost.restoreContext(); return performance.timeOrigin + performance.now()"))
            frame = (d.execute_script("return window.firstframe") - restored) / 1000
            print("\nRestore %d: first frame after %.1f s" % (turn, frame))
            self.assertLess(frame, 3, "the first frame came late")
        shot = self.waitforcity(60)
        print("The city %.1f s after the restore, load %.2f"
              % (time.monotonic() - start, os.getloadavg()[0]))
        self.assertGreaterEqual(1 - shot.black, MINLIT, "no city after the restore")

        # Never given back: within 10 s the page says so and offers a new flight.
        d.execute_script(lose)
        again = d.find_element(By.ID, "again")
        time.sleep(5)
        self.assertFalse(again.is_displayed(), "offered a new flight 5 s after the loss")
        self.assertTrue(waituntil(again.is_displayed, 10), "no way out 15 s after the loss")
        self.assertIn("not given them back", d.find_element(By.ID, "status").text)
        self.flyagain(again.click)

        # Lost and given back after the end: the page stays as it ended.
        self.key(Keys.ESCAPE)
        self.assertTrue(self.ended(), "still running 10 s after Escape")
        d.execute_script(lose)
        d.execute_script("window.before = true; window.lost.restoreContext()")
        time.sleep(2)
        self.assertTrue(d.execute_script("return window.before") and self.ended(), "flew again")
        severe = [e for e in d.get_log("browser") if e["level"] == "SEVERE"]
        self.assertEqual((severe, d.execute_script("return window.faults")), ([], []))

    def test_WithoutWebGLTheVideoModeFails(self):
        self.open("--disable-3d-apis")
        message = "Video mode set failed: the browser gives this page no WebGL"
        status = self.driver.find_element(By.ID, "status")
        self.assertTrue(waituntil(lambda: status.text == message, 30), status.text)
        # The console has the program's line and nothing else.
        logged = [e["message"].split(" ", 2)[-1] for e in self.driver.get_log("browser")]
        self.assertEqual(logged, ['"%s"' % message])
        self.assertEqual(self.frames(), 0)
        # The buttons find no program to steer, and do no harm.
        for button in self.driver.find_elements(By.CSS_SELECTOR, "#keys [data-key]"):
            button.click()
        self.assertEqual((status.text, self.driver.get_log("browser")), (message, []))

    def test_FitsEveryScreenAndItsButtonsSteerIt(self):
        self.open()
        d = self.driver
        labels = [b.text for b in d.find_elements(By.CSS_SELECTOR, "#keys button")]
        self.assertEqual(labels, ["1 high", "2 low", "3 street", "Esc end", "Full screen"])
        for viewport, canvas in VIEWPORTS:
            self.view(*viewport)
            width, height, fits = d.execute_script(LAYOUT)
            print("viewport %s: canvas %g x %g" % (viewport[:2], width, height))
            self.assertEqual((width, height, fits), canvas + (True,), viewport)
        # The last, a phone on its side with a notch and a home bar: the
        # picture and the buttons keep clear of both.
        d.execute_cdp_cmd("Emulation.setSafeAreaInsetsOverride",
                          {"insets": {"left": 47, "right": 47, "bottom": 21}})
        self.assertTrue(d.execute_script(INSIDE, "canvas, #keys button", 47, 0, 844 - 47, 390 - 21))
        d.execute_cdp_cmd("Emulation.setSafeAreaInsetsOverride", {"insets": {}})

        # Phone and laptop: an accessibility audit finds nothing, at any impact.
        for viewport in ((390, 844, True), (1280, 800, False)):
            self.view(*viewport)
            self.assertEqual(self.audit(), [], viewport)
        root = d.execute_cdp_cmd("DOM.getDocument", {})["root"]["nodeId"]
        canvas = d.execute_cdp_cmd("DOM.querySelector", {"nodeId": root, "selector": "canvas"})
        named = d.execute_cdp_cmd("Accessibility.getPartialAXTree",
                                  dict(canvas, fetchRelatives=False))
        self.assertTrue(named["nodes"][0]["name"]["value"], "the picture has no name")

        # On the phone, on its side: the buttons give the keys' programs, told
        # apart by where the eye is and where it looks. Program 2 of key 3
        # ends up staring at one point down the street, from a height of 7;
        # 1 flies at 50 and more; 2 looks around from the street, elsewhere.
        self.view(844, 390, True)
        self.assertTrue(waituntil(lambda: self.frames() > 110, 60), "no automatic switch yet")
        for label, program in (("3 street", "stare"), ("1 high", "high"), ("2 low", "look")):
            self.tap(label)
            self.assertTrue(waituntil(lambda: self.program() == program, 40),
                            "%s: %s" % (label, d.execute_script("return window.view")))

        # Full screen on a screen: the picture fills it and the buttons lie
        # over its foot, fading when left alone and back with the next move.
        self.view(1920, 1080, False)
        d.find_element(By.ID, "fullscreen").click()
        self.assertTrue(waituntil(self.fullscreen, 5), "no full screen")
        r = self.canvas.rect
        self.assertEqual((r["width"], r["height"]), (1440, 1080))
        self.assertTrue(d.execute_script(INSIDE, "#keys button", r["x"], r["y"] + r["height"] / 2,
                                         r["x"] + r["width"], r["y"] + r["height"]))
        keys = "const k = document.getElementById('keys');" \
               "return [k.className, getComputedStyle(k).opacity]"
        self.assertTrue(waituntil(lambda: d.execute_script(keys) == ["idle", "0"], 10),
                        d.execute_script(keys))
        ActionChains(d).move_to_element_with_offset(self.canvas, 5, 5).perform()
        self.assertTrue(waituntil(lambda: d.execute_script(keys) == ["", "1"], 5),
                        d.execute_script(keys))
        self.leavefullscreen()

        # On a phone a double tap on the picture asks for full screen; a
        # single one does not.
        self.view(390, 844, True)
        r = self.canvas.rect
        x, y = r["x"] + r["width"] / 2, r["y"] + r["height"] / 2
        self.touch(x, y, time.time())
        time.sleep(1)
        self.assertFalse(self.fullscreen(), "full screen on a single tap")
        now = time.time() - 0.5  # both taps in the past, 200 ms apart
        self.touch(x, y, now)
        self.touch(x + 5, y, now + 0.2)
        self.assertTrue(waituntil(self.fullscreen, 5), "no full screen on a double tap")
        self.leavefullscreen()

        self.tap("Esc end")
        self.assertTrue(self.ended(), "still running 10 s after a tap on Esc")
        last = self.frames()
        time.sleep(1)
        self.assertEqual(self.frames(), last, "frames drawn after the end")
        self.flyagain(lambda: d.find_element(By.ID, "again").click())
        self.assertEqual(d.execute_script("return window.faults"), [])

    def test_InstallableAndOpensWithoutTheNetwork(self):
        """On a plain static host (RedirectingHandler): the page flies without
        a word on its slower start, the worker keeps the page's own files and
        no others, one cache of them, shows a new build on the first visit,
        and opens the page offline."""
        folder = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, folder)
        shutil.copytree(os.environ["FLYOVER_PAGE"], folder, dirs_exist_ok=True)
        server, url = serve(folder, RedirectingHandler)
        self.open(url=url)
        d = self.driver
        controlled = "return navigator.serviceWorker.controller !== null && window.framecount > 0"
        self.assertTrue(waituntil(lambda: d.execute_script(controlled), 30), "no service worker")
        self.assertEqual(d.find_element(By.ID, "status").text, "")
        self.assertEqual(d.execute_cdp_cmd("Page.getInstallabilityErrors", {}),
                         {"installabilityErrors": []})
        files = sorted(["/"] + ["/" + f for f in os.listdir(folder) if f != "sw.js"])
        (name, kept), = d.execute_async_script(CACHES)
        self.assertEqual(kept, files)

        for address in (url + "index.html", url):
            d.get(address)
            self.assertTrue(waituntil(lambda: d.execute_script(controlled), 30), address)
            self.assertEqual(d.current_url, url)

        # A new build: it shows on the first visit, and its cache alone stays.
        # Where the system asks for reduced motion, the picture stays still
        # until the person starts the flight. (While the program runs, this
        # busy machine's Chromium takes a minute to look at the new worker.)
        edit(os.path.join(folder, "sw.js"), name, "flyover-update")
        edit(os.path.join(folder, "index.html"), "<title>", "<title>Updated ")
        d.execute_cdp_cmd("Emulation.setEmulatedMedia", {
            "features": [{"name": "prefers-reduced-motion", "value": "reduce"}]})
        d.get(url)
        self.assertTrue(d.title.startswith("Updated "), d.title)
        fly = d.find_element(By.ID, "fly")
        self.assertTrue(fly.is_displayed() and fly.text.startswith("Fly"), fly.text)
        names = lambda: [n for n, _ in d.execute_async_script(CACHES)]  # noqa: E731
        self.assertTrue(waituntil(lambda: names() == ["flyover-update"], 10), names())
        time.sleep(2)
        self.assertEqual(self.frames(), 0, "the flight started by itself")

        # Offline: the button starts the flight, and flying again asks no more.
        server.shutdown()
        server.server_close()
        d.refresh()
        self.canvas = d.find_element(By.TAG_NAME, "canvas")
        self.tap(d.find_element(By.ID, "fly").text)
        self.assertGreaterEqual(1 - self.waitforcity(60).black, MINLIT, "no city offline")
        self.tap("Esc end")
        self.assertTrue(self.ended(), "still running 10 s after a tap on Esc")
        self.flyagain(lambda: self.tap("Fly again"))
        self.assertEqual(d.execute_script("return window.faults"), [])

    def test_OnThePinnedClockHoldsTheDesktopsFrame(self):
        self.open(setup=PINNED)
        self.assertTrue(waituntil(lambda: self.frames() > HELDFRAME + 2, 120),
                        "frame %d not drawn 120 s after loading" % HELDFRAME)
        time.sleep(0.5)  # for the held frame to reach the screen, as on the desktop
        shot = self.shot()
        self.assertEqual((shot.width, shot.height), (800, 600))
        # A dark frame would match a black page: the comparison needs a city.
        self.assertGreaterEqual(1 - shot.black, MINLIT, "no city in the held frame")
        frame = desktopframe()
        difference = rmse(shot.pixels, frame)
        print("\nHeld frame %d on clock %d: RMSE %.2f%% against the desktop's"
              % (HELDFRAME, CLOCK, 100 * difference))
        self.assertLess(difference, MATCHRMSE, "the page's frame is not the desktop's")

    def test_FrameRateBesideTheDesktops(self):
        self.open()
        skip, seconds = 300, 10  # as bench/frames/framerate.sh measures
        page = pagerate(self.driver, skip, seconds)
        self.assertTrue(page, "fewer than %d frames 120 s after loading" % skip)
        self.driver.quit()
        native = desktoprate(skip, seconds)
        figure = ("Frame rate: page %.1f fps (headless Chromium, SwiftShader), desktop %.1f fps "
                  "(Xvfb, llvmpipe), page / desktop %.0f%%, load average %.2f\n"
                  % (page, native, 100 * page / native, os.getloadavg()[0]))
        print("\n" + figure)
        if "FLYOVER_FRAMERATE_OUT" in os.environ:  # for scripts/test to show
            with open(os.environ["FLYOVER_FRAMERATE_OUT"], "w") as f:
                f.write(figure)
        # Far below the desktop means the page waits for something the
        # program does not (a wrong way of yielding to the browser, say).
        self.assertGreater(page / native, 0.25)


def pagerate(driver, skip, seconds):
    """The frames a second the page in driver draws over seconds, after its
    first skip frames; None if those do not come within two minutes."""
    clock = "return [window.framecount, performance.now()]"
    if not waituntil(lambda: driver.execute_script(clock)[0] >= skip, 120):
        return None
    count0, t0 = driver.execute_script(clock)
    time.sleep(seconds)
    count1, t1 = driver.execute_script(clock)
    return (count1 - count0) / ((t1 - t0) / 1000)


def desktop(env, out):
    """Runs the desktop program with the swap counter and env added to the
    environment until the counter has written out; returns what it wrote."""
    env = dict(os.environ, LD_PRELOAD=os.environ["SWAPCOUNT"], **env)
    program = subprocess.Popen([os.environ["FLYOVER_BINARY"]], env=env)
    try:
        waituntil(lambda: os.path.exists(out) or program.poll() is not None, 120)
    finally:
        program.terminate()
        program.wait()
    if not os.path.exists(out):
        raise AssertionError("the desktop program wrote no " + out)
    with open(out, "rb") as f:
        written = f.read()
    os.unlink(out)
    return written


def desktopframe():
    """The frame the desktop program holds on the pinned clock, drawn
    offscreen, as a PPM picture."""
    out = "/tmp/flyover-webframe-%d.ppm" % os.getpid()
    return desktop({"SDL_VIDEODRIVER": "offscreen", "SWAPCOUNT_CLOCK": str(CLOCK),
                    "SWAPCOUNT_FREEZE": str(HELDFRAME), "SWAPCOUNT_FRAME": out}, out)


def rmse(a, b):
    """Root-mean-square difference of two PPM pictures of one size, in 255ths."""
    def pixels(ppm):  # "P6 width height 255", one blank, then the pixels
        _, width, height = ppm[:20].split()[:3]
        return (int(width), int(height)), ppm[-int(width) * int(height) * 3:]
    (asize, a), (bsize, b) = pixels(a), pixels(b)
    if asize != bsize:
        raise AssertionError("pictures of %s and %s" % (asize, bsize))
    return (sum((x - y) * (x - y) for x, y in zip(a, b)) / len(a)) ** 0.5 / 255


def desktoprate(skip, seconds):
    """The desktop program's frame rate on a private Xvfb, counted by the
    frame-rate benchmark's swap counter."""
    read, write = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "800x600x24",
                             "-nolisten", "tcp"], pass_fds=[write], stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    os.close(write)
    try:
        with os.fdopen(read) as f:
            display = ":" + f.readline().strip()
        out = "/tmp/flyover-webrate-%d" % os.getpid()
        frames, took, _ = map(float, desktop(
            {"DISPLAY": display, "SDL_VIDEODRIVER": "x11", "SWAPCOUNT_OUT": out,
             "SWAPCOUNT_SKIP": str(skip), "SWAPCOUNT_SECONDS": str(seconds)}, out).split())
        return frames / took
    finally:
        xvfb.terminate()
        xvfb.wait()


class WorldDigest(unittest.TestCase):
    def test_TheSameClockGivesTheDesktopsWorldAndFlight(self):
        """Digests of every world array, as generation leaves them and after
        a few thousand animation steps, from the digest program built for the
        web and run with node, against the desktop's build of it."""
        clocks = ["86400", "1700000000", "2100000000"]
        desktop = subprocess.run([os.environ["FLYOVER_WORLDDIGEST"]] + clocks,
                                 capture_output=True, text=True, check=True).stdout
        # Both phases of each clock: every array and the camera switch.
        self.assertEqual(desktop.count("\n"), 3 * 2 * 14, desktop)
        web = subprocess.run(["/usr/bin/node", os.environ["FLYOVER_WEBDIGEST"]] + clocks,
                             capture_output=True, text=True, check=True).stdout
        self.assertEqual(web, desktop)


if __name__ == "__main__":
    unittest.main()
