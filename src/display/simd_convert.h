// Four-lane float-to-integer conversions that truncate toward zero and give 0x80000000 for a lane
// outside the 32-bit range (or NaN), as SSE2's do: the fast paths use these instead of the SSE2 calls.
// On x86 they are SSE2's own instructions. In WebAssembly the SSE2 emulation converts lane by lane
// through the C library, so they are built from wasm's saturating truncation, with a lane select
// putting 0x80000000 where the value is out of range. Also the few SSE2 operations whose WebAssembly
// emulation costs more than one instruction in the line band's inner loops, with the same results.
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

// cvtt_ps_epi32 for lanes known to lie inside the 32-bit range, or whose result is thrown away: the
// truncation alone, without the lane select.
inline __m128i cvtt_ps_epi32_in_range(__m128 a)
{
    return (__m128i)wasm_i32x4_trunc_sat_f32x4((v128_t)a);
}

// SSE2's maxps and minps: the second operand where the first is not greater (not less), NaN
// included. Wasm's pmax and pmin are exactly that with their operands swapped, one instruction each
// where the emulation takes a compare and a select.
inline __m128 max_ps(__m128 a, __m128 b)
{
    return (__m128)wasm_f32x4_pmax((v128_t)b, (v128_t)a);
}

inline __m128 min_ps(__m128 a, __m128 b)
{
    return (__m128)wasm_f32x4_pmin((v128_t)b, (v128_t)a);
}

// The same for two doubles, and cvtt_pd_epi32 for values inside the 32-bit range.
inline __m128d max_pd(__m128d a, __m128d b)
{
    return (__m128d)wasm_f64x2_pmax((v128_t)b, (v128_t)a);
}

inline __m128d min_pd(__m128d a, __m128d b)
{
    return (__m128d)wasm_f64x2_pmin((v128_t)b, (v128_t)a);
}

inline __m128i cvtt_pd_epi32_in_range(__m128d a)
{
    return (__m128i)wasm_i32x4_trunc_sat_f64x2_zero((v128_t)a);
}

// The greater and the lesser of four pairs of 32-bit integers.
inline __m128i max_epi32(__m128i a, __m128i b)
{
    return (__m128i)wasm_i32x4_max((v128_t)a, (v128_t)b);
}

inline __m128i min_epi32(__m128i a, __m128i b)
{
    return (__m128i)wasm_i32x4_min((v128_t)a, (v128_t)b);
}

// trunc(v) held to -2^30 .. 2^30, NaN giving -2^30: min(max(v, -2^30), 2^30) truncated, on one lane.
inline int trunc_held_ss(float v)
{
    const float low = v > -1073741824.0f ? v : -1073741824.0f;
    return static_cast<int>(low < 1073741824.0f ? low : 1073741824.0f);
}

// Four 32-bit lanes shifted by n bits, n in 0..31 and the same for every lane: wasm's shifts take
// the count as a number, where the emulated SSE2 shift by a register checks it on every call. The
// empty volatile asm keeps the count inside the loop that shifts: the compiler otherwise makes one
// vector of counts before the loop, and a shift by a vector it no longer sees as one count becomes
// four extractions, four scalar shifts and four insertions.
inline __m128i srl_epi32_by(__m128i a, int n)
{
    __asm__ volatile("" : "+r"(n));
    return (__m128i)wasm_u32x4_shr((v128_t)a, n);
}

inline __m128i sll_epi32_by(__m128i a, int n)
{
    __asm__ volatile("" : "+r"(n));
    return (__m128i)wasm_i32x4_shl((v128_t)a, n);
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

inline __m128i cvtt_ps_epi32_in_range(__m128 a)
{
    return _mm_cvttps_epi32(a);
}

inline __m128 max_ps(__m128 a, __m128 b)
{
    return _mm_max_ps(a, b);
}

inline __m128 min_ps(__m128 a, __m128 b)
{
    return _mm_min_ps(a, b);
}

inline __m128d max_pd(__m128d a, __m128d b)
{
    return _mm_max_pd(a, b);
}

inline __m128d min_pd(__m128d a, __m128d b)
{
    return _mm_min_pd(a, b);
}

inline __m128i cvtt_pd_epi32_in_range(__m128d a)
{
    return _mm_cvttpd_epi32(a);
}

// SSE2 has no 32-bit integer max or min: a compare and a select.
inline __m128i max_epi32(__m128i a, __m128i b)
{
    const __m128i a_greater = _mm_cmpgt_epi32(a, b);
    return _mm_or_si128(_mm_and_si128(a_greater, a), _mm_andnot_si128(a_greater, b));
}

inline __m128i min_epi32(__m128i a, __m128i b)
{
    const __m128i a_greater = _mm_cmpgt_epi32(a, b);
    return _mm_or_si128(_mm_and_si128(a_greater, b), _mm_andnot_si128(a_greater, a));
}

// maxss gives its second operand when the first is NaN.
inline int trunc_held_ss(float v)
{
    const __m128 low = _mm_max_ss(_mm_set_ss(v), _mm_set_ss(-1073741824.0f));
    return _mm_cvttss_si32(_mm_min_ss(low, _mm_set_ss(1073741824.0f)));
}

inline __m128i srl_epi32_by(__m128i a, int n)
{
    return _mm_srl_epi32(a, _mm_cvtsi32_si128(n));
}

inline __m128i sll_epi32_by(__m128i a, int n)
{
    return _mm_sll_epi32(a, _mm_cvtsi32_si128(n));
}

#endif
