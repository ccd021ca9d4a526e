// SPDX-License-Identifier: MIT
// The real program, every instruction watched by valgrind's memcheck, for a
// few seconds of frames: start-up, generation, animation and drawing.
#include "process.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <regex>
#include <sstream>
#include <string>

using namespace testsupport;

namespace
{

// memcheck's reports in its log, one string each: a report is the run of
// lines that starts with the kind of error and ends at a blank line.
std::vector<std::string> reports(const std::string &log)
{
    std::vector<std::string> out;
    std::istringstream in(log);
    const std::regex start(
        R"(^==\d+== (Invalid|Conditional|Use of uninitialised|Syscall param|Mismatched|Source and destination))");
    std::string line;
    std::string current;
    while (std::getline(in, line)) {
        if (std::regex_search(line, start))
            current = line + "\n";
        else if (!current.empty() && line.find("== ") != std::string::npos &&
                 line.substr(line.find("== ") + 3).empty()) {
            out.push_back(current);
            current.clear();
        } else if (!current.empty())
            current += line + "\n";
    }
    return out;
}

TEST(Memcheck, FramesTouchNoInvalidMemoryAndOurCodeUsesNoUninitialisedValue)
{
    XServer x;
    const std::string logpath =
        std::string(P_tmpdir) + "/flyover-memcheck-" + std::to_string(getpid());
    const std::string source = SOURCE_DIR;
    Child demo = spawn(
        {"valgrind", "--tool=memcheck", "--suppressions=" + source + "/tests/valgrind.supp",
         "--fullpath-after=" + source + "/", std::string("--log-file=") + logpath, flyoverpath()},
        {{"DISPLAY", x.display().c_str()}, {"SDL_VIDEODRIVER", "x11"}});
    // The window appears once the video mode is set; a few seconds more
    // cover generation and a run of frames, slow as they are under memcheck.
    ASSERT_TRUE(windowshown(x.display(), demo));
    sleep(8);
    ASSERT_EQ(kill(demo.pid, SIGTERM), 0);
    int status = waitfor(demo, 120);
    std::string log = readfile(logpath);
    unlink(logpath.c_str());
    ASSERT_NE(status, -1) << "still running after SIGTERM";
    ASSERT_TRUE(WIFEXITED(status)) << log;
    EXPECT_EQ(WEXITSTATUS(status), 0) << log;
    ASSERT_NE(log.find("ERROR SUMMARY"), std::string::npos) << "memcheck did not finish: " << log;

    for (const std::string &r : reports(log)) {
        bool invalid = r.find("Invalid ") != std::string::npos;
        bool ours = r.find("(src/") != std::string::npos; // a frame of our code
        EXPECT_FALSE(invalid || ours) << r;
    }
}

} // namespace
