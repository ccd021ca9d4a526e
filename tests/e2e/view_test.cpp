// SPDX-License-Identifier: MIT
// The city as a person sees it: the real program on a private X server,
// watched through screenshots taken from outside and driven with keys.
#include "process.h"
#include "watching.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

using namespace testsupport;

namespace
{

TEST(View, ShowsTheCityFollowsKeys321AndEndsOnEscape)
{
    constexpr double minlit = 0.2; // of the screen not black
    XServer x;
    Child demo =
        spawn({flyoverpath()}, {{"DISPLAY", x.display().c_str()}, {"SDL_VIDEODRIVER", "x11"}});

    Picture shot = waitforcity(x.display(), minlit, 30);
    ASSERT_EQ(shot.width, 800);
    ASSERT_EQ(shot.height, 600);
    ASSERT_TRUE(showsthecity(shot, minlit)) << "30 s after start";

    // Each key's program draws from its own eye on the next frames. (The
    // scenery streams on between shots as well, so a difference alone cannot
    // prove the key was taken; it proves the screen is alive after each.)
    for (const char *key : {"3", "2", "1"}) {
        ASSERT_EQ(runon(x.display(), {"xdotool", "key", key}), 0);
        Picture next = nextview(x.display(), shot, 10);
        ASSERT_EQ(next.rgb.size(), shot.rgb.size()) << "the view did not change after key " << key;
        EXPECT_LT(tallyof(next).family[families::unexplained], 0.01) << "after key " << key;
        shot = next;
    }

    ASSERT_EQ(runon(x.display(), {"xdotool", "key", "Escape"}), 0);
    int status = waitfor(demo, 10);
    killchild(demo);
    ASSERT_NE(status, -1) << "still running after Escape";
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << stderrof(demo);
}

} // namespace
