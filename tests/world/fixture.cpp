// SPDX-License-Identifier: MIT
#include "fixture.h"

#include "world.h"

#include <cstdlib>
#include <cstring>
#include <random>
#include <sstream>

namespace fixture
{

long randcalls = 0;
unsigned seeded = 0;
std::function<int(long)> script;
// The draws behind rand() when no script is set: the same sequence for a seed
// whatever the C library, each in 0 ... 2^31 - 1 as glibc's rand() gives.
static std::mt19937 engine;
static int draw()
{
    return static_cast<int>(engine() >> 1);
}

void reset()
{
    clearworld();
    randcalls = 0;
    timecalls = 0;
    script = nullptr;
}

void queue(std::vector<int> values)
{
    long first = randcalls;
    script = [first, values = std::move(values)](long call) {
        size_t k = call - first;
        return k < values.size() ? values[k] : draw();
    };
}

void generate(time_t clock)
{
    reset();
    setclock(clock);
    initme();
    randcalls = 0;
    timecalls = 0;
}

// Which corners of a block add the record's extent along x, y and z.
constexpr GLfloat boxx[8] = {0, 1, 1, 0, 0, 1, 1, 0};
constexpr GLfloat boxy[8] = {0, 0, 1, 1, 0, 0, 1, 1};
constexpr GLfloat boxz[8] = {0, 0, 0, 0, 1, 1, 1, 1};
constexpr GLfloat sheetx[4] = {0, 1, 1, 0};
constexpr GLfloat sheetz[4] = {0, 0, 1, 1};
// A box's six quads: near face, +x side, far face, -x side, bottom, top.
constexpr GLuint boxquads[24] = {0, 1, 2, 3, 1, 5, 6, 2, 5, 6, 7, 4,
                                 0, 3, 7, 4, 0, 4, 5, 1, 3, 2, 6, 7};

static bool same(const Vertex3 &a, const Vertex3 &b)
{
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

static std::ostream &operator<<(std::ostream &out, const Vertex3 &v)
{
    return out << "(" << v.x << ", " << v.y << ", " << v.z << ")";
}

template <typename T> static bool zero(const T &element)
{
    static const unsigned char none[sizeof element] = {};
    // NOLINTNEXTLINE(bugprone-suspicious-memory-comparison): every byte zero is the point
    return memcmp(&element, none, sizeof element) == 0;
}

std::string meshfault()
{
    std::ostringstream out;
    auto corner = [&](const char *array, int block, int k, const Vertex3 &is,
                      const Vertex3 &expected) {
        if (!same(is, expected))
            out << array << " block " << block << " corner " << k << " is " << is << ", not "
                << expected;
        return out.tellp() == 0;
    };
    auto index = [&](const char *array, int k, GLuint is, GLuint expected) {
        if (is != expected)
            out << array << "[" << k << "] is " << is << ", not " << expected;
        return out.tellp() == 0;
    };
    for (int i = 0; i < cloudcount; i++) {
        const cloud &c = cloudz[i];
        for (int k = 0; k < 4; k++)
            if (!corner("cloud_verts", i, k, cloud_verts[4 * i + k],
                        {c.xpos + sheetx[k] * c.wpos, c.ypos, c.zpos + sheetz[k] * c.hpos}))
                return out.str();
    }
    for (int i = 0; i < floorcount; i++) {
        const struct floor &f = floorz[i];
        for (int k = 0; k < 4; k++)
            if (!corner("floor_verts", i, k, floor_verts[4 * i + k],
                        {f.xpos + sheetx[k] * f.wpos, f.ypos, f.zpos + sheetz[k] * f.hpos}) ||
                !corner("floor_colors", i, k, floor_colors[4 * i + k], {f.r, f.g, f.b}))
                return out.str();
    }
    for (int i = 0; i < citycount; i++) {
        const city &c = cityz[i];
        for (int k = 0; k < 8; k++)
            if (!corner("city_verts", i, k, city_verts[8 * i + k],
                        {c.xpos + boxx[k] * c.wpos, c.ypos + boxy[k] * c.hpos,
                         c.zpos + boxz[k] * c.dpos}) ||
                !corner("city_colors", i, k, city_colors[8 * i + k], {c.r, c.g, c.b}))
                return out.str();
        for (int k = 0; k < 24; k++)
            if (!index("city_indexes", 24 * i + k, city_indexes[24 * i + k], 8 * i + boxquads[k]))
                return out.str();
    }
    for (int k = 0; k < cloud_vertcount; k++)
        if (!index("cloud_indexes", k, cloud_indexes[k], k))
            return out.str();
    for (int k = 0; k < floor_vertcount; k++)
        if (!index("floor_indexes", k, floor_indexes[k], k))
            return out.str();
    if (!zero(cloud_verts[4800]) || !zero(cloud_indexes[4800]) || !zero(floor_verts[2400]) ||
        !zero(floor_colors[2400]) || !zero(floor_indexes[2400]))
        return "a spare element is not zero";
    return "";
}

} // namespace fixture

// These replace the C library's functions for the whole test executable, so
// the world's own calls land here.
extern "C" int rand() noexcept
{
    long call = fixture::randcalls++;
    if (fixture::script)
        return fixture::script(call);
    return fixture::draw();
}

extern "C" void srand(unsigned seed) noexcept
{
    fixture::seeded = seed;
    fixture::engine.seed(seed);
}
