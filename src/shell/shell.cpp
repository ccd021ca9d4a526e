// SPDX-License-Identifier: MIT
// Quit and the event handler.
#include "shell.h"

#include "world.h"

#include <cstdlib>

void Quit(int returnCode)
{
    SDL_Quit();
    exit(returnCode);
}

// Only key-downs and quit requests matter; the key's modifiers are ignored
// (Shift+1 still picks program 0) and the keypad digits do nothing.
int HandleEvent(SDL_Event *event)
{
    int done = 0;
    switch (event->type) {
    case SDL_KEYDOWN:
        switch (event->key.keysym.sym) {
        case SDLK_ESCAPE:
            done = 1;
            break;
        case SDLK_1:
            whichcam = 0;
            break;
        case SDLK_2:
            whichcam = 1;
            break;
        case SDLK_3:
            whichcam = 2;
            break;
        default:
            break;
        }
        break;
    case SDL_QUIT:
        done = 1;
        break;
    default:
        break;
    }
    return done;
}
