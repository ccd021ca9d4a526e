// SPDX-License-Identifier: MIT
// Where SDL's full-screen window needs no help from us, no screen saver
// host hands out a window by name and no window has decorations (the
// browser).
#include "platform.h"

void nodecorations() {}

void hostwindow() {}

void fillscreen() {}
