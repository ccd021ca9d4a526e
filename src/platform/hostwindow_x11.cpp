// SPDX-License-Identifier: MIT
// Drawing into a window that a screen saver host gives the demo.
//
// X screen savers and lockers (XScreenSaver, xsecurelock) run a display
// program in a window of their own and name it in XSCREENSAVER_WINDOW, in hex
// or in decimal. SDL 1.2 draws into a given window when SDL_WINDOWID names
// it, but sdl12-compat does so for OpenGL only when SDL 2's hint
// SDL_VIDEO_FOREIGN_WINDOW_OPENGL is set, and it reads both when the video
// mode is set. So, before SDL starts, this names the host's window to SDL in
// SDL_WINDOWID (which a user may also set) and sets the hint. sdl12-compat
// then scales the picture into that window as into a screen; fillscreen()
// leaves a window that SDL was given where and as it is.
//
// A host ends its saver with SIGTERM and destroys the window at once. The
// frame being drawn then goes to a window that is gone, and the X library's
// default error handler writes its report and exits with status 1. The error
// handler set here takes an error about the given window being gone as the
// host's word that the saver is over, and asks SDL to quit, as SIGTERM does:
// the demo ends normally, with status 0. Every other error goes on to the
// handler that was there before. Without a given window this does nothing.
#include "platform.h"

#include "SDL.h"

#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

namespace
{

Window given = None;
XErrorHandler previous = nullptr;
bool quitasked = false;

// The window a variable names, in hex (0x...) or decimal; None if it names none.
Window windowin(const char *name)
{
    const char *value = getenv(name);
    if (value == nullptr || *value == '\0')
        return None;
    char *end = nullptr;
    unsigned long id = strtoul(value, &end, 0);
    return *end == '\0' ? Window(id) : None;
}

// Runs inside the X library: it may make no X request of its own. SDL's
// queue of events is its own, so a quit request may be put there.
int gone(Display *display, XErrorEvent *error)
{
    bool lost = error->resourceid == given &&
                (error->error_code == BadWindow || error->error_code == BadDrawable);
    if (!lost)
        return previous != nullptr ? previous(display, error) : 0;
    if (!quitasked) {
        quitasked = true;
        SDL_Event quit{};
        quit.type = SDL_QUIT;
        SDL_PushEvent(&quit);
    }
    return 0;
}

} // namespace

void hostwindow()
{
    given = windowin("XSCREENSAVER_WINDOW");
    if (given == None)
        given = windowin("SDL_WINDOWID");
    if (given == None)
        return;
    char decimal[24];
    snprintf(decimal, sizeof decimal, "%lu", given);
    setenv("SDL_WINDOWID", decimal, 1);
    setenv("SDL_VIDEO_FOREIGN_WINDOW_OPENGL", "1", 1);
    // SDL's own handler, set when its video starts, hands on to this one.
    previous = XSetErrorHandler(gone);
}
