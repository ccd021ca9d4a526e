// SPDX-License-Identifier: MIT
// The fake SDL functions and subsystem operations the shell is linked with in
// its tests. They keep their state in plain statics: each run of the shell
// happens in a freshly forked child, which starts from the parent's untouched
// copy.
#include "fake_sdl.h"

#include "anim.h"
#include "platform.h"
#include "render.h"
#include "world.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace fake
{

Script script;

static int logfd = -1;

// Appends one line to the call log with a single write, unbuffered, so that
// nothing is lost when the process exits or aborts right after.
[[gnu::format(printf, 1, 2)]] static void record(const char *format, ...)
{
    char line[128];
    va_list args;
    va_start(args, format);
    int n = vsnprintf(line, sizeof line - 1, format, args);
    va_end(args);
    if (n < 0 || logfd < 0)
        return;
    n = n < int(sizeof line - 1) ? n : int(sizeof line - 2);
    line[n] = '\n';
    if (write(logfd, line, size_t(n) + 1) != n + 1)
        abort();
}

Log::Log() : path_(std::string(P_tmpdir) + "/flyover-shell-log-XXXXXX")
{
    logfd = mkstemp(path_.data());
    if (logfd < 0)
        throw std::runtime_error("cannot create the call log");
}

Log::~Log()
{
    close(logfd);
    logfd = -1;
    unlink(path_.c_str());
}

std::vector<std::string> Log::lines() const
{
    std::vector<std::string> out;
    std::ifstream in(path_);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

SDL_Event keydown(SDLKey sym, SDLMod mod)
{
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.state = SDL_PRESSED;
    e.key.keysym.sym = sym;
    e.key.keysym.mod = mod;
    return e;
}

SDL_Event keyup(SDLKey sym)
{
    SDL_Event e{};
    e.type = SDL_KEYUP;
    e.key.state = SDL_RELEASED;
    e.key.keysym.sym = sym;
    return e;
}

SDL_Event motion()
{
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.x = 400;
    e.motion.y = 300;
    e.motion.xrel = 5;
    return e;
}

SDL_Event button(Uint8 type)
{
    SDL_Event e{};
    e.type = type;
    e.button.button = SDL_BUTTON_LEFT;
    e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    return e;
}

SDL_Event quit()
{
    SDL_Event e{};
    e.type = SDL_QUIT;
    return e;
}

// How a polled event appears in the call log.
static std::string describe(const SDL_Event &e)
{
    switch (e.type) {
    case SDL_KEYDOWN:
        return "keydown " + std::to_string(e.key.keysym.sym);
    case SDL_KEYUP:
        return "keyup " + std::to_string(e.key.keysym.sym);
    case SDL_QUIT:
        return "quit";
    default:
        return "event " + std::to_string(e.type);
    }
}

// The error text a failing fake leaves for SDL_GetError.
static char lasterror[64] = "";

static void fail(const char *why)
{
    snprintf(lasterror, sizeof lasterror, "%s", why);
}

// Where SDL_PollEvent stands in the script: the batch, and the next event in it.
static size_t batch = 0, next = 0;
static int frames = 0;

} // namespace fake

using fake::record;
using fake::script;

int SDL_Init(Uint32 flags)
{
    record("SDL_Init 0x%x", flags);
    if (script.initresult < 0)
        fake::fail("no video device");
    return script.initresult;
}

char *SDL_VideoDriverName(char *namebuf, int maxlen)
{
    record("SDL_VideoDriverName");
    snprintf(namebuf, size_t(maxlen), "%s", script.driver);
    return namebuf;
}

void SDL_SetError(const char *fmt, ...)
{
    fake::fail(fmt);
}

const SDL_VideoInfo *SDL_GetVideoInfo()
{
    static SDL_VideoInfo info;
    record("SDL_GetVideoInfo");
    if (script.novideoinfo) {
        fake::fail("video not initialized");
        return nullptr;
    }
    info.blit_hw = script.blit_hw;
    return &info;
}

int SDL_GL_SetAttribute(SDL_GLattr attr, int value)
{
    if (attr == SDL_GL_DOUBLEBUFFER)
        record("SDL_GL_SetAttribute DOUBLEBUFFER %d", value);
    else
        record("SDL_GL_SetAttribute %d %d", int(attr), value);
    return 0;
}

SDL_Surface *SDL_SetVideoMode(int width, int height, int bpp, Uint32 flags)
{
    static SDL_Surface screen;
    record("SDL_SetVideoMode %d %d %d 0x%x", width, height, bpp, flags);
    if (script.nomode) {
        fake::fail("no such mode");
        return nullptr;
    }
    return &screen;
}

int SDL_EnableKeyRepeat(int delay, int interval)
{
    record("SDL_EnableKeyRepeat %d %d", delay, interval);
    if (script.repeatresult != 0)
        fake::fail("no key repeat");
    return script.repeatresult;
}

int SDL_ShowCursor(int toggle)
{
    record("SDL_ShowCursor %d", toggle);
    return SDL_ENABLE;
}

int SDL_PollEvent(SDL_Event *event)
{
    using fake::batch, fake::next;
    const auto &batches = script.batches;
    if (batch < batches.size() && next < batches[batch].size()) {
        *event = batches[batch][next++];
        record("SDL_PollEvent %s", fake::describe(*event).c_str());
        return 1;
    }
    if (batch < batches.size()) {
        ++batch;
        next = 0;
    }
    record("SDL_PollEvent none");
    return 0;
}

char *SDL_GetError()
{
    return fake::lasterror;
}

void SDL_Quit()
{
    record("SDL_Quit");
}

void hostwindow()
{
    record("hostwindow");
}

void nodecorations() {}

void fillscreen()
{
    record("fillscreen");
}

int initGL()
{
    record("initGL");
    return 1;
}

void initme()
{
    record("initme");
}

void calcme()
{
    record("calcme whichcam=%d", whichcam);
}

int drawGLScene()
{
    record("drawGLScene");
    if (++fake::frames == fake::framelimit) {
        fprintf(stderr, "%d frames without a stop\n", fake::framelimit);
        abort();
    }
    return 1;
}
