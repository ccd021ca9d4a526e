// SPDX-License-Identifier: MIT
// The Windows build under Wine: the zip as a user unpacks it, the program in
// it on a private X server, and the tests cross-built with it.
//
// Every run gets a Wine prefix of its own, hard-linked from a template made
// once per build folder (making one takes a while): a Wine server remembers
// the display it started with, so a shared prefix would carry one run's X
// server into the next.
#include "../package/tools.h"
#include "process.h"
#include "watching.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

using namespace testsupport;
namespace fs = std::filesystem;

namespace
{

const std::string windowsbuild = WINDOWS_BUILD;
const std::string zip = windowsbuild + "/flyover-" FLYOVER_VERSION "-windows-x86_64.zip";
const std::set<std::string> zipfiles = {"flyover.exe",      "flyover.scr", "SDL.dll",
                                        "README.txt",       "LICENSE.txt", "SDL-COPYING.txt",
                                        "SDL-copyright.txt"};

using Env = std::vector<std::pair<std::string, const char *>>;

// The environment of a Wine run in prefix, with home as HOME, on display
// (nullptr for none): no debug output, no menu entries or file associations
// made for the program, no .NET or HTML engine installs asked for.
Env wineenv(const std::string &prefix, const std::string &home, const char *display)
{
    return {{"WINEPREFIX", prefix.c_str()},
            {"HOME", home.c_str()},
            {"DISPLAY", display},
            {"WINEDEBUG", "-all"},
            {"WINEDLLOVERRIDES", "winemenubuilder.exe=d;mscoree,mshtml="}};
}

// Makes the template prefix in dir; returns what went wrong, if anything.
// Its X11 driver leaves window management to Wine itself (Managed=N): with a
// window manager's protocol in the way, a full-screen program takes seconds
// to end.
std::string makeprefix(const std::string &dir)
{
    const std::string prefix = dir + "/prefix";
    const std::string home = dir + "/home";
    fs::remove_all(dir);
    fs::create_directories(home);
    const Env env = wineenv(prefix, home, nullptr);
    Ran boot = run({"wineboot", "-i"}, env);
    Ran reg = run({"wine", "reg", "add", "HKCU\\Software\\Wine\\X11 Driver", "/v", "Managed", "/d",
                   "N", "/f"},
                  env);
    // The registry reaches the disk when the server ends.
    Ran done = run({"wineserver", "-w"}, env);
    if (boot.status != 0 || reg.status != 0 || done.status != 0)
        return "making a Wine prefix failed: " + boot.err + reg.err;
    std::ofstream(dir + "/.ready") << "made for flyover's tests\n";
    return "";
}

// The template prefix, made on first use under a lock, so that tests run in
// parallel make it once.
std::string templateprefix()
{
    const std::string dir = WINEPREFIX_TEMPLATE;
    int lock = open((dir + ".lock").c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0644);
    if (lock < 0)
        throw std::runtime_error("cannot lock " + dir);
    flock(lock, LOCK_EX); // released with the descriptor
    std::string fault = fs::exists(dir + "/.ready") ? "" : makeprefix(dir);
    close(lock);
    if (!fault.empty())
        throw std::runtime_error(fault);
    return dir + "/prefix";
}

// A copy of a prefix: Wine's own DLLs, which are only ever read and make up
// most of it, as hard links; the rest as real copies, since Wine rewrites
// the registry files in place.
void copyprefix(const fs::path &from, const fs::path &to)
{
    fs::copy(from, to,
             fs::copy_options::recursive | fs::copy_options::copy_symlinks |
                 fs::copy_options::create_hard_links);
    const fs::path dlls = to / "drive_c/windows/system32";
    for (auto it = fs::recursive_directory_iterator(to); it != fs::recursive_directory_iterator();
         ++it) {
        if (it->path() == dlls) {
            it.disable_recursion_pending();
        } else if (!it->is_symlink() && it->is_regular_file()) {
            fs::path copy = it->path().string() + ".copy";
            fs::copy_file(it->path(), copy);
            fs::rename(copy, it->path());
        }
    }
}

// A private Wine prefix and home, and the zip unpacked into app/, in a fresh
// directory; the Wine server is stopped and all of it removed at the end.
class Wine
{
  public:
    Wine() : prefix_(dir_.path() + "/prefix"), home_(dir_.path() + "/home")
    {
        fs::create_directories(home_);
        copyprefix(templateprefix(), prefix_);
        if (run({"unzip", "-q", zip, "-d", app()}).status != 0)
            throw std::runtime_error("cannot unpack " + zip);
    }
    ~Wine()
    {
        run({"wineserver", "-k"}, wineenv(prefix_, home_, nullptr));
    }
    Wine(const Wine &) = delete;
    Wine &operator=(const Wine &) = delete;

    std::string app() const
    {
        return dir_.path() + "/app";
    }
    std::string drive() const
    {
        return prefix_ + "/drive_c";
    }
    // The registry, as the Wine server writes it to disk when it ends.
    std::string registry() const
    {
        run({"wineserver", "-w"}, wineenv(prefix_, home_, nullptr));
        return readfile(prefix_ + "/system.reg") + readfile(prefix_ + "/user.reg");
    }

