// The twins of the wave-floor cast and drawing, for the dispatch in wave_floor.cpp and for the
// banded fast path of the scene, with the march's constants and set-up both twins share. Other
// callers call wave_floor_cast and wave_floor_draw.
#pragma once
#include <cmath>
#include <cstdint>

#include "scenes/wavefloor/wave_floor.h"

void wave_floor_cast_plain(WaveFloor* floor, const int32_t* profile, int32_t n, double pitch, double position);
void wave_floor_draw_plain(const WaveFloor* floor, Surface* surface);
// The fast twins for the rows row_from .. row_to - 1 only, each exactly as the whole cast or drawing
// fills it: row bands cast and drawn apart add up to the whole.
void wave_floor_cast_fast(WaveFloor* floor, const int32_t* profile, int32_t n, double pitch, double position,
                          int row_from, int row_to);
void wave_floor_draw_fast(const WaveFloor* floor, Surface* surface, int row_from, int row_to);

// The plain drawing of the rows row_from .. row_to - 1, clipped to `columns`; the fast drawing takes
// it where its own needs are not met.
void wave_floor_rows_draw(const WaveFloor* floor, Surface* surface, int row_from, int row_to, int columns);

namespace wave_floor_shared {

constexpr int k_march_steps = 1024;
// The camera's height above the base of the profile, whose crests reach 127.
constexpr double k_eye_height = 280.0;
// Half of the 90-degree view: pi / 4 as a single-precision value.
constexpr double k_half_view = 0.7853981256484985;

// Truncation toward zero that saturates instead of overflowing (NaN gives 0); the same as a
// plain conversion for every value that fits.
inline int32_t trunc_int32(double x)
{
    if (!(x > -2147483649.0)) return x != x ? 0 : INT32_MIN;
    if (!(x < 2147483648.0)) return INT32_MAX;
    return static_cast<int32_t>(x);
}

// The cell a coordinate wraps to: non-negative ones repeat every n, negative ones are mirrored
// about 0 first ((n - c) mod n, which is -c mod n). n > 0. The profile's own length and powers of
// two (the texture) avoid the general division, which would dominate the march.
inline uint32_t mirror_wrap(int32_t c, uint32_t n)
{
    const uint32_t m = c >= 0 ? static_cast<uint32_t>(c) : 0u - static_cast<uint32_t>(c);
    if (n == wave_profile_length) return m % static_cast<uint32_t>(wave_profile_length);
    if ((n & (n - 1)) == 0) return m & (n - 1);
    return m % n;
}

// The bottom and top screen directions and points as (height, forward) pairs, pitched, and the
// widening of the strip per step.
struct CastSetup {
    double e0h, e0f, e2h, e2f, q0h, q0f, q2h, q2f, widen;
};

inline CastSetup cast_setup(double pitch)
{
    const double d = 20.0 / std::tan(k_half_view);
    const double len = std::sqrt(d * d + 625.0);
    CastSetup c;
    c.widen = 20.0 / len;   // the bottom direction's width component, never pitched
    c.e0h = -15.0 / len;
    c.e0f = d / len;
    c.e2h = 15.0 / len;
    c.e2f = d / len;
    c.q0h = -15.0;
    c.q0f = 1.0;
    c.q2h = 15.0;
    c.q2f = 1.0;
    const double cp = std::cos(pitch);
    const double sp = std::sin(pitch);
    auto rotate = [cp, sp](double& h, double& f) {
        const double h2 = h * cp + f * sp;
        const double f2 = f * cp - h * sp;
        h = h2;
        f = f2;
    };
    rotate(c.e0h, c.e0f);
    rotate(c.e2h, c.e2f);
    rotate(c.q0h, c.q0f);
    rotate(c.q2h, c.q2f);
    return c;
}

}  // namespace wave_floor_shared
