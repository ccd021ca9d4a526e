// SPDX-License-Identifier: MIT
// Watching the real program from outside: how it ends, and what its screen
// shows, judged by the colours the world is made of.
#pragma once

#include "../render/colourfamilies.h"
#include "process.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace testsupport
{

// Whether the child ends within seconds, by exiting with code.
inline ::testing::AssertionResult exitswithin(const Child &child, double seconds, int code)
{
    int status = waitfor(child, seconds);
    if (status == -1)
        return ::testing::AssertionFailure() << "still running after " << seconds << " s";
    if (!WIFEXITED(status))
        return ::testing::AssertionFailure() << "killed by signal " << WTERMSIG(status);
    if (WEXITSTATUS(status) != code)
        return ::testing::AssertionFailure() << "exit status " << WEXITSTATUS(status);
    return ::testing::AssertionSuccess();
}

inline families::Tally tallyof(const Picture &p)
{
    return families::tally(p.rgb.data(), long(p.width) * p.height, 3);
}

// The program shows an empty frame until its view first leaves the straight
// look down (frame 101 or 143). Screenshots are taken until at least minlit
// of the screen is not black or the deadline passes, so that a loaded
// machine only makes the wait longer. The last screenshot is returned.
inline Picture waitforcity(const std::string &display, double minlit, double seconds)
{
    Picture shot;
    for (double waited = 0; waited < seconds; waited += 0.5) {
        usleep(500000);
        shot = screenshot(display);
        if (!shot.rgb.empty() && 1 - tallyof(shot).black >= minlit)
            break;
    }
    return shot;
}

// Whether a screenshot shows the city: at least minlit of it not black,
// some blue-green buildings, and next to no colour the world cannot make.
inline ::testing::AssertionResult showsthecity(const Picture &shot, double minlit)
{
    if (shot.rgb.empty())
        return ::testing::AssertionFailure() << "no screenshot";
    families::Tally city = tallyof(shot);
    if (1 - city.black < minlit)
        return ::testing::AssertionFailure() << "only " << 1 - city.black << " of the screen lit";
    if (city.family[families::building] <= 0.01)
        return ::testing::AssertionFailure() << "no blue-green buildings";
    if (city.family[families::unexplained] >= 0.01)
        return ::testing::AssertionFailure()
               << city.family[families::unexplained] << " in colours the world cannot make";
    return ::testing::AssertionSuccess();
}

// Whether Escape ends the child with status 0. It is pressed until the child
// ends, ten times at most: on a loaded machine the window may take a while
// to appear and catch the key.
inline ::testing::AssertionResult escapeendswithzero(const std::string &display, const Child &child)
{
    int status = -1;
    for (int tries = 0; tries < 10 && status == -1; tries++) {
        if (runon(display, {"xdotool", "key", "Escape"}) != 0)
            break;
        status = waitfor(child, 1.0);
    }
    if (status == -1)
        return ::testing::AssertionFailure() << "still running after Escape (or xdotool failed)";
    if (!WIFEXITED(status))
        return ::testing::AssertionFailure() << "killed by signal " << WTERMSIG(status);
    if (WEXITSTATUS(status) != 0)
        return ::testing::AssertionFailure() << "exit status " << WEXITSTATUS(status);
    return ::testing::AssertionSuccess();
}

// The first screenshot that differs from the previous one, a few frames on;
// an empty picture if none does before the deadline.
inline Picture nextview(const std::string &display, const Picture &previous, double seconds)
{
    for (double waited = 0; waited < seconds; waited += 0.3) {
        usleep(300000);
        Picture shot = screenshot(display);
        if (!shot.rgb.empty() && shot.rgb != previous.rgb)
            return shot;
    }
    return Picture{};
}

} // namespace testsupport
