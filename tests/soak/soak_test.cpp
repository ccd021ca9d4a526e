// SPDX-License-Identifier: MIT
// Long runs: ten million animation steps, and the real program for ten
// minutes. Nothing may drift, grow or break down over time.
#include "anim.h"
#include "fixture.h"
#include "process.h"
#include "scenery.h"
#include "world.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using namespace testsupport;

namespace
{

// Where a camera program's eye and view point may ever be: the boxes its
// targets are drawn from, widened to take in where it starts.
struct Box {
    float lo[3], hi[3];
};
const Box eyes[3] = {{{-10000.0f / 7, 50, -10000.0f / 7}, {9999.0f / 7, 4000, 9999.0f / 7}},
                     {{586, 7, -100}, {586, 7, 99.9f}},
                     {{586, 7, -100}, {586, 7, 99.9f}}};
// Programs 1 and 2 move the eye along z only: its x and y are set outright,
// and the x and y of its start and target keep their starting 0.
const Box eyemoves[3] = {eyes[0], {{0, 0, -100}, {0, 0, 99.9f}}, {{0, 0, -100}, {0, 0, 99.9f}}};
const Box looks[3] = {{{-12.5f, 0, -12.5f}, {12.4875f, 169.99f, 12.4875f}},
                      {{0, 0, -100}, {686.9f, 203.9f, 99.9f}},
                      {{0, 0, 0}, {587, 4, 0}}};

// Whether a point lies in the box (which a NaN or an infinity never does).
bool inside(const Box &b, float x, float y, float z)
{
    const float p[3] = {x, y, z};
    for (int a = 0; a < 3; a++)
        if (!(p[a] >= b.lo[a] - 1e-3f && p[a] <= b.hi[a] + 1e-3f))
            return false;
    return true;
}

// The first camera program with a point, start, target or counter out of
// place, or -1.
int strayprogram()
{
    for (int i = 0; i < camcount; i++) {
        const mycam &c = mycamz[i];
        bool ok = inside(eyes[i], c.xcam, c.ycam, c.zcam) &&
                  inside(eyemoves[i], c.xcampos, c.ycampos, c.zcampos) &&
                  inside(eyemoves[i], c.xcamoldpos, c.ycamoldpos, c.zcamoldpos) &&
                  inside(looks[i], c.xlook, c.ylook, c.zlook) &&
                  inside(looks[i], c.xlookpos, c.ylookpos, c.zlookpos) &&
                  inside(looks[i], c.xlookoldpos, c.ylookoldpos, c.zlookoldpos) &&
                  c.camcounter >= 0 && c.camcounter <= c.camtime && c.lookcounter >= 0 &&
                  c.lookcounter <= c.looktime;
        if (!ok)
            return i;
    }
    return -1;
}

TEST(Soak, TenMillionStepsKeepTheWorldInShape)
{
    fixture::generate(1234);
    const std::vector<cloud> clouds(cloudz, cloudz + cloudcount);
    const std::vector<city> cities(cityz, cityz + citycount);
    const std::vector<struct floor> floors(floorz, floorz + floorcount);
    const int lengths[3][2] = {{253, 141}, {120, 101}, {120, 101}};
    for (int million = 1; million <= 10; million++) {
        for (int i = 0; i < 1000000; i++) {
            // A key press now and then, so that every program runs for long.
            if (i % 250000 == 0)
                whichcam = (million + i / 250000) % 3;
            calcme();
        }
        SCOPED_TRACE("after " + std::to_string(million) + " million steps");
        ASSERT_EQ(scenery::outofband(cloudz, cloudwrap), 0);
        ASSERT_EQ(scenery::outofband(cityz, citywrap), 0);
        ASSERT_EQ(scenery::outofband(floorz, floorwrap), 0);
        ASSERT_TRUE(scenery::unchanged(clouds, cloudz));
        ASSERT_TRUE(scenery::unchanged(cities, cityz));
        ASSERT_TRUE(scenery::unchanged(floors, floorz));
        ASSERT_EQ(fixture::meshfault(), "");
        ASSERT_EQ(strayprogram(), -1);
        for (int p = 0; p < camcount; p++) {
            ASSERT_EQ(mycamz[p].camtime, lengths[p][0]);
            ASSERT_EQ(mycamz[p].looktime, lengths[p][1]);
        }
        ASSERT_TRUE(whichcam >= 0 && whichcam <= 2);
        ASSERT_TRUE(fxcounter >= 1000 && fxcounter <= 4000);
    }
}

// Resident memory of a process, in kB.
long residentkb(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

TEST(Soak, TenMinutesOnADisplayDoNotGrowTheProgram)
{
    XServer x;
    Child demo =
        spawn({flyoverpath()}, {{"DISPLAY", x.display().c_str()}, {"SDL_VIDEODRIVER", "x11"}});
    sleep(10);
    long early = residentkb(demo.pid);
    ASSERT_GT(early, 0) << "not running after 10 s: " << stderrof(demo);
    sleep(590);
    long late = residentkb(demo.pid);
    ASSERT_GT(late, 0) << "not running after 10 min: " << stderrof(demo);
    std::cout << "resident memory: " << early << " kB after 10 s, " << late << " kB after 10 min\n";
    RecordProperty("rss_10s_kb", std::to_string(early));
    RecordProperty("rss_10min_kb", std::to_string(late));
    EXPECT_LE(late, early + early / 100);
    ASSERT_EQ(runon(x.display(), {"xdotool", "key", "Escape"}), 0);
    int status = waitfor(demo, 5.0);
    ASSERT_NE(status, -1) << "still running after Escape";
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

} // namespace
