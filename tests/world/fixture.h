// SPDX-License-Identifier: MIT
// Seams for the world's tests: the C library's rand, srand and time are
// replaced in the test executable so that a test can fix the clock, count the
// draws and, when it needs particular values, script them. The clock and the
// world's storage (pinned.cpp) also serve without the rand seam (fixture.cpp).
#pragma once

#include <ctime>
#include <functional>
#include <string>
#include <vector>

namespace fixture
{

extern long randcalls;  // rand() calls since the last reset
extern long timecalls;  // time() calls since the last reset
extern unsigned seeded; // the last value handed to srand()

// While set, rand() returns script(index of the call) instead of drawing.
extern std::function<int(long)> script;

// The next draws return these values, in order; then drawing resumes.
void queue(std::vector<int> values);

// Puts the world in its start state: every record and array zero, the
// scalars at their initial values.
void clearworld();

// Puts the world and the seams back in their start state: every record and
// array zero, the scalars at their initial values, the counters at 0, no script.
void reset();

// Sets the value the clock reads from now on.
void setclock(time_t clock);

// A fresh world generated at the given clock value, with the counters at 0.
void generate(time_t clock);

// Every byte of the world's records and arrays, for comparing whole worlds.
std::vector<unsigned char> worldbytes();

// A line per record or array of the world, with a digest of its bytes, and
// one with the camera switch's scalars: for comparing worlds made apart.
std::string worlddigests();

// The first place where the corners, colours or index lists disagree with
// the records (corner order and index pattern as the drawing expects them),
// or a spare element is not zero; empty when there is none.
std::string meshfault();

} // namespace fixture