    // Starts a Windows program under Wine with arguments, on display (nullptr
    // for none), with the environment changed further by extra.
    Child start(const std::string &program, const char *display,
                const std::vector<std::string> &args = {}, const Env &extra = {}) const
    {
        std::vector<std::string> argv = {"wine", program};
        argv.insert(argv.end(), args.begin(), args.end());
        Env env = wineenv(prefix_, home_, display);
        env.insert(env.end(), extra.begin(), extra.end());
        return spawn(argv, env);
    }

    Ran runtoend(const std::string &program, const std::vector<std::string> &args = {}) const
    {
        std::vector<std::string> argv = {"wine", program};
        argv.insert(argv.end(), args.begin(), args.end());
        return run(argv, wineenv(prefix_, home_, nullptr));
    }

  private:
    TempDir dir_;
    std::string prefix_, home_;
};

// Asks every shown window of the process to close, as a desktop's close
// button does: the window manager protocol's WM_DELETE_WINDOW message.
int requestclose(const std::string &display, const Child &child)
{
    Ran search = run({"xdotool", "search", "--onlyvisible", "--pid", std::to_string(child.pid)},
                     {{"DISPLAY", display.c_str()}});
    Display *x = XOpenDisplay(display.c_str());
    if (x == nullptr)
        return 0;
    std::istringstream ids(search.out);
    int sent = 0;
    for (Window w; ids >> w; sent++) {
        XEvent e{};
        e.xclient.type = ClientMessage;
        e.xclient.window = w;
        e.xclient.message_type = XInternAtom(x, "WM_PROTOCOLS", False);
        e.xclient.format = 32;
        e.xclient.data.l[0] = long(XInternAtom(x, "WM_DELETE_WINDOW", False));
        e.xclient.data.l[1] = CurrentTime;
        XSendEvent(x, w, False, NoEventMask, &e);
    }
    XCloseDisplay(x);
    return sent;
}

// What the program left beside itself, besides the zip's own files.
std::set<std::string> leftbeside(const Wine &wine)
{
    std::set<std::string> left;
    for (const std::string &f : filesunder(wine.app()))
        if (zipfiles.count(f) == 0)
            left.insert(f);
    return left;
}

// A screenshot of each monitor of the display, in xrandr's order.
std::vector<Picture> monitorshots(const std::string &display)
{
    const std::string listed =
        outputof({"xrandr", "--listmonitors"}, {{"DISPLAY", display.c_str()}});
    std::vector<Picture> shots;
    const std::regex geometry(R"((\d+)/\d+x(\d+)/\d+(\+\d+\+\d+))");
    for (std::sregex_iterator m(listed.begin(), listed.end(), geometry), end; m != end; ++m)
        shots.push_back(screenshot(display, (*m)[1].str() + "x" + (*m)[2].str() + (*m)[3].str()));
    return shots;
}

// The pixels of the root's colour on each monitor of the display, in
// xrandr's order: what no window covers, once the root is painted magenta, a
// colour the city never shows (it may show white).
std::vector<long> uncovered(const std::string &display)
{
    std::vector<long> bare;
    for (const Picture &shot : monitorshots(display)) {
        long count = 0;
        for (size_t i = 0; i + 2 < shot.rgb.size(); i += 3)
            count += shot.rgb[i] == 255 && shot.rgb[i + 1] == 0 && shot.rgb[i + 2] == 255;
        bare.push_back(shot.rgb.empty() ? -1 : count);
    }
    return bare;
}

TEST(WindowsZip, HoldsAGuiProgramSdlAReadmeAndLicencesAndNoCompilerRuntime)
{
    Ran list = run({"unzip", "-Z1", zip});
    ASSERT_EQ(list.status, 0) << list.err << " (scripts/windows makes the zip)";
    std::istringstream names(list.out);
    std::set<std::string> listed;
    for (std::string name; std::getline(names, name);)
        listed.insert(name);
    EXPECT_EQ(listed, zipfiles);

    // A Windows system has none of GCC's runtime DLLs: the programs may need
    // SDL's and Windows' own only. And they are GUI programs, which open no
    // console window beside their own.
    const std::set<std::string> allowed = {"SDL.dll",      "KERNEL32.dll", "USER32.dll",
                                           "GDI32.dll",    "ADVAPI32.dll", "msvcrt.dll",
                                           "OPENGL32.dll", "GLU32.dll"};
    std::regex dllname("DLL Name: (\\S+)");
    for (const char *program : {"flyover.exe", "flyover.scr"}) {
        Ran imports = run({"x86_64-w64-mingw32-objdump", "-p", windowsbuild + "/src/" + program});
        ASSERT_EQ(imports.status, 0) << imports.err;
        EXPECT_NE(imports.out.find("(Windows GUI)"), std::string::npos) << imports.out;
        int count = 0;
        for (std::sregex_iterator m(imports.out.begin(), imports.out.end(), dllname), end; m != end;
             ++m, ++count)
            EXPECT_EQ(allowed.count((*m)[1]), 1u) << program << " needs " << (*m)[1];
        EXPECT_GT(count, 0) << imports.out;
    }
}

// Windows' C library draws rand() from 0 to 32767 only: the program takes
// rand() and srand() from its own build, not from the C library's DLL.
TEST(WindowsZip, TheProgramDoesNotDrawWithTheCLibrarysRand)
{
    Ran imports = run({"x86_64-w64-mingw32-objdump", "-p", windowsbuild + "/src/flyover.exe"});
    ASSERT_EQ(imports.status, 0) << imports.err;
    ASSERT_NE(imports.out.find("DLL Name: msvcrt.dll"), std::string::npos) << imports.out;
    std::smatch found;
    EXPECT_FALSE(std::regex_search(imports.out, found, std::regex("\\s(s?rand)\\n")))
        << "flyover.exe imports " << found[1];
}

// The world's, animation's and event handler's tests, cross-built for Windows.
class CrossBuiltTests : public ::testing::TestWithParam<const char *>
{
};

TEST_P(CrossBuiltTests, PassUnderWine)
{
    Wine wine;
    Ran r = wine.runtoend(windowsbuild + "/tests/" + GetParam());
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("[  PASSED  ]"), std::string::npos) << r.out;
}

