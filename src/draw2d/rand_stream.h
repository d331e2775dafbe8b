// The demo generator's step, inlined for the fast paths that draw one random number per pixel or
// run: the state is held in a register for a whole pass and written back at its end, so the
// numbers and the state left behind are those of the same count of demo_rand calls.
#pragma once
#include <cstdint>

#include "base/random.h"

struct RandStream {
    uint32_t state;
};

inline RandStream rand_stream_begin()
{
    return {g_rand_state};
}

// The same add, 32x32->64 multiply and fold as demo_rand.
inline uint32_t rand_stream_next(RandStream* r)
{
    const uint32_t t = r->state + 0x3DB7E629u;
    const uint64_t p = static_cast<uint64_t>(t) * 0x3DB7E62Au;
    r->state = static_cast<uint32_t>(p) ^ static_cast<uint32_t>(p >> 32);
    return r->state;
}

inline void rand_stream_end(const RandStream* r)
{
    g_rand_state = r->state;
}
