// SPDX-License-Identifier: MIT
// The whole picture on X screens of any size with no window manager: it is
// scaled to the screen's height, centred, with black bars beside it. On a
// screen of two monitors it shows so on the primary one only.
#include "frame.h"
#include "session.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>

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

// The root is painted white first: the second monitor must still show it all.
TEST(BareXTwoMonitors, ShowsTheWholePictureOnThePrimaryAndLeavesTheOther)
{
    if (geteuid() != 0)
        GTEST_SKIP() << TwoMonitors::needsroot;
    TwoMonitors x;
    ASSERT_EQ(runon(x.display(), {"xsetroot", "-solid", "white"}), 0);
    HeldFrame held;
    Child demo = spawnheld(held, x.display());
    Picture frame = held.wait(120);
    ASSERT_FALSE(frame.rgb.empty()) << "no frame held: " << stderrof(demo);
    EXPECT_TRUE(showswhole(screenshot(x.display(), "1024x768+0+0"), frame));
    Picture other = screenshot(x.display(), "1024x768+1024+0");
    ASSERT_EQ(other.rgb.size(), 1024u * 768 * 3);
    EXPECT_EQ(std::count(other.rgb.begin(), other.rgb.end(), 255), ptrdiff_t(other.rgb.size()))
        << "the second monitor was drawn on";
    ASSERT_EQ(runon(x.display(), {"xdotool", "key", "Escape"}), 0);
    EXPECT_TRUE(exitedzero(demo, 10));
}

} // namespace
