// SPDX-License-Identifier: MIT
// As a screen saver: the demo draws into a window that a host names, the
// whole picture scaled to it, leaves the window and the pointer alone, and
// ends quietly as hosts end savers: SIGTERM, the window destroyed, or both at
// once. The host is the test itself (a plain window, named as XScreenSaver
// names it, in hex, or as xsecurelock does, in decimal), xsecurelock, XScreenSaver.
#include "frame.h"
#include "session.h"
#include "watching.h"

#include <X11/Xlib.h>
#include <gtest/gtest.h>

#include <signal.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>

using namespace testsupport;

namespace
{

// A plain window of the test's own, as a host makes for its saver, given
// the focus (which sdl12-compat would take as leave to confine the pointer).
class HostWindow
{
  public:
    HostWindow(const std::string &display, const Area &want)
        : display_(XOpenDisplay(display.c_str()), XCloseDisplay)
    {
        if (!display_)
            return;
        Display *d = display_.get();
        id = XCreateSimpleWindow(d, DefaultRootWindow(d), want.x, want.y, unsigned(want.width),
                                 unsigned(want.height), 0, 0, WhitePixel(d, DefaultScreen(d)));
        // A window manager places it, frames it and maps it: wait until it is
        // shown and has kept its place for a moment. (Openbox passes over a
        // request made while it starts: it is made again.)
        Area last{};
        for (int tries = 0; tries < 100 && !shown; tries++, usleep(100000)) {
            XWindowAttributes a{};
            XGetWindowAttributes(d, id, &a);
            if (a.map_state != IsViewable)
                XMapWindow(d, id);
            shown = a.map_state == IsViewable && where() == last;
            last = where();
        }
        if (shown)
            XSetInputFocus(d, id, RevertToParent, CurrentTime);
        XSync(d, False);
    }
    // Its place on the screen and its size.
    Area where() const
    {
        Display *d = display_.get();
        XWindowAttributes a{};
        Window child = None;
        Area at{};
        if (XGetWindowAttributes(d, id, &a) != 0 &&
            XTranslateCoordinates(d, id, a.root, 0, 0, &at.x, &at.y, &child) != 0) {
            at.width = a.width;
            at.height = a.height;
        }
        return at;
    }
    // Whether the pointer can be warped to (x, y) on the screen: not when
    // another client's grab confines it.
    bool pointerreaches(int x, int y) const
    {
        Display *d = display_.get();
        Window root = DefaultRootWindow(d);
        XWarpPointer(d, None, root, 0, 0, 0, 0, x, y);
        Window r = None;
        Window c = None;
        int at[4] = {-1, -1, 0, 0}; // on the screen, then in the window
        unsigned mask = 0;
        XQueryPointer(d, root, &r, &c, &at[0], &at[1], &at[2], &at[3], &mask);
        return at[0] == x && at[1] == y;
    }
    // Back to its own white.
    void clear() const
    {
        XClearWindow(display_.get(), id);
        XSync(display_.get(), False);
    }
    void destroy() const
    {
        XDestroyWindow(display_.get(), id);
        XSync(display_.get(), False);
    }
    // What the window shows.
    Picture shot(const std::string &display) const
    {
        return screenshot({"import", "-window", std::to_string(id), "-depth", "8", "ppm:"},
                          {{"DISPLAY", display.c_str()}});
    }
    Window id = None;
    bool shown = false;

