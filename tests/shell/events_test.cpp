// SPDX-License-Identifier: MIT
// HandleEvent on its own: which events ask to stop and which pick a camera
// program, from every program as the starting point.
#include "fake_sdl.h"
#include "shell.h"
#include "world.h"

#include <gtest/gtest.h>

namespace
{

constexpr int unchanged = -1;

TEST(HandleEvent, StopsOnEscapeOrQuitAndPicksProgramsOnlyOnMainDigitKeyDowns)
{
    const struct {
        const char *name;
        SDL_Event event;
        int result;
        int whichcam; // after the event, or unchanged
    } cases[] = {
        {"Escape down", fake::keydown(SDLK_ESCAPE), 1, unchanged},
        {"Escape up", fake::keyup(SDLK_ESCAPE), 0, unchanged},
        {"quit request", fake::quit(), 1, unchanged},
        {"1 down", fake::keydown(SDLK_1), 0, 0},
        {"2 down", fake::keydown(SDLK_2), 0, 1},
        {"3 down", fake::keydown(SDLK_3), 0, 2},
        {"Shift+1 down", fake::keydown(SDLK_1, KMOD_LSHIFT), 0, 0},
        {"3 up", fake::keyup(SDLK_3), 0, unchanged},
        {"4 down", fake::keydown(SDLK_4), 0, unchanged},
        {"keypad 1 down", fake::keydown(SDLK_KP1), 0, unchanged},
        {"letter down", fake::keydown(SDLK_a), 0, unchanged},
        {"mouse motion", fake::motion(), 0, unchanged},
        {"mouse button down", fake::button(SDL_MOUSEBUTTONDOWN), 0, unchanged},
        {"mouse button up", fake::button(SDL_MOUSEBUTTONUP), 0, unchanged},
    };
    for (const auto &c : cases)
        for (int before = 0; before < camcount; ++before) {
            SCOPED_TRACE(std::string(c.name) + " with program " + std::to_string(before));
            whichcam = before;
            SDL_Event event = c.event;
            EXPECT_EQ(HandleEvent(&event), c.result);
            EXPECT_EQ(whichcam, c.whichcam == unchanged ? before : c.whichcam);
        }
}

} // namespace
