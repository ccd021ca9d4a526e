// SPDX-License-Identifier: MIT
// Counts the frames a program shows without changing the program: loaded
// with LD_PRELOAD, it stands in for SDL_GL_SwapBuffers and glClear, passes
// each call on, and notes the time. It can also pin the clock that time()
// reads, so that two processes build the same world from the same seed.
//
//   SWAPCOUNT_OUT      file that gets the result (nothing is measured without it)
//   SWAPCOUNT_SKIP     frames to let pass first, for start-up and warm-up (300)
//   SWAPCOUNT_SECONDS  length of the measurement (10)
//   SWAPCOUNT_CLOCK    what time() returns, in seconds (the real clock if unset)
//   SWAPCOUNT_FREEZE   the frame to hold on screen: later swaps are dropped,
//                      while the program runs on and takes its events
//   SWAPCOUNT_FRAME    file that gets that frame as drawn, before scaling, as
//                      a PPM picture; written at the first dropped swap, so
//                      that the frame has reached the screen by then
//   SWAPCOUNT_SERIES   "first step count folder": writes frames first,
//                      first + step, ... (count of them) as drawn, as PPM
//                      pictures folder/frame-0001.ppm and on, for a moving
//                      picture of the flight; the last one is written last
//
// At the end of the measurement it writes one line, "frames seconds outside":
// the frames swapped, the seconds they took, and the seconds spent between a
// swap's return and the next glClear, which is everything a loop turn does
// besides drawing (event handling and the animation step, in the program).
// The file is written under another name and renamed, so a reader that waits
// for it never sees half of it.
#include <dlfcn.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{

using GLbitfield = unsigned int;
using swapfn = void (*)();
using clearfn = void (*)(GLbitfield);
using timefn = time_t (*)(time_t *);
using getintfn = void (*)(unsigned int, int *);
using readfn = void (*)(int, int, int, int, unsigned int, unsigned int, void *);

double now()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

long envnumber(const char *name, long fallback)
{
    const char *value = getenv(name);
    return value ? atol(value) : fallback;
}

struct Measurement {
    const char *out = getenv("SWAPCOUNT_OUT");
    long skip = std::max(1L, envnumber("SWAPCOUNT_SKIP", 300));
    double seconds = double(envnumber("SWAPCOUNT_SECONDS", 10));
    long swaps = 0;      // since the start of the process
    double start = 0;    // of the measurement, at the return of swap `skip`
    double lastswap = 0; // return of the latest swap
    double outside = 0;  // seconds between swaps and the following clears
    bool done = false;
};

Measurement m;

// The frame held on screen, read back before its swap.
struct Freeze {
    long at = envnumber("SWAPCOUNT_FREEZE", 0);
    const char *out = getenv("SWAPCOUNT_FRAME");
    long swaps = 0;
    int viewport[4] = {};
    std::vector<unsigned char> rgb;
    bool written = false;
};

Freeze f;

void readframe()
{
    // OpenGL's names for them, from GL/gl.h, which this library does not include.
    constexpr unsigned int viewport = 0x0BA2;
    constexpr unsigned int rgb = 0x1907;
    constexpr unsigned int ubyte = 0x1401;
    constexpr unsigned int packalign = 0x0D05;
    static const getintfn getint = getintfn(dlsym(RTLD_DEFAULT, "glGetIntegerv"));
    static const readfn read = readfn(dlsym(RTLD_DEFAULT, "glReadPixels"));
    using pixelstorefn = void (*)(unsigned int, int);
    static const pixelstorefn store = pixelstorefn(dlsym(RTLD_DEFAULT, "glPixelStorei"));
    getint(viewport, f.viewport);
    f.rgb.resize(size_t(f.viewport[2]) * size_t(f.viewport[3]) * 3);
    store(packalign, 1);
    read(f.viewport[0], f.viewport[1], f.viewport[2], f.viewport[3], rgb, ubyte, f.rgb.data());
}

// A run of frames to write, read back before their swaps like the held one.
struct Series {
    long first = 0, step = 1, count = 0;
    char folder[4096] = {};
    long swaps = 0;
    long written = 0;
    Series()
    {
        const char *asked = getenv("SWAPCOUNT_SERIES");
        if (!asked || sscanf(asked, "%ld %ld %ld %4095s", &first, &step, &count, folder) != 4 ||
            first < 1 || step < 1)
            count = 0;
    }
};

Series s;

// OpenGL's rows run bottom to top, a picture's top to bottom.
void writeppm(const std::string &path)
{
    std::string tmp = path + ".tmp";
    FILE *out = fopen(tmp.c_str(), "wb");
    if (!out)
        return;
    const int w = f.viewport[2];
    const int h = f.viewport[3];
    fprintf(out, "P6\n%d %d\n255\n", w, h);
    for (int y = h - 1; y >= 0; y--)
        fwrite(f.rgb.data() + size_t(y) * size_t(w) * 3, 3, size_t(w), out);
    fclose(out);
    rename(tmp.c_str(), path.c_str());
}

void writeframe()
{
    f.written = true;
    writeppm(f.out);
}

void seriesframe()
{
    const long n = ++s.swaps - s.first;
    if (n < 0 || n % s.step != 0 || s.written >= s.count)
        return;
    char name[32];
    snprintf(name, sizeof name, "/frame-%04ld.ppm", ++s.written);
    readframe();
    writeppm(std::string(s.folder) + name);
}

void finish(double t)
{
    m.done = true;
    std::string tmp = std::string(m.out) + ".tmp";
    FILE *f = fopen(tmp.c_str(), "w");
    if (!f)
        return;
    fprintf(f, "%ld %.6f %.6f\n", m.swaps - m.skip, t - m.start, m.outside);
    fclose(f);
    rename(tmp.c_str(), m.out);
}

} // namespace

extern "C" void SDL_GL_SwapBuffers()
{
    static const swapfn real = swapfn(dlsym(RTLD_NEXT, "SDL_GL_SwapBuffers"));
    if (f.at > 0 && f.swaps >= f.at) {
        if (f.out && !f.written)
            writeframe();
        return;
    }
    if (f.at > 0 && ++f.swaps == f.at && f.out)
        readframe();
    if (s.count > 0)
        seriesframe();
    real();
    if (!m.out || m.done)
        return;
    double t = now();
    m.swaps++;
    if (m.swaps == m.skip)
        m.start = t;
    else if (m.swaps > m.skip && t - m.start >= m.seconds)
        finish(t);
    m.lastswap = t;
}

extern "C" void glClear(GLbitfield mask)
{
    static const clearfn real = clearfn(dlsym(RTLD_NEXT, "glClear"));
    if (m.out && !m.done && m.swaps >= m.skip)
        m.outside += now() - m.lastswap;
    real(mask);
}

// The C library's own parameter name is reserved to it.
// NOLINTNEXTLINE(readability-inconsistent-declaration-parameter-name)
extern "C" time_t time(time_t *out)
{
    static const timefn real = timefn(dlsym(RTLD_NEXT, "time"));
    const char *pinned = getenv("SWAPCOUNT_CLOCK");
    if (!pinned)
        return real(out);
    time_t t = atol(pinned);
    if (out)
        *out = t;
    return t;
}