  private:
    std::unique_ptr<Display, int (*)(Display *)> display_;
};

// Whether the process catches SIGTERM yet: its bit in the hex mask SigCgt.
bool termcaught(pid_t pid)
{
    const std::string status = readfile("/proc/" + std::to_string(pid) + "/status");
    return stoull(status.substr(status.find("SigCgt:") + 7), nullptr, 16) >> (SIGTERM - 1) & 1;
}

struct Host {
    const char *name;
    bool openbox;
    Area window;
    bool hex;     // the window's id as XScreenSaver writes it; else as xsecurelock does
    bool sigterm; // the host's SIGTERM comes with the window's destruction
    // s after the demo catches SIGTERM that the host ends it; < 0: once it draws
    double early = -1;
};

void PrintTo(const Host &h, std::ostream *out)
{
    *out << h.name;
}

class HostWindows : public ::testing::TestWithParam<Host>
{
  protected:
    HostWindows()
    {
        if (GetParam().openbox)
            wm.emplace(std::vector<std::string>{"openbox"}, "1280x1024");
        else
            x.emplace(std::vector<std::string>{}, "1280x1024");
    }
    const std::string &display() const
    {
        return wm ? wm->display() : x->display();
    }
    // The demo in the window, with the environment it is given besides.
    Child demo(const HostWindow &host, Env env) const
    {
        char id[24];
        snprintf(id, sizeof id, GetParam().hex ? "%#lx" : "%lu", host.id);
        env.insert(env.end(), {{"DISPLAY", display().c_str()},
                               {"WAYLAND_DISPLAY", nullptr},
                               {"XSCREENSAVER_WINDOW", id}});
        return spawn({flyoverpath(), "-root"}, env);
    }
    std::optional<XServer> x;
    std::optional<WindowManager> wm;
};

TEST_P(HostWindows, FillsTheWindowLeavesItAloneAndEndsQuietly)
{
    ASSERT_TRUE(!wm || wm->ready()) << "openbox did not start";
    const HostWindow host(display(), GetParam().window);
    ASSERT_TRUE(host.shown);
    const Area placed = host.where();

    // The held frame fills the window, which keeps its place and size; the
    // pointer goes where it is sent, out of the window too. (With the frame
    // held, the demo takes longer to end than when it draws.)
    {
        HeldFrame held;
        Child saver = demo(host, held.env());
        Picture frame = held.wait(120);
        ASSERT_FALSE(frame.rgb.empty()) << "no frame held: " << stderrof(saver);
        EXPECT_TRUE(showswhole(host.shot(display()), frame));
        EXPECT_EQ(host.where(), placed);
        EXPECT_TRUE(host.pointerreaches(1270, 1010));
        EXPECT_TRUE(host.pointerreaches(placed.x + 5, placed.y + 5));
        kill(saver.pid, SIGTERM);
        EXPECT_TRUE(exitswithin(saver, 10, 0)) << stderrof(saver);
        EXPECT_EQ(stdoutof(saver) + stderrof(saver), "");
    }

    // Destroyed (after a SIGTERM, as hosts do) while the demo draws into it:
    // once the white window has turned black, or early s after it can end.
    host.clear();
    Child saver = demo(host, {});
    for (int tries = 0; tries < 3000 && GetParam().early >= 0 && !termcaught(saver.pid); tries++)
        usleep(1000);
    usleep(useconds_t(std::max(GetParam().early, 0.0) * 1e6));
    for (int tries = 0; tries < 300 && GetParam().early < 0; tries++, usleep(100000)) {
        Picture shot = host.shot(display());
        if (!shot.rgb.empty() && shot.rgb[shot.rgb.size() / 2] != 255)
            break;
    }
    if (GetParam().sigterm)
        kill(saver.pid, SIGTERM);
    host.destroy();
    EXPECT_TRUE(exitswithin(saver, 1, 0)) << stderrof(saver);
    EXPECT_EQ(stdoutof(saver) + stderrof(saver), "");
}

// Shapes: 4:3 as the picture, wide, tall; with no window manager the window
// is where it asked to be, under openbox where openbox put it.
INSTANTIATE_TEST_SUITE_P(
    Saver, HostWindows,
    ::testing::Values(Host{"BareX640x480Hex", false, {10, 20, 640, 480}, true, true, 0},
                      Host{"BareX1000x400Decimal", false, {100, 200, 1000, 400}, false, false},
                      Host{"BareX600x1000Hex", false, {50, 10, 600, 1000}, true, false, 0.05},
                      Host{"Openbox1000x400Hex", true, {0, 0, 1000, 400}, true, true, 0.15},
                      Host{"Openbox600x900Decimal", true, {0, 0, 600, 900}, false, false}),
    [](const auto &info) { return std::string(info.param.name); });

// How many live processes of the demo have display in their environment
// (zombies, which nobody may be left to reap, do not count).
int demosondisplay(const std::string &display)
{
    namespace fs = std::filesystem;
    const fs::path demo = fs::canonical(flyoverpath());
    const std::string want = "DISPLAY=" + display + '\0';
    int found = 0;
    for (const fs::directory_entry &e : fs::directory_iterator("/proc")) {
        std::error_code gone;
        if (fs::read_symlink(e.path() / "exe", gone) != demo)
            continue;
        found += readfile(e.path() / "stat").find(") Z ") == std::string::npos &&
                 readfile(e.path() / "environ").find(want) != std::string::npos;
    }
    return found;
}

TEST(Xsecurelock, ShowsTheCityAndEndingTheLockEndsTheDemo)
{
    XServer x;
    Child lock = spawn({"xsecurelock"}, {{"DISPLAY", x.display().c_str()},
                                         {"WAYLAND_DISPLAY", nullptr},
                                         {"XSECURELOCK_SAVER", flyoverpath()}});
    constexpr double minlit = 0.2;
    Picture shot = waitforcity(x.display(), minlit, 60);
    EXPECT_TRUE(showsthecity(shot, minlit)) << "a minute after start: " << stderrof(lock);
    ASSERT_EQ(demosondisplay(x.display()), 1);

    kill(lock.pid, SIGTERM);
    EXPECT_NE(waitfor(lock, 10), -1) << "xsecurelock did not end";
    int left = 1;
    for (int tries = 0; tries < 10 && (left = demosondisplay(x.display())) > 0; tries++)
        usleep(100000);
    EXPECT_EQ(left, 0) << "the demo still runs a second after xsecurelock ended";
}

// XScreenSaver (fading off; as nobody under root) ended as it starts the demo
// and later logs no X error and no abnormal exit. It runs a copy it can reach.
TEST(XScreenSaver, EndingTheDemoAsItStartsLogsNoError)
{
    XServer x;
    char home[] = "/tmp/flyover-xscreensaver-XXXXXX";
    ASSERT_TRUE(mkdtemp(home) != nullptr && (getuid() != 0 || givetonobody(home)));
    std::filesystem::copy_file(flyoverpath(), home + std::string("/flyover"));
    std::ofstream(home + std::string("/.xscreensaver"))
        << "mode: one\nselected: 0\nfade: False\nunfade: False\nprograms: GL: " << home
        << "/flyover \\n\n";
    Child daemon = spawn(asnobody({"xscreensaver", "-no-splash", "-verbose"}),
                         {{"HOME", home}, {"DISPLAY", x.display().c_str()}});
    for (const double lag : {0.0, 0.1, 0.2, 0.4}) {
        const size_t seen = stderrof(daemon).size();
        // Until the daemon, which may not listen yet, has started the demo.
        for (int tries = 0;
             tries < 300 && stderrof(daemon).find("/flyover\"", seen) == std::string::npos; tries++)
            runon(x.display(), {"xscreensaver-command", "-activate"});
        usleep(useconds_t(lag * 1e6));
        runon(x.display(), {"xscreensaver-command", "-deactivate"});
        EXPECT_NE(stderrof(daemon).find("/flyover\"", seen), std::string::npos) << "not started";
    }
    sleep(1);
    EXPECT_EQ(stderrof(daemon).find("X Error"), std::string::npos) << stderrof(daemon);
    EXPECT_EQ(stderrof(daemon).find("abnormally"), std::string::npos) << stderrof(daemon);
    std::filesystem::remove_all(home);
}

} // namespace
