// The blend formulas of blend.h on four pixels at a time (SSE2, which every x86-64 has), for the
// fast drawing paths. Each pixel's bytes are widened to 16-bit lanes, where a byte times a weight of
// at most 257 and the sums of the formulas fit exactly, so every floored term is computed as in the
// one-pixel helpers; the top byte comes out 0 where the one-pixel formula gives 0.
#pragma once
#include <emmintrin.h>

#include <cstdint>

#include "display/blend.h"

// Four 32-bit weights 0..256, each repeated over the four 16-bit byte lanes of its pixel: pixels 0
// and 1 in `lo`, 2 and 3 in `hi`.
inline void weights_spread4(__m128i w, __m128i* lo, __m128i* hi)
{
    const __m128i w16 = _mm_packs_epi32(w, w);
    const __m128i pairs = _mm_unpacklo_epi16(w16, w16);
    *lo = _mm_unpacklo_epi32(pairs, pairs);
    *hi = _mm_unpackhi_epi32(pairs, pairs);
}

// blend_argb on widened bytes: per byte (src * (a + 1) + dst * (256 - a)) >> 8, a per byte lane
// 0..255. The sum is at most 255 x 257, so it fits 16 bits exactly.
inline __m128i blend_argb_wide(__m128i src, __m128i dst, __m128i a)
{
    const __m128i ws = _mm_add_epi16(a, _mm_set1_epi16(1));
    const __m128i wd = _mm_sub_epi16(_mm_set1_epi16(256), a);
    return _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(src, ws), _mm_mullo_epi16(dst, wd)), 8);
}

// Bytes of pixels 0 and 1 (lo) or 2 and 3 (hi) in 16-bit lanes, and four pixels back from them
// with the top byte cleared.
inline __m128i widen_lo16(__m128i p) { return _mm_unpacklo_epi8(p, _mm_setzero_si128()); }
inline __m128i widen_hi16(__m128i p) { return _mm_unpackhi_epi8(p, _mm_setzero_si128()); }
inline __m128i narrow_rgb16(__m128i lo, __m128i hi)
{
    return _mm_and_si128(_mm_packus_epi16(lo, hi), _mm_set1_epi32(0x00FFFFFF));
}

// floor(x * w / 256) per 16-bit lane (a byte times at most 257).
inline __m128i mul_shift16(__m128i x, __m128i w) { return _mm_srli_epi16(_mm_mullo_epi16(x, w), 8); }

// blend_rgb_split per lane with the weights given as ws = a + 1 and wd = 256 - a, which may differ
// from lane to lane.
inline __m128i blend_rgb_split16(__m128i src, __m128i dst, __m128i ws, __m128i wd)
{
    return _mm_add_epi16(mul_shift16(src, ws), mul_shift16(dst, wd));
}

// scale_rgb on four pixels with one factor f (at most 257).
inline __m128i scale_rgb4(__m128i c, uint32_t f)
{
    const __m128i w = _mm_set1_epi16(static_cast<short>(f));
    return narrow_rgb16(mul_shift16(widen_lo16(c), w), mul_shift16(widen_hi16(c), w));
}

// blend_rgb_split on four pixels with one weight a (0..255).
inline __m128i blend_rgb_split4(__m128i src, __m128i dst, uint32_t a)
{
    const __m128i ws = _mm_set1_epi16(static_cast<short>(a + 1));
    const __m128i wd = _mm_set1_epi16(static_cast<short>(256 - a));
    return narrow_rgb16(blend_rgb_split16(widen_lo16(src), widen_lo16(dst), ws, wd),
                        blend_rgb_split16(widen_hi16(src), widen_hi16(dst), ws, wd));
}

