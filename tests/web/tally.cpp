// SPDX-License-Identifier: MIT
// For the browser tests: reads a picture as binary PPM on standard input and
// prints the shares of its colour families, as the desktop tests judge them:
// "width height black building ground unexplained".
#include "../render/colourfamilies.h"

#include <cstdio>
#include <vector>

int main()
{
    int width = 0;
    int height = 0;
    int maxval = 0;
    if (scanf("P6 %d %d %d", &width, &height, &maxval) != 3 || maxval != 255 || width <= 0 ||
        height <= 0 || getchar() == EOF)
        return 2;
    std::vector<unsigned char> rgb(size_t(width) * height * 3);
    if (fread(rgb.data(), 1, rgb.size(), stdin) != rgb.size())
        return 2;
    families::Tally t = families::tally(rgb.data(), long(width) * height, 3);
    printf("%d %d %.6f %.6f %.6f %.6f\n", width, height, t.black, t.family[families::building],
           t.family[families::ground], t.family[families::unexplained]);
    return 0;
}
