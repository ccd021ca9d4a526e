// SPDX-License-Identifier: MIT
// The application shell: the way out of the process and the event handler
// of the main loop (the loop itself is main, in main.cpp).
#pragma once

#include "SDL.h"

// Shuts SDL down and ends the process with returnCode.
[[noreturn]] void Quit(int returnCode);

// Acts on one polled event: keys 1, 2, 3 pick a camera program. Returns 1
// when the event asks to stop (Escape pressed, or SDL's quit request).
int HandleEvent(SDL_Event *event);
