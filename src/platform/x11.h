// SPDX-License-Identifier: MIT
// Between the X11 files of the platform edge.
#pragma once

#include "SDL.h"
#include "SDL_syswm.h"

// Called by fillscreen() once the video mode is set. When SDL draws into the
// window a host gave (hostwindow_x11.cpp), gives back to the host what SDL
// took of it and returns true: the window stays where and as it is.
bool keephostwindow(const SDL_SysWMinfo &info);
