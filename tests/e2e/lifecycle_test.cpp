// The real program's start, run and end, seen from outside.
#include "process.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace testsupport;

namespace
{

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

TEST(Lifecycle, TerminationSignalEndsTheRunWithStatusZero)
{
    XServer x;
    Child demo = startflyover(x.display());
    // The window exists once the video mode is set, and SDL catches the
    // signal from its initialization on.
    EXPECT_EQ(
        runon(x.display(), {"xdotool", "search", "--sync", "--pid", std::to_string(demo.pid)}), 0);
    EXPECT_EQ(waitfor(demo, 0.5), -1) << "the demo ended by itself: " << stderrof(demo);
    ASSERT_EQ(kill(demo.pid, SIGTERM), 0);
    int status = waitfor(demo, 5.0);
    killchild(demo);
    ASSERT_NE(status, -1) << "still running after SIGTERM";
    ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(stderrof(demo), "");
}

// Runs flyover in the given environment and expects a start-up failure:
// exit status 1, nothing on standard output and one line on standard error
// that starts with prefix.
void expectstartupfailure(const std::vector<std::pair<std::string, const char *>> &env,
                          const std::string &prefix)
{
    Child demo = spawn({flyoverpath()}, env);
    int status = waitfor(demo, 10.0);
    killchild(demo);
    ASSERT_NE(status, -1) << "still running";
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(stdoutof(demo), "");
    std::string err = stderrof(demo);
    EXPECT_EQ(err.compare(0, prefix.size(), prefix), 0) << err;
    EXPECT_EQ(err.find('\n'), err.size() - 1) << "not exactly one line: " << err;
}

TEST(Lifecycle, WithoutADisplayVideoInitializationFails)
{
    expectstartupfailure({{"DISPLAY", nullptr}, {"SDL_VIDEODRIVER", "x11"}},
                         "Video initialization failed: ");
}

TEST(Lifecycle, WithoutGLOnTheDisplayTheVideoModeFails)
{
    XServer x({"-extension", "GLX"});
    expectstartupfailure({{"DISPLAY", x.display().c_str()}, {"SDL_VIDEODRIVER", "x11"}},
                         "Video mode set failed: ");
}

} // namespace