INSTANTIATE_TEST_SUITE_P(Windows, CrossBuiltTests,
                         ::testing::Values("world/world_tests.exe", "anim/anim_tests.exe",
                                           "shell/events_tests.exe"),
                         [](const auto &info) {
                             std::string name = fs::path(info.param).stem().string();
                             return name.substr(0, name.find('_'));
                         });

// The world and the flight a clock gives, as digests of every world array
// from the digest program cross-built with the Windows build's rand(),
// against the desktop's build of it.
TEST(WineWorld, TheSameClockGivesTheDesktopsWorldAndFlight)
{
    const std::vector<std::string> clocks = {"86400", "1700000000", "2100000000"};
    std::vector<std::string> argv = {WORLDDIGEST};
    argv.insert(argv.end(), clocks.begin(), clocks.end());
    Ran desktop = run(argv);
    ASSERT_EQ(desktop.status, 0) << desktop.err;
    // Both phases of each clock: every array and the camera switch.
    ASSERT_EQ(std::count(desktop.out.begin(), desktop.out.end(), '\n'), 3 * 2 * 14) << desktop.out;

    Wine wine;
    Ran windows = wine.runtoend(windowsbuild + "/tests/world/worlddigest.exe", clocks);
    ASSERT_EQ(windows.status, 0) << windows.err;
    windows.out.erase(std::remove(windows.out.begin(), windows.out.end(), '\r'),
                      windows.out.end()); // the C runtime's text mode
    EXPECT_EQ(windows.out, desktop.out);
}

TEST(WineRun, ShowsTheCityFollowsKey3AndEndsOnEscapeWithinASecond)
{
    constexpr double minlit = 0.2; // of the screen not black
    XServer x;
    Wine wine;
    Child demo = wine.start(wine.app() + "/flyover.exe", x.display().c_str());
    ASSERT_TRUE(windowshown(x.display(), demo)) << "no window";

    Picture shot = waitforcity(x.display(), minlit, 60);
    ASSERT_EQ(shot.width, 800);
    ASSERT_EQ(shot.height, 600);
    ASSERT_TRUE(showsthecity(shot, minlit)) << "60 s after start";

    ASSERT_EQ(runon(x.display(), {"xdotool", "key", "3"}), 0);
    Picture next = nextview(x.display(), shot, 10);
    ASSERT_EQ(next.rgb.size(), shot.rgb.size()) << "the view did not change after key 3";
    EXPECT_LT(tallyof(next).family[families::unexplained], 0.01) << "after key 3";

    ASSERT_EQ(runon(x.display(), {"xdotool", "key", "Escape"}), 0);
    EXPECT_TRUE(exitswithin(demo, 1.0, 0));
    EXPECT_EQ(leftbeside(wine), std::set<std::string>{}) << "a good run leaves no messages";
}

// The program's picture under Wine against the desktop's frames of the same
// world. The clock is pinned for the whole Wine process by libfaketime: every
// clock read of Windows' C library ends in clock_gettime there. Both editions
// draw on Mesa: the matching frame differs only where faces overlap or meet
// (measured: 1.0% RMSE), the frames next to it by 14% and more.
TEST(WinePicture, APinnedClockShowsTheDesktopsFrame)
{
    constexpr double minlit = 0.2;
    constexpr const char *clock = "1000000"; // a city that fills the view early
    constexpr const char *bound = "0.03";    // RMSE, in parts of full scale
    const Env pinned = {{"LD_PRELOAD", FAKETIME},
                        {"FAKETIME_FMT", "%s"},
                        {"FAKETIME", clock},
                        {"FAKETIME_DONT_FAKE_MONOTONIC", "1"}};
    XServer x;
    Wine wine;
    Child demo = wine.start(wine.app() + "/flyover.exe", x.display().c_str(), {}, pinned);
    ASSERT_TRUE(windowshown(x.display(), demo)) << "no window";
    Picture shot = waitforcity(x.display(), minlit, 60);
    ASSERT_TRUE(showsthecity(shot, minlit)) << "60 s after start";
    EXPECT_TRUE(escapeendswithzero(x.display(), demo));

    // The city shows from frame 101 at the earliest, and the screenshot
    // comes a second or so later: the search stops at the first frame
    // within the bound.
    TempDir dir;
    const std::string path = dir.path() + "/shot.ppm";
    ASSERT_TRUE(writeppm(shot, path));
    Ran closest = run({CLOSESTFRAME, clock, "100", "600", path, bound}, {}, 300);
    ASSERT_EQ(closest.status, 0) << closest.err;
    long frame = 0;
    double rmse = 1;
    ASSERT_EQ(sscanf(closest.out.c_str(), "frame %ld rmse %lf", &frame, &rmse), 2) << closest.out;
    RecordProperty("closest", closest.out);
    EXPECT_LT(rmse, atof(bound)) << "no desktop frame matches; the closest, " << frame
                                 << ", is off by " << rmse;
}

