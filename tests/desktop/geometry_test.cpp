// SPDX-License-Identifier: MIT
// The whole picture on X screens of any size with no window manager: it is
// scaled to the screen's height, centred, with black bars beside it. On a
// screen of two monitors it shows so on the primary one only.
#include "frame.h"
#include "session.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

using namespace testsupport;

namespace
{

// The demo on an X display, holding one frame for the screenshots.
Child spawnheld(const HeldFrame &held, const std::string &display)
{
    Env env = held.env();
    env.push_back({"DISPLAY", display.c_str()});
    env.push_back({"SDL_VIDEODRIVER", "x11"});
    return spawn({flyoverpath()}, env);
}

class BareX : public ::testing::TestWithParam<const char *>
{
};

TEST_P(BareX, ShowsTheWholePictureScaledAndCentred)
{
    XServer x({}, GetParam());
    HeldFrame held;
    Child demo = spawnheld(held, x.display());
    Picture frame = held.wait(120);
    ASSERT_FALSE(frame.rgb.empty()) << "no frame held: " << stderrof(demo);
    EXPECT_TRUE(showswhole(screenshot(x.display()), frame));
    ASSERT_EQ(runon(x.display(), {"xdotool", "key", "Escape"}), 0);
    EXPECT_TRUE(exitedzero(demo, 10));
}

// The mode's own size, wide and tall screens, and one four times the mode.
INSTANTIATE_TEST_SUITE_P(Screens, BareX,
                         ::testing::Values("800x600", "1920x1080", "1080x1920", "3840x2160"),
                         [](const auto &info) { return std::string(info.param); });

// Whichever monitor RandR names primary, the left one or the right one, shows
// the picture. The root is painted white first: the other monitor must
// still show it all.
struct Primary {
    const char *output, *shows, *other;
};

void PrintTo(const Primary &p, std::ostream *out)
{
    *out << p.output;
}

class BareXTwoMonitors : public ::testing::TestWithParam<Primary>
{
};

TEST_P(BareXTwoMonitors, ShowsTheWholePictureOnThePrimaryAndLeavesTheOther)
{
    if (geteuid() != 0)
        GTEST_SKIP() << TwoMonitors::needsroot;
    TwoMonitors x;
    ASSERT_EQ(runon(x.display(), {"xrandr", "--output", GetParam().output, "--primary"}), 0);
    ASSERT_EQ(runon(x.display(), {"xsetroot", "-solid", "white"}), 0);
    HeldFrame held;
    Child demo = spawnheld(held, x.display());
    Picture frame = held.wait(120);
    ASSERT_FALSE(frame.rgb.empty()) << "no frame held: " << stderrof(demo);
    EXPECT_TRUE(showswhole(screenshot(x.display(), GetParam().shows), frame));
    Picture other = screenshot(x.display(), GetParam().other);
    ASSERT_EQ(other.rgb.size(), 1024u * 768 * 3);
    EXPECT_EQ(std::count(other.rgb.begin(), other.rgb.end(), 255), ptrdiff_t(other.rgb.size()))
        << "the other monitor was drawn on";
    ASSERT_EQ(runon(x.display(), {"xdotool", "key", "Escape"}), 0);
    EXPECT_TRUE(exitedzero(demo, 10));
}

INSTANTIATE_TEST_SUITE_P(Screens, BareXTwoMonitors,
                         ::testing::Values(Primary{"DUMMY0", "1024x768+0+0", "1024x768+1024+0"},
                                           Primary{"DUMMY1", "1024x768+1024+0", "1024x768+0+0"}),
                         [](const auto &info) { return std::string(info.param.output); });

// A test X server that hangs before it names its display is ended once its
// time is up, and the test fails instead of hanging with it.
TEST(TestXServers, OneThatNamesNoDisplayIsEndedAndThrows)
{
    char folder[] = "/tmp/flyover-hang-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string dir = folder;
    std::ofstream(dir + "/Xvfb") << "#!/bin/sh\necho $$ >" << dir << "/pid\nexec sleep 20\n";
    ASSERT_EQ(chmod((dir + "/Xvfb").c_str(), 0755), 0);
    const std::string path = dir + ":" + getenv("PATH");
    setenv("PATH", path.c_str(), 1);
    xserverstartseconds = 2;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_THROW(XServer{}, std::runtime_error);
    const double took =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    EXPECT_LT(took, 10) << "seconds until it gave up";
    const pid_t server = atoi(readfile(dir + "/pid").c_str());
    EXPECT_GT(server, 0);
    EXPECT_NE(kill(server, 0), 0) << "the hung server still runs";
    std::filesystem::remove_all(dir);
}

} // namespace
