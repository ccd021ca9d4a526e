// SPDX-License-Identifier: MIT
// A real OpenGL context for the rendering tests, and the tiny scenes they
// draw: a few squares written into the world's own arrays, everything else
// zero (zero corners make zero-area quads, which draw nothing).
#pragma once

#include "world.h"

#include <gtest/gtest.h>

#include <vector>

constexpr Vertex3 eye = {100, 50, 500};

// An empty world, camera program 0 active with its eye at `eye` looking
// along -z, and the OpenGL state initGL sets.
void emptyscene();

// Every test starts from an empty scene.
class Scene : public testing::Test
{
  protected:
    void SetUp() override
    {
        emptyscene();
    }
};

// Squares facing the eye at distance d along its line of sight (behind it
// for negative d), wide enough to fill the screen. Slot is the record whose
// corners and index entries they take.
void buildingat(int slot, float d, Vertex3 colour);
void groundat(int slot, float d, Vertex3 colour);
void cloudat(int slot, float d);

// Reading back the frame drawGLScene has just drawn and swapped.
struct Rgba {
    int r, g, b, a;
};
Rgba centre();
std::vector<unsigned char> rgbapixels();
std::vector<float> depths();

// Whether a pixel shows the colour within a few units in 255.
testing::AssertionResult shows(Rgba got, Vertex3 colour);
