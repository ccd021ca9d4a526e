// SPDX-License-Identifier: MIT
// The web platform layer for the shell. Emscripten's SDL_SetVideoMode gives
// a surface even when the browser refuses the page a WebGL context, and the
// first OpenGL call then stops the page with a script error. Here such a
// mode fails, as a mode without OpenGL does on the desktop, so the program
// says "Video mode set failed: ..." and ends. The web build force-includes
// this header into main.cpp only (cmake/web.cmake).
#pragma once

#include "SDL.h"

SDL_Surface *websetvideomode(int width, int height, int bpp, Uint32 flags);

#define SDL_SetVideoMode websetvideomode
