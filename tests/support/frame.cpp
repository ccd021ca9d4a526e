// SPDX-License-Identifier: MIT
#include "frame.h"

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <sstream>

namespace testsupport
{

namespace
{

// The frame held: late enough for the city to fill the view (the first 142
// frames look straight down at nothing) on a clock that draws a city whose
// frame is well lit.
constexpr const char *heldframe = "200";
constexpr const char *clock = "1000000";

double now()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// Bilinear sample of one channel of p at (x, y), pixel centres at whole numbers.
double sample(const Picture &p, double x, double y, int c)
{
    x = std::fmin(std::fmax(x, 0.0), p.width - 1.0);
    y = std::fmin(std::fmax(y, 0.0), p.height - 1.0);
    const int x0 = int(x);
    const int y0 = int(y);
    const int x1 = std::min(x0 + 1, p.width - 1);
    const int y1 = std::min(y0 + 1, p.height - 1);
    const double fx = x - x0;
    const double fy = y - y0;
    auto at = [&](int px, int py) { return double(p.rgb[(size_t(py) * p.width + px) * 3 + c]); };
    return (at(x0, y0) * (1 - fx) + at(x1, y0) * fx) * (1 - fy) +
           (at(x0, y1) * (1 - fx) + at(x1, y1) * fx) * fy;
}

double litshare(const Picture &p)
{
    long lit = 0;
    for (size_t i = 0; i < p.rgb.size(); i += 3)
        lit += (p.rgb[i] | p.rgb[i + 1] | p.rgb[i + 2]) != 0;
    return 3.0 * double(lit) / double(p.rgb.size());
}

} // namespace

HeldFrame::HeldFrame(const std::string &swapcount)
    : path_(std::string(P_tmpdir) + "/flyover-frame-" + std::to_string(getpid()) + ".ppm"),
      swapcount_(swapcount.empty() ? SWAPCOUNT : swapcount)
{
    // In the sanitizer build the preloaded counter comes before the
    // sanitizer's runtime; for a library that only counts, that is fine.
    const char *options = getenv("ASAN_OPTIONS");
    asan_ = std::string(options ? options : "") + ":verify_asan_link_order=0";
    unlink(path_.c_str());
}

HeldFrame::~HeldFrame()
{
    unlink(path_.c_str());
}

Env HeldFrame::env() const
{
    return {{"LD_PRELOAD", swapcount_.c_str()},
            {"SWAPCOUNT_CLOCK", clock},
            {"SWAPCOUNT_FREEZE", heldframe},
            {"SWAPCOUNT_FRAME", path_.c_str()},
            {"ASAN_OPTIONS", asan_.c_str()}};
}

Picture HeldFrame::wait(double seconds) const
{
    for (double deadline = now() + seconds; now() < deadline; usleep(100000))
        if (access(path_.c_str(), F_OK) == 0)
            return readppm(path_);
    return Picture{};
}

Area letterbox(int width, int height)
{
    if (width * 3 >= height * 4)
        return {(width - height * 4 / 3) / 2, 0, height * 4 / 3, height};
    return {0, (height - width * 3 / 4) / 2, width, width * 3 / 4};
}

double rmse(const Picture &a, const Picture &b)
{
    if (a.width != b.width || a.height != b.height || a.rgb.size() != b.rgb.size() || a.rgb.empty())
        return 1;
    double sum = 0;
    for (size_t i = 0; i < a.rgb.size(); i++) {
        const double d = double(a.rgb[i]) - double(b.rgb[i]);
        sum += d * d;
    }
    return std::sqrt(sum / double(a.rgb.size())) / 255;
}

::testing::AssertionResult showswhole(const Picture &shot, const Picture &frame)
{
    if (shot.rgb.empty() || frame.rgb.empty())
        return ::testing::AssertionFailure() << "no screenshot or no frame";
    // A dark frame would match a black screen: the comparison needs a city.
    if (litshare(frame) < 0.2)
        return ::testing::AssertionFailure() << "the frame is too dark to compare";
    const Area a = letterbox(shot.width, shot.height);
    double sum = 0;
    long outside = 0;
    const double sx = double(frame.width) / a.width;
    const double sy = double(frame.height) / a.height;
    for (int y = 0; y < shot.height; y++)
        for (int x = 0; x < shot.width; x++) {
            const unsigned char *px = &shot.rgb[(size_t(y) * shot.width + x) * 3];
            if (x < a.x || x >= a.x + a.width || y < a.y || y >= a.y + a.height) {
                outside += (px[0] | px[1] | px[2]) != 0;
                continue;
            }
            for (int c = 0; c < 3; c++) {
                double want =
                    sample(frame, (x - a.x + 0.5) * sx - 0.5, (y - a.y + 0.5) * sy - 0.5, c);
                sum += (px[c] - want) * (px[c] - want);
            }
        }
    const double rmse = std::sqrt(sum / (3.0 * a.width * a.height)) / 255;
    std::ostringstream what;
    what << "on " << shot.width << "x" << shot.height << ", against the frame scaled to " << a.width
         << "x" << a.height << "+" << a.x << "+" << a.y << ": RMSE " << rmse * 100 << "%, "
         << outside << " lit pixels around it";
    // Kept in the test's XML report (--gtest_output=xml), for the record.
    ::testing::Test::RecordProperty("picture", what.str());
    if (outside > 0 || rmse >= 0.01)
        return ::testing::AssertionFailure() << what.str();
    return ::testing::AssertionSuccess() << what.str();
}

} // namespace testsupport
