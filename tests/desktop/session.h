// SPDX-License-Identifier: MIT
// Desktops to run the real program on: a window manager on a private X
// server, and a headless sway or cage (its own Wayland display, and XWayland).
#pragma once

#include "process.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace testsupport
{

// A window manager (argv) in its own D-Bus session on a private X server of
// the given size; ready once it has announced itself on the root window.
class WindowManager
{
  public:
    WindowManager(const std::vector<std::string> &argv, const std::string &size);
    ~WindowManager();
    WindowManager(const WindowManager &) = delete;
    WindowManager &operator=(const WindowManager &) = delete;
    const std::string &display() const
    {
        return x_->display();
    }
    bool ready() const
    {
        return ready_;
    }

  private:
    std::unique_ptr<XServer> x_;
    std::optional<Child> wm_;
    bool ready_ = false;
};

// sway on the headless backend with one output of the given mode and scale,
// in a runtime folder of its own. It refuses to run as root, so as root it
// runs as nobody, and its clients (the demo, grim, wtype) connect as root.
// As program "cage", the kiosk compositor runs instead, the same way: its
// one output is always 1280 x 720, and it has no IPC for msg() and type().
class Sway
{
  public:
    Sway(const std::string &mode, const std::string &scale, bool xwayland = false,
         const std::string &program = "sway");
    ~Sway();
    Sway(const Sway &) = delete;
    Sway &operator=(const Sway &) = delete;
    bool ready() const
    {
        return !sock_.empty();
    }
    // The environment of a Wayland client of this sway, with no X display.
    Env env() const;
    // XWayland's display, open to this process's user; empty if it does
    // not come.
    std::string xdisplay() const;
    int msg(const std::string &command) const;
    int type(const std::vector<std::string> &wtypeargs) const;
    Picture screenshot() const;
    // The compositor goes away.
    void stop();

  private:
    std::string folder_, sock_, display_;
    std::optional<Child> sway_;
};

// As root, sway and XScreenSaver (which refuse root) run as nobody.
std::vector<std::string> asnobody(const std::vector<std::string> &argv);
bool givetonobody(const std::string &path);

// Whether the wait status is that of the demo exiting with status 0; if not,
// the demo's standard error comes with the failure.
::testing::AssertionResult endedzero(int status, const Child &demo);

// Whether the demo exits with status 0 within seconds.
::testing::AssertionResult exitedzero(const Child &demo, double seconds);

} // namespace testsupport