// add_dot_rgb on four pixels, each with its own intensity (the 32-bit lanes of a, 0..255). The
// colour's red, green and blue with 256 in place of its top byte, times a and shifted down by 8,
// give floor(c * a / 256) and a itself, which a saturating byte add puts onto the pixel.
inline __m128i add_dot_rgb4(uint32_t colour, __m128i dst, __m128i a)
{
    const __m128i c16 = _mm_or_si128(widen_lo16(_mm_set1_epi32(static_cast<int>(colour & 0x00FFFFFFu))),
                                     _mm_set_epi16(256, 0, 0, 0, 256, 0, 0, 0));
    const __m128i a_lo = _mm_unpacklo_epi32(a, a);   // a0 a0 a1 a1: each in the low half of two words
    const __m128i a_hi = _mm_unpackhi_epi32(a, a);
    const __m128i w_lo = _mm_or_si128(a_lo, _mm_slli_epi32(a_lo, 16));
    const __m128i w_hi = _mm_or_si128(a_hi, _mm_slli_epi32(a_hi, 16));
    return _mm_adds_epu8(dst, _mm_packus_epi16(mul_shift16(c16, w_lo), mul_shift16(c16, w_hi)));
}

// scale_rgb on four pixels, each with its own factor (the 32-bit lanes of f, each at most 257).
inline __m128i scale_rgb4_each(__m128i c, __m128i f)
{
    __m128i lo, hi;
    weights_spread4(f, &lo, &hi);
    return narrow_rgb16(mul_shift16(widen_lo16(c), lo), mul_shift16(widen_hi16(c), hi));
}

// blend_rgb_split on four pixels, each with its own weight (the 32-bit lanes of a, each 0..255).
inline __m128i blend_rgb_split4_each(__m128i src, __m128i dst, __m128i a)
{
    __m128i ws_lo, ws_hi, wd_lo, wd_hi;
    weights_spread4(_mm_add_epi32(a, _mm_set1_epi32(1)), &ws_lo, &ws_hi);
    weights_spread4(_mm_sub_epi32(_mm_set1_epi32(256), a), &wd_lo, &wd_hi);
    return narrow_rgb16(blend_rgb_split16(widen_lo16(src), widen_lo16(dst), ws_lo, wd_lo),
                        blend_rgb_split16(widen_hi16(src), widen_hi16(dst), ws_hi, wd_hi));
}

// blend_rgb on four pixels, each with its own weight (the 32-bit lanes of a, each 0..255).
inline __m128i blend_rgb4_each(__m128i src, __m128i dst, __m128i a)
{
    __m128i a_lo, a_hi;
    weights_spread4(a, &a_lo, &a_hi);
    return narrow_rgb16(blend_argb_wide(widen_lo16(src), widen_lo16(dst), a_lo),
                        blend_argb_wide(widen_hi16(src), widen_hi16(dst), a_hi));
}

// blend_argb on four pixels, each with its own weight (the 32-bit lanes of a, each 0..255), two
// channels at a time as the one-pixel formula does: red with blue and alpha with green sit in the
// 16-bit halves of each pixel, where a byte times a weight of at most 256 and the sum of both
// products (at most 255 x 257) fit exactly. Always inlined, so that it takes the instruction set of
// the routine that calls it.
__attribute__((always_inline)) inline __m128i blend_argb4_each(__m128i src, __m128i dst, __m128i a)
{
    const __m128i low_bytes = _mm_set1_epi32(static_cast<int>(k_mask_rb));
    const __m128i w = _mm_or_si128(a, _mm_slli_epi32(a, 16));
    const __m128i ws = _mm_add_epi16(w, _mm_set1_epi16(1));
    const __m128i wd = _mm_sub_epi16(_mm_set1_epi16(256), w);
    const __m128i rb = _mm_add_epi16(_mm_mullo_epi16(_mm_and_si128(src, low_bytes), ws),
                                     _mm_mullo_epi16(_mm_and_si128(dst, low_bytes), wd));
    const __m128i ag = _mm_add_epi16(_mm_mullo_epi16(_mm_srli_epi16(src, 8), ws),
                                     _mm_mullo_epi16(_mm_srli_epi16(dst, 8), wd));
    return _mm_or_si128(_mm_srli_epi16(rb, 8), _mm_and_si128(ag, _mm_set1_epi32(static_cast<int>(k_mask_ag))));
}
