// SPDX-License-Identifier: MIT
// On Wayland natively, under a headless sway and cage, and through XWayland.
#include "frame.h"
#include "session.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

using namespace testsupport;

namespace
{

// Escape through wtype, which makes a new virtual keyboard for each run: on
// a loaded machine its key is sometimes lost, so it is pressed a second time
// if the demo has not ended after the first.
::testing::AssertionResult endsonescape(const Sway &sway, const Child &demo)
{
    for (int press = 0; press < 2; press++) {
        if (sway.type({"-s", "300", "-k", "Escape"}) != 0)
            return ::testing::AssertionFailure() << "wtype failed";
        if (int status = waitfor(demo, 15); status != -1)
            return endedzero(status, demo);
    }
    return ::testing::AssertionFailure() << "still running after Escape";
}

// The demo on sway, with extra in its environment.
Child startdemo(const Sway &sway, Env extra = {})
{
    Env env = sway.env();
    env.insert(env.end(), extra.begin(), extra.end());
    return spawn({flyoverpath()}, env);
}

bool shown(const Sway &sway)
{
    for (int i = 0; i < 300; i++, usleep(100000))
        if (sway.msg("[app_id=flyover] focus") == 0)
            return true;
    return false;
}

struct Output {
    const char *name, *mode, *scale;
};

void PrintTo(const Output &o, std::ostream *out)
{
    *out << o.name;
}

class SwayOutputs : public ::testing::TestWithParam<Output>
{
};

TEST_P(SwayOutputs, ShowsTheWholePictureAndEndsQuietlyOnEscape)
{
    Sway sway(GetParam().mode, GetParam().scale);
    ASSERT_TRUE(sway.ready()) << "sway did not start";
    HeldFrame held;
    Child demo = startdemo(sway, held.env());
    Picture frame = held.wait(120);
    ASSERT_FALSE(frame.rgb.empty()) << "no frame held: " << stderrof(demo);
    EXPECT_NE(outputof({"swaymsg", "-t", "get_tree"}, sway.env()).find("\"fullscreen_mode\": 1"),
              std::string::npos)
        << "not full screen";
    EXPECT_TRUE(showswhole(sway.screenshot(), frame));
    EXPECT_TRUE(endsonescape(sway, demo));
    EXPECT_EQ(stdoutof(demo), "");
    EXPECT_EQ(stderrof(demo), "");
}

INSTANTIATE_TEST_SUITE_P(Sway, SwayOutputs,
                         ::testing::Values(Output{"1080p", "1920x1080", "1"},
                                           Output{"4KAtScale2", "3840x2160", "2"}),
                         [](const auto &info) { return std::string(info.param.name); });

// The view follows key 3 (the screen changes after it: the scenery streams
// on as well, so this proves the demo alive, not the key taken), and the
// compositor's close request ends the demo.
TEST(Sway, FollowsKeysAndEndsWithStatusZeroWhenTheCompositorClosesIt)
{
    Sway sway("1920x1080", "1");
    ASSERT_TRUE(sway.ready()) << "sway did not start";
    Child demo = startdemo(sway);
    ASSERT_TRUE(shown(sway)) << stderrof(demo);
    Picture before = sway.screenshot();
    ASSERT_EQ(sway.type({"-s", "300", "3"}), 0);
    bool changed = false;
    for (int i = 0; i < 30 && !changed; i++, usleep(300000))
        changed = sway.screenshot().rgb != before.rgb;
    EXPECT_TRUE(changed) << "the view did not change after key 3";
    ASSERT_EQ(sway.msg("[app_id=flyover] kill"), 0);
    EXPECT_TRUE(exitedzero(demo, 10));
}

TEST(Sway, EndsWithStatusZeroWhenTheCompositorGoesAway)
{
    Sway sway("1920x1080", "1");
    ASSERT_TRUE(sway.ready()) << "sway did not start";
    Child demo = startdemo(sway);
    ASSERT_TRUE(shown(sway)) << stderrof(demo);
    sway.stop();
    EXPECT_TRUE(exitedzero(demo, 10));
}

// With both displays set, SDL takes the X one, here sway's XWayland.
TEST(Sway, ThroughXWaylandWhenBothDisplaysAreSet)
{
    Sway sway("1920x1080", "1", true);
    ASSERT_TRUE(sway.ready()) << "sway did not start";
    std::string x = sway.xdisplay();
    ASSERT_FALSE(x.empty()) << "no XWayland";
    HeldFrame held;
    Env env = held.env();
    env.push_back({"DISPLAY", x.c_str()});
    Child demo = startdemo(sway, env);
    Picture frame = held.wait(120);
    ASSERT_FALSE(frame.rgb.empty()) << "no frame held: " << stderrof(demo);
    EXPECT_NE(outputof({"swaymsg", "-t", "get_tree"}, sway.env()).find("\"shell\": \"xwayland\""),
              std::string::npos)
        << "not an XWayland window";
    EXPECT_TRUE(showswhole(sway.screenshot(), frame));
    EXPECT_TRUE(endsonescape(sway, demo));
}

// cage leaves decorations to its clients; with no X display the demo is on
// Wayland alone, and does without them though the user asks SDL for them.
// SIGTERM in its start, or in flight (0), ends it with status 0, or kills it
// (wait status SIGTERM) before SDL is there to take it.
TEST(Cage, ShowsTheCityAndEndsOnSigtermFromItsStartOn)
{
    Sway cage("1280x720", "1", false, "cage");
    ASSERT_TRUE(cage.ready()) << "cage did not start";
    for (int ms : {100, 250, 500, 1000, 0}) {
        HeldFrame held;
        Env env = held.env();
        env.push_back({"SDL_VIDEO_WAYLAND_ALLOW_LIBDECOR", "1"});
        Child demo = startdemo(cage, env);
        usleep(useconds_t(ms * 1000));
        if (ms == 0) {
            Picture frame = held.wait(120);
            EXPECT_TRUE(showswhole(cage.screenshot(), frame)) << stderrof(demo);
        }
        ASSERT_EQ(kill(demo.pid, SIGTERM), 0);
        int status = waitfor(demo, 10);
        ASSERT_TRUE((ms > 0 && status == SIGTERM) || endedzero(status, demo))
            << "SIGTERM at " << ms << " ms, wait status " << status << ": " << stderrof(demo);
    }
}

} // namespace
