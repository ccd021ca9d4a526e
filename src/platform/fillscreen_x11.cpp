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
//
// A screen that spans several monitors is one root window as large as all
// of them together: a window of its size lies across the bezels, the
// picture cut in two. There the window covers one monitor, as a window
// manager's full-screen window does: RandR's primary, else the first it
// lists; the others are left as they are. A screen of one monitor, or a
// server without RandR 1.5's monitors, is taken whole.
#include "platform.h"
#include "x11.h"

#include <X11/extensions/Xrandr.h>

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

// The part of the root window that the full-screen window is to cover.
static XRectangle monitorarea(Display *display, Window root, const XWindowAttributes &screen)
{
    XRectangle area = {0, 0, (unsigned short)(screen.width), (unsigned short)(screen.height)};
    int event = 0;
    int error = 0;
    int major = 0;
    int minor = 0;
    if (!XRRQueryExtension(display, &event, &error) || !XRRQueryVersion(display, &major, &minor) ||
        major * 100 + minor < 105)
        return area;
    int count = 0;
    XRRMonitorInfo *monitors = XRRGetMonitors(display, root, True, &count);
    if (monitors == nullptr)
        return area;
    const XRRMonitorInfo *chosen = count > 0 ? &monitors[0] : nullptr;
    for (int i = 0; i < count; i++)
        chosen = monitors[i].primary ? &monitors[i] : chosen;
    if (count > 1)
        area = {short(chosen->x), short(chosen->y), (unsigned short)(chosen->width),
                (unsigned short)(chosen->height)};
    XRRFreeMonitors(monitors);
    return area;
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
        XRectangle area = monitorarea(display, root, screen);
        XMoveResizeWindow(display, info.info.x11.window, area.x, area.y, area.width, area.height);
        XSync(display, False);
    }
    if (info.info.x11.unlock_func != nullptr)
        info.info.x11.unlock_func();
}
