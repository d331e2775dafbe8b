// The fast twin of the column renderer: the same words as the plain one, each depth serving two
// pixels and the blends four pixels at a time; rows too wide for it take the plain row.
#include <emmintrin.h>

#include <cmath>
#include <cstdint>
#include <cstring>

#include "display/blend.h"
#include "display/blend_sse2.h"
#include "display/render_paths.h"
#include "display/surface.h"
#include "scenes/objects/column_renderer.h"
#include "scenes/objects/column_renderer_twins.h"

using namespace column_shared;

namespace {

// One row on the fast path, for half-widths up to 4096. r is a float widened to double, so r * r is
// exact (48 significant bits) and so is r^2 - j^2 for |j| <= n: the tint's root is sqrt(r^2) all
// along the row, and the depth s is the same for j and -j. The displacements of -j are the negated
// ones of j (products with -j are the negated products, and truncation is odd), so each depth
// serves two pixels. Positions inside the frame skip the reflections' divisions. The three blends
// run on four pixels at a time.
void column_row_fast(int y, const float* heights, const Surface* background, const Surface* glow, Surface* dst,
                     uint32_t tint)
{
    const auto [r, n, slope, inv, r2, src_row, out] = column_row_start(y, heights, background, dst);
    if (n > 0) {
        const int m_root = static_cast<int>(std::sqrt(r2));
        const uint32_t m = static_cast<uint32_t>(m_root < 255 ? m_root : 255);

        // The displacements and the shade of |j| = 0 .. n.
        int dy1[k_centre + 1], dx1[k_centre + 1], dx2[k_centre + 1], dy2[k_centre + 1];
        uint16_t shade[k_centre + 1];
        for (int a = 0; a <= n; ++a) {
            const double jd = a;
            const double s = std::sqrt(r2 - jd * jd);
            const double q = inv * s * jd;
            dy1[a] = static_cast<int>(0.5 * s * slope);
            dx1[a] = static_cast<int>(0.5 * q);
            dx2[a] = static_cast<int>(q);
            dy2[a] = static_cast<int>(slope * s);
            const int depth_shade = 64 + static_cast<int>(2.0 * s);
            shade[a] = static_cast<uint16_t>((depth_shade < 255 ? depth_shade : 255) + 1);
        }

        // The samples of the span's 2n pixels, then the blends four at a time.
        alignas(16) uint32_t sample[2 * k_centre];
        // Each pixel's shade and coverage repeated in the four 16-bit lanes of its bytes.
        alignas(16) uint64_t factor[2 * k_centre];
        alignas(16) uint64_t cover[2 * k_centre];
        constexpr uint64_t k_lanes = 0x0001000100010001u;
        const uint8_t* bg = reinterpret_cast<const uint8_t*>(background->pixels);
        const intptr_t bg_pitch = background->pitch;
        const uint8_t* gl = reinterpret_cast<const uint8_t*>(glow->pixels);
        const intptr_t gl_pitch = glow->pitch;
        for (int i = 0; i < 2 * n; ++i) {
            const int j = i - n;
            const int a = j < 0 ? -j : j;
            const int x = k_centre + j;
            int sy = y + dy1[a];
            if (static_cast<unsigned>(sy) >= static_cast<unsigned>(k_frame_height))
                sy = wrap_reflect(sy, k_frame_height);
            int sx = x + (j < 0 ? -dx1[a] : dx1[a]);
            if (static_cast<unsigned>(sx) >= static_cast<unsigned>(k_frame_width)) sx = wrap_reflect(sx, k_frame_width);
            sample[i] = reinterpret_cast<const uint32_t*>(bg + sy * bg_pitch)[sx];
            factor[i] = shade[a] * k_lanes;
            const int gx = x + (j < 0 ? -dx2[a] : dx2[a]);
            const int gy = y - dy2[a];
            uint32_t g = 0;   // no coverage: the glow blend keeps the pixel
            if (gx > 0 && gx < k_frame_width && gy > 0 && gy < k_frame_height)
                g = reinterpret_cast<const uint32_t*>(gl + gy * gl_pitch)[gx] >> 24;
            cover[i] = g * k_lanes;
        }

        // Tint by m, shade by k, then the glow's white by g: white's term floor(255 * (g + 1) / 256).
        const __m128i tint16 = widen_lo16(_mm_set1_epi32(static_cast<int>(tint)));
        const __m128i white16 = widen_lo16(_mm_set1_epi32(static_cast<int>(k_white)));
        const __m128i tint_ws = _mm_set1_epi16(static_cast<short>(m + 1));
        const __m128i tint_wd = _mm_set1_epi16(static_cast<short>(256 - m));
        const __m128i one = _mm_set1_epi16(1);
        const __m128i c256 = _mm_set1_epi16(256);
        auto blend_two = [&](__m128i p16, int i) __attribute__((always_inline)) {
            const __m128i t = blend_rgb_split16(tint16, p16, tint_ws, tint_wd);
            const __m128i o = mul_shift16(t, _mm_load_si128(reinterpret_cast<const __m128i*>(factor + i)));
            const __m128i g = _mm_load_si128(reinterpret_cast<const __m128i*>(cover + i));
            return blend_rgb_split16(white16, o, _mm_add_epi16(g, one), _mm_sub_epi16(c256, g));
        };
        int i = 0;
        for (; i + 4 <= 2 * n; i += 4) {
            const __m128i p = _mm_load_si128(reinterpret_cast<const __m128i*>(sample + i));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k_centre - n + i),
                             narrow_rgb16(blend_two(widen_lo16(p), i), blend_two(widen_hi16(p), i + 2)));
        }
        for (; i < 2 * n; ++i) {
            uint32_t o = scale_rgb(blend_rgb_split(tint, sample[i], m), static_cast<uint32_t>(factor[i] & 0xFFFFu));
            o = blend_rgb_split(k_white, o, static_cast<uint32_t>(cover[i] & 0xFFFFu));
            out[k_centre - n + i] = o;
        }
    }
    std::memcpy(out + k_centre + n, src_row + k_centre + n,
                static_cast<size_t>(k_frame_width - k_centre - n) * sizeof(uint32_t));
}

// The fast row in the AVX2 encoding on x86, whose three-operand instructions spare the register
// copies: the same operations, so the same words. `flatten` compiles the whole row into it.
#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("avx2"), flatten)) void column_row_avx2(int y, const float* heights, const Surface* background,
                                                              const Surface* glow, Surface* dst, uint32_t tint)
{
    column_row_fast(y, heights, background, glow, dst, tint);
}
#endif

}  // namespace

void render_column_fast(const float* heights, const Surface* background, const Surface* glow, Surface* dst,
                        uint32_t tint, int row_from, int row_to)
{
    if (row_from < 0) row_from = 0;
    if (row_to > k_frame_height) row_to = k_frame_height;
    for (int y = row_from; y < row_to; ++y) {
        // Heights so large that r^2 - j^2 could round (or not numbers) take the reference row.
        const bool fits = std::fabs(heights[y]) <= 4096.0f && std::fabs(heights[y + 1]) <= 4096.0f;
        if (!fits) column_row_plain(y, heights, background, glow, dst, tint);
#if defined(__x86_64__) || defined(__i386__)
        else if (g_avx2_paths) column_row_avx2(y, heights, background, glow, dst, tint);
#endif
        else column_row_fast(y, heights, background, glow, dst, tint);
    }
}
