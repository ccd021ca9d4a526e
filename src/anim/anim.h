// SPDX-License-Identifier: MIT
// The animation step: one fixed step per frame, so the speed on screen
// follows the frame rate.
#pragma once

// Scenery that drifts below its wrap limit flips to the mirrored z.
constexpr float cloudwrap = -2900; // cloud sheets
constexpr float citywrap = -7900;  // buildings and beams
constexpr float floorwrap = -5900; // ground tiles

// Advances the camera director (automatic switch, then the active program's
// eye and look moves) and scrolls every sheet, building and tile along z.
void calcme();
