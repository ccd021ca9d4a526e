// SPDX-License-Identifier: MIT
// The start-up, the main loop and the way out, run against fakes of SDL and
// of the subsystems that log every call. Each run happens in a child process
// (a death test) because the shell only ever ends by exiting.
#include "fake_sdl.h"
#include "world.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>

int flyover_main(int argc, char *argv[]); // main.cpp, renamed for these tests

namespace
{

using Lines = std::vector<std::string>;
using ::testing::ExitedWithCode;

Lines operator+(Lines a, const Lines &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The calls of a start-up that succeeds, up to the main loop.
const Lines startup = {"hostwindow",
                       "SDL_Init 0x20",
                       "SDL_VideoDriverName",
                       "SDL_GetVideoInfo",
                       "SDL_GL_SetAttribute DOUBLEBUFFER 1",
                       "SDL_SetVideoMode 800 600 16 0xa0000007",
                       "fillscreen",
                       "SDL_EnableKeyRepeat 100 30",
                       "initGL",
                       "initme",
                       "SDL_ShowCursor 0"};

// The end of a drain, then one animation step (with the program it ran for)
// and one frame.
Lines step(int cam)
{
    return {"SDL_PollEvent none", "calcme whichcam=" + std::to_string(cam), "drawGLScene"};
}

Lines polled(const Lines &events)
{
    Lines out;
    for (const std::string &e : events)
        out.push_back("SDL_PollEvent " + e);
    return out;
}

const Lines quitted = {"SDL_Quit"};

// Runs the shell against the script in a child process, which must end as
// `ends` says with its standard error matching the regular expression `err`.
// Returns the child's call log.
template <typename Predicate>
Lines runshell(const fake::Script &script, Predicate ends, const char *err)
{
    fake::Log log;
    fake::script = script;
    whichcam = 0; // as at program start, whatever the tests before left
    char name[] = "flyover";
    char *argv[] = {name, nullptr};
    EXPECT_EXIT(flyover_main(1, argv), ends, err);
    return log.lines();
}

// A run that must end normally: status 0, nothing written.
Lines runtoend(const fake::Script &script)
{
    return runshell(script, ExitedWithCode(0), "^$");
}

fake::Script withbatches(std::vector<std::vector<SDL_Event>> batches)
{
    fake::Script s;
    s.batches = std::move(batches);
    return s;
}

TEST(Startup, RunsEachStepInOrderThenOneStepAndFramePerTurn)
{
    fake::Script s = withbatches({{}, {}, {fake::quit()}});
    EXPECT_EQ(runtoend(s), startup + step(0) + step(0) + polled({"quit"}) + step(0) + quitted);
}

TEST(Startup, AsksForHardwareAccelerationWhenTheDisplayBlitsInHardware)
{
    fake::Script s = withbatches({{fake::quit()}});
    s.blit_hw = true;
    Lines expected = startup;
    expected[5] = "SDL_SetVideoMode 800 600 16 0xa0000107";
    EXPECT_EQ(runtoend(s), expected + polled({"quit"}) + step(0) + quitted);
}

TEST(Startup, FailureWritesOneLineAndExitsOneWithoutRunningLaterSteps)
{
    const struct {
        void (*fault)(fake::Script &);
        int callsmade; // start-up calls made, the failing one included
        const char *message;
    } failures[] = {
        {[](fake::Script &s) { s.initresult = -1; }, 2,
         "^Video initialization failed: no video device\n$"},
        // SDL's fallback when no display answers: it would draw unseen.
        {[](fake::Script &s) { s.driver = "offscreen"; }, 3,
         "^Video initialization failed: no display available\n$"},
        {[](fake::Script &s) { s.novideoinfo = true; }, 4,
         "^Video query failed: video not initialized\n$"},
        {[](fake::Script &s) { s.nomode = true; }, 6, "^Video mode set failed: no such mode\n$"},
        // Any nonzero result is a failure, not only a negative one.
        {[](fake::Script &s) { s.repeatresult = 1; }, 8,
         "^Setting keyboard repeat failed: no key repeat\n$"},
    };
    for (const auto &f : failures) {
        SCOPED_TRACE(f.message);
        fake::Script s = withbatches({{fake::quit()}});
        f.fault(s);
        Lines expected(startup.begin(), startup.begin() + f.callsmade);
        EXPECT_EQ(runshell(s, ExitedWithCode(1), f.message), expected + quitted);
    }
}

TEST(Startup, RunsOnTheOffscreenDriverWhenAskedForItByName)
{
    fake::Script s = withbatches({{fake::quit()}});
    s.driver = "offscreen";
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    Lines log = runtoend(s);
    unsetenv("SDL_VIDEODRIVER");
    EXPECT_EQ(log, startup + polled({"quit"}) + step(0) + quitted);
}

TEST(Loop, HandsEveryEventOverInQueueOrderBeforeTheNextStep)
{
    fake::Script s = withbatches({{fake::keydown(SDLK_3), fake::motion(), fake::keydown(SDLK_1)},
                                  {fake::keydown(SDLK_2), fake::keyup(SDLK_3)},
                                  {fake::quit()}});
    EXPECT_EQ(runtoend(s), startup + polled({"keydown 51", "event 4", "keydown 49"}) + step(0) +
                               polled({"keydown 50", "keyup 51"}) + step(1) + polled({"quit"}) +
                               step(1) + quitted);
}

// The stop request does not cut the drain short: the 3 still selects program
// 2, and the run ends after exactly one more step and frame, before the
// next batch is looked at.
TEST(Loop, EscapeThenThreeInOneBatchSelectsProgramTwoAndEndsAfterOneMoreFrame)
{
    fake::Script s = withbatches({{fake::keydown(SDLK_2)},
                                  {fake::keydown(SDLK_ESCAPE), fake::keydown(SDLK_3)},
                                  {fake::keydown(SDLK_1)}});
    EXPECT_EQ(runtoend(s), startup + polled({"keydown 50"}) + step(1) +
                               polled({"keydown 27", "keydown 51"}) + step(2) + quitted);
}

// Thousands of events queued at once: every key pressed and released, the
// mouse moved and clicked, a quit request in the middle, then the digits over
// and over. All are handed over in order, the program is the one the last
// digit picked, and one step and frame follow.
TEST(Loop, AFloodOfEventsIsHandedOverInOrderThenOneLastStepAndFrame)
{
    std::vector<SDL_Event> flood;
    Lines handed;
    auto add = [&](const SDL_Event &e, const std::string &line) {
        flood.push_back(e);
        handed.push_back("SDL_PollEvent " + line);
    };
    for (int round = 0; round < 4; round++) {
        for (int sym = 0; sym < SDLK_LAST; sym++) {
            add(fake::keydown(SDLKey(sym)), "keydown " + std::to_string(sym));
            add(fake::motion(), "event 4");
            add(fake::keyup(SDLKey(sym)), "keyup " + std::to_string(sym));
        }
        add(fake::button(SDL_MOUSEBUTTONDOWN), "event 5");
        add(fake::button(SDL_MOUSEBUTTONUP), "event 6");
        if (round == 1)
            add(fake::quit(), "quit");
    }
    const SDLKey digits[] = {SDLK_1, SDLK_3, SDLK_2};
    for (int i = 0; i < 999; i++)
        add(fake::keydown(digits[i % 3]), "keydown " + std::to_string(digits[i % 3]));
    EXPECT_EQ(runtoend(withbatches({flood})), startup + handed + step(1) + quitted);
}

TEST(Loop, StopInTheFirstBatchStillGivesOneStepAndOneFrame)
{
    fake::Script s = withbatches({{fake::keydown(SDLK_ESCAPE)}});
    EXPECT_EQ(runtoend(s), startup + polled({"keydown 27"}) + step(0) + quitted);
}

TEST(Loop, RunsOnWhileNothingAsksToStop)
{
    fake::Script s = withbatches({{fake::keyup(SDLK_ESCAPE), fake::button(SDL_MOUSEBUTTONDOWN)}});
    Lines expected = startup + polled({"keyup 27", "event 5"});
    for (int frame = 0; frame < fake::framelimit; ++frame)
        expected = expected + step(0);
    // The fake frame drawing gives up after its limit: only then does the run end.
    EXPECT_EQ(runshell(s, ::testing::KilledBySignal(SIGABRT), "frames without a stop"), expected);
}

} // namespace
