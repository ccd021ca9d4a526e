// SPDX-License-Identifier: MIT
#include "process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <utility>

namespace testsupport
{

const char *flyoverpath()
{
    return FLYOVER_BINARY;
}

static std::vector<char *> cargv(const std::vector<std::string> &argv)
{
    std::vector<char *> out;
    out.reserve(argv.size() + 1);
    for (const std::string &a : argv)
        out.push_back(const_cast<char *>(a.c_str()));
    out.push_back(nullptr);
    return out;
}

static std::string tempfile(const char *tag)
{
    std::string path = std::string(P_tmpdir) + "/flyover-test-" + tag + "-XXXXXX";
    int fd = mkstemp(path.data());
    if (fd < 0)
        throw std::runtime_error("mkstemp failed");
    close(fd);
    return path;
}

static double now();
static void stopserver(pid_t pid);

// Starts an X server (argv, to which -displayfd and its descriptor are
// added), waits until it accepts connections and sets display; returns its
// process id, or -1 if it does not start. One that names no display within
// xserverstartseconds is ended: a server that hangs must not hang the test.
static pid_t startserver(std::vector<std::string> argv, std::string &display)
{
    int fds[2];
    if (pipe(fds) != 0)
        throw std::runtime_error("pipe failed");
    argv.insert(argv.begin() + 1, {"-displayfd", std::to_string(fds[1])});
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        setpgid(0, 0); // keep our signals (Ctrl-C to ctest) from reaching it first
        std::vector<char *> args = cargv(argv);
        execvp(args[0], args.data());
        _exit(127);
    }
    close(fds[1]);
    // The server writes the display number once it accepts connections.
    const double deadline = now() + xserverstartseconds;
    std::string number;
    bool named = false;
    char c;
    for (pollfd ready = {fds[0], POLLIN, 0}; !named && now() < deadline;) {
        int left = int((deadline - now()) * 1000) + 1;
        if (poll(&ready, 1, left) < 0 && errno != EINTR)
            break;
        if (ready.revents == 0)
            continue;
        if (read(fds[0], &c, 1) != 1)
            break; // it ended
        named = c == '\n';
        number += named ? "" : std::string(1, c);
    }
    close(fds[0]);
    if (!named || number.empty()) {
        stopserver(pid);
        return -1;
    }
    display = ":" + number;
    return pid;
}

// Asks the server to end; kills it if it is still there a few seconds on.
static void stopserver(pid_t pid)
{
    if (pid <= 0)
        return;
    kill(-pid, SIGTERM); // its group: a wrapper script's children too
    kill(pid, SIGTERM);
    const double deadline = now() + 5;
    while (waitpid(pid, nullptr, WNOHANG) == 0) {
        if (now() > deadline) {
            kill(-pid, SIGKILL);
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            return;
        }
        usleep(10000);
    }
}

// -noreset: a server that resets when its last client leaves closes a client
// that connects meanwhile, as a program starting while a test's xdotool
// looks for its window does; SDL then quietly takes its offscreen driver.
XServer::XServer(const std::vector<std::string> &extraargs, const std::string &size)
{
    std::vector<std::string> argv = {"Xvfb", "-screen", "0", size + "x24", "-nolisten", "tcp"};
    argv.push_back("-noreset");
    argv.insert(argv.end(), extraargs.begin(), extraargs.end());
    pid_ = startserver(argv, display_);
    if (pid_ < 0)
        throw std::runtime_error("Xvfb did not start");
}

XServer::~XServer()
{
    stopserver(pid_);
}

// Each output of the dummy driver takes the Monitor section an option names;
// only the first is connected unless its Monitor is enabled. Two Screen
// sections joined by Xinerama would turn RandR off, and with it the
// monitors that SDL and Wine see.
static const char *const twomonitors = R"(Section "ServerFlags"
    Option "AutoAddDevices" "false"
EndSection
Section "Device"
    Identifier "card"
    Driver "dummy"
    VideoRam 65536
    Option "Monitor-DUMMY0" "left"
    Option "Monitor-DUMMY1" "right"
EndSection
Section "Monitor"
    Identifier "left"
    Modeline "1024x768" 63.50 1024 1072 1176 1328 768 771 775 798 -hsync +vsync
EndSection
Section "Monitor"
    Identifier "right"
    Modeline "1024x768" 63.50 1024 1072 1176 1328 768 771 775 798 -hsync +vsync
    Option "RightOf" "left"
    Option "Enable" "true"
EndSection
Section "Screen"
    Identifier "screen"
    Device "card"
    DefaultDepth 24
    SubSection "Display"
        Depth 24
        Virtual 2048 768
    EndSubSection
EndSection
)";

