// SPDX-License-Identifier: MIT
// rand() and srand() as the GNU C library has them, for the editions whose C
// library has another generator. The world and the flight are drawn as
// rand() % n with n up to 20000 from a clock seed: Windows' rand() gives only
// 0 to 32767, so low remainders come up twice as often there, and the
// browser's gives other numbers for the same seed. With these in their place
// every edition draws the same city and flight for the same clock.
//
// The generator is the additive feedback one behind glibc's rand(): 31 words
// seeded by the LCG r[i] = 16807 r[i-1] mod (2^31 - 1) from r[0] = seed (seed
// 0 taken as 1), 310 values discarded, then r[i] = r[i-3] + r[i-31] mod 2^32,
// each value given as r[i] >> 1. A program that never calls srand() gets the
// sequence of seed 1.
//
// Defined without the C library's header, whose declarations differ from one
// library to the next in whether they are noexcept.
#include <cstdint>

namespace
{

constexpr int degree = 31; // words of state
constexpr int separation = 3;
constexpr int discarded = 10 * degree;

uint32_t state[degree];
int front = separation; // the word that takes the next sum
int rear = 0;           // the word added to it
bool seeded = false;

uint32_t next()
{
    state[front] += state[rear];
    uint32_t value = state[front];
    front = (front + 1) % degree;
    rear = (rear + 1) % degree;
    return value >> 1;
}

} // namespace

// The seed is taken as a signed 32-bit word, as glibc does, so seeds of 2^31
// and above start the LCG from a negative value.
extern "C" void srand(unsigned seed)
{
    int32_t word = static_cast<int32_t>(seed == 0 ? 1 : seed);
    state[0] = static_cast<uint32_t>(word);
    for (int i = 1; i < degree; i++) {
        // 16807 word mod (2^31 - 1) without overflow (Schrage's method).
        int32_t hi = word / 127773;
        int32_t lo = word % 127773;
        word = 16807 * lo - 2836 * hi;
        if (word < 0)
            word += 2147483647;
        state[i] = static_cast<uint32_t>(word);
    }
    front = separation;
    rear = 0;
    seeded = true;
    for (int i = 0; i < discarded; i++)
        next();
}

extern "C" int rand()
{
    if (!seeded)
        srand(1);
    return static_cast<int>(next());
}