TEST(WineRun, AWindowCloseRequestEndsTheRunWithStatusZero)
{
    XServer x;
    Wine wine;
    Child demo = wine.start(wine.app() + "/flyover.exe", x.display().c_str());
    ASSERT_TRUE(windowshown(x.display(), demo)) << "no window";
    ASSERT_EQ(waitfor(demo, 1.0), -1) << "the demo ended by itself";
    ASSERT_GT(requestclose(x.display(), demo), 0) << "no window to close";
    EXPECT_TRUE(exitswithin(demo, 5.0, 0));
    EXPECT_EQ(leftbeside(wine), std::set<std::string>{});
}

// SDL's entry library sends standard error to stderr.txt beside the program,
// and leaves no file for an output stream that stayed empty.
TEST(WineRun, WithoutAnXServerItExitsOneWithOneLineInStderrTxt)
{
    Wine wine;
    Child demo = wine.start(wine.app() + "/flyover.exe", nullptr);
    ASSERT_TRUE(exitswithin(demo, 120, 1));
    EXPECT_EQ(leftbeside(wine), std::set<std::string>{"stderr.txt"});
    std::string err = readfile(wine.app() + "/stderr.txt");
    EXPECT_TRUE(std::regex_match(err, std::regex("Video initialization failed: [^\r\n]+\r?\n")))
        << err;
}

// flyover.scr as Windows runs it ("/s"): the demo until the user's input,
// which ends both programs with status 0. Wine's own report of a move as
// the window appears must not end it.
TEST(WineSaver, ShowsTheCityUntilAMouseMoveThenBothEndWithStatusZero)
{
    constexpr double minlit = 0.2;
    XServer x;
    Wine wine;
    const Env ondisplay = {{"DISPLAY", x.display().c_str()}};
    const std::vector<std::string> shown = {"xdotool", "search", "--onlyvisible", "--classname",
                                            "^flyover\\.exe$"};
    Child saver = wine.start(wine.app() + "/flyover.scr", x.display().c_str(), {"/s"});
    Picture shot = waitforcity(x.display(), minlit, 60);
    ASSERT_TRUE(showsthecity(shot, minlit)) << "60 s after start";

    ASSERT_EQ(waitfor(saver, 10.0), -1) << "ended with no input";
    ASSERT_FALSE(nextview(x.display(), screenshot(x.display()), 5).rgb.empty())
        << "the demo stopped moving";
    ASSERT_NE(outputof(shown, ondisplay), "") << "no window of flyover.exe";

    ASSERT_EQ(runon(x.display(), {"xdotool", "mousemove_relative", "40", "30"}), 0);
    EXPECT_TRUE(exitswithin(saver, 5.0, 0));
    EXPECT_EQ(outputof(shown, ondisplay), "") << "flyover.exe still shows its window";
    // Seen once in about twenty runs: stderr.txt still there as the launcher
    // ended. Its removal, when empty, is the demo's last act; allow it a
    // moment, and show what it holds if it stays.
    std::set<std::string> left = leftbeside(wine);
    for (int tries = 0; tries < 20 && !left.empty(); tries++) {
        usleep(100000);
        left = leftbeside(wine);
    }
    EXPECT_EQ(left, std::set<std::string>{})
        << "stderr.txt: " << readfile(wine.app() + "/stderr.txt");
}

// On two monitors the demo takes the primary one and switches it to its
// mode, which moves the other; the launcher covers that one, and not the
// demo's. Nothing of the root shows on either monitor. A move on the second
// ends the saver, and the covers and the demo's mode go with it.
TEST(WineSaver, CoversEveryMonitorUntilAMoveOnTheSecondThenLeavesThemAsTheyWere)
{
    if (geteuid() != 0)
        GTEST_SKIP() << TwoMonitors::needsroot;
    TwoMonitors x;
    const Env ondisplay = {{"DISPLAY", x.display().c_str()}};
    ASSERT_EQ(runon(x.display(), {"xsetroot", "-solid", "magenta"}), 0);
    const std::string monitors = outputof({"xrandr", "--listmonitors"}, ondisplay);
    ASSERT_EQ(uncovered(x.display()), (std::vector<long>{1024 * 768, 1024 * 768})) << monitors;
    Wine wine;
    Child saver = wine.start(wine.app() + "/flyover.scr", x.display().c_str(), {"/s"});
    const std::vector<long> none = {0, 0};
    std::vector<long> bare;
    for (int tries = 0; tries < 120 && bare != none; tries++, usleep(500000))
        bare = uncovered(x.display());
    ASSERT_EQ(bare, none) << "uncovered pixels on each monitor, 60 s after start";
    ASSERT_EQ(waitfor(saver, 3.0), -1) << "ended with no input";
    ASSERT_EQ(uncovered(x.display()), none) << "3 s later";
    // The covers leave the demo's own monitor, the primary, in view.
    EXPECT_TRUE(showsthecity(monitorshots(x.display()).at(0), 0.2)) << "the first monitor";

    ASSERT_EQ(runon(x.display(), {"xdotool", "mousemove", "1400", "300"}), 0);
    EXPECT_TRUE(exitswithin(saver, 5.0, 0));
    std::string after;
    for (int tries = 0; tries < 50 && after != monitors; tries++, usleep(100000))
        after = outputof({"xrandr", "--listmonitors"}, ondisplay);
    EXPECT_EQ(after, monitors);
    EXPECT_EQ(uncovered(x.display()), (std::vector<long>{1024 * 768, 1024 * 768}));
}

