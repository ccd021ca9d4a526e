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
// A host ends its saver with SIGTERM and destroys the window at once, at
// any moment: a key pressed as the saver starts ends it while SDL is still
// setting the mode. What SDL or Mesa then asks of the window fails, and the
// X library's default error handler would write its report and exit with
// status 1. So, in a given window, SIGTERM ends the process at once with
// status 0. (SDL would make it a quit request, but only once started, and
// the last frame would go to a window that is gone; it leaves a handler of
// ours alone. Before main, while the libraries load, SDL 2 among them, the
// signal's default ends the process, as quietly.) The error handler set
// here takes the window being gone as the same word from the host, should
// the window go first, and ends the process the same way. It cannot let the
// demo draw on: the X library leaves the answers to failed requests unset,
// and Mesa's software renderer, drawing to a size it never got, crashes.
// Nothing is lost by ending there: a window given to SDL changes no video
// mode, and the X server lets go of the rest when the connection closes. An
// id that names no window fails the same way, so this looks once, before
// SDL starts, whether it names one: if not, and for every other error, the
// X library's handler reports it as before.
//
// Without a given window none of this happens.
#include "platform.h"
#include "x11.h"

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace
{

Window given = None;
XErrorHandler previous = nullptr;
bool named = false; // the given window was there when the demo started
int glxerrors = 0;  // the first of GLX's error codes on this server; 0: no GLX

// GLX's own BadDrawable (GLXBadDrawable), counted from its first error code:
// what a buffer swap to a window that is gone may get.
constexpr int glxbaddrawable = 2;

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

int ignore(Display * /*display*/, XErrorEvent * /*error*/)
{
    return 0;
}

// Whether the window is there, asked on a connection of its own; and where
// GLX's error codes begin.
bool exists(Window window)
{
    Display *display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return false;
    int opcode = 0;
    int event = 0;
    if (XQueryExtension(display, "GLX", &opcode, &event, &glxerrors) == 0)
        glxerrors = 0;
    XWindowAttributes attributes;
    bool found = XGetWindowAttributes(display, window, &attributes) != 0;
    XCloseDisplay(display);
    return found;
}

// The host's SIGTERM, which may come in the middle of anything: _exit, not
// exit, so that no library's clean-up runs.
void ended(int /*signal*/)
{
    _exit(0);
}

// Runs inside the X library, in the middle of a request of SDL's or Mesa's:
// _exit again.
int gone(Display *display, XErrorEvent *error)
{
    int code = error->error_code;
    bool lost =
        error->resourceid == given && (code == BadWindow || code == BadDrawable ||
                                       (glxerrors != 0 && code == glxerrors + glxbaddrawable));
    if (lost && named)
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
    // The look reports nothing, whatever it finds. SDL's own handler, set
    // when its video starts, hands every error on to gone().
    previous = XSetErrorHandler(ignore);
    named = exists(given);
    XSetErrorHandler(gone);
    struct sigaction action = {};
    action.sa_handler = ended;
    sigaction(SIGTERM, &action, nullptr);
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
    return true;
}
