// SPDX-License-Identifier: MIT
// The rand() and srand() that the Windows and web editions link in place of
// their C library's, checked against glibc's own. Compiled into this test,
// they replace the C library's for the executable; glibc's are reached past
// them through the dynamic linker.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdlib>

namespace
{

using Rand = int (*)();
using Srand = void (*)(unsigned);

// The first value drawn before anything seeds the generator.
const int unseeded = rand();

template <typename F> F glibc(const char *name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

// A world takes some 52 000 draws, then the flights draw a few per move.
constexpr int draws = 300000;

TEST(GlibcSequence, GivesGlibcRandsValuesForEverySeed)
{
    const Rand glibcrand = glibc<Rand>("rand");
    const Srand glibcsrand = glibc<Srand>("srand");
    ASSERT_NE(glibcrand, nullptr);
    ASSERT_NE(glibcsrand, nullptr);
    ASSERT_NE(glibcrand, &rand) << "the test must reach glibc's rand, not the replacement";

    glibcsrand(1);
    EXPECT_EQ(unseeded, glibcrand()) << "a generator never seeded starts as seed 1";

    // Clock values past and future, 0 (taken as 1) and seeds that are
    // negative as signed words.
    for (unsigned seed : {0u, 1u, 2u, 1234567u, 1700000000u, 1799999999u, 2147483647u, 2147483648u,
                          3000000000u, 4294967295u}) {
        srand(seed);
        glibcsrand(seed);
        int differs = -1;
        for (int i = 0; i < draws && differs < 0; i++)
            if (rand() != glibcrand())
                differs = i;
        EXPECT_EQ(differs, -1) << "seed " << seed << ": draw " << differs << " differs";
    }
}

} // namespace