// Without a display: "/p <window>" and "/p:<window>" end at once with
// status 0 and start nothing (there is no live preview), while "/s" starts
// flyover.exe, whose failed start, status 1 and message, is the saver's.
struct SaverRun {
    std::vector<std::string> args;
    int status;
    std::set<std::string> left;
};

void PrintTo(const SaverRun &run, std::ostream *out)
{
    *out << ::testing::PrintToString(run.args);
}

class SaverRuns : public ::testing::TestWithParam<SaverRun>
{
};

TEST_P(SaverRuns, EndWithTheStatusOfWhatTheyStarted)
{
    Wine wine;
    Child saver = wine.start(wine.app() + "/flyover.scr", nullptr, GetParam().args);
    EXPECT_TRUE(exitswithin(saver, 60, GetParam().status));
    EXPECT_EQ(leftbeside(wine), GetParam().left);
}

INSTANTIATE_TEST_SUITE_P(WineSaver, SaverRuns,
                         ::testing::Values(SaverRun{{"/p", "12345"}, 0, {}},
                                           SaverRun{{"/p:12345"}, 0, {}},
                                           SaverRun{{"/s"}, 1, {"stderr.txt"}}),
                         [](const auto &info) {
                             return std::string(info.index < 2 ? "Preview" : "Show") +
                                    std::to_string(info.index);
                         });

