// SPDX-License-Identifier: MIT
// Full screen on an X server that has no window manager.
//
// SDL shows the 800 x 600 picture full screen by scaling it to the screen's
// size, in a window it asks the window manager to make full screen (the
// _NET_WM_STATE_FULLSCREEN request), and it takes the screen's size as the
// window's at once. With no window manager to act on the request (xinit
// sessions, kiosks, a bare Xvfb) the window keeps its 800 x 600 and shows
// only a corner of a picture scaled for the whole screen. So, when no window
// manager says it is running, this does what one would: it moves the window
// to the top-left corner and makes it the screen's size. SDL hears of the new
// size from the X server like of any other and scales the picture to it.
// Under a window manager, on Wayland and elsewhere it does nothing, and in a
// window a screen saver host gave (hostwindow_x11.cpp) it leaves the window
// where and as it is.
#include "platform.h"
#include "x11.h"

// Whether a window manager that follows the desktop conventions runs: it
// names its own check window in this property of the root window.
static bool managed(Display *display, Window root)
{
    Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
    if (check == None)
        return false;
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char *value = nullptr;
    if (XGetWindowProperty(display, root, check, 0, 1, False, XA_WINDOW, &type, &format, &count,
                           &after, &value) != Success)
        return false;
    if (value != nullptr)
        XFree(value);
    return type == XA_WINDOW && count == 1;
}

void fillscreen()
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWMInfo(&info) != 1 || info.subsystem != SDL_SYSWM_X11 || keephostwindow(info))
        return;
    Display *display = info.info.x11.display;
    if (info.info.x11.lock_func != nullptr)
        info.info.x11.lock_func();
    Window root = DefaultRootWindow(display);
    XWindowAttributes screen;
    if (info.info.x11.window != None && !managed(display, root) &&
        XGetWindowAttributes(display, root, &screen) != 0) {
        XMoveResizeWindow(display, info.info.x11.window, 0, 0, unsigned(screen.width),
                          unsigned(screen.height));
        XSync(display, False);
    }
    if (info.info.x11.unlock_func != nullptr)
        info.info.x11.unlock_func();
}
