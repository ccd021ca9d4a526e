// SPDX-License-Identifier: MIT
// World generation: the draws it makes, the values it stores, and the meshes
// it builds from them.
#include "fixture.h"
#include "world.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace
{

// One kind of record, with the bounds of each field in declaration order.
// Beams come as two kinds: long along z (choice 1) and long along x (choice 0).
struct Kind {
    const char *name;
    int count;
    std::vector<int> top;            // the largest value of each draw, in call order
    int choice;                      // which draw picks a beam's shape, or -1
    std::vector<float> lo, hi, step; // every field lies in lo..hi on lo + n × step
    std::vector<float> (*record)(int i);
};

template <typename R> std::vector<float> fieldsof(const R &r)
{
    std::vector<float> f(sizeof r / sizeof(float));
    memcpy(f.data(), &r, sizeof r);
    return f;
}

const float third = 1.0f / 3, sixtyfourth = 1.0f / 64;
const Kind clouds = {"cloud sheet",
                     1200,
                     {5999, 17999, 7999, 599, 2599, 2599},
                     -1,
                     {-6000, 30, -8000, 0.4f, 152.5f, 152.5f},
                     {5998, 929.95f, 7998, 9.759375f, 1018.8334f, 1018.8334f},
                     {2, 0.05f, 2, sixtyfourth, third, third},
                     [](int i) { return fieldsof(cloudz[i]); }};
const Kind tiles = {"ground tile",
                    600,
                    {7999, 9999, 2599, 2599, 49, 4},
                    -1,
                    {-8000, 0, -15000, 24, 25.5f, 25.5f, 0, 0, 0},
                    {7998, 0, 14997, 24, 1325, 1325, 0.49f, 0.04f, 0.04f},
                    {2, 1, 3, 1, 0.5f, 0.5f, 0.01f, 0.01f, 0.01f},
                    [](int i) { return fieldsof(floorz[i]); }};
const Kind standing = {"standing building",
                       2000,
                       {39, 119, 59, 259, 799, 19399, 1199, 4, 49},
                       -1,
                       {-4460, 0, -10330, 24, 2.5f, 2.5f, 2.5f, 0, 0, 0},
                       {4239, 0, 9989, 24, 82.4f, 1942.4f, 122.4f, 0.04f, 0.49f, 0.49f},
                       {1, 1, 1, 1, 0.1f, 0.1f, 0.1f, 0.01f, 0.01f, 0.01f},
                       [](int i) { return fieldsof(cityz[i]); }};
const Kind alongz = {"beam along z",
                     1000,
                     {39, 119, 17999, 59, 259, 1, 799, 399, 19199, 4, 49},
                     5,
                     {-4460, 30, -10330, 24, 2.5f, 2.5f, 20.5f, 0, 0, 0},
                     {4239, 929.95f, 9989, 24, 82.4f, 42.4f, 1940.4f, 0.04f, 0.49f, 0.49f},
                     {1, 0.05f, 1, 1, 0.1f, 0.1f, 0.1f, 0.01f, 0.01f, 0.01f},
                     [](int i) { return fieldsof(cityz[2000 + i]); }};
const Kind alongx = {"beam along x",
                     1000,
                     {39, 119, 17999, 59, 259, 0, 19799, 399, 799, 4, 49},
                     5,
                     {-4460, 30, -10330, 24, 20.5f, 2.5f, 2.5f, 0, 0, 0},
                     {4239, 929.95f, 9989, 24, 2000.4f, 42.4f, 82.4f, 0.04f, 0.49f, 0.49f},
                     {1, 0.05f, 1, 1, 0.1f, 0.1f, 0.1f, 0.01f, 0.01f, 0.01f},
                     [](int i) { return fieldsof(cityz[3000 + i]); }};
// In the order world generation draws them.
const Kind *const kinds[] = {&clouds, &tiles, &standing, &alongz, &alongx};

// The first field of the record that is out of its kind's bounds or off its
// steps, or -1.
int badfield(const Kind &k, const std::vector<float> &f)
{
    for (size_t j = 0; j < f.size(); j++) {
        double n = (f[j] - k.lo[j]) / k.step[j];
        if (f[j] < k.lo[j] || f[j] > k.hi[j] || std::abs(n - std::round(n)) > 0.01)
            return int(j);
    }
    return -1;
}

// A world whose every draw is its smallest value (or its largest), apart
// from the beams' choice of shape, which keeps to the kind.
void generateextreme(bool largest)
{
    std::vector<int> draws;
    for (const Kind *k : kinds)
        for (int i = 0; i < k->count; i++)
            for (int j = 0; j < int(k->top.size()); j++)
                draws.push_back(largest || j == k->choice ? k->top[j] : 0);
    fixture::reset();
    fixture::script = [draws](long call) { return call < long(draws.size()) ? draws[call] : 0; };
    initme();
    EXPECT_EQ(fixture::randcalls, 50800);
}

TEST(Generation, DrawsExactly50800ValuesAfterSeedingFromTheClock)
{
    fixture::reset();
    fixture::setclock(1700000000);
    initme();
    EXPECT_EQ(fixture::timecalls, 1);
    EXPECT_EQ(fixture::seeded, 1700000000u);
    EXPECT_EQ(fixture::randcalls, 50800);
}

TEST(Generation, TheSameClockGivesTheSameWorldByteForByte)
{
    fixture::generate(1700000000);
    std::vector<unsigned char> first = fixture::worldbytes();
    fixture::generate(1700000000);
    EXPECT_TRUE(fixture::worldbytes() == first);
    fixture::generate(1700000001);
    EXPECT_FALSE(fixture::worldbytes() == first);
}

TEST(Generation, ExtremeDrawsGiveEachFieldItsBound)
{
    for (bool largest : {false, true}) {
        generateextreme(largest);
        for (const Kind *k : kinds)
            for (int i = 0; i < k->count; i++) {
                std::vector<float> f = k->record(i);
                const std::vector<float> &bound = largest ? k->hi : k->lo;
                for (size_t j = 0; j < f.size(); j++)
                    ASSERT_FLOAT_EQ(f[j], bound[j])
                        << k->name << " " << i << " field " << j << (largest ? " top" : " bottom");
            }
    }
}

TEST(Generation, RandomWorldsKeepEveryFieldInRangeAndOnItsSteps)
{
    for (time_t clock : {1, 2, 1700000000}) {
        fixture::generate(clock);
        int longz = 0;
        int longx = 0;
        for (const Kind *k : {&clouds, &tiles, &standing})
            for (int i = 0; i < k->count; i++)
                ASSERT_EQ(badfield(*k, k->record(i)), -1) << k->name << " " << i;
        for (int i = 0; i < 2000; i++) {
            std::vector<float> f = alongz.record(i);
            ASSERT_TRUE(badfield(alongz, f) == -1 || badfield(alongx, f) == -1)
                << "beam " << i << " has neither shape";
            longz += cityz[2000 + i].dpos > 82.4f;
            longx += cityz[2000 + i].wpos > 82.4f;
        }
        // Both shapes come up, each about half the time.
        EXPECT_GT(longz, 800);
        EXPECT_GT(longx, 800);
        for (const city &c : cityz)
            ASSERT_EQ(c.b, c.g);
        for (const struct floor &f : floorz)
            ASSERT_EQ(f.b, f.g);
    }
}

TEST(Generation, CornersColoursAndIndexesFollowTheRecords)
{
    fixture::generate(42);
    EXPECT_EQ(fixture::meshfault(), "");
}

TEST(Generation, CameraProgramsStartAtRestWithTheirMoveLengths)
{
    fixture::generate(42);
    mycam expected[3] = {};
    expected[0].camtime = 253;
    expected[0].looktime = 141;
    expected[0].ycampos = 1250;
    expected[0].ycamoldpos = 4000;
    for (int i : {1, 2}) {
        expected[i].camtime = 120;
        expected[i].looktime = 101;
    }
    for (int i = 0; i < 3; i++)
        // NOLINTNEXTLINE(bugprone-suspicious-memory-comparison): bytes on purpose
        EXPECT_EQ(memcmp(&mycamz[i], &expected[i], sizeof(mycam)), 0) << "program " << i;
}

} // namespace
