// The real program's start, run and end, seen from outside.
#include "process.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace testsupport;

namespace {

// Starts flyover on the given display and lets it run for a while.
Child startflyover(const std::string &display)
{
    return spawn({flyoverpath()}, {{"DISPLAY", display.c_str()}, {"SDL_VIDEODRIVER", "x11"}});
}

TEST(Lifecycle, RunsUntilEscapeThenExitsZeroWithinASecond)
{
    XServer x;
    Child demo = startflyover(x.display());
    EXPECT_EQ(waitfor(demo, 2.0), -1) << "the demo ended by itself: " << stderrof(demo);
    ASSERT_EQ(runon(x.display(), {"xdotool", "key", "Escape"}), 0);
    int status = waitfor(demo, 1.0);
    killchild(demo);
    ASSERT_NE(status, -1) << "still running a second after Escape";
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(stdoutof(demo), "");
    EXPECT_EQ(stderrof(demo), "");
}

} // namespace
