// SPDX-License-Identifier: MIT
#include "session.h"

#include <glob.h>
#include <pwd.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace testsupport
{

namespace
{

// Polls test() every 100 ms for up to seconds.
template <typename Test> bool within(double seconds, Test test)
{
    for (int i = 0; i < int(seconds * 10); i++, usleep(100000))
        if (test())
            return true;
    return false;
}

// sway refuses to run as root: as root, it runs as nobody.
bool asroot()
{
    return getuid() == 0;
}

} // namespace

std::vector<std::string> asnobody(const std::vector<std::string> &argv)
{
    std::vector<std::string> out;
    if (asroot())
        out = {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"};
    out.insert(out.end(), argv.begin(), argv.end());
    return out;
}

bool givetonobody(const std::string &path)
{
    passwd entry{};
    passwd *user = nullptr;
    char buffer[1024];
    return getpwnam_r("nobody", &entry, buffer, sizeof buffer, &user) == 0 && user != nullptr &&
           chown(path.c_str(), user->pw_uid, user->pw_gid) == 0;
}

WindowManager::WindowManager(const std::vector<std::string> &argv, const std::string &size)
    : x_(std::make_unique<XServer>(std::vector<std::string>{}, size))
{
    std::vector<std::string> args = {"dbus-run-session", "--"};
    args.insert(args.end(), argv.begin(), argv.end());
    // NO_AT_BRIDGE: no accessibility bus, which would outlive the session.
    wm_.emplace(spawn(args, {{"DISPLAY", display().c_str()}, {"NO_AT_BRIDGE", "1"}}));
    ready_ = within(30, [&] {
        return outputof({"xprop", "-root", "_NET_SUPPORTING_WM_CHECK"},
                        {{"DISPLAY", display().c_str()}})
                   .find("window id") != std::string::npos;
    });
}

// With its X server gone the window manager ends, and with it the session
// and its bus.
WindowManager::~WindowManager()
{
    x_.reset();
    waitfor(*wm_, 10);
}

Sway::Sway(const std::string &mode, const std::string &scale, bool xwayland,
           const std::string &program)
    : display_(program == "cage" ? "wayland-0" : "wayland-1")
{
    char folder[] = "/tmp/flyover-sway-XXXXXX";
    if (mkdtemp(folder) == nullptr)
        return;
    folder_ = folder;
    const std::string config = folder_ + "/config";
    std::ofstream(config) << "output HEADLESS-1 mode " << mode << " scale " << scale << "\n"
                          << "xwayland " << (xwayland ? "enable" : "disable") << "\n"
                          << "default_border none\n";
    if (asroot() && !(givetonobody(folder_) && givetonobody(config)))
        return;
    // cage, with a client that ends with it, upside down: grim turns the
    // picture back, and cage must draw the demo's frames, which it would
    // otherwise hand to the headless output as they are, black to grim.
    std::vector<std::string> argv = {"sway", "-c", config};
    if (program == "cage")
        argv = {"cage", "-r", "-r", "--", "sh", "-c", "exec tail -f /dev/null --pid=$PPID"};
    sway_.emplace(spawn(asnobody(argv), {{"HOME", folder},
                                         {"XDG_RUNTIME_DIR", folder},
                                         {"WLR_BACKENDS", "headless"},
                                         {"WLR_LIBINPUT_NO_DEVICES", "1"},
                                         {"WLR_RENDERER", "pixman"},
                                         {"DISPLAY", nullptr},
                                         {"WAYLAND_DISPLAY", nullptr},
                                         {"SWAYSOCK", nullptr}}));
    within(30, [&] {
        glob_t found;
        std::string pattern = folder_ + (program == "cage" ? "/wayland-0" : "/sway-ipc.*.sock");
        if (glob(pattern.c_str(), 0, nullptr, &found) == 0 && found.gl_pathc == 1 &&
            access((folder_ + "/" + display_).c_str(), F_OK) == 0)
            sock_ = found.gl_pathv[0];
        globfree(&found);
        return !sock_.empty();
    });
}

Sway::~Sway()
{
    stop();
    if (!folder_.empty())
        std::filesystem::remove_all(folder_);
}

Env Sway::env() const
{
    return {{"XDG_RUNTIME_DIR", folder_.c_str()},
            {"WAYLAND_DISPLAY", display_.c_str()},
            {"SWAYSOCK", sock_.c_str()},
            {"DISPLAY", nullptr}};
}

std::string Sway::xdisplay() const
{
    // XWayland lets in only the compositor's user, unless told otherwise.
    const std::string file = folder_ + "/display";
    const std::string open = asroot() ? "xhost +si:localuser:root >/dev/null && " : "";
    if (msg("exec " + open + "echo $DISPLAY >" + file) != 0)
        return "";
    std::string display;
    within(30, [&] {
        display = readfile(file);
        return !display.empty() && display.back() == '\n';
    });
    return display.empty() ? display : display.substr(0, display.size() - 1);
}

int Sway::msg(const std::string &command) const
{
    Child c = spawn({"swaymsg", command}, env());
    return waitfor(c, 30);
}

int Sway::type(const std::vector<std::string> &wtypeargs) const
{
    std::vector<std::string> argv = {"wtype"};
    argv.insert(argv.end(), wtypeargs.begin(), wtypeargs.end());
    Child c = spawn(argv, env());
    return waitfor(c, 30);
}

Picture Sway::screenshot() const
{
    return testsupport::screenshot({"grim", "-t", "ppm", ""}, env());
}

void Sway::stop()
{
    if (sway_ && waitfor(*sway_, 0) == -1) {
        // cage aborts on SIGTERM, leaving XWayland's lock behind: end its client.
        std::string pid = std::to_string(sway_->pid);
        pid_t client = atoi(readfile("/proc/" + pid + "/task/" + pid + "/children").c_str());
        kill(display_ == "wayland-0" && client > 0 ? client : sway_->pid, SIGTERM);
        waitfor(*sway_, 10);
    }
    sway_.reset();
}

::testing::AssertionResult endedzero(int status, const Child &demo)
{
    if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return ::testing::AssertionFailure() << "wait status " << status << ": " << stderrof(demo);
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult exitedzero(const Child &demo, double seconds)
{
    return endedzero(waitfor(demo, seconds), demo);
}

} // namespace testsupport
