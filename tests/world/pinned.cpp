// SPDX-License-Identifier: MIT
// The parts of the world's test seams that leave rand() alone: the pinned
// clock and the world's storage. The world digest program links only these,
// so that it draws with the generator its edition links.
#include "fixture.h"

#include "world.h"

#include <cstdio>
#include <cstring>

namespace fixture
{

long timecalls = 0;
static time_t now = 0;

void setclock(time_t clock)
{
    now = clock;
}

// The world's storage, in one list so that clearing and snapshots miss nothing.
struct Span {
    const char *name;
    void *at;
    size_t size;
};
template <typename T, size_t N> constexpr Span span(const char *name, T (&array)[N])
{
    return {name, array, sizeof array};
}
static const Span storage[] = {
    span("mycamz", mycamz),
    span("cityz", cityz),
    span("city_verts", city_verts),
    span("city_colors", city_colors),
    span("city_indexes", city_indexes),
    span("cloudz", cloudz),
    span("cloud_verts", cloud_verts),
    span("cloud_indexes", cloud_indexes),
    span("floorz", floorz),
    span("floor_verts", floor_verts),
    span("floor_colors", floor_colors),
    span("floor_indexes", floor_indexes),
};

void clearworld()
{
    for (const Span &s : storage)
        memset(s.at, 0, s.size);
    whichcam = 0;
    fxcounter = 3900;
    fx = 0;
}

std::vector<unsigned char> worldbytes()
{
    std::vector<unsigned char> bytes;
    for (const Span &s : storage) {
        const auto *p = static_cast<const unsigned char *>(s.at);
        bytes.insert(bytes.end(), p, p + s.size);
    }
    return bytes;
}

// 64-bit FNV-1a: small, and the same on every edition.
static unsigned long long fnv(const void *at, size_t size,
                              unsigned long long hash = 0xcbf29ce484222325)
{
    const auto *p = static_cast<const unsigned char *>(at);
    for (size_t i = 0; i < size; i++)
        hash = (hash ^ p[i]) * 0x100000001b3;
    return hash;
}

std::string worlddigests()
{
    std::string lines;
    char line[80];
    for (const Span &s : storage) {
        snprintf(line, sizeof line, "%s %016llx\n", s.name, fnv(s.at, s.size));
        lines += line;
    }
    snprintf(line, sizeof line, "camera switch %d %d %d\n", whichcam, fxcounter, fx);
    lines += line;
    return lines;
}

} // namespace fixture

static time_t readclock(time_t *timer)
{
    fixture::timecalls++;
    if (timer)
        *timer = fixture::now;
    return fixture::now;
}

// The clock replaces the C library's for the whole executable, so the
// world's own call lands here.
#ifdef _WIN32
// MinGW's time() is an inline function that calls the runtime DLL's _time64
// through its import pointer; the pointer is what a test program replaces.
extern "C" {
// NOLINTNEXTLINE(bugprone-reserved-identifier): the import table's own name
time_t (*__imp__time64)(time_t *) = readclock;
}
#elif defined(__EMSCRIPTEN__)
// The browser's C library declares it without noexcept.
extern "C" time_t time(time_t *timer)
{
    return readclock(timer);
}
#else
// NOLINTNEXTLINE(readability-inconsistent-declaration-parameter-name)
extern "C" time_t time(time_t *timer) noexcept
{
    return readclock(timer);
}
#endif
