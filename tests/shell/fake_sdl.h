// SPDX-License-Identifier: MIT
// A stand-in for SDL and for the subsystems the shell drives. Every fake call
// appends one line to a call log file, written at once so that it survives the
// process ending inside Quit; what each call returns comes from a script.
#pragma once

#include "SDL.h"

#include <string>
#include <vector>

namespace fake
{

// What the next run of the shell meets. The fakes only read it, so a test can
// set it before forking a child that runs the shell.
struct Script {
    int initresult = 0;         // SDL_Init
    const char *driver = "x11"; // SDL_VideoDriverName
    bool novideoinfo = false;   // SDL_GetVideoInfo returns null
    bool blit_hw = false;       // the video information's blit_hw flag
    bool nomode = false;        // SDL_SetVideoMode returns null
    int repeatresult = 0;       // SDL_EnableKeyRepeat
    // The event queue as the loop finds it, one batch per drain: SDL_PollEvent
    // hands out a batch's events in order, then reports the queue empty once
    // and moves on to the next batch. After the last batch the queue stays empty.
    std::vector<std::vector<SDL_Event>> batches;
};
extern Script script;

// Frames after which the fake drawGLScene aborts, so that a loop that never
// stops fails its test instead of hanging it.
constexpr int framelimit = 50;

// The call log: a temporary file the fakes write to, removed when the object
// goes away.
class Log
{
  public:
    Log();
    ~Log();
    Log(const Log &) = delete;
    Log &operator=(const Log &) = delete;
    std::vector<std::string> lines() const;

  private:
    std::string path_;
};

// Events as SDL would queue them.
SDL_Event keydown(SDLKey sym, SDLMod mod = KMOD_NONE);
SDL_Event keyup(SDLKey sym);
SDL_Event motion();
SDL_Event button(Uint8 type); // SDL_MOUSEBUTTONDOWN or SDL_MOUSEBUTTONUP
SDL_Event quit();

} // namespace fake
