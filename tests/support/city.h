// SPDX-License-Identifier: MIT
// Waiting for the city on a display: screenshots until enough of the screen
// is lit, judged by the colours the world is made of.
#pragma once

#include "../render/colourfamilies.h"
#include "process.h"

#include <unistd.h>

namespace testsupport
{

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

} // namespace testsupport
