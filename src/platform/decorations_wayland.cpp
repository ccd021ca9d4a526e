// SPDX-License-Identifier: MIT
// No window decorations on Wayland.
//
// On Wayland the title bar and borders of a window are drawn by the
// compositor or by the program, as the compositor says; cage, and any
// compositor that draws none of its own, leaves them to the program. SDL
// then turns to libdecor: it takes its window down to put it up again with
// decorations, and where no libdecor plugin is installed it never does. The
// buffer swap waits forever on a window that the compositor never shows,
// the screen stays black, and SIGTERM cannot end the demo (SDL only notes
// the signal for its next look at the events).
//
// A full-screen window shows no decorations anyway: before SDL starts, this
// tells it to leave libdecor alone, and SDL keeps its plain window. It does
// so over a setting of the user's: the demo has no use for libdecor, which
// hangs it under cage with a plugin as well.
#include "platform.h"

#include <cstdlib>

void nodecorations()
{
    setenv("SDL_VIDEO_WAYLAND_ALLOW_LIBDECOR", "0", 1);
}
