// SPDX-License-Identifier: MIT
// The camera director: the automatic switch, the move cycle of each camera
// program, and the freezing of the programs that are not active.
#include "anim.h"
#include "fixture.h"
#include "world.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{

void steps(int n)
{
    for (int i = 0; i < n; i++)
        calcme();
}

bool samecam(const mycam &a, const mycam &b)
{
    // NOLINTNEXTLINE(bugprone-suspicious-memory-comparison): unchanged means byte for byte
    return memcmp(&a, &b, sizeof a) == 0;
}

bool within(GLfloat v, double lo, double hi)
{
    return v >= GLfloat(lo) && v <= GLfloat(hi);
}

TEST(Switch, FiresOnThe101stStepAndNotAt4000)
{
    fixture::generate(7);
    steps(100);
    EXPECT_EQ(fxcounter, 4000);
    EXPECT_EQ(whichcam, 0);
    EXPECT_EQ(fixture::randcalls, 0);
    fixture::queue({1, 299}); // program 1, then its counter
    steps(1);
    EXPECT_EQ(fixture::randcalls, 2);
    EXPECT_EQ(whichcam, 1);
    EXPECT_EQ(fx, 1);
    EXPECT_EQ(fxcounter, 1299);
    // The program just drawn takes its first step in the same call.
    EXPECT_EQ(mycamz[1].camcounter, 1);
    EXPECT_EQ(mycamz[1].xcam, 586);
}

TEST(Switch, DrawsProgram0Or1WithTheirNextSwitchCounters)
{
    fixture::generate(8);
    int drawn[3] = {};
    for (int i = 0; i < 1000; i++) {
        whichcam = 2; // as if key 3 had been pressed
        fxcounter = 4000;
        calcme();
        ASSERT_TRUE(whichcam == 0 || whichcam == 1) << whichcam;
        ASSERT_EQ(fx, whichcam);
        ASSERT_GE(fxcounter, 1000);
        ASSERT_LE(fxcounter, whichcam == 0 ? 1799 : 1299);
        drawn[whichcam]++;
    }
    EXPECT_GT(drawn[0], 400);
    EXPECT_GT(drawn[1], 400);
}

TEST(FlyOver, DescendsTo1250In253StepsAndDrawsANewTargetOnThe254th)
{
    fixture::generate(11);
    fxcounter = 0; // no switch in this test
    const mycam &c = mycamz[0];
    steps(1);
    EXPECT_EQ(c.xcam, 0);
    EXPECT_NEAR(c.ycam, 3989.13, 0.005);
    EXPECT_EQ(c.zcam, 0);
    steps(140);
    EXPECT_EQ(c.lookcounter, 141); // equal to the length: the move goes on
    EXPECT_EQ(fixture::randcalls, 0);
    steps(1);
    EXPECT_EQ(c.lookcounter, 0);
    EXPECT_EQ(fixture::randcalls, 3);
    EXPECT_TRUE(c.xlook == 0 && c.ylook == 0 && c.zlook == 0); // the first target: the origin
    steps(111);
    EXPECT_EQ(c.camcounter, 253);
    EXPECT_FLOAT_EQ(c.ycam, 1250);
    EXPECT_EQ(fixture::randcalls, 3);
    steps(1);
    EXPECT_EQ(c.camcounter, 0);
    EXPECT_EQ(fixture::randcalls, 6);
    EXPECT_TRUE(c.xcam == 0 && c.ycam == 1250 && c.zcam == 0);
    EXPECT_TRUE(c.xcamoldpos == 0 && c.ycamoldpos == 1250 && c.zcamoldpos == 0);
}

// A newly drawn target lies in its program's box, the street eye stays at
// x 586 and height 7, a new move starts from where the last one ended, and
// moves restart every length + 1 steps, so a long run makes a known number
// of draws.
TEST(Programs, DrawTargetsInTheirBoxesAndRestartEveryLengthPlusOneSteps)
{
    const int n = 20000;
    const long draws[3] = {
        3 * (n / 254) + 3 * (n / 142), // eye and look targets of three draws each
        1 * (n / 121) + 3 * (n / 102), // eye z, then three look draws
        1 * (n / 121),                 // eye z; the look point is fixed
    };
    for (int p = 0; p < 3; p++) {
        fixture::generate(100 + p);
        whichcam = p;
        const mycam &c = mycamz[p];
        for (int i = 1; i <= n; i++) {
            fxcounter = 0;
            const mycam before = c;
            calcme();
            // A new move starts where the last one arrived: the point rests.
            bool eye = c.camcounter != 0 ||
                       (c.xcam == before.xcam && c.ycam == before.ycam && c.zcam == before.zcam);
            bool look = c.lookcounter != 0 || (c.xlook == before.xlook && c.ylook == before.ylook &&
                                               c.zlook == before.zlook);
            if (p == 0 && c.camcounter == 0)
                eye = eye && within(c.xcampos, -10000 / 7.0, 9999 / 7.0) &&
                      within(c.ycampos, 50, 13999 / 7.0 + 50) &&
                      within(c.zcampos, -10000 / 7.0, 9999 / 7.0);
            if (p == 0 && c.lookcounter == 0)
                look = look && within(c.xlookpos, -12.5, 12.4875) &&
                       within(c.ylookpos, 150, 169.99) && within(c.zlookpos, -12.5, 12.4875);
            if (p > 0)
                eye = eye && c.xcam == 586 && c.ycam == 7 && within(c.zcampos, -100, 99.9);
            if (p == 1 && c.lookcounter == 0)
                look = look && within(c.xlookpos, 487, 686.9) && within(c.ylookpos, 4, 203.9) &&
                       within(c.zlookpos, -100, 99.9);
            if (p == 2 && i > 101 + 102) // the second look move has reached the fixed point
                look = look && c.xlook == 587 && c.ylook == 4 && c.zlook == 0;
            ASSERT_TRUE(eye && look) << "program " << p << " step " << i;
        }
        EXPECT_EQ(fixture::randcalls, draws[p]) << "program " << p;
    }
}

TEST(Director, OnlyTheActiveProgramMovesAndAChosenOneResumesOnTheSameStep)
{
    fixture::generate(3);
    fxcounter = 0; // no switch in this test
    steps(50);
    const mycam program0 = mycamz[0];
    const mycam program2 = mycamz[2];
    whichcam = 1;
    steps(3000);
    EXPECT_TRUE(samecam(mycamz[0], program0));
    EXPECT_TRUE(samecam(mycamz[2], program2));

    whichcam = 2;
    steps(1);
    EXPECT_EQ(mycamz[2].camcounter, 1);
    EXPECT_EQ(mycamz[2].xcam, 586);

    whichcam = 0;
    steps(1);
    const mycam resumed = mycamz[0];
    fixture::generate(3); // the same program 0 without the interruption
    fxcounter = 0;
    steps(51);
    EXPECT_TRUE(samecam(resumed, mycamz[0]));
}

} // namespace
