// SPDX-License-Identifier: MIT
// Where the picture ends up on a real screen. The program runs with the swap
// counter preloaded, which holds one frame on the screen and writes that frame
// as drawn, before any scaling; a screenshot is then compared with it.
#pragma once

#include "process.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace testsupport
{

// A run of flyover that holds a frame of the city on the screen, on a pinned
// clock. The frame's file is removed when the object goes away.
class HeldFrame
{
  public:
    // swapcount: the swap counter to preload, when not this build's (the
    // ARM program's own, say).
    explicit HeldFrame(const std::string &swapcount = "");
    ~HeldFrame();
    HeldFrame(const HeldFrame &) = delete;
    HeldFrame &operator=(const HeldFrame &) = delete;
    // What to add to the program's environment.
    Env env() const;
    // Waits up to seconds for the frame; an empty picture if it does not come.
    Picture wait(double seconds) const;

  private:
    std::string path_, asan_, swapcount_;
};

// Where the whole 4:3 picture belongs on a screen: as large as fits, centred.
struct Area {
    int x, y, width, height;
};
Area letterbox(int width, int height);
inline bool operator==(const Area &a, const Area &b)
{
    return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}
inline void PrintTo(const Area &a, std::ostream *out)
{
    *out << a.width << "x" << a.height << "+" << a.x << "+" << a.y;
}

// The root-mean-square difference of two pictures of one size, over all
// channels, in parts of full scale; 1 where the sizes differ.
double rmse(const Picture &a, const Picture &b);

// Whether shot shows frame whole, scaled to the letterbox and centred (the
// root-mean-square difference from the frame scaled up is under 1%), with
// every pixel around it pure black.
::testing::AssertionResult showswhole(const Picture &shot, const Picture &frame);

} // namespace testsupport
