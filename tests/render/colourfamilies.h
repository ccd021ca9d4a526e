// SPDX-License-Identifier: MIT
// The colours the world is made of, for judging a picture of it: buildings
// are dark blue-green (red up to 0.04, green = blue up to 0.49), ground tiles
// dark red-brown (red up to 0.49, green = blue up to 0.04), and every cloud in
// front adds 0.2 to each channel, clamped at 1. Shared by the frame tests and
// the end-to-end screenshots, which both see 8-bit channels.
#pragma once

#include <algorithm>

namespace families
{

enum Family {
    dark,        // black or grey: too dark to tell building from ground
    building,    // a building, perhaps seen through clouds
    ground,      // a ground tile, perhaps seen through clouds
    unexplained, // a colour the world cannot show
};

constexpr int tolerance = 3;  // units in 255 allowed for rounding
constexpr int cloudstep = 51; // 0.2 of 255
constexpr int lowmax = 10;    // 0.04 of 255, rounded
constexpr int highmax = 125;  // 0.49 of 255, rounded
constexpr int maxclouds = 5;  // five clouds clamp every channel

// The values a channel may have had before k clouds brightened it. A channel
// at the top may have been clamped, which says only that it was high enough.
struct Range {
    int lo, hi;
};

inline Range before(int value, int k)
{
    int base = value - k * cloudstep;
    if (value >= 255 - tolerance)
        return {base - tolerance, 255};
    return {base - tolerance, base + tolerance};
}

// Red within [0, redmax]; green and blue one common value within [0, gbmax].
inline bool fits(Range r, Range g, Range b, int redmax, int gbmax)
{
    bool red = r.hi >= 0 && r.lo <= redmax;
    bool greenblue = std::max({g.lo, b.lo, 0}) <= std::min({g.hi, b.hi, gbmax});
    return red && greenblue;
}

// What a pixel shows, and through how few clouds.
struct Look {
    Family family;
    int clouds;
};

inline Look classify(int r, int g, int b)
{
    for (int k = 0; k <= maxclouds; k++) {
        Range rr = before(r, k), gr = before(g, k), br = before(b, k);
        bool asbuilding = fits(rr, gr, br, lowmax, highmax);
        bool asground = fits(rr, gr, br, highmax, lowmax);
        if (asbuilding || asground)
            return {asbuilding && asground ? dark : asbuilding ? building : ground, k};
    }
    return {unexplained, 0};
}

// The shares of a picture's pixels (3 or 4 bytes a pixel, red first).
struct Tally {
    double family[unexplained + 1] = {};
    double black = 0;   // dark, with no cloud in front
    double clouded = 0; // one cloud or more in front
};

inline Tally tally(const unsigned char *pixels, long n, int bytesperpixel)
{
    Tally t;
    for (long i = 0; i < n; i++) {
        const unsigned char *p = pixels + i * bytesperpixel;
        Look look = classify(p[0], p[1], p[2]);
        t.family[look.family] += 1.0 / n;
        t.black += look.family == dark && look.clouds == 0 ? 1.0 / n : 0;
        t.clouded += look.clouds > 0 ? 1.0 / n : 0;
    }
    return t;
}

} // namespace families
