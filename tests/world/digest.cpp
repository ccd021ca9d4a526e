// SPDX-License-Identifier: MIT
// Prints, for each clock value given, digests of the whole world as
// generation leaves it and as it stands after a few thousand animation
// steps. It draws with the rand() its edition links, so the Windows and web
// tests compare its output there with the desktop's, line by line.
// Usage: worlddigest CLOCK...
#include "anim.h"
#include "fixture.h"
#include "world.h"

#include <cstdio>
#include <cstdlib>

// Enough for the automatic camera switch to fire several times.
constexpr int steps = 5000;

int main(int argc, char **argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: worlddigest CLOCK...\n");
        return 2;
    }
    for (int i = 1; i < argc; i++) {
        fixture::clearworld();
        fixture::setclock(static_cast<time_t>(strtoll(argv[i], nullptr, 10)));
        initme();
        printf("clock %s, generated:\n%s", argv[i], fixture::worlddigests().c_str());
        for (int k = 0; k < steps; k++)
            calcme();
        printf("clock %s, after %d steps:\n%s", argv[i], steps, fixture::worlddigests().c_str());
    }
    return 0;
}
