// SPDX-License-Identifier: MIT
// Rendering: the OpenGL state set once, and the drawing of one frame.
#pragma once

constexpr int screenwidth = 800; // the video mode and the viewport
constexpr int screenheight = 600;

// Sets shading, clear values, depth test, viewport and projection; leaves
// the model-view matrix current and holding the identity. Returns 1.
int initGL();

// Draws ground, buildings and clouds from the active camera, waits 6 ms and
// swaps the buffers. Returns 1.
int drawGLScene();
