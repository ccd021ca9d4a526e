// SPDX-License-Identifier: MIT
#include "tools.h"

#include "process.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace fs = std::filesystem;

Ran run(const std::vector<std::string> &argv,
        const std::vector<std::pair<std::string, const char *>> &setenv, double seconds)
{
    testsupport::Child child = testsupport::spawn(argv, setenv);
    int status = testsupport::waitfor(child, seconds);
    Ran r;
    if (status != -1 && WIFEXITED(status))
        r.status = WEXITSTATUS(status);
    r.out = testsupport::stdoutof(child);
    r.err = testsupport::stderrof(child);
    return r; // the child, killed if still running, takes its output files with it
}

TempDir::TempDir()
{
    std::string templ = (fs::temp_directory_path() / "flyover-package-XXXXXX").string();
    if (mkdtemp(templ.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    path_ = templ;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::set<std::string> filesunder(const std::string &dir)
{
    std::set<std::string> files;
    for (const fs::directory_entry &e : fs::recursive_directory_iterator(dir))
        if (e.is_regular_file())
            files.insert(fs::relative(e.path(), dir).string());
    return files;
}

std::string gunzip(const std::string &path)
{
    return run({"gzip", "-dc", path}).out;
}

std::string cachedir()
{
    const char *xdg = std::getenv("XDG_CACHE_HOME");
    const char *home = std::getenv("HOME");
    std::string cache =
        xdg != nullptr && *xdg != '\0' ? xdg : std::string(home ? home : "/root") + "/.cache";
    return cache + "/flyover";
}

// The minimal Debian 12 that scripts/common.sh makes once and caches; the
// packages in it are brought up to date by apt in each run.
static std::string basetarball()
{
    const char *make = "root=$0 && source \"$root/scripts/common.sh\" &&"
                       " make_minbase_tarball >&2 && echo \"$tarball\"";
    Ran made = run({"bash", "-c", make, SOURCE_DIR}, {}, aptseconds);
    if (made.status != 0) {
        ADD_FAILURE() << "no minimal Debian: " << made.err;
        return "";
    }
    return made.out.substr(0, made.out.find('\n'));
}

bool unpackbase(const std::string &dir)
{
    std::string tarball = basetarball();
    if (tarball.empty())
        return false;
    Ran untar = run({"tar", "-xf", tarball, "-C", dir});
    if (untar.status != 0) {
        ADD_FAILURE() << "tar: " << untar.err;
        return false;
    }
    fs::copy_file("/etc/resolv.conf", dir + "/etc/resolv.conf",
                  fs::copy_options::overwrite_existing);
    return true;
}

std::vector<std::string> inroot(const std::string &root, const Binds &binds,
                                const std::vector<std::string> &argv)
{
    // The paths reach the shell as its arguments, never as its code.
    std::string script = "r=$1; shift; mount --bind /proc \"$r/proc\" || exit 125; ";
    std::vector<std::string> all = {
        "unshare", "--mount", "--propagation", "private", "sh", "-c", "", "sh", root};
    for (const auto &[outside, inside] : binds) {
        script += "if [ -d \"$1\" ]; then mkdir -p \"$r$2\" && mount --bind \"$1\" \"$r$2\" || "
                  "exit 125; fi; shift 2; ";
        all.push_back(outside);
        all.push_back(inside);
    }
    // The user's XDG folders are this machine's, not the root's.
    script += "exec env -u XDG_CACHE_HOME -u XDG_CONFIG_HOME -u XDG_DATA_HOME -u XDG_RUNTIME_DIR "
              "chroot \"$r\" \"$@\"";
    all[6] = script;
    all.insert(all.end(), argv.begin(), argv.end());
    return all;
}