// Both programs carry the icon, 16 to 256 pixels, the version information,
// string 1: the name the screen saver settings list a saver by, and a
// manifest that Windows can read: run as the user, aware of each monitor's
// DPI, made for Windows 7, 8, 8.1 and 10/11.
TEST(WindowsZip, BothProgramsCarryTheIconTheVersionTheSaversNameAndAManifest)
{
    TempDir dir;
    ASSERT_EQ(run({"unzip", "-q", zip, "flyover.exe", "flyover.scr", "-d", dir.path()}).status, 0);
    for (const std::string program : {"flyover.exe", "flyover.scr"}) {
        const std::string file = dir.path() + "/" + program;
        ASSERT_EQ(run({"wrestool", "-x", "--type=14", "-o", file + ".ico", file}).status, 0);
        const std::string sizes = run({"icotool", "-l", file + ".ico"}).out;
        EXPECT_EQ(std::count(sizes.begin(), sizes.end(), '\n'), 7) << program << sizes;
        for (const char *size : {"--width=16 ", "--width=256 "})
            EXPECT_NE(sizes.find(size), std::string::npos) << program << sizes;

        std::string version = run({"wrestool", "-x", "--raw", "--type=16", file}).out;
        version.erase(std::remove(version.begin(), version.end(), '\0'), version.end());
        for (const std::string &field :
             std::vector<std::string>{"ProductNameflyover", "FileVersion" FLYOVER_VERSION,
                                      "OriginalFilename" + program, "MIT licence"})
            EXPECT_NE(version.find(field), std::string::npos) << program << " lacks " << field;
        const std::string strings =
            run({"wrestool", "-x", "--raw", "--type=6", "--name=1", file}).out;
        EXPECT_EQ(strings.substr(0, 18), std::string("\0\0\7\0f\0l\0y\0o\0v\0e\0r\0", 18))
            << program << ": string 0 empty, string 1 \"flyover\"";

        ASSERT_EQ(run({"wrestool", "-x", "--raw", "--type=24", "--name=1", "-o", file + ".manifest",
                       file})
                      .status,
                  0);
        Ran wellformed = run({"xmllint", "--noout", file + ".manifest"});
        EXPECT_EQ(wellformed.status, 0) << program << wellformed.err;
        const std::string manifest = readfile(file + ".manifest");
        for (const char *part :
             {"level=\"asInvoker\"", ">PerMonitorV2, PerMonitor<", ">true/pm<",
              "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
              "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})
            EXPECT_NE(manifest.find(part), std::string::npos) << program << " lacks " << part;
    }
}

// A failed start made on purpose, SDL's video driver named as one that does
// not exist. flyover.exe shows the one line it wrote in a box titled
// "flyover" and ends with status 1 once Return closes it; the line is in
// stderr.txt beside the program, or, where that cannot be written (a folder
// of that name in the way), in %LOCALAPPDATA%\flyover\stderr.txt, started
// afresh; where neither can, the box still shows. Under "/s" the saver
// closes the box at the first input and ends with status 1, and so it does
// with its own, where flyover.exe is missing.
struct FailedStart {
    const char *name, *program, *arg;
    bool besideblocked;
    const char *localfolder;  // what %LOCALAPPDATA%\flyover is: "folder", "file"
    const char *linein;       // where the line is left: "beside", "local", "nowhere"
    const char *missing = ""; // a file of the zip taken away
    const char *line = "Video initialization failed: "; // how the line starts
};

void PrintTo(const FailedStart &start, std::ostream *out)
{
    *out << start.name;
}

class FailedStarts : public ::testing::TestWithParam<FailedStart>
{
};

TEST_P(FailedStarts, ShowTheLineInABoxThenEndWithStatusOne)
{
    const FailedStart &p = GetParam();
    XServer x;
    Wine wine;
    const std::string user = getpwuid(getuid())->pw_name; // cppcheck-suppress getpwuidCalled
    const std::string local = wine.drive() + "/users/" + user + "/AppData/Local/flyover";
    const std::string line = std::string(p.line) + "[^\r\n]+\r?\n";
    if (p.missing[0] != '\0')
        fs::remove(wine.app() + "/" + p.missing);
    if (p.besideblocked)
        fs::create_directory(wine.app() + "/stderr.txt");
    if (std::string(p.localfolder) == "file") {
        std::ofstream(local) << "not a folder\n";
    } else {
        fs::create_directories(local);
        std::ofstream(local + "/stderr.txt") << "Earlier: a line that an earlier run left\n";
    }
    const Env ondisplay = {{"DISPLAY", x.display().c_str()}};
    Child started =
        wine.start(wine.app() + "/" + p.program, x.display().c_str(),
                   p.arg[0] != '\0' ? std::vector<std::string>{p.arg} : std::vector<std::string>{},
                   {{"SDL_VIDEODRIVER", "nonesuch"}});
    std::string box;
    for (int tries = 0; tries < 120 && box.empty() && waitfor(started, 0) == -1; tries++) {
        box = outputof({"xdotool", "search", "--onlyvisible", "--name", "^flyover$"}, ondisplay);
        usleep(500000);
    }
    ASSERT_NE(box, "") << "no box titled flyover within 60 s";
    ASSERT_EQ(waitfor(started, 3.0), -1) << "ended with the box unanswered";
    if (std::string(p.program) == "flyover.exe") {
        const std::string first = box.substr(0, box.find('\n'));
        ASSERT_EQ(runon(x.display(), {"xdotool", "windowfocus", first}), 0);
        ASSERT_EQ(runon(x.display(), {"xdotool", "key", "Return"}), 0);
    } else {
        ASSERT_EQ(runon(x.display(), {"xdotool", "mousemove_relative", "40", "30"}), 0);
    }
    EXPECT_TRUE(exitswithin(started, 5.0, 1));
    EXPECT_EQ(outputof({"xdotool", "search", "--onlyvisible", "--name", "^flyover$"}, ondisplay),
              "")
        << "the box is still there";

    const std::string besidefile = readfile(wine.app() + "/stderr.txt");
    const std::string localfile = readfile(local + "/stderr.txt");
    const std::string where = p.linein;
    EXPECT_EQ(std::regex_match(besidefile, std::regex(line)), where == "beside") << besidefile;
    EXPECT_EQ(std::regex_match(localfile, std::regex(line)), where == "local") << localfile;
}

INSTANTIATE_TEST_SUITE_P(
    WineRun, FailedStarts,
    ::testing::Values(FailedStart{"Beside", "flyover.exe", "", false, "folder", "beside"},
                      FailedStart{"LocalAppData", "flyover.exe", "", true, "folder", "local"},
                      FailedStart{"Nowhere", "flyover.exe", "", true, "file", "nowhere"},
                      FailedStart{"Saver", "flyover.scr", "/s", false, "folder", "beside"},
                      FailedStart{"SaverWithoutTheExe", "flyover.scr", "/s", false, "folder",
                                  "beside", "flyover.exe", "flyover.exe was found neither "}),
    [](const auto &info) { return std::string(info.param.name); });

// The launcher's own errors say why, as Windows words it, in stderr.txt: a
// flyover.exe that is no program cannot be started, and that is not "not found".
TEST(WineSaver, AFlyoverExeThatCannotStartIsNamedWithTheReason)
{
    Wine wine;
    std::ofstream(wine.app() + "/flyover.exe", std::ios::trunc) << "not a program\n";
    Child saver = wine.start(wine.app() + "/flyover.scr", nullptr, {"/s"});
    ASSERT_TRUE(exitswithin(saver, 60, 1));
    const std::string err = readfile(wine.app() + "/stderr.txt");
    EXPECT_NE(err.find("flyover.exe could not be started: "), std::string::npos) << err;
    EXPECT_EQ(err.find("found neither"), std::string::npos) << err;
}

// The installer as an administrator deploys it, msiexec /qn, in a private
// prefix. What it adds is checked apart from Windows Installer's own cache
// of packages and icons (until the removal), and the Apps & Features entries
// are those Wine's reg lists with flyover's name.
const std::string msi = windowsbuild + "/flyover-" FLYOVER_VERSION "-x86_64.msi";

std::set<std::string> added(const Wine &wine, const std::set<std::string> &before,
                            bool cached = false)
{
    std::set<std::string> added;
    for (const std::string &f : filesunder(wine.drive()))
        if (before.count(f) == 0 && (cached || f.rfind("windows/Installer/", 0) != 0))
            added.insert(f);
    return added;
}

std::vector<std::string> entries(const Wine &wine)
{
    Ran r = wine.runtoend(
        "reg", {"query", "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall", "/s"});
    std::regex entry(
        "DisplayName\\s+REG_SZ\\s+flyover\\s[\\s\\S]*?DisplayVersion\\s+REG_SZ\\s+(\\S+)");
    std::vector<std::string> versions;
    for (std::sregex_iterator m(r.out.begin(), r.out.end(), entry), end; m != end; ++m)
        versions.push_back((*m)[1]);
    return versions;
}

TEST(WineInstaller, InstallsUpgradesInPlaceRefusesADowngradeAndRemovesWithoutATrace)
{
    const std::string properties = run({"msiinfo", "export", msi, "Property"}).out;
    EXPECT_NE(properties.find("ARPPRODUCTICON\tflyover.ico"), std::string::npos) << properties;
    EXPECT_NE(run({"msiinfo", "export", msi, "LaunchCondition"}).out.find("A newer version of"),
              std::string::npos);
    // Windows Installer, unlike Wine, refuses a rebuilt package of the
    // installed version unless the upgrade takes it: the versions up to this
    // one, the maximum included (0x200), replace it; newer ones are detected
    // only (0x2), to be refused.
    const std::string upgrade = run({"msiinfo", "export", msi, "Upgrade"}).out;
    const std::string code = "{4771194D-0951-459A-9A70-6C7E9B81AB4F}\t";
    EXPECT_NE(upgrade.find(code + "\t" FLYOVER_VERSION "\t\t513\t\tWIX_UPGRADE_DETECTED"),
              std::string::npos)
        << upgrade;
    EXPECT_NE(upgrade.find(code + FLYOVER_VERSION "\t\t\t2\t\tWIX_DOWNGRADE_DETECTED"),
              std::string::npos)
        << upgrade;
    // The same source built again, a product of its own, and with a higher version.
    TempDir dir;
    auto build = [&](const std::string &version, const std::string &name) {
        std::string out = dir.path() + "/" + name + ".msi";
        EXPECT_EQ(run({"env", "-C", windowsbuild, "cmake", "-DVERSION=" + version,
                       std::string("-DWXS=") + WXS, "-DOUT=" + out, "-P", MSI_CMAKE})
                      .status,
                  0);
        return out;
    };
    const std::string again = build(FLYOVER_VERSION, "again");
    const std::string newer = build(NEWER_VERSION, "newer");

    Wine wine;
    const std::set<std::string> before = filesunder(wine.drive());
    // The shortcut where Wine puts it: in the installing user's Start menu,
    // in a profile folder named after the Unix user (one thread here).
    // Windows puts a per-machine install's in ProgramData's, for every user.
    const std::string user = getpwuid(getuid())->pw_name; // cppcheck-suppress getpwuidCalled
    const std::string wineshortcut =
        "users/" + user + "/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/flyover.lnk";
    std::set<std::string> installed = {"windows/system32/flyover.scr", wineshortcut};
    for (const std::string &f : zipfiles)
        if (f != "flyover.scr")
            installed.insert("Program Files/flyover/" + f);
    // Installed; the rebuild, a product of its own, replaces it in place (one
    // entry, where Wine would keep both if the upgrade did not take it), as
    // does the newer version; the older is then refused (ERROR_INSTALL_FAILURE,
    // 1603, whose low byte a Unix exit status keeps) and changes nothing.
    struct Step {
        std::string package;
        int status;
        const char *version;
    };
    for (const Step &step :
         {Step{msi, 0, FLYOVER_VERSION}, Step{again, 0, FLYOVER_VERSION},
          Step{newer, 0, NEWER_VERSION}, Step{msi, 1603 & 0xff, NEWER_VERSION}}) {
        EXPECT_EQ(wine.runtoend("msiexec", {"/i", "Z:" + step.package, "/qn"}).status, step.status)
            << step.package;
        EXPECT_EQ(entries(wine), std::vector<std::string>{step.version}) << step.package;
        EXPECT_EQ(added(wine, before), installed) << step.package;
    }

    ASSERT_EQ(wine.runtoend("msiexec", {"/x", "Z:" + newer, "/qn"}).status, 0);
    EXPECT_EQ(added(wine, before, true), std::set<std::string>{});
    // Wine's profile keys hold the user's name, which may itself hold the word.
    std::string registry = wine.registry();
    for (std::size_t at; (at = registry.find(user)) != std::string::npos;)
        registry.erase(at, user.size());
    std::transform(registry.begin(), registry.end(), registry.begin(), ::tolower);
    EXPECT_EQ(registry.find("flyover"), std::string::npos) << "the registry still names flyover";
}

// Windows runs the saver from system32, away from flyover.exe, which it
// finds through the installer's registry value. Installed on the display:
// the Wine server that msiexec starts stays for the saver.
TEST(WineInstaller, TheSaverInSystem32ShowsTheCityUntilAMouseMove)
{
    XServer x;
    Wine wine;
    ASSERT_TRUE(
        exitswithin(wine.start("msiexec", x.display().c_str(), {"/i", "Z:" + msi, "/qn"}), 120, 0));
    Child saver =
        wine.start(wine.drive() + "/windows/system32/flyover.scr", x.display().c_str(), {"/s"});
    ASSERT_TRUE(showsthecity(waitforcity(x.display(), 0.2, 60), 0.2)) << "60 s after start";
    ASSERT_EQ(waitfor(saver, 3.0), -1) << "ended with no input";
    ASSERT_EQ(runon(x.display(), {"xdotool", "mousemove_relative", "40", "30"}), 0);
    EXPECT_TRUE(exitswithin(saver, 5.0, 0));
}

// Authenticode with a certificate made here. scripts/windows refuses a
// half-given or wrong signing before it builds anything; the build itself,
// with a wrong password or a timestamp that fails, stops before the zip or
// the installer exists; with
// the right one (its file ending in a newline) both programs, in the zip and
// in the installer, and the installer itself verify against the certificate,
// while the unsigned build's programs do not.
TEST(WindowsSigning, SignsTheProgramsInBothPackagesAndTheInstallerOrStops)
{
    TempDir dir;
    const std::string &d = dir.path();
    ASSERT_EQ(run({"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout",
                   d + "/key.pem", "-out", d + "/cert.pem", "-days", "2", "-subj",
                   "/CN=flyover test", "-addext", "extendedKeyUsage=codeSigning"})
                  .status,
              0);
    ASSERT_EQ(run({"openssl", "pkcs12", "-export", "-inkey", d + "/key.pem", "-in", d + "/cert.pem",
                   "-out", d + "/cert.pfx", "-passout", "pass:right"})
                  .status,
              0);
    std::ofstream(d + "/right") << "right\n";
    std::ofstream(d + "/wrong") << "wrong";
    const std::string pfx = d + "/cert.pfx";

    struct Refusal {
        std::string pfx, password;
        const char *says;
    };
    for (const Refusal &r :
         {Refusal{pfx, d + "/wrong", "wrong password"},
          Refusal{d + "/none.pfx", d + "/right", "Cannot read"}, Refusal{pfx, "", "needs both"}}) {
        Ran refused = run({SOURCE_DIR "/scripts/windows"},
                          {{"FLYOVER_AUTHENTICODE_PFX", r.pfx.c_str()},
                           {"FLYOVER_AUTHENTICODE_PASSWORD_FILE", r.password.c_str()}});
        EXPECT_NE(refused.status, 0) << r.pfx << " " << r.password;
        EXPECT_NE(refused.err.find(r.says), std::string::npos) << refused.out << refused.err;
        EXPECT_EQ(refused.out.find("== flyover for Windows"), std::string::npos) << refused.out;
    }

    // A build of the packages alone, beside the usual one, with its SDL.
    std::smatch sdl;
    const std::string cache = readfile(windowsbuild + "/CMakeCache.txt");
    ASSERT_TRUE(std::regex_search(cache, sdl, std::regex("FLYOVER_WINDOWS_SDL:\\w+=(.+)")));
    const std::string build = d + "/build";
    const std::string zipped = build + "/flyover-" FLYOVER_VERSION "-windows-x86_64.zip";
    const std::string installer = build + "/flyover-" FLYOVER_VERSION "-x86_64.msi";
    auto signedwith = [&](const std::string &password, const std::string &timestamps) {
        Ran configured =
            run({"env", "-C", SOURCE_DIR, "cmake", "--preset", "windows", "-B", build,
                 "-DFLYOVER_WINDOWS_SDL=" + sdl[1].str(), "-DFLYOVER_AUTHENTICODE_PFX=" + pfx,
                 "-DFLYOVER_AUTHENTICODE_PASSWORD_FILE=" + password,
                 "-DFLYOVER_TIMESTAMP_URL=" + timestamps});
        EXPECT_EQ(configured.status, 0) << configured.err;
        return run({"cmake", "--build", build, "--target", "windowsmsi"}, {}, 480);
    };
    // A wrong password, and a timestamping server that does not answer
    // (nothing listens on the discard port here): no package.
    for (const auto &[password, timestamps] : std::vector<std::pair<std::string, std::string>>{
             {d + "/wrong", ""}, {d + "/right", "http://127.0.0.1:9/"}}) {
        EXPECT_NE(signedwith(password, timestamps).status, 0) << password << " " << timestamps;
        EXPECT_FALSE(fs::exists(zipped));
        EXPECT_FALSE(fs::exists(installer));
    }
    Ran right = signedwith(d + "/right", "");
    ASSERT_EQ(right.status, 0) << right.out << right.err;

    ASSERT_EQ(run({"unzip", "-q", zipped, "flyover.exe", "flyover.scr", "-d", d + "/zip"}).status,
              0);
    ASSERT_EQ(run({"unzip", "-q", zip, "flyover.exe", "-d", d + "/unsigned"}).status, 0);
    ASSERT_EQ(run({"msiextract", "-C", d + "/msi", installer}).status, 0);
    struct Verified {
        std::string file;
        bool valid;
    };
    for (const Verified &v :
         {Verified{d + "/zip/flyover.exe", true}, Verified{d + "/zip/flyover.scr", true},
          Verified{d + "/msi/flyover/flyover.exe", true}, Verified{d + "/msi/flyover.scr", true},
          Verified{installer, true}, Verified{d + "/unsigned/flyover.exe", false}}) {
        Ran verify = run({"osslsigncode", "verify", "-CAfile", d + "/cert.pem", "-in", v.file});
        EXPECT_EQ(verify.status == 0, v.valid) << v.file << "\n" << verify.out << verify.err;
    }
}

} // namespace
