// SPDX-License-Identifier: MIT
// The world's storage: layouts that OpenGL and the other subsystems rely on,
// and the state the program starts in.
#include "fixture.h"
#include "world.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <vector>

namespace
{

// The state as the program loads, taken before any test can change it.
struct Start {
    bool zero;
    int whichcam, fxcounter, fx;
    const SDL_Surface *surface;
};
const Start atload = [] {
    std::vector<unsigned char> bytes = fixture::worldbytes();
    bool zero = true;
    for (unsigned char b : bytes)
        zero = zero && b == 0;
    return Start{zero, whichcam, fxcounter, fx, surface};
}();

TEST(DataModel, StartsZeroWithTheInitialScalars)
{
    EXPECT_TRUE(atload.zero);
    EXPECT_EQ(atload.whichcam, 0);
    EXPECT_EQ(atload.fxcounter, 3900);
    EXPECT_EQ(atload.fx, 0);
    EXPECT_EQ(atload.surface, nullptr);
}

TEST(DataModel, FieldsLieWhereOpenGLAndTheRecordsExpectThem)
{
    struct {
        const char *what;
        size_t actual, expected;
    } const layout[] = {
        {"Vertex3::y", offsetof(Vertex3, y), 4},
        {"Vertex3::z", offsetof(Vertex3, z), 8},
        {"mycam::xcamoldpos", offsetof(mycam, xcamoldpos), 12},
        {"mycam::xcam", offsetof(mycam, xcam), 24},
        {"mycam::xlookpos", offsetof(mycam, xlookpos), 36},
        {"mycam::xlookoldpos", offsetof(mycam, xlookoldpos), 48},
        {"mycam::zlook", offsetof(mycam, zlook), 68},
        {"mycam::camcounter", offsetof(mycam, camcounter), 72},
        {"mycam::looktime", offsetof(mycam, looktime), 84},
        {"city::speed", offsetof(city, speed), 12},
        {"city::dpos", offsetof(city, dpos), 24},
        {"city::r", offsetof(city, r), 28},
        {"cloud::speed", offsetof(cloud, speed), 12},
        {"cloud::hpos", offsetof(cloud, hpos), 20},
        {"floor::hpos", offsetof(struct floor, hpos), 20},
        {"floor::b", offsetof(struct floor, b), 32},
        // Arrays of corners are handed over with stride 0: 12 bytes each.
        {"city_verts", sizeof city_verts, 12 * 32000},
        {"city_colors", sizeof city_colors, 12 * 32000},
        {"cloud_verts", sizeof cloud_verts, 12 * 4801},
        {"floor_verts", sizeof floor_verts, 12 * 2401},
        {"floor_colors", sizeof floor_colors, 12 * 2401},
        {"city_indexes", sizeof city_indexes, 4 * 96000},
        {"cloud_indexes", sizeof cloud_indexes, 4 * 4801},
        {"floor_indexes", sizeof floor_indexes, 4 * 2401},
        {"mycamz", sizeof mycamz / sizeof *mycamz, 3},
        {"cityz", sizeof cityz / sizeof *cityz, 4000},
        {"cloudz", sizeof cloudz / sizeof *cloudz, 1200},
        {"floorz", sizeof floorz / sizeof *floorz, 600},
    };
    for (const auto &l : layout)
        EXPECT_EQ(l.actual, l.expected) << l.what;
}

} // namespace
