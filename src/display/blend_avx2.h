// blend_argb4_each of blend_sse2.h on eight pixels at a time, in AVX2's 256-bit registers, for the
// fast paths' AVX2 twins on x86 (the caller checks that the processor has AVX2). The lanes are
// computed exactly as in the four-pixel helper, so both give the same words.
#pragma once
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

#include "display/blend.h"

// blend_argb on eight pixels, each with its own weight (the 32-bit lanes of a, each 0..255), red
// with blue and alpha with green in the 16-bit halves of each pixel, as blend_argb4_each.
__attribute__((target("avx2"), always_inline)) inline __m256i blend_argb8_each(__m256i src, __m256i dst, __m256i a)
{
    const __m256i low_bytes = _mm256_set1_epi32(static_cast<int>(k_mask_rb));
    const __m256i w = _mm256_or_si256(a, _mm256_slli_epi32(a, 16));
    const __m256i ws = _mm256_add_epi16(w, _mm256_set1_epi16(1));
    const __m256i wd = _mm256_sub_epi16(_mm256_set1_epi16(256), w);
    const __m256i rb = _mm256_add_epi16(_mm256_mullo_epi16(_mm256_and_si256(src, low_bytes), ws),
                                        _mm256_mullo_epi16(_mm256_and_si256(dst, low_bytes), wd));
    const __m256i ag = _mm256_add_epi16(_mm256_mullo_epi16(_mm256_srli_epi16(src, 8), ws),
                                        _mm256_mullo_epi16(_mm256_srli_epi16(dst, 8), wd));
    return _mm256_or_si256(_mm256_srli_epi16(rb, 8),
                           _mm256_and_si256(ag, _mm256_set1_epi32(static_cast<int>(k_mask_ag))));
}

#endif
