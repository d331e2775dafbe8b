// The fast twins of the curve and the glow dot. The fast curve computes each of its seventeen points
// once and shares it between the two pieces that meet there (the parameters are multiples of 1/16,
// exact in a float, so the point that ends one piece is bit for bit the one that starts the next),
// and only x and y: z and w never reach a pixel; a caller that draws the same curve in several row
// bands can make the points once. The fast dot takes four pixels of a row at a time through the
// same double arithmetic. Both can keep to a band of rows.
#include <emmintrin.h>

#include <algorithm>
#include <cmath>

#include "display/blend_sse2.h"
#include "display/render_paths.h"
#include "display/simd_convert.h"
#include "display/surface.h"
#include "geom3d/curves.h"
#include "geom3d/curves_twins.h"
#include "geom3d/lines_twins.h"

using namespace curve_shared;

namespace {

// Rows of moderate size: rounding in the curve points stays far below a pixel.
constexpr float k_moderate = 1048576.0f;

// The seventeen points of a curve, x and y only.
void points_make_fast(const Vec4& a, const Vec4& b, const Vec4& control, Vec4 points[17])
{
    float t = 0.0f;
    for (int i = 0; i < 17; ++i) {
        const double td = t;
        const double t2 = td * td;
        const double tm = 2.0 * td * (1.0 - td);
        const double m2 = (1.0 - td) * (1.0 - td);
        points[i] = {bezier(a.x, b.x, control.x, t2, tm, m2), bezier(a.y, b.y, control.y, t2, tm, m2), 0.0f, 0.0f};
        t += k_piece;
    }
}

}  // namespace

void draw_curve_fast(Surface* s, const Vec4& a, const Vec4& b, const Vec4& control, uint32_t colour, int row_from,
                     int row_to)
{
    // The curve stays inside the triangle of its three points; one far from the band is passed over.
    if (row_from > 0 || row_to < s->height) {
        const float lo = std::min(std::min(a.y, b.y), control.y);
        const float hi = std::max(std::max(a.y, b.y), control.y);
        if (lo > -k_moderate && hi < k_moderate &&
            (hi + 3.0f < static_cast<float>(row_from) || lo - 3.0f >= static_cast<float>(row_to)))
            return;
    }
    Vec4 points[17];
    points_make_fast(a, b, control, points);
    draw_polyline_fast(s, points, 17, colour, 1.0f, row_from, row_to);
}

namespace {

// draw_glow_dot_plain on the rows row_from .. row_to - 1; each row of a dot stands on its own.
void glow_dot_draw_rows(Surface* s, float cx, float cy, float r, uint32_t colour, int row_from, int row_to)
{
    GlowDot d;
    if (!glow_dot_setup(s, cx, cy, r, colour, row_from, row_to, &d)) return;
    for (int y = d.y_from; y < d.y_to; ++y) {
        double span;
        int x_from, x_to;
        if (!glow_row_span(cx, cy, d.r2, y, d.col_end, &span, &x_from, &x_to)) continue;
        uint32_t* row = surface_row(s, y);
        int x = x_from;
        // Four pixels at a time, each value as the pixel loop below computes it; a lane outside
        // the span or the dot writes back the word it read.
        const __m128d cx2 = _mm_set1_pd(static_cast<double>(cx));
        const __m128d span2 = _mm_set1_pd(span);
        const __m128d k2 = _mm_set1_pd(d.k);
        const __m128i end4 = _mm_set1_epi32(x_to);
        for (; x < x_to && x + 3 < s->width; x += 4) {
            const __m128d dx01 = _mm_sub_pd(_mm_set_pd(x + 1, x), cx2);
            const __m128d dx23 = _mm_sub_pd(_mm_set_pd(x + 3, x + 2), cx2);
            const __m128d q01 = _mm_sub_pd(span2, _mm_mul_pd(dx01, dx01));
            const __m128d q23 = _mm_sub_pd(span2, _mm_mul_pd(dx23, dx23));
            const __m128 inside = _mm_shuffle_ps(_mm_castpd_ps(_mm_cmpgt_pd(q01, _mm_setzero_pd())),
                                                 _mm_castpd_ps(_mm_cmpgt_pd(q23, _mm_setzero_pd())), 0x88);
            const __m128i draw = _mm_and_si128(_mm_castps_si128(inside),
                                               _mm_cmplt_epi32(_mm_setr_epi32(x, x + 1, x + 2, x + 3), end4));
            const __m128d c255 = _mm_set1_pd(255.0);
            // At most 255 after the min and never NaN: the truncation alone gives what SSE2 gives, down
            // to 0x80000000 below the range.
            const __m128i v = _mm_unpacklo_epi64(cvtt_pd_epi32_in_range(min_pd(_mm_mul_pd(k2, q01), c255)),
                                                 cvtt_pd_epi32_in_range(min_pd(_mm_mul_pd(k2, q23), c255)));
            const __m128i dst = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x));
            const __m128i alpha = _mm_min_epi16(_mm_add_epi32(v, _mm_srli_epi32(dst, 24)), _mm_set1_epi32(255));
            const __m128i out = blend_rgb4_each(_mm_set1_epi32(static_cast<int>(colour)), dst, alpha);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(row + x),
                             _mm_or_si128(_mm_and_si128(draw, out), _mm_andnot_si128(draw, dst)));
        }
        for (; x < x_to; ++x) {
            glow_pixel(row + x, x - static_cast<double>(cx), span, d.k, colour);
        }
    }
}

// The dot in the AVX2 encoding on x86, whose three-operand instructions spare the register copies:
// the same operations, so the same words. `flatten` compiles the whole dot into it.
#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("avx2"), flatten)) void glow_dot_draw_rows_avx2(Surface* s, float cx, float cy, float r,
                                                                      uint32_t colour, int row_from, int row_to)
{
    glow_dot_draw_rows(s, cx, cy, r, colour, row_from, row_to);
}
#endif

}  // namespace

void draw_glow_dot_fast(Surface* s, float cx, float cy, float r, uint32_t colour, int row_from, int row_to)
{
#if defined(__x86_64__) || defined(__i386__)
    if (g_avx2_paths) return glow_dot_draw_rows_avx2(s, cx, cy, r, colour, row_from, row_to);
#endif
    glow_dot_draw_rows(s, cx, cy, r, colour, row_from, row_to);
}

void curve_points_make(const Vec4& a, const Vec4& b, const Vec4& control, Vec4 points[17])
{
    points_make_fast(a, b, control, points);
}
