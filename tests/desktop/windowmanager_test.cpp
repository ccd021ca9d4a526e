// SPDX-License-Identifier: MIT
// Under window managers: the demo's window is made full screen, shows the
// whole picture, survives losing the focus and being minimised, and ends
// with status 0 when the window manager closes it.
#include "frame.h"
#include "session.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace
{

struct Manager {
    const char *name;
    std::vector<std::string> argv;
};

void PrintTo(const Manager &m, std::ostream *out)
{
    *out << m.name;
}

class WindowManagers : public ::testing::TestWithParam<Manager>
{
  protected:
    WindowManager wm{GetParam().argv, "1920x1080"};
    Env env() const
    {
        return {{"DISPLAY", wm.display().c_str()}, {"WAYLAND_DISPLAY", nullptr}};
    }
    // The first line of a helper's output, run on the window manager's display.
    std::string ask(const std::vector<std::string> &argv) const
    {
        std::string out = outputof(argv, env());
        return out.substr(0, out.find('\n'));
    }
    std::string windowof(const Child &demo) const
    {
        return ask({"xdotool", "search", "--sync", "--pid", std::to_string(demo.pid)});
    }
    bool fullscreen(const std::string &window) const
    {
        return ask({"xprop", "-id", window, "_NET_WM_STATE"}).find("_NET_WM_STATE_FULLSCREEN") !=
               std::string::npos;
    }
    int run(const std::vector<std::string> &argv) const
    {
        return runon(wm.display(), argv);
    }
};

TEST_P(WindowManagers, FullScreenWholePictureThroughFocusLossAndMinimising)
{
    ASSERT_TRUE(wm.ready()) << GetParam().name << " did not start";
    HeldFrame held;
    Env demoenv = held.env();
    const Env display = env();
    demoenv.insert(demoenv.end(), display.begin(), display.end());
    Child demo = spawn({flyoverpath()}, demoenv);
    Picture frame = held.wait(120);
    ASSERT_FALSE(frame.rgb.empty()) << "no frame held: " << stderrof(demo);
    std::string window = windowof(demo);
    EXPECT_TRUE(fullscreen(window));
    EXPECT_TRUE(showswhole(screenshot(wm.display()), frame));

    // Another window takes the focus (one that takes keys: a window
    // manager gives none to a clock), then the demo is minimised and restored.
    Child other = spawn({"xmessage", "another window"}, env());
    ASSERT_EQ(
        run({"xdotool", "search", "--sync", "--class", "xmessage", "windowactivate", "--sync"}), 0);
    EXPECT_NE(ask({"xdotool", "getactivewindow"}), window);
    ASSERT_EQ(run({"xdotool", "windowminimize", "--sync", window}), 0);
    ASSERT_EQ(run({"xdotool", "windowactivate", "--sync", window}), 0);
    EXPECT_EQ(waitfor(demo, 0.5), -1) << "the demo ended: " << stderrof(demo);
    EXPECT_TRUE(fullscreen(window));

    ASSERT_EQ(run({"xdotool", "key", "Escape"}), 0);
    EXPECT_TRUE(exitedzero(demo, 10));
    EXPECT_EQ(stdoutof(demo), "");
    EXPECT_EQ(stderrof(demo), "");
}

TEST_P(WindowManagers, ClosingTheWindowEndsTheDemoWithStatusZero)
{
    ASSERT_TRUE(wm.ready()) << GetParam().name << " did not start";
    Child demo = spawn({flyoverpath()}, env());
    std::string window = windowof(demo);
    ASSERT_FALSE(window.empty()) << stderrof(demo);
    ASSERT_EQ(run({"wmctrl", "-i", "-c", window}), 0);
    EXPECT_TRUE(exitedzero(demo, 10));
}

INSTANTIATE_TEST_SUITE_P(Desktop, WindowManagers,
                         ::testing::Values(Manager{"openbox", {"openbox"}},
                                           Manager{"xfwm4", {"xfwm4", "--compositor=on"}}),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
