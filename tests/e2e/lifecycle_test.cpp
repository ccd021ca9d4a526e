// SPDX-License-Identifier: MIT
// The real program's start, run and end, seen from outside.
#include "process.h"
#include "watching.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>

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
    EXPECT_TRUE(exitswithin(demo, 1.0, 0));
    EXPECT_EQ(stdoutof(demo), "");
    EXPECT_EQ(stderrof(demo), "");
}

// A long run of keys typed as fast as the X server takes them, digits among
// them: the demo keeps up and still ends at once on Escape.
TEST(Lifecycle, StaysResponsiveThroughAFloodOfKeys)
{
    XServer x;
    Child demo = startflyover(x.display());
    ASSERT_TRUE(windowshown(x.display(), demo));
    std::string keys;
    for (int i = 0; i < 40; i++)
        keys += "qwertyuiop1asdfghjkl2zxcvbnm3 ";
    ASSERT_EQ(runon(x.display(), {"xdotool", "type", "--delay", "1", keys}), 0);
    ASSERT_EQ(waitfor(demo, 0.5), -1) << "the flood ended the demo: " << stderrof(demo);
    ASSERT_EQ(runon(x.display(), {"xdotool", "key", "Escape"}), 0);
    EXPECT_TRUE(exitswithin(demo, 2.0, 0));
    EXPECT_EQ(stderrof(demo), "");
}

TEST(Lifecycle, TerminationSignalEndsTheRunWithStatusZero)
{
    XServer x;
    Child demo = startflyover(x.display());
    // The window exists once the video mode is set, and SDL catches the
    // signal from its initialization on.
    EXPECT_TRUE(windowshown(x.display(), demo));
    EXPECT_EQ(waitfor(demo, 0.5), -1) << "the demo ended by itself: " << stderrof(demo);
    ASSERT_EQ(kill(demo.pid, SIGTERM), 0);
    EXPECT_TRUE(exitswithin(demo, 5.0, 0));
    EXPECT_EQ(stderrof(demo), "");
}

// Runs flyover in the given environment and expects a start-up failure:
// exit status 1, nothing on standard output and one line on standard error
// that starts with prefix.
void expectstartupfailure(const std::vector<std::pair<std::string, const char *>> &env,
                          const std::string &prefix)
{
    Child demo = spawn({flyoverpath()}, env);
    EXPECT_TRUE(exitswithin(demo, 10.0, 1));
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

// SDL is left to pick its driver here, as on a user's machine.
TEST(Lifecycle, WithoutGLOnTheDisplayTheVideoModeFails)
{
    XServer x({"-extension", "GLX"});
    expectstartupfailure({{"DISPLAY", x.display().c_str()}, {"SDL_VIDEODRIVER", nullptr}},
                         "Video mode set failed: ");
}

// Nothing answers at the display's address: SDL would fall back on drawing
// unseen into memory, which the program refuses. The session's runtime
// folder is set as on a desktop, where probing for Wayland fails quietly.
TEST(Lifecycle, WithNoXServerReachableVideoInitializationFails)
{
    char runtime[] = "/tmp/flyover-runtime-XXXXXX";
    ASSERT_NE(mkdtemp(runtime), nullptr);
    expectstartupfailure(
        {{"DISPLAY", ":65000"}, {"SDL_VIDEODRIVER", nullptr}, {"XDG_RUNTIME_DIR", runtime}},
        "Video initialization failed: no display available");
    rmdir(runtime);
}

// With no runtime folder either, the Wayland library that SDL tries writes
// its own line first; the manual shows the user exactly these two lines.
TEST(Lifecycle, WithNothingReachableAndNoRuntimeFolderTheProgramsLineComesLast)
{
    Child demo = spawn({flyoverpath()}, {{"DISPLAY", nullptr},
                                         {"WAYLAND_DISPLAY", nullptr},
                                         {"XDG_RUNTIME_DIR", nullptr},
                                         {"SDL_VIDEODRIVER", nullptr}});
    EXPECT_TRUE(exitswithin(demo, 10.0, 1));
    EXPECT_EQ(stdoutof(demo), "");
    EXPECT_EQ(stderrof(demo), "error: XDG_RUNTIME_DIR is invalid or not set in the environment.\n"
                              "Video initialization failed: no display available\n");
}

TEST(Lifecycle, AnUnknownVideoDriverFailsVideoInitialization)
{
    expectstartupfailure({{"SDL_VIDEODRIVER", "no-such-driver"}}, "Video initialization failed: ");
}

// Xlib ends a program whose X server has gone with its own message and
// status 1; what matters is that the demo does not hang.
TEST(Lifecycle, EndsWhenItsXServerGoesAway)
{
    auto x = std::make_unique<XServer>();
    Child demo = startflyover(x->display());
    ASSERT_TRUE(windowshown(x->display(), demo));
    x.reset();
    EXPECT_TRUE(exitswithin(demo, 10.0, 1));
}

} // namespace
