// The demo's random generator.
#include "base/random.h"

uint32_t g_rand_state = 0x8372D8DAu;

void demo_srand(uint32_t seed)
{
    g_rand_state = seed;
}

uint32_t demo_rand()
{
    const uint32_t t = g_rand_state + 0x3DB7E629u;
    const uint64_t p = static_cast<uint64_t>(t) * 0x3DB7E62Au;
    g_rand_state = static_cast<uint32_t>(p) ^ static_cast<uint32_t>(p >> 32);
    return g_rand_state;
}
