// Shared pieces of the object-scene tests: a temp working directory holding a patterned night-vale
// picture and the generator's state after a number of draws.
#pragma once
#include <string>

#include "common/test_util.h"
#include "shell/random.h"

// Pixel (x, y) of the test picture: a pattern no two neighbours share, top byte 0.
inline uint32_t vale_pixel(int x, int y)
{
    return (static_cast<uint32_t>(y) * 2654435761u + static_cast<uint32_t>(x) * 40503u) & 0x00FFFFFFu;
}

// Runs the test inside a temp dir whose data/ holds the 512 x 384 picture (unless told not to).
struct ValeDir {
    TempDir dir{"q_objects"};
    DirScope inside{dir.path};
    explicit ValeDir(bool with_picture = true)
    {
        if (!with_picture) return;
        std::string bytes(512 * 384 * 4, '\0');
        for (int y = 0; y < 384; ++y)
            for (int x = 0; x < 512; ++x) {
                const uint32_t p = vale_pixel(x, y);
                for (int b = 0; b < 4; ++b) bytes[(y * 512 + x) * 4 + b] = static_cast<char>(p >> (8 * b));
            }
        dir.write("data/marrowvaleagain512x384x32.raw", bytes);
    }
};

// The generator's state after `n` draws from `seed`; leaves the generator as it found it, so a
// comparison with g_rand_state does not depend on the order its arguments are evaluated in.
inline uint32_t state_after(uint32_t seed, int n)
{
    const uint32_t saved = g_rand_state;
    demo_srand(seed);
    for (int i = 0; i < n; ++i) demo_rand();
    const uint32_t after = g_rand_state;
    demo_srand(saved);
    return after;
}
