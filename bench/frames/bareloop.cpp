// SPDX-License-Identifier: MIT
// The yardstick for the program's frame rate: the same video mode, OpenGL
// state and world, then drawGLScene over and over, with no events and no
// animation step in the loop. Runs until SIGTERM or SIGINT.
//
// What a frame costs depends on what it shows, and the program's view moves
// all the time. So that both draw the same pictures, the animation is run
// ahead at start-up and the world as it stands every `stride` steps is kept;
// the loop's frame n then shows the world of step n, rounded down to a
// multiple of `stride`, as the program's frame n does. With the clock pinned
// (swapcount's SWAPCOUNT_CLOCK) both even build the same city and fly the
// same path. Copying a snapshot back every `stride` frames costs about as much
// as one animation step, spread over `stride` frames.
#include "anim.h"
#include "render.h"
#include "world.h"

#include "SDL.h"

#include <csignal>
#include <cstdio>
#include <cstring>

// The program's video flags and depth.
constexpr Uint32 videoflags =
    SDL_HWSURFACE | SDL_OPENGL | SDL_ASYNCBLIT | SDL_HWPALETTE | SDL_FULLSCREEN;
constexpr int screendepth = 16;

constexpr int stride = 20;         // steps between snapshots, frames per snapshot
constexpr int snapshotcount = 100; // 2000 steps: a 10 s measurement at over 150 frames a second
                                   // after 300 frames of warm-up; the last one stays after that

// What the animation changes and drawing reads.
struct Snapshot {
    Vertex3 city[city_vertcount];
    Vertex3 cloud[cloud_vertcount + spare];
    Vertex3 ground[floor_vertcount + spare];
    mycam cams[camcount];
    int active;
};

static Snapshot snapshots[snapshotcount]; // about 47 MB

static void take(Snapshot &s)
{
    memcpy(s.city, city_verts, sizeof s.city);
    memcpy(s.cloud, cloud_verts, sizeof s.cloud);
    memcpy(s.ground, floor_verts, sizeof s.ground);
    memcpy(s.cams, mycamz, sizeof s.cams);
    s.active = whichcam;
}

static void show(const Snapshot &s)
{
    memcpy(city_verts, s.city, sizeof s.city);
    memcpy(cloud_verts, s.cloud, sizeof s.cloud);
    memcpy(floor_verts, s.ground, sizeof s.ground);
    memcpy(mycamz, s.cams, sizeof s.cams);
    whichcam = s.active;
}

static volatile sig_atomic_t stop = 0;

static void onsignal(int /*signal*/)
{
    stop = 1;
}

int main()
{
    if (SDL_Init(SDL_INIT_VIDEO) < 0) {
        fprintf(stderr, "Video initialization failed: %s\n", SDL_GetError());
        return 1;
    }
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    surface = SDL_SetVideoMode(screenwidth, screenheight, screendepth, videoflags);
    if (surface == nullptr) {
        fprintf(stderr, "Video mode set failed: %s\n", SDL_GetError());
        SDL_Quit();
        return 1;
    }
    initGL();
    initme();
    SDL_ShowCursor(SDL_DISABLE);
    for (Snapshot &s : snapshots) {
        take(s);
        for (int i = 0; i < stride; i++)
            calcme();
    }

    // SDL turns these signals into quit events, which this loop never reads.
    signal(SIGTERM, onsignal);
    signal(SIGINT, onsignal);
    for (long frame = 0; !stop; frame++) {
        if (frame % stride == 0 && frame / stride < snapshotcount)
            show(snapshots[frame / stride]);
        drawGLScene();
    }
    SDL_Quit();
    return 0;
}
