// SPDX-License-Identifier: MIT
// Running the checking tools and looking at what they leave on disk.
#pragma once

#include <set>
#include <string>
#include <utility>
#include <vector>

// What a finished command left: its exit status (-1 if it did not exit
// normally within its time) and everything it wrote.
struct Ran {
    int status = -1;
    std::string out, err;
};

// Runs argv[0] (searched in PATH) to its end, with the environment changed
// as testsupport::spawn does; one still running after seconds is killed.
// (lintian takes a few seconds: the default leaves room for a loaded machine.)
Ran run(const std::vector<std::string> &argv,
        const std::vector<std::pair<std::string, const char *>> &setenv = {}, double seconds = 120);

// A fresh directory under the system's temporary one, removed with all its
// contents when the object goes away.
class TempDir
{
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    const std::string &path() const
    {
        return path_;
    }

  private:
    std::string path_;
};

// The regular files below dir, as paths relative to it.
std::set<std::string> filesunder(const std::string &dir);

// The text of a gzip-compressed file.
std::string gunzip(const std::string &path);

// Network installs on a shared machine: generous deadlines.
constexpr double aptseconds = 600;

// flyover's folder in the user's cache: $XDG_CACHE_HOME/flyover or
// ~/.cache/flyover, as the scripts have it.
std::string cachedir();

// Unpacks into dir a minimal Debian 12 as mmdebstrap makes it (made once and
// kept in the user's cache) with the machine's resolver, ready for apt;
// false after a failure the test has been told of.
bool unpackbase(const std::string &dir);

// Folders of this system bound into a root, each as (outside, inside); one
// that does not exist outside when the command starts is left out.
using Binds = std::vector<std::pair<std::string, std::string>>;

// argv run as root inside the root folder, with the system's /proc and the
// binds mounted there for this process alone. The process keeps its pid
// through unshare, sh and chroot, so a window it opens names it.
std::vector<std::string> inroot(const std::string &root, const Binds &binds,
                                const std::vector<std::string> &argv);
