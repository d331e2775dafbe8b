// Shared pieces of the object-scene tests: a temp working directory holding a night-vale picture and
// the generator's state after a number of draws.
#pragma once
#include <string>

#include "base/random.h"
#include "common/test_util.h"

// Runs the test inside a temp dir whose data/ holds the 512 x 384 picture (unless told not to).
struct ValeDir {
    TempDir dir{"q_objects"};
    DirScope inside{dir.path};
    explicit ValeDir(bool with_picture = true)
    {
        if (with_picture) dir.write("data/marrowvaleagain512x384x32.raw", ramp_bytes(512 * 384 * 4, 3));
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
