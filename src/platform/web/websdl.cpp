// SPDX-License-Identifier: MIT
// The web platform layer for the shell: see websdl.h for why it exists.
#include "websdl.h"

#include <emscripten/html5.h>

#undef SDL_SetVideoMode // the real one from here on

SDL_Surface *websetvideomode(int width, int height, int bpp, Uint32 flags)
{
    SDL_Surface *surface = SDL_SetVideoMode(width, height, bpp, flags);
    if (surface != nullptr && (flags & SDL_OPENGL) != 0 &&
        emscripten_webgl_get_current_context() == 0) {
        SDL_SetError("the browser gives this page no WebGL");
        return nullptr;
    }
    return surface;
}
