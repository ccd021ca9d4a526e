// SPDX-License-Identifier: MIT
// The platform edge: what one windowing system needs beyond the SDL calls
// that every platform shares.
#pragma once

// Called once, before SDL starts: when a screen saver host (or the user)
// names a window to draw into, SDL is told to draw into it, and the demo
// ends quietly when the host sends SIGTERM or takes the window away. On
// Windows it makes sure that a failed start's line reaches the user
// (windows/failedstart.cpp).
void hostwindow();

// Called once, before SDL starts: SDL is told to leave its full-screen
// window without decorations, which on some Wayland compositors it would
// otherwise wait for forever (decorations_wayland.cpp). Elsewhere it does
// nothing.
void nodecorations();

// Called once, right after the full-screen video mode is set: makes sure the
// window really covers the screen that SDL scales the picture to.
void fillscreen();
