// SPDX-License-Identifier: MIT
// Scenery scrolling: records drift toward -z and flip to the mirrored value
// past their wrap limit, their corners follow, and nothing else changes.
#include "anim.h"
#include "fixture.h"
#include "scenery.h"
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
    EXPECT_EQ(scenery::outofband(cloudz, cloudwrap), 0);
    EXPECT_EQ(scenery::outofband(cityz, citywrap), 0);
    EXPECT_EQ(scenery::outofband(floorz, floorwrap), 0);
    EXPECT_TRUE(scenery::unchanged(clouds, cloudz));
    EXPECT_TRUE(scenery::unchanged(cities, cityz));
    EXPECT_TRUE(scenery::unchanged(floors, floorz));
    EXPECT_EQ(fixture::meshfault(), "");
}

} // namespace
