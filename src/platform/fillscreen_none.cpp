// SPDX-License-Identifier: MIT
// Where SDL's full-screen window needs no help from us (Windows, the browser).
#include "platform.h"

void fillscreen() {}
