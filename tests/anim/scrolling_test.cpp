// Scenery scrolling: records drift toward -z and flip to the mirrored value
// past their wrap limit, their corners follow, and nothing else changes.
#include "anim.h"
#include "fixture.h"
#include "world.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace
{

// One record seen from the scrolling: its position, speed and z extent, and
// its corner block, whose first half lies on the near side.
struct Block {
    GLfloat &zpos, &speed, &extent;
    Vertex3 *corners;
    int count;
};

Block cloudblock(int i)
{
    return {cloudz[i].zpos, cloudz[i].speed, cloudz[i].hpos, &cloud_verts[4 * i], 4};
}
Block cityblock(int i)
{
    return {cityz[i].zpos, cityz[i].speed, cityz[i].dpos, &city_verts[8 * i], 8};
}
Block floorblock(int i)
{
    return {floorz[i].zpos, floorz[i].speed, floorz[i].hpos, &floor_verts[4 * i], 4};
}

TEST(Scrolling, FlipsOnlyStrictlyBelowTheLimitToTheNewValueNegated)
{
    const struct {
        const char *what;
        Block (*block)(int);
        float start, speed;
        std::vector<float> after; // zpos after each step
    } cases[] = {
        {"cloud sheet", cloudblock, -2899, 1, {-2900, 2901}},
        {"building", cityblock, -7890, 24, {7914}},
        {"ground tile", floorblock, -5876, 24, {-5900, 5924}},
        {"far ground tile", floorblock, -15000, 24, {15024}},
    };
    for (const auto &c : cases) {
        fixture::generate(1);
        Block b = c.block(17); // refers into the world's arrays
        // cppcheck-suppress danglingTemporaryLifetime
        b.zpos = c.start;
        b.speed = c.speed;
        for (float z : c.after) {
            calcme();
            ASSERT_EQ(b.zpos, z) << c.what;
            for (int k = 0; k < b.count; k++)
                ASSERT_EQ(b.corners[k].z, k < b.count / 2 ? z : z + b.extent)
                    << c.what << " corner " << k;
        }
    }
}

// Copies of the records with zpos taken from the live ones, so a comparison
// shows any change to another field.
template <typename R, size_t N> std::vector<R> withlivez(const std::vector<R> &saved, R (&live)[N])
{
    std::vector<R> r = saved;
    for (size_t i = 0; i < N; i++)
        r[i].zpos = live[i].zpos;
    return r;
}

template <typename R, size_t N> bool unchanged(const std::vector<R> &saved, R (&live)[N])
{
    // NOLINTNEXTLINE(bugprone-suspicious-memory-comparison): unchanged means byte for byte
    return memcmp(withlivez(saved, live).data(), live, sizeof live) == 0;
}

template <typename R, size_t N> int outofband(R (&records)[N], float limit)
{
    int out = 0;
    for (const R &r : records)
        out += (r.zpos < limit) || (r.zpos > -limit + r.speed);
    return out;
}

TEST(Scrolling, ALongRunKeepsRecordsInTheirBandsAndCornersOnTheirRecords)
{
    fixture::generate(2024);
    const std::vector<cloud> clouds(cloudz, cloudz + cloudcount);
    const std::vector<city> cities(cityz, cityz + citycount);
    const std::vector<struct floor> floors(floorz, floorz + floorcount);
    long mostdraws = 0;
    for (int i = 0; i < 100000; i++) {
        long before = fixture::randcalls;
        calcme();
        mostdraws = std::max(mostdraws, fixture::randcalls - before);
    }
    EXPECT_LE(mostdraws, 8);
    EXPECT_EQ(outofband(cloudz, cloudwrap), 0);
    EXPECT_EQ(outofband(cityz, citywrap), 0);
    EXPECT_EQ(outofband(floorz, floorwrap), 0);
    EXPECT_TRUE(unchanged(clouds, cloudz));
    EXPECT_TRUE(unchanged(cities, cityz));
    EXPECT_TRUE(unchanged(floors, floorz));
    EXPECT_EQ(fixture::meshfault(), "");
}

} // namespace
