// SPDX-License-Identifier: MIT
// Helpers for tests that run real programs: a private Xvfb, child processes
// with captured output, waiting with a deadline, key presses and screenshots.
#pragma once

#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

namespace testsupport
{

// Path of the flyover binary under test.
const char *flyoverpath();

// Changes to a child's environment: (name, value) pairs; a value of nullptr
// removes the variable.
using Env = std::vector<std::pair<std::string, const char *>>;

// How long an X server of the tests may take to name its display, in
// seconds; one that takes longer is ended and the test fails.
inline double xserverstartseconds = 30;

// A private X server on a free display number, started with -displayfd so it
// never touches the user's display. Stopped when the object goes away; one
// that does not start throws.
class XServer
{
  public:
    explicit XServer(const std::vector<std::string> &extraargs = {},
                     const std::string &size = "800x600");
    ~XServer();
    XServer(const XServer &) = delete;
    XServer &operator=(const XServer &) = delete;
    const std::string &display() const
    {
        return display_;
    }

  private:
    pid_t pid_ = -1;
    std::string display_;
};

// Xorg's dummy driver on a free display number: one 2048 x 768 screen with
// two 1024 x 768 monitors side by side, RandR's outputs DUMMY0 (the primary,
// at 0,0) and DUMMY1 (at 1024,0). Xorg needs root to start it; tests skip
// with needsroot without it.
class TwoMonitors
{
  public:
    static constexpr const char *needsroot = "needs root to start Xorg (CI runs as root)";
    TwoMonitors();
    ~TwoMonitors();
    TwoMonitors(const TwoMonitors &) = delete;
    TwoMonitors &operator=(const TwoMonitors &) = delete;
    const std::string &display() const
    {
        return display_;
    }

  private:
    pid_t pid_ = -1;
    std::string display_, folder_;
};

// A child process whose standard output and error go to temporary files.
// When it goes away, the process is killed if it still runs (a test that
// failed half-way leaves nothing behind) and the files are removed.
struct Child {
    pid_t pid = -1;
    std::string outpath, errpath;

    Child() = default;
    Child(Child &&other) noexcept;
    Child(const Child &) = delete;
    Child &operator=(const Child &) = delete;
    Child &operator=(Child &&) = delete;
    ~Child();
};

// Starts argv[0] (searched in PATH) with the environment changed by setenv.
Child spawn(const std::vector<std::string> &argv, const Env &setenv = {});

// Runs a helper command to the end (at most 30 s) and returns what it wrote
// on its standard output; empty if it failed.
std::string outputof(const std::vector<std::string> &argv, const Env &setenv = {});

// Waits up to seconds for the child to end. Returns its wait status, or -1
// if it is still running at the deadline (it is then left running).
int waitfor(const Child &child, double seconds);

// Kills the child if it still runs and reaps it.
void killchild(const Child &child);

std::string readfile(const std::string &path);
std::string stdoutof(const Child &child);
std::string stderrof(const Child &child);

// Runs a helper command to the end and returns its exit status
// (xdotool, for example), with DISPLAY set to display.
int runon(const std::string &display, const std::vector<std::string> &argv);

// Waits (up to 30 s) until the child has a window on the display, which it
// has once its video mode is set; true when it has.
bool windowshown(const std::string &display, const Child &child);

// An RGB picture of the whole screen, 3 bytes a pixel, row by row.
struct Picture {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
};

// Takes a screenshot from outside the program (ImageMagick's import), of
// the whole screen or of an area of it (an X geometry, WxH+X+Y).
Picture screenshot(const std::string &display, const std::string &area = "");

// Takes a screenshot with a tool that writes a PPM file at the path appended
// to its last argument.
Picture screenshot(const std::vector<std::string> &argv, const Env &setenv);

// A PPM file (P6, 8 bits) as a picture; an empty one if it is not such a file.
Picture readppm(const std::string &path);
// Writes a picture as a PPM file; false if it cannot.
bool writeppm(const Picture &p, const std::string &path);

} // namespace testsupport
