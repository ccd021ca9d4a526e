// SPDX-License-Identifier: MIT
// The frame-rate benchmark's tools: the swap counter preloaded into the bare
// drawing loop, run for a short window on the offscreen driver.
#include "process.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

using namespace testsupport;

namespace
{

TEST(SwapCount, MeasuresTheBareLoopWhichStopsOnSigterm)
{
    const std::string out = std::string(P_tmpdir) + "/swapcount-" + std::to_string(getpid());
    unlink(out.c_str());
    // In the sanitizer build the preloaded counter comes before the sanitizer
    // runtime in the library list; for a library that only counts, that is fine.
    const char *options = getenv("ASAN_OPTIONS");
    const std::string asan = std::string(options ? options : "") + ":verify_asan_link_order=0";
    Child loop = spawn({BARELOOP}, {{"SDL_VIDEODRIVER", "offscreen"},
                                    {"ASAN_OPTIONS", asan.c_str()},
                                    {"LD_PRELOAD", SWAPCOUNT},
                                    {"SWAPCOUNT_OUT", out.c_str()},
                                    {"SWAPCOUNT_SKIP", "5"},
                                    {"SWAPCOUNT_SECONDS", "1"}});
    for (int i = 0; i < 600 && access(out.c_str(), F_OK) != 0; i++)
        usleep(50000);
    kill(loop.pid, SIGTERM);
    int status = waitfor(loop, 10);
    killchild(loop);
    ASSERT_NE(status, -1) << "still running after SIGTERM";
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << stderrof(loop);

    std::ifstream in(out);
    long frames = 0;
    double seconds = 0;
    double outside = -1;
    ASSERT_TRUE(in >> frames >> seconds >> outside) << "no result in " << out;
    unlink(out.c_str());
    EXPECT_GE(seconds, 1.0);
    EXPECT_LT(seconds, 3.0);
    EXPECT_GT(frames, 0);
    EXPECT_LE(frames / seconds, 1000.0 / 6) << "faster than the 6 ms pause before each swap allows";
    EXPECT_GE(outside, 0.0);
    EXPECT_LT(outside, 0.1 * seconds) << "the bare loop does nothing but draw";
}

// The moving picture of the README is made this way (scripts/picture): the
// frames named, each as drawn, and no more.
TEST(SwapCount, WritesTheSeriesOfFramesAsDrawn)
{
    char folder[] = P_tmpdir "/swapseries-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    auto frame = [&](int n) {
        char name[32];
        snprintf(name, sizeof name, "/frame-%04d.ppm", n);
        return std::string(folder) + name;
    };
    const char *options = getenv("ASAN_OPTIONS");
    const std::string asan = std::string(options ? options : "") + ":verify_asan_link_order=0";
    // The measurement ends at swap 231, after the fourth frame would have come (210).
    const std::string out = std::string(folder) + "/count";
    const std::string series = std::string("150 20 3 ") + folder;
    Child loop = spawn({BARELOOP}, {{"SDL_VIDEODRIVER", "offscreen"},
                                    {"ASAN_OPTIONS", asan.c_str()},
                                    {"LD_PRELOAD", SWAPCOUNT},
                                    {"SWAPCOUNT_CLOCK", "1000000"},
                                    {"SWAPCOUNT_SERIES", series.c_str()},
                                    {"SWAPCOUNT_OUT", out.c_str()},
                                    {"SWAPCOUNT_SKIP", "230"},
                                    {"SWAPCOUNT_SECONDS", "0"}});
    for (int i = 0; i < 1200 && access(out.c_str(), F_OK) != 0; i++)
        usleep(50000);
    kill(loop.pid, SIGTERM);
    waitfor(loop, 10);
    killchild(loop);
    EXPECT_EQ(access(out.c_str(), F_OK), 0) << "the loop never reached swap 231";
    unlink(out.c_str());

    Picture frames[3];
    for (int n = 1; n <= 3; n++) {
        frames[n - 1] = readppm(frame(n));
        EXPECT_EQ(frames[n - 1].width, 800) << frame(n) << stderrof(loop);
        EXPECT_EQ(frames[n - 1].height, 600) << frame(n);
        unlink(frame(n).c_str());
    }
    EXPECT_NE(frames[0].rgb, frames[1].rgb) << "frames 150 and 170 show the same";
    EXPECT_NE(frames[1].rgb, frames[2].rgb) << "frames 170 and 190 show the same";
    EXPECT_NE(access(frame(4).c_str(), F_OK), 0) << "a fourth frame";
    unlink(frame(4).c_str());
    rmdir(folder);
}

} // namespace
