// SPDX-License-Identifier: MIT
// Where SDL's full-screen window needs no help from us and no screen saver
// host hands out a window by name (the browser).
#include "platform.h"

void hostwindow() {}

void fillscreen() {}
