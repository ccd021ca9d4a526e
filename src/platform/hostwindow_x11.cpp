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
// then scales the picture into that window as it would to a screen.
//
// The window and the pointer stay the host's. sdl12-compat confines the
// pointer to a full-screen window that has the focus, as SDL 1.2 did, and
// does so again whenever the cursor is hidden (SDL 1.2's relative mouse
// mode), but only when the cursor's state changes. So, once the mode is set,
// the cursor is hidden here, main's hiding it changes nothing, and SDL's grab
// is let go of; fillscreen() neither moves nor resizes the window.
//
// A host ends its saver with SIGTERM and destroys the window at once. The
// frame being drawn then goes to a window that is gone, and the X library's
// default error handler would write its report and exit with status 1. The
// error handler set here takes the window being gone as the host's word that
// the saver is over and ends the process at once, with status 0 and nothing
// written. It cannot let the demo draw on: the X library leaves the answers
// to failed requests unset, and Mesa's software renderer, drawing to a size
// it never got, crashes. Nothing is lost by ending there: a window given to
// SDL changes no video mode, and the X server lets go of the rest when the
// connection closes. Every other error, and the window gone before the mode
// is set (a wrong id looks the same), goes on to the X library's handler as
// before.
//
// Without a given window none of this happens.
#include "platform.h"
#include "x11.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace
{

Window given = None;
XErrorHandler previous = nullptr;
bool drawing = false;

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

// Runs inside the X library, in the middle of a request of SDL's or Mesa's:
// _exit, not exit, so that no library's clean-up runs in there.
int gone(Display *display, XErrorEvent *error)
{
    bool lost = error->resourceid == given &&
                (error->error_code == BadWindow || error->error_code == BadDrawable);
    if (lost && drawing)
        _exit(0);
    return previous != nullptr ? previous(display, error) : 0;
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
    // SDL's own handler, set when its video starts, hands every error on to
    // this one.
    previous = XSetErrorHandler(gone);
}

bool keephostwindow(const SDL_SysWMinfo &info)
{
    if (given == None || info.info.x11.window != given)
        return false;
    SDL_ShowCursor(SDL_DISABLE);
    if (info.info.x11.lock_func != nullptr)
        info.info.x11.lock_func();
    XUngrabPointer(info.info.x11.display, CurrentTime); // a client can end only its own grab
    XSync(info.info.x11.display, False);
    if (info.info.x11.unlock_func != nullptr)
        info.info.x11.unlock_func();
    drawing = true;
    return true;
}
