// Four-lane float-to-integer conversions that truncate toward zero and give 0x80000000 for a lane
// outside the 32-bit range (or NaN), as SSE2's do: the fast paths use these instead of the SSE2 calls.
// On x86 they are SSE2's own instructions. In WebAssembly the SSE2 emulation converts lane by lane
// through the C library, so they are built from wasm's saturating truncation, with a lane select
// putting 0x80000000 where the value is out of range.
#pragma once
#include <emmintrin.h>

#include <cstdint>

#if defined(__wasm_simd128__)
#include <wasm_simd128.h>

inline __m128i cvtt_ps_epi32(__m128 a)
{
    const v128_t v = (v128_t)a;
    const v128_t in_range = wasm_f32x4_lt(wasm_f32x4_abs(v), wasm_f32x4_splat(2147483648.0f));
    return (__m128i)wasm_v128_bitselect(wasm_i32x4_trunc_sat_f32x4(v), wasm_i32x4_splat(INT32_MIN), in_range);
}

// The two results in lanes 0 and 1; lanes 2 and 3 are 0.
inline __m128i cvtt_pd_epi32(__m128d a)
{
    const v128_t v = (v128_t)a;
    const v128_t in_range64 = wasm_f64x2_lt(wasm_f64x2_abs(v), wasm_f64x2_splat(2147483648.0));
    const v128_t in_range = wasm_i32x4_shuffle(in_range64, wasm_i32x4_splat(-1), 0, 2, 4, 4);
    return (__m128i)wasm_v128_bitselect(wasm_i32x4_trunc_sat_f64x2_zero(v), wasm_i32x4_splat(INT32_MIN), in_range);
}

// Lane 0 alone.
inline int cvtt_ss_si32(__m128 a)
{
    const float f = _mm_cvtss_f32(a);
    return f >= -2147483648.0f && f < 2147483648.0f ? static_cast<int>(f) : INT32_MIN;
}

#else

inline __m128i cvtt_ps_epi32(__m128 a)
{
    return _mm_cvttps_epi32(a);
}

inline __m128i cvtt_pd_epi32(__m128d a)
{
    return _mm_cvttpd_epi32(a);
}

inline int cvtt_ss_si32(__m128 a)
{
    return _mm_cvttss_si32(a);
}

#endif
