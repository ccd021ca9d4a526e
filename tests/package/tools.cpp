// SPDX-License-Identifier: MIT
#include "tools.h"

#include "process.h"

#include <sys/wait.h>

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