TwoMonitors::TwoMonitors()
{
    char folder[] = "/tmp/flyover-xorg-XXXXXX";
    if (mkdtemp(folder) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    folder_ = folder;
    std::ofstream(folder_ + "/xorg.conf") << twomonitors;
    // Its own configuration only: none of the system's xorg.conf.d.
    pid_ = startserver({"Xorg", "-config", folder_ + "/xorg.conf", "-configdir", folder_,
                        "-logfile", folder_ + "/xorg.log", "-noreset", "-nolisten", "tcp",
                        "-novtswitch", "-sharevts"},
                       display_);
    if (pid_ < 0) {
        std::string log = readfile(folder_ + "/xorg.log");
        std::filesystem::remove_all(folder_);
        throw std::runtime_error("Xorg did not start; its log ends:\n" +
                                 log.substr(log.size() - std::min<size_t>(log.size(), 1500)));
    }
}

TwoMonitors::~TwoMonitors()
{
    stopserver(pid_);
    std::filesystem::remove_all(folder_);
}

Child::Child(Child &&other) noexcept
    : pid(other.pid), outpath(std::move(other.outpath)), errpath(std::move(other.errpath))
{
    other.pid = -1;
    other.outpath.clear();
    other.errpath.clear();
}

Child::~Child()
{
    killchild(*this);
    if (!outpath.empty())
        unlink(outpath.c_str());
    if (!errpath.empty())
        unlink(errpath.c_str());
}

Child spawn(const std::vector<std::string> &argv, const Env &setenvs)
{
    Child child;
    child.outpath = tempfile("out");
    child.errpath = tempfile("err");
    child.pid = fork();
    if (child.pid == 0) {
        int out = open(child.outpath.c_str(), O_WRONLY | O_TRUNC);
        int err = open(child.errpath.c_str(), O_WRONLY | O_TRUNC);
        dup2(out, 1);
        dup2(err, 2);
        // Nothing else of the test's: descriptors it inherited (from ctest,
        // say) confuse programs that pass numbered descriptors on, as apt does.
        close_range(3, ~0U, 0);
        for (const auto &[name, value] : setenvs) {
            if (value)
                setenv(name.c_str(), value, 1);
            else
                unsetenv(name.c_str());
        }
        std::vector<char *> args = cargv(argv);
        execvp(args[0], args.data());
        _exit(127);
    }
    if (child.pid < 0)
        throw std::runtime_error("fork failed");
    return child;
}

static double now()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

int waitfor(const Child &child, double seconds)
{
    double deadline = now() + seconds;
    for (;;) {
        int status;
        pid_t r = waitpid(child.pid, &status, WNOHANG);
        if (r == child.pid)
            return status;
        if (r < 0 && errno != EINTR)
            return -1;
        if (now() > deadline)
            return -1;
        usleep(5000);
    }
}

void killchild(const Child &child)
{
    if (child.pid > 0 && waitpid(child.pid, nullptr, WNOHANG) == 0) {
        kill(child.pid, SIGKILL);
        waitpid(child.pid, nullptr, 0);
    }
}

std::string readfile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string stdoutof(const Child &child)
{
    return readfile(child.outpath);
}

std::string stderrof(const Child &child)
{
    return readfile(child.errpath);
}

std::string outputof(const std::vector<std::string> &argv, const Env &setenv)
{
    Child c = spawn(argv, setenv);
    return waitfor(c, 30) == 0 ? stdoutof(c) : std::string();
}

int runon(const std::string &display, const std::vector<std::string> &argv)
{
    Child c = spawn(argv, {{"DISPLAY", display.c_str()}});
    return waitfor(c, 30);
}

bool windowshown(const std::string &display, const Child &child)
{
    // xdotool's search ends with an error when a window goes away while it
    // reads it, as the hidden windows of a starting Wine program do: such an
    // early end is one more try, not an answer.
    const std::vector<std::string> search = {"xdotool", "search", "--sync", "--pid",
                                             std::to_string(child.pid)};
    const double deadline = now() + 30;
    do {
        if (runon(display, search) == 0)
            return true;
        usleep(100000);
    } while (now() < deadline);
    return false;
}

Picture screenshot(const std::string &display, const std::string &area)
{
    std::vector<std::string> argv = {"import", "-window", "root", "-depth", "8", "ppm:"};
    if (!area.empty())
        argv.insert(argv.begin() + 3, {"-crop", area});
    return screenshot(argv, {{"DISPLAY", display.c_str()}});
}

Picture screenshot(const std::vector<std::string> &argv, const Env &setenv)
{
    std::string path = tempfile("shot");
    std::vector<std::string> args = argv;
    args.back() += path;
    Child c = spawn(args, setenv);
    int status = waitfor(c, 30);
    Picture p = status == 0 ? readppm(path) : Picture{};
    unlink(path.c_str());
    return p;
}

Picture readppm(const std::string &path)
{
    // PPM: a short text header, then raw RGB.
    std::string data = readfile(path);
    Picture p;
    std::istringstream in(data);
    std::string magic;
    int maxval = 0;
    in >> magic >> p.width >> p.height >> maxval;
    in.get();
    if (magic != "P6" || maxval != 255 || p.width <= 0 || p.height <= 0)
        return Picture{};
    size_t size = size_t(p.width) * size_t(p.height) * 3;
    p.rgb.resize(size);
    in.read(reinterpret_cast<char *>(p.rgb.data()), std::streamsize(size));
    if (size_t(in.gcount()) != size)
        return Picture{};
    return p;
}

bool writeppm(const Picture &p, const std::string &path)
{
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << p.width << " " << p.height << "\n255\n";
    out.write(reinterpret_cast<const char *>(p.rgb.data()), std::streamsize(p.rgb.size()));
    return bool(out);
}

} // namespace testsupport
