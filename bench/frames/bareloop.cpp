// The yardstick for the program's frame rate: the same video mode, OpenGL
// state and world, then drawGLScene over and over, with no events and no
// animation step. Runs until SIGTERM or SIGINT.
#include "anim.h"
#include "render.h"
#include "world.h"

#include "SDL.h"

#include <csignal>
#include <cstdio>

// The program's video flags and depth.
constexpr Uint32 videoflags =
    SDL_HWSURFACE | SDL_OPENGL | SDL_ASYNCBLIT | SDL_HWPALETTE | SDL_FULLSCREEN;
constexpr int screendepth = 16;

// The world and cameras as generated look at nothing (program 0 straight
// down, the others with the eye on the look point), which costs far less to
// draw than the city. The real animation runs this many steps before the
// loop, to about the middle of what a measurement of the program sees, and
// then the view stays as it is.
constexpr int posesteps = 600;

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
    for (int i = 0; i < posesteps; i++)
        calcme();

    // SDL turns these signals into quit events, which this loop never reads.
    signal(SIGTERM, onsignal);
    signal(SIGINT, onsignal);
    while (!stop)
        drawGLScene();
    SDL_Quit();
    return 0;
}
