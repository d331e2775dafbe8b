// The fast twins of the additive glow dot and the dot matrix: the same words as the plain twins in
// dot_fillers.cpp, four pixels at a time, and able to keep to a band of rows.
#include <emmintrin.h>

#include <algorithm>
#include <cmath>

#include "display/blend.h"
#include "display/blend_sse2.h"
#include "display/simd_convert.h"
#include "display/render_paths.h"
#include "display/surface.h"
#include "scenes/objects/dot_fillers.h"
#include "scenes/objects/dot_fillers_twins.h"

using namespace dot_shared;

namespace {

// The glow dot on the fast path: the same rows, columns, margins and division, four pixels at a
// time. While |cx| < 2^24 every x - cx is exact in double, so the plain running sum dx equals
// x - cx taken directly. A zero intensity adds nothing, so lanes outside the circle add 0.
void glow_dot_rows_fast(Surface* dst, float cx, float cy, float r, uint32_t colour, int row_from, int row_to)
{
    const uint32_t alpha = colour >> 24;
    if (alpha == 0) return;
    const double cxd = cx;
    const double cyd = cy;
    const double rd = r;
    const int y0 = std::max(trunc_held(cyd - rd), 0);
    const int y1 = std::min(trunc_held(cyd + rd + 1.5), std::min(384, row_to));
    if (y0 >= y1) return;
    const double r2 = rd * rd;
    const double alpha_d = static_cast<double>(alpha);
    const bool lanes_exact = std::fabs(cxd) < 16777216.0 && rd < 4096.0;

    const __m128i zero = _mm_setzero_si128();
    const __m128d v_w_mul = _mm_set1_pd(alpha_d);
    const __m128d v_r2 = _mm_set1_pd(r2);
    const __m128d v_four = _mm_set1_pd(4.0);
    const __m128d v_zero = _mm_setzero_pd();

    double dy = static_cast<double>(y0) - cyd;
    for (int y = y0; y < y1; ++y, dy += 1.0) {
        if (y < row_from) continue;
        const double w = r2 - dy * dy;
        if (w < 0.0) continue;
        const double s = std::sqrt(w);
        const int x0 = std::max(trunc_held(cxd - s), 0);
        const int x1 = std::min(trunc_held(cxd + s + 1.5), 512);
        uint32_t* row = surface_row(dst, y);
        double dx = static_cast<double>(x0) - cxd;
        int x = x0;
        if (lanes_exact) {
            const __m128d v_w = _mm_set1_pd(w);
            __m128d dx01 = _mm_add_pd(_mm_set1_pd(dx), _mm_set_pd(1.0, 0.0));
            __m128d dx23 = _mm_add_pd(_mm_set1_pd(dx), _mm_set_pd(3.0, 2.0));
            for (; x + 4 <= x1; x += 4) {
                const __m128d q01 = _mm_sub_pd(v_w, _mm_mul_pd(dx01, dx01));
                const __m128d q23 = _mm_sub_pd(v_w, _mm_mul_pd(dx23, dx23));
                // q <= 0 leaves the pixel: its intensity becomes 0.
                const __m128d in01 = _mm_cmpgt_pd(q01, v_zero);
                const __m128d in23 = _mm_cmpgt_pd(q23, v_zero);
                const __m128d a01 = _mm_and_pd(_mm_div_pd(_mm_mul_pd(q01, v_w_mul), v_r2), in01);
                const __m128d a23 = _mm_and_pd(_mm_div_pd(_mm_mul_pd(q23, v_w_mul), v_r2), in23);
                // 0, or q * alpha / r^2 with 0 < q <= r^2: inside the 32-bit range.
                const __m128i a = _mm_unpacklo_epi64(cvtt_pd_epi32_in_range(a01), cvtt_pd_epi32_in_range(a23));
                dx01 = _mm_add_pd(dx01, v_four);
                dx23 = _mm_add_pd(dx23, v_four);
                if (_mm_movemask_epi8(_mm_cmpeq_epi32(a, zero)) == 0xFFFF) continue;
                __m128i* p = reinterpret_cast<__m128i*>(row + x);
                _mm_storeu_si128(p, add_dot_rgb4(colour, _mm_loadu_si128(p), a));
            }
            dx = static_cast<double>(x) - cxd;
        }
        for (; x < x1; ++x, dx += 1.0) {
            const double q = w - dx * dx;
            if (!(q > 0.0)) continue;
            const uint32_t a = static_cast<uint32_t>(q * alpha_d / r2);
            if (a != 0) row[x] = add_dot_rgb(colour, row[x], a);
        }
    }
}

// Mixing-dot pixels x0 .. x1 - 1 of one row, four at a time: x - cx is taken directly, which equals
// the plain running sum while 1 <= |cx| < 2^24 (every difference is then exact). A margin q <= 0
// gives v <= 0 and so intensity 0, and a blend with intensity 0 keeps the pixel, so every lane of
// a group inside the row may be written; lanes at or past x1 are held at 0.
inline void mix_span4(uint32_t* out, int x0, int x1, int width, double cxd, double w, double k_alpha,
                      double k_hard, uint32_t colour, uint32_t alpha)
{
    const __m128d v_w = _mm_set1_pd(w);
    const __m128d v_ka = _mm_set1_pd(k_alpha);
    const __m128d v_kh = _mm_set1_pd(k_hard);
    const __m128d v_alpha = _mm_set1_pd(static_cast<double>(alpha));
    const __m128d v_zero = _mm_setzero_pd();
    const __m128i src16 = _mm_unpacklo_epi8(_mm_set1_epi32(static_cast<int>(colour)), _mm_setzero_si128());
    __m128d dx01 = _mm_sub_pd(_mm_set_pd(x0 + 1.0, static_cast<double>(x0)), _mm_set1_pd(cxd));
    __m128d dx23 = _mm_sub_pd(_mm_set_pd(x0 + 3.0, x0 + 2.0), _mm_set1_pd(cxd));
    const __m128d v_four = _mm_set1_pd(4.0);
    int x = x0;
    for (; x < x1 && x + 4 <= width; x += 4) {
        const __m128d q01 = _mm_sub_pd(v_w, _mm_mul_pd(dx01, dx01));
        const __m128d q23 = _mm_sub_pd(v_w, _mm_mul_pd(dx23, dx23));
        const __m128d v01 = _mm_mul_pd(_mm_mul_pd(q01, v_ka), v_kh);
        const __m128d v23 = _mm_mul_pd(_mm_mul_pd(q23, v_ka), v_kh);
        dx01 = _mm_add_pd(dx01, v_four);
        dx23 = _mm_add_pd(dx23, v_four);
        // Held to 0 .. alpha (NaN cannot arise: see the caller).
        __m128i a = _mm_unpacklo_epi64(cvtt_pd_epi32_in_range(max_pd(min_pd(v01, v_alpha), v_zero)),
                                       cvtt_pd_epi32_in_range(max_pd(min_pd(v23, v_alpha), v_zero)));
        const __m128i lane_x = _mm_add_epi32(_mm_set1_epi32(x), _mm_set_epi32(3, 2, 1, 0));
        a = _mm_and_si128(a, _mm_cmplt_epi32(lane_x, _mm_set1_epi32(x1)));
        __m128i a_lo, a_hi;
        weights_spread4(a, &a_lo, &a_hi);
        __m128i* p = reinterpret_cast<__m128i*>(out + x);
        const __m128i d = _mm_loadu_si128(p);
        _mm_storeu_si128(p, _mm_packus_epi16(blend_argb_wide(src16, widen_lo16(d), a_lo),
                                             blend_argb_wide(src16, widen_hi16(d), a_hi)));
    }
    for (; x < x1; ++x) {
        const double dx = static_cast<double>(x) - cxd;
        const double q = w - dx * dx;
        if (!(q > 0.0)) continue;
        const uint32_t a = soft_alpha(q * k_alpha * k_hard, alpha);
        out[x] = blend_argb(colour, out[x], a);
    }
}

// The dot matrix on the fast path, writing only rows row_from .. row_to - 1. Every dot of one source
// row has the same centre row and radius, so the rows it visits, their margins w and their
// half-chords s are worked out once per source row instead of once per dot; K = alpha / r^2 is kept
// for the last alpha seen. The per-pixel arithmetic is the mixing dot's own. The dots are visited
// in the plain order, so a pixel under several dots sees the same blends in the same order.
void dot_matrix_rows_fast(Surface* dst, const Surface* src, float x, float y, float spacing, float hardness, int alpha_in,
                     int row_from, int row_to)
{
    const uint32_t t = static_cast<uint32_t>(alpha_in < 0 ? 0 : alpha_in > 255 ? 255 : alpha_in);
    const double step = 2.0 * static_cast<double>(spacing);
    const double rd = spacing;
    const double r2 = static_cast<double>(static_cast<float>(rd * rd));
    const double k_hard = static_cast<double>(static_cast<float>(100.0 / (100.0 - static_cast<double>(hardness))));
    const int xlimit = dst->width;
    const int ylimit = std::min(dst->height, row_to);
    uint32_t cached_alpha = 256;
    double k_alpha = 0.0;
    // The four-pixel groups need H finite and positive and K finite and not negative: then no
    // product is NaN, and q <= 0 gives intensity 0.
    const bool hard_ok = k_hard > 0.0 && k_hard <= 1e300;

    // The rows of one dot row: a radius beyond this many rows draws through the plain dots.
    constexpr int k_max_rows = 64;
    double row_w[k_max_rows];
    double row_s[k_max_rows];
    int row_y[k_max_rows];

    for (int i = 0; i < src->height; ++i) {
        const uint32_t* pixels = surface_row(src, i);
        const float cy = static_cast<float>(static_cast<double>(y) + step * i);
        const double cyd = cy;
        const int y0 = std::max(trunc_held(cyd - rd), 0);
        const int y1 = std::min(trunc_held(cyd + rd + 1.5), ylimit);
        if (y0 >= y1 || y1 <= row_from) continue;   // no dot of this row draws here
        if (y1 - y0 > k_max_rows) {
            for (int j = 0; j < src->width; ++j) {
                const float cx = static_cast<float>(static_cast<double>(x) + step * j);
                dot_scan<DotKind::soft_mix>(dst, cx, cy, spacing, hardness, pixels[j] | (t << 24), xlimit, ylimit,
                                            row_from);
            }
            continue;
        }
        int rows = 0;
        double dy = static_cast<double>(y0) - cyd;
        for (int yy = y0; yy < y1; ++yy, dy += 1.0) {
            const double w = static_cast<double>(static_cast<float>(r2 - dy * dy));
            if (w < 0.0 || yy < row_from) continue;
            row_w[rows] = w;
            row_s[rows] = std::sqrt(w);
            row_y[rows] = yy;
            ++rows;
        }
        for (int j = 0; j < src->width; ++j) {
            const float cx = static_cast<float>(static_cast<double>(x) + step * j);
            const uint32_t colour = pixels[j] | (t << 24);
            const uint32_t alpha = colour >> 24;
            if (alpha != cached_alpha) {
                cached_alpha = alpha;
                k_alpha = static_cast<double>(static_cast<float>(static_cast<double>(alpha) / r2));
            }
            const double cxd = cx;
            const double acx = std::fabs(cxd);
            const bool lanes = hard_ok && k_alpha >= 0.0 && k_alpha <= 1e300 && acx >= 1.0 && acx < 16777216.0;
            for (int k = 0; k < rows; ++k) {
                const double w = row_w[k];
                const double s = row_s[k];
                const int x0 = std::max(trunc_held(cxd - s), 0);
                const int x1 = std::min(trunc_held(cxd + s + 1.5), xlimit);
                uint32_t* out = surface_row(dst, row_y[k]);
                if (lanes) {
                    mix_span4(out, x0, x1, xlimit, cxd, w, k_alpha, k_hard, colour, alpha);
                    continue;
                }
                double dx = static_cast<double>(x0) - cxd;
                for (int xx = x0; xx < x1; ++xx, dx += 1.0) {
                    const double q = w - dx * dx;
                    if (!(q > 0.0)) continue;
                    const uint32_t a = soft_alpha(q * k_alpha * k_hard, alpha);
                    out[xx] = blend_argb(colour, out[xx], a);
                }
            }
        }
    }
}

// Both in the AVX2 encoding on x86, whose three-operand instructions spare the register copies: the
// same operations, so the same words. `flatten` compiles the whole drawing into each.
#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("avx2"), flatten)) void glow_dot_rows_avx2(Surface* dst, float cx, float cy, float r,
                                                                 uint32_t colour, int row_from, int row_to)
{
    glow_dot_rows_fast(dst, cx, cy, r, colour, row_from, row_to);
}

__attribute__((target("avx2"), flatten)) void dot_matrix_rows_avx2(Surface* dst, const Surface* src, float x, float y,
                                                                   float spacing, float hardness, int alpha,
                                                                   int row_from, int row_to)
{
    dot_matrix_rows_fast(dst, src, x, y, spacing, hardness, alpha, row_from, row_to);
}
#endif

}  // namespace

void draw_glow_dot_add_fast(Surface* dst, float cx, float cy, float r, uint32_t colour, int row_from, int row_to)
{
#if defined(__x86_64__) || defined(__i386__)
    if (g_avx2_paths) return glow_dot_rows_avx2(dst, cx, cy, r, colour, row_from, row_to);
#endif
    glow_dot_rows_fast(dst, cx, cy, r, colour, row_from, row_to);
}

void draw_dot_matrix_fast(Surface* dst, const Surface* src, float x, float y, float spacing, float hardness, int alpha,
                          int row_from, int row_to)
{
#if defined(__x86_64__) || defined(__i386__)
    if (g_avx2_paths) return dot_matrix_rows_avx2(dst, src, x, y, spacing, hardness, alpha, row_from, row_to);
#endif
    dot_matrix_rows_fast(dst, src, x, y, spacing, hardness, alpha, row_from, row_to);
}
