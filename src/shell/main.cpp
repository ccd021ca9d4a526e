// SPDX-License-Identifier: MIT
// flyover: a real-time fly-over of a random city. Start-up sets the video
// mode, the OpenGL state and the world; then every turn of the loop handles
// the pending events, takes one animation step and draws one frame.
#include "anim.h"
#include "platform.h"
#include "render.h"
#include "shell.h"
#include "world.h"

#include "SDL.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

// Asked of every video mode; SDL_HWACCEL is added where the display blits in hardware.
constexpr Uint32 modeflags =
    SDL_HWSURFACE | SDL_OPENGL | SDL_ASYNCBLIT | SDL_HWPALETTE | SDL_FULLSCREEN;
// SDL 1.2 numbers them 0xA0000007; Emscripten's SDL, where SDL_OPENGL is
// 0x04000000, numbers the same request 0x0CA00001.
static_assert(modeflags == (SDL_OPENGL == 0x04000000 ? 0x0CA00001 : 0xA0000007),
              "full-screen OpenGL video flags");
constexpr int screendepth = 16;    // bits per pixel
constexpr int repeatdelay = 100;   // ms before a held key repeats
constexpr int repeatinterval = 30; // ms between repeats

// Writes the one line of a start-up failure, with SDL's reason, and exits 1.
[[noreturn]] static void fail(const char *what)
{
    fprintf(stderr, "%s: %s\n", what, SDL_GetError());
    Quit(1);
}

// With no display to reach, SDL quietly falls back on its offscreen driver,
// which draws into memory only: the demo would run unseen until killed. That
// is a failed start, unless the user asked for that driver by name.
static bool unseen()
{
    char driver[16];
    if (SDL_VideoDriverName(driver, sizeof driver) == nullptr || strcmp(driver, "offscreen") != 0)
        return false;
    const char *asked = getenv("SDL_VIDEODRIVER");
    if (asked != nullptr && strstr(asked, "offscreen") != nullptr)
        return false;
    SDL_SetError("no display available");
    return true;
}

int main(int argc, char *argv[])
{
    (void)argc; // the program takes no options
    (void)argv;

    nodecorations();
    hostwindow();
    if (SDL_Init(SDL_INIT_VIDEO) < 0 || unseen())
        fail("Video initialization failed");
    const SDL_VideoInfo *videoInfo = SDL_GetVideoInfo();
    if (videoInfo == nullptr)
        fail("Video query failed");
    Uint32 videoFlags = modeflags;
    if (videoInfo->blit_hw)
        videoFlags |= SDL_HWACCEL;
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    surface = SDL_SetVideoMode(screenwidth, screenheight, screendepth, videoFlags);
    if (surface == nullptr)
        fail("Video mode set failed");
    fillscreen();
    if (SDL_EnableKeyRepeat(repeatdelay, repeatinterval) != 0)
        fail("Setting keyboard repeat failed");
    initGL();
    initme();
    SDL_ShowCursor(SDL_DISABLE);

    // The stop flag is looked at only after a frame: the rest of the batch
    // is handled and one last step and frame are drawn.
    SDL_Event event;
    int done = 0;
    while (!done) {
        while (SDL_PollEvent(&event))
            if (HandleEvent(&event))
                done = 1;
        calcme();
        drawGLScene();
    }
    Quit(0);
}
