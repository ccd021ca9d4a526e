// SPDX-License-Identifier: MIT
// The desktop's frame closest to a screenshot of another edition: draws the
// frames of the world a pinned clock makes, as the program's loop does (one
// animation step, one frame), on SDL's offscreen driver, and compares frames
// first to last with the screenshot by their root-mean-square difference.
// Frame k is the one drawn after k steps.
// It stops early at a frame closer than the stop value.
// Usage: closestframe CLOCK FIRST LAST SHOT.ppm [STOP [BEST.ppm]]
// Prints "frame K rmse R" for the closest frame, R in parts of full scale.
#include "fixture.h"
#include "frame.h"

#include "anim.h"
#include "render.h"
#include "world.h"

#include "SDL.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

using testsupport::Picture;

// The frame just drawn; the rows read bottom to top, a picture's top to bottom.
static Picture readback()
{
    Picture frame{screenwidth, screenheight, {}};
    frame.rgb.resize(size_t(screenwidth) * screenheight * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, screenwidth, screenheight, GL_RGB, GL_UNSIGNED_BYTE, frame.rgb.data());
    const long row = long(screenwidth) * 3;
    const auto rows = frame.rgb.begin();
    for (long y = 0; y < screenheight / 2; y++)
        std::swap_ranges(rows + y * row, rows + (y + 1) * row, rows + (screenheight - 1 - y) * row);
    return frame;
}

int main(int argc, char **argv)
{
    if (argc < 5) {
        fprintf(stderr, "usage: closestframe CLOCK FIRST LAST SHOT.ppm [STOP [BEST.ppm]]\n");
        return 2;
    }
    const long first = atol(argv[2]);
    const long last = atol(argv[3]);
    const Picture shot = testsupport::readppm(argv[4]);
    const double stop = argc > 5 ? atof(argv[5]) : 0;
    if (shot.width != screenwidth || shot.height != screenheight) {
        fprintf(stderr, "%s is not an %dx%d picture\n", argv[4], screenwidth, screenheight);
        return 2;
    }
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    if (SDL_Init(SDL_INIT_VIDEO) < 0 ||
        (surface = SDL_SetVideoMode(screenwidth, screenheight, 16, SDL_OPENGL)) == nullptr) {
        fprintf(stderr, "no offscreen OpenGL context: %s\n", SDL_GetError());
        return 1;
    }
    initGL();
    fixture::setclock(static_cast<time_t>(atoll(argv[1])));
    initme();
    long best = -1;
    double bestrmse = 2;
    Picture bestframe;
    for (long k = 1; k <= last && bestrmse >= stop; k++) {
        calcme();
        if (k < first) // drawing leaves the world as it is
            continue;
        drawGLScene();
        Picture frame = readback();
        double r = testsupport::rmse(shot, frame);
        if (r < bestrmse) {
            best = k;
            bestrmse = r;
            bestframe = std::move(frame);
        }
    }
    printf("frame %ld rmse %.6f\n", best, bestrmse);
    if (argc > 6)
        testsupport::writeppm(bestframe, argv[6]);
    SDL_Quit();
    return best < 0;
}
