// The fast twin of the line band: the same words as draw_line_wide_plain. It skips the four clips
// when both ends are inside, skips the colour blend along a one-colour segment (a colour blended with
// itself is that colour), and shades four pixels at a time without branches: d and a still advance
// by one float addition per pixel, and a lane that must not change is written back with alpha 0,
// which leaves every byte as it was. It can also keep to a band of rows, so that row bands drawn
// apart add up to the whole line. It sets a band up once (LineBand) and then shades its rows; on
// x86 the code is compiled twice, for SSE2 and in the AVX2 encoding, and a processor with AVX2 takes
// the second (same operations, same words), whose four short rows at once use 256-bit registers. A
// polyline of one colour and width (a curve's sixteen
// pieces) is drawn in one call, which makes the shading constants once for all its pieces; a
// one-colour band shades four short rows at once, a row in each lane.
#include <emmintrin.h>

#include <algorithm>
#include <cmath>

#include "display/blend_avx2.h"
#include "display/blend_sse2.h"
#include "display/render_paths.h"
#include "display/simd_convert.h"
#include "display/surface.h"
#include "geom3d/lines.h"
#include "geom3d/lines_twins.h"

using namespace line_shading;

namespace {

// A line band with its set-up done: everything the fast path works out from the ends, the
// colours and the width before it visits a pixel, for a surface of a given size.
struct LineBand {
    int32_t kind;              // k_band_none, k_band_slanted or k_band_level
    int32_t simd;              // 1: shaded four pixels at a time (half-widths up to 64)
    int32_t ymin, ymax;        // the rows it may write
    int32_t xmin, xmax;        // the columns it may write
    float xs, xe, slope;       // slanted: the row span at row ymin and its step per row
    float row_d, row_a;        // slanted: d and a at column 0 of row ymin
    float nx, ny;              // slanted: a's and d's step per pixel
    float level_y;             // level: the row of the centre line
    float sign;                // level: 255 with the direction along x
    float cover_scale;         // 255 x half-width
    float end;                 // 255 x length
    float inv_len;
    uint32_t c0, c1;           // colours at the upper and the lower clipped end
};
constexpr int32_t k_band_none = 0;
constexpr int32_t k_band_slanted = 1;
constexpr int32_t k_band_level = 2;

// Four-at-a-time shading. Exact only while 255 x the coverage product fits a float's 24-bit
// integers: half-widths up to 64; wider bands are shaded one pixel at a time.
constexpr float k_simd_max_w = 64.0f;

// Lanes 0..n-1 set, for a last group of n < 4 pixels.
const __m128 k_lanes[5] = {_mm_castsi128_ps(_mm_setr_epi32(0, 0, 0, 0)),
                           _mm_castsi128_ps(_mm_setr_epi32(-1, 0, 0, 0)),
                           _mm_castsi128_ps(_mm_setr_epi32(-1, -1, 0, 0)),
                           _mm_castsi128_ps(_mm_setr_epi32(-1, -1, -1, 0)),
                           _mm_castsi128_ps(_mm_setr_epi32(-1, -1, -1, -1))};

// Four lanes that continue a float sum one addition at a time: lane i holds the start plus the step
// added i times in turn. Adding 0 to a lane leaves its value (a zero may lose its sign, which no
// use here can tell).
struct LaneSum {
    __m128 step1, step2, step3, step;
    // The steps are one splat with lanes masked off, three ANDs: fewer instructions than making
    // each vector from the float (2% fewer in the SSE2 line band).
    explicit LaneSum(float s)
        : step1(_mm_and_ps(_mm_set1_ps(s), _mm_castsi128_ps(_mm_setr_epi32(0, -1, -1, -1)))),
          step2(_mm_and_ps(_mm_set1_ps(s), _mm_castsi128_ps(_mm_setr_epi32(0, 0, -1, -1)))),
          step3(_mm_and_ps(_mm_set1_ps(s), _mm_castsi128_ps(_mm_setr_epi32(0, 0, 0, -1)))), step(_mm_set1_ps(s))
    {
    }
    __m128 lanes(__m128 start) const
    {
        return _mm_add_ps(_mm_add_ps(_mm_add_ps(start, step1), step2), step3);
    }
    // The start of the next four: the last lane plus one step, in every lane.
    __m128 next(__m128 v) const { return _mm_add_ps(_mm_shuffle_ps(v, v, 0xFF), step); }
};

// The plain loop over one row's pixels, for bands too wide for four at a time.
template <bool k_d_moves>
void span_plain_shade(uint32_t* row, int x_from, int x_to, float d, float a, float step_d, float step_a,
                      const LineShade& ls)
{
    for (int x = x_from; x <= x_to; ++x) {
        shade_pixel(row + x, d, a, ls);
        if (k_d_moves) d += step_d;
        a += step_a;
    }
}

// The row values of a slanted band: the row's span xs..xe, and d and a at its column 0.
struct SlantRow {
    float xs, xe, row_d, row_a;
};

// The next row's values: one addition each, as the whole line advances them.
__attribute__((always_inline)) inline void slant_row_step(const LineBand& b, SlantRow* r)
{
    r->xs += b.slope;
    r->xe += b.slope;
    r->row_d -= b.nx;
    r->row_a += b.ny;
}

// The values of row *y, the band's first row at or after row_from: rows before the band still
// advance the values one row at a time, so a band of rows starts on the values the whole line has.
__attribute__((always_inline)) inline SlantRow slant_row_first(const LineBand& b, int row_from, int y_last, int* y)
{
    SlantRow r = {b.xs, b.xe, b.row_d, b.row_a};
    for (*y = b.ymin; *y < row_from && *y <= y_last; ++*y) slant_row_step(b, &r);
    return r;
}

// The slanted rows of a band too wide for four pixels at a time, one pixel at a time.
void slant_rows_shade(Surface* s, const LineBand& b, int row_from, int y_last, const LineShade& ls)
{
    int y;
    for (SlantRow r = slant_row_first(b, row_from, y_last, &y); y <= y_last; ++y, slant_row_step(b, &r)) {
        const int x_from = std::max(b.xmin, trunc_held_ss(r.xs));
        const int x_to = std::min(b.xmax, trunc_held_ss(r.xe));
        if (x_from <= x_to) {
            const float d = r.row_d + static_cast<float>(x_from) * b.ny;
            const float a = r.row_a + static_cast<float>(x_from) * b.nx;
            span_plain_shade<true>(surface_row(s, y), x_from, x_to, d, a, b.ny, b.nx, ls);
        }
    }
}

// shade_pixel for four pixels px[0..3] at (d[i], a[i]), lanes outside `lanes` keeping their words,
// with its constants passed in registers and one fade formula for both ends: the
// distance past the nearer end, max(-a, a - end), is positive exactly where a fade applies (never
// for NaN), and 255 x w less it is what either end's own formula gives. A lane without a fade
// takes the factor 256, which leaves its coverage as it was. For a half-width up to 1 every factor
// is at most 256 and every coverage at most 255, so the faded coverage is an exact 16-bit product
// shifted by 8, with no float round trip; wider bands take the float product, which is exact while
// 255 x the coverage product fits a float's 24-bit integers (half-widths up to 64). Each conversion
// to integers is of a value held within 0..255 or of a lane that the draw mask then clears, so the
// truncation alone serves (cvtt_ps_epi32_in_range).
struct BandShade {
    __m128 cover_scale, end, inv_len, abs_mask, one, c255, k256, inv256;
    __m128i c0, c1, alpha, k256_i;   // the end colours; alpha: c0's top byte, for one colour
};

template <bool k_one_colour, bool k_thin>
__attribute__((always_inline)) inline __m128i band_alpha4(__m128 d, __m128 a, __m128 lanes, const BandShade& o,
                                                           __m128i* colour_out)
{
    const __m128 zero = _mm_setzero_ps();
    const __m128 cover = _mm_sub_ps(o.cover_scale, _mm_and_ps(d, o.abs_mask));
    const __m128i draw = _mm_castps_si128(_mm_and_ps(_mm_cmpge_ps(cover, o.one), lanes));
    const __m128 past = max_ps(_mm_sub_ps(zero, a), _mm_sub_ps(a, o.end));
    const __m128 fading = _mm_cmpgt_ps(past, zero);
    const __m128 factor = max_ps(_mm_sub_ps(o.cover_scale, past), zero);
    __m128i covi;
    if (k_thin) {
        // cover_scale - |d| is at most cover_scale, at most 255 here: no hold at 255 is needed.
        const __m128i cov = cvtt_ps_epi32_in_range(cover);
        const __m128i fading_i = _mm_castps_si128(fading);
        const __m128i used = _mm_or_si128(_mm_and_si128(fading_i, cvtt_ps_epi32_in_range(factor)),
                                          _mm_andnot_si128(fading_i, o.k256_i));
        // A lane that is not drawn may hold anything here; the mask clears it.
        covi = _mm_and_si128(_mm_srli_epi32(_mm_mullo_epi16(cov, used), 8), draw);
    } else {
        const __m128 cov = _mm_cvtepi32_ps(cvtt_ps_epi32_in_range(min_ps(cover, o.c255)));
        const __m128 used =
            _mm_or_ps(_mm_and_ps(fading, _mm_cvtepi32_ps(cvtt_ps_epi32_in_range(factor))), _mm_andnot_ps(fading, o.k256));
        const __m128i faded = cvtt_ps_epi32_in_range(min_ps(_mm_mul_ps(_mm_mul_ps(cov, used), o.inv256), o.c255));
        covi = _mm_and_si128(faded, draw);
    }
    // A coverage of 0 gives alpha 0, which leaves every byte as it was.
    __m128i colour = o.c0;
    __m128i alpha;
    if (k_one_colour) {
        alpha = _mm_srli_epi32(_mm_mullo_epi16(o.alpha, covi), 8);
    } else {
        // The colour at a / len along the band, held to 0..255 (NaN giving 0).
        const __m128i u = cvtt_ps_epi32_in_range(min_ps(max_ps(_mm_mul_ps(a, o.inv_len), zero), o.c255));
        colour = blend_argb4_each(o.c1, o.c0, u);
        alpha = _mm_srli_epi32(_mm_mullo_epi16(_mm_srli_epi32(colour, 24), covi), 8);
    }
    *colour_out = colour;
    return alpha;
}

template <bool k_one_colour, bool k_thin>
__attribute__((always_inline)) inline void shade_four_band(uint32_t* px, __m128 d, __m128 a, __m128 lanes,
                                                           const BandShade& o)
{
    __m128i colour;
    const __m128i alpha = band_alpha4<k_one_colour, k_thin>(d, a, lanes, o, &colour);
    const __m128i dst = _mm_loadu_si128(reinterpret_cast<const __m128i*>(px));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(px), blend_argb4_each(colour, dst, alpha));
}

// The constants of a band's shading; a polyline's pieces share all but the two lengths.
__attribute__((always_inline)) inline BandShade band_shade_make(float cover_scale, uint32_t c0, uint32_t c1)
{
    BandShade o;
    o.cover_scale = _mm_set1_ps(cover_scale);
    o.end = _mm_setzero_ps();
    o.inv_len = _mm_setzero_ps();
    o.abs_mask = _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF));
    o.one = _mm_set1_ps(1.0f);
    o.c255 = _mm_set1_ps(255.0f);
    o.k256 = _mm_set1_ps(256.0f);
    o.inv256 = _mm_set1_ps(0.00390625f);
    o.c0 = _mm_set1_epi32(static_cast<int>(c0));
    o.c1 = _mm_set1_epi32(static_cast<int>(c1));
    o.k256_i = _mm_set1_epi32(256);
    o.alpha = _mm_set1_epi32(static_cast<int>(c0 >> 24));
    return o;
}

__attribute__((always_inline)) inline void band_shade_lengths(const LineBand& b, BandShade* o)
{
    o->end = _mm_set1_ps(b.end);
    o->inv_len = _mm_set1_ps(b.inv_len);
}

// Pixels x_from..x_to (x_from <= x_to) of one row, d and a advancing by one float addition per
// pixel (d stays put along a level band). Groups of four may reach past x_to, never past the row's
// last pixel; the pixels beyond the last whole group are shaded one at a time.
template <bool k_d_moves, bool k_one_colour, bool k_thin>
__attribute__((always_inline)) inline void span_band_shade(uint32_t* row, int x_from, int x_to, int width, float d,
                                                           float a, const LaneSum& sum_d, const LaneSum& sum_a,
                                                           const BandShade& o, const LineBand& b)
{
    __m128 dv = _mm_set1_ps(d);
    __m128 av = _mm_set1_ps(a);
    int x = x_from;
    // Most rows of a thin band are one group of four.
    while (x + 3 < width) {
        const __m128 d4 = k_d_moves ? sum_d.lanes(dv) : dv;
        const __m128 a4 = sum_a.lanes(av);
        const int left = x_to - x + 1;
        shade_four_band<k_one_colour, k_thin>(row + x, d4, a4, k_lanes[left < 4 ? left : 4], o);
        x += 4;
        if (x > x_to) return;
        if (k_d_moves) dv = sum_d.next(d4);
        av = sum_a.next(a4);
    }
    const LineShade ls = {b.cover_scale, b.end, b.inv_len, b.c0, b.c1};
    span_plain_shade<k_d_moves>(row, x, x_to, _mm_cvtss_f32(dv), _mm_cvtss_f32(av), _mm_cvtss_f32(sum_d.step),
                                _mm_cvtss_f32(sum_a.step), ls);
}

// The rows of a level band (horizontal after clipping) of half-width up to 64: d is the same along
// each row, and a runs from the band's first column.
template <bool k_one_colour, bool k_thin>
__attribute__((always_inline)) inline void level_rows_band(Surface* s, const LineBand& b, const BandShade& o,
                                                           int row_from, int y_last)
{
    if (b.xmin > b.xmax) return;
    const float sign = b.sign;
    const LaneSum sum_d(0.0f), sum_a(sign);
    for (int y = std::max(b.ymin, row_from); y <= y_last; ++y) {
        const float d = -sign * (static_cast<float>(y) - b.level_y);
        const float a = sign * (static_cast<float>(b.xmin) - b.xs);
        span_band_shade<false, k_one_colour, k_thin>(surface_row(s, y), b.xmin, b.xmax, s->width, d, a, sum_d, sum_a,
                                                     o, b);
    }
}

// trunc_held_fast in four lanes, and the greater and the lesser of four pairs of integers.
__attribute__((always_inline)) inline __m128i trunc_held4(__m128 v)
{
    return cvtt_ps_epi32_in_range(min_ps(max_ps(v, _mm_set1_ps(-1073741824.0f)), _mm_set1_ps(1073741824.0f)));
}
// Four rows y .. y + 3 of a one-colour slanted band at once, when each of them is empty or one
// group of four pixels inside its row (most rows of a thin band): lane i of every vector is row
// y + i, and the lanes from `rows` on are rows past the band's last, left empty. The row values
// advance one addition a row as in slant_row_step; vector k holds the k-th pixel of every row's
// group, its d and a made by the same additions as along the row; the four alpha vectors are then
// turned into each row's four and each row blends its group as span_band_shade would.
struct FourRows {
    __m128i x_from;   // each row's first column
    __m128i last;     // each row's last lane; negative: an empty row
    __m128 d, a;      // at each row's first pixel
};

// The four rows' groups: the width of group they fit, 4 or (with k_eight) 8 pixels, or 0 when a
// row does not fit.
template <bool k_eight>
__attribute__((always_inline)) inline int four_rows_fit(int width, int rows, const LineBand& b, const SlantRow& r,
                                                        const LaneSum& rows_x, const LaneSum& rows_d,
                                                        const LaneSum& rows_a, FourRows* f)
{
    const __m128i x_from = max_epi32(_mm_set1_epi32(b.xmin), trunc_held4(rows_x.lanes(_mm_set1_ps(r.xs))));
    const __m128i x_to = min_epi32(_mm_set1_epi32(b.xmax), trunc_held4(rows_x.lanes(_mm_set1_ps(r.xe))));
    const __m128i in_band = _mm_cmpgt_epi32(_mm_set1_epi32(rows), _mm_setr_epi32(0, 1, 2, 3));
    const __m128i last = _mm_or_si128(_mm_and_si128(in_band, _mm_sub_epi32(x_to, x_from)),
                                      _mm_andnot_si128(in_band, _mm_set1_epi32(-1)));
    const __m128i empty = _mm_cmplt_epi32(last, _mm_setzero_si128());
    const auto fit = [&](int group) {
        const __m128i fits = _mm_and_si128(_mm_cmplt_epi32(last, _mm_set1_epi32(group)),
                                           _mm_cmplt_epi32(x_from, _mm_set1_epi32(width - group + 1)));
        return _mm_movemask_epi8(_mm_or_si128(fits, empty)) == 0xFFFF;
    };
    const int group = fit(4) ? 4 : (k_eight && fit(8) ? 8 : 0);
    if (group == 0) return 0;
    const __m128 x_f = _mm_cvtepi32_ps(x_from);
    f->x_from = x_from;
    f->last = last;
    f->d = _mm_add_ps(rows_d.lanes(_mm_set1_ps(r.row_d)), _mm_mul_ps(x_f, _mm_set1_ps(b.ny)));
    f->a = _mm_add_ps(rows_a.lanes(_mm_set1_ps(r.row_a)), _mm_mul_ps(x_f, _mm_set1_ps(b.nx)));
    return group;
}

// The four rows four pixels at a time, in any x86-64 processor's registers and in WebAssembly's.
// Four vectors turned about: lane i of out[k] is lane k of in[i].
__attribute__((always_inline)) inline void lanes_turn(const __m128i in[4], __m128i out[4])
{
    const __m128i t0 = _mm_unpacklo_epi32(in[0], in[1]), t1 = _mm_unpacklo_epi32(in[2], in[3]);
    const __m128i t2 = _mm_unpackhi_epi32(in[0], in[1]), t3 = _mm_unpackhi_epi32(in[2], in[3]);
    out[0] = _mm_unpacklo_epi64(t0, t1);
    out[1] = _mm_unpackhi_epi64(t0, t1);
    out[2] = _mm_unpacklo_epi64(t2, t3);
    out[3] = _mm_unpackhi_epi64(t2, t3);
}

struct FourRowsSse2 {
    // Bands of two colours keep to one row at a time here: turning each pixel's colour about as
    // well costs more than the four rows save.
    static constexpr bool k_two_colours = false;

    explicit FourRowsSse2(const BandShade&) {}
    void lengths(const BandShade&) {}

    // Draws rows y .. y + 3 of a one-colour band, or returns false, having drawn nothing, when a
    // row does not fit.
    template <bool k_one_colour, bool k_thin>
    __attribute__((always_inline)) bool draw(uint8_t* row_bytes, int pitch, int width, int rows, const LineBand& b,
                                             const SlantRow& r, const BandShade& o, const LaneSum& rows_x,
                                             const LaneSum& rows_d, const LaneSum& rows_a) const
    {
        FourRows f;
        if (!four_rows_fit<false>(width, rows, b, r, rows_x, rows_d, rows_a, &f)) return false;
        const __m128 step_d = _mm_set1_ps(b.ny), step_a = _mm_set1_ps(b.nx);
        __m128 d = f.d, a = f.a;
        static_assert(k_one_colour, "two colours are drawn a row at a time");
        __m128i alpha[4], colour;
        for (int k = 0; k < 4; ++k) {
            const __m128 lanes = _mm_castsi128_ps(_mm_cmpgt_epi32(f.last, _mm_set1_epi32(k - 1)));
            alpha[k] = band_alpha4<true, k_thin>(d, a, lanes, o, &colour);
            d = _mm_add_ps(d, step_d);
            a = _mm_add_ps(a, step_a);
        }
        __m128i row_alpha[4];
        lanes_turn(alpha, row_alpha);
        alignas(16) int32_t from[4], span[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(from), f.x_from);
        _mm_store_si128(reinterpret_cast<__m128i*>(span), f.last);
        for (int i = 0; i < 4; ++i) {
            if (span[i] < 0) continue;
            __m128i* px = reinterpret_cast<__m128i*>(
                reinterpret_cast<uint32_t*>(row_bytes + i * static_cast<intptr_t>(pitch)) + from[i]);
            _mm_storeu_si128(px, blend_argb4_each(colour, _mm_loadu_si128(px), row_alpha[i]));
        }
        return true;
    }
};

#if defined(__x86_64__) || defined(__i386__)
// The four rows in AVX2's 256-bit registers: two of the pixels of every row's group a vector, so
// the alphas take half the instructions, and two rows a blend; rows of up to eight pixels (a
// flatter piece) are also taken four at a time, each row then one blend of eight pixels, and so are
// bands of two colours. Every lane sees the same operations as in band_alpha4 (AVX2's comparisons,
// maximum, minimum and truncation give SSE2's results, NaN included), so the words are the same.
struct BandShade8 {
    __m256 cover_scale, end, inv_len, abs_mask, one, c255, k256, inv256;
    __m256i c0, c1, alpha, k256_i;
};

__attribute__((target("avx2"), always_inline)) inline __m256 both_halves(__m128 v) { return _mm256_set_m128(v, v); }
__attribute__((target("avx2"), always_inline)) inline __m256i both_halves(__m128i v)
{
    return _mm256_set_m128i(v, v);
}

template <bool k_one_colour, bool k_thin>
__attribute__((target("avx2"), always_inline)) inline __m256i band_alpha8(__m256 d, __m256 a, __m256 lanes,
                                                                          const BandShade8& o, __m256i* colour)
{
    const __m256 zero = _mm256_setzero_ps();
    const __m256 cover = _mm256_sub_ps(o.cover_scale, _mm256_and_ps(d, o.abs_mask));
    const __m256i draw = _mm256_castps_si256(_mm256_and_ps(_mm256_cmp_ps(cover, o.one, _CMP_GE_OQ), lanes));
    const __m256 past = _mm256_max_ps(_mm256_sub_ps(zero, a), _mm256_sub_ps(a, o.end));
    const __m256 fading = _mm256_cmp_ps(past, zero, _CMP_GT_OQ);
    const __m256 factor = _mm256_max_ps(_mm256_sub_ps(o.cover_scale, past), zero);
    __m256i covi;
    if (k_thin) {
        const __m256i cov = _mm256_cvttps_epi32(cover);
        const __m256i fading_i = _mm256_castps_si256(fading);
        const __m256i used = _mm256_or_si256(_mm256_and_si256(fading_i, _mm256_cvttps_epi32(factor)),
                                             _mm256_andnot_si256(fading_i, o.k256_i));
        covi = _mm256_and_si256(_mm256_srli_epi32(_mm256_mullo_epi16(cov, used), 8), draw);
    } else {
        const __m256 cov = _mm256_cvtepi32_ps(_mm256_cvttps_epi32(_mm256_min_ps(cover, o.c255)));
        const __m256 used = _mm256_or_ps(_mm256_and_ps(fading, _mm256_cvtepi32_ps(_mm256_cvttps_epi32(factor))),
                                         _mm256_andnot_ps(fading, o.k256));
        const __m256i faded =
            _mm256_cvttps_epi32(_mm256_min_ps(_mm256_mul_ps(_mm256_mul_ps(cov, used), o.inv256), o.c255));
        covi = _mm256_and_si256(faded, draw);
    }
    if (k_one_colour) {
        *colour = o.c0;
        return _mm256_srli_epi32(_mm256_mullo_epi16(o.alpha, covi), 8);
    }
    const __m256i u = _mm256_cvttps_epi32(
        _mm256_min_ps(_mm256_max_ps(_mm256_mul_ps(a, o.inv_len), zero), o.c255));
    *colour = blend_argb8_each(o.c1, o.c0, u);
    return _mm256_srli_epi32(_mm256_mullo_epi16(_mm256_srli_epi32(*colour, 24), covi), 8);
}

// The alphas (and colours) of pixels k and k + 1 of the four rows' groups (lanes 0..3 and 4..7),
// lanes past a row's last lane (`last`) cleared.
template <bool k_one_colour, bool k_thin>
__attribute__((target("avx2"), always_inline)) inline __m256i pixels_alpha(const __m128* d, const __m128* a,
                                                                           __m256i last, int k, const BandShade8& o,
                                                                           __m256i* colour)
{
    const __m256i before = _mm256_setr_epi32(k - 1, k - 1, k - 1, k - 1, k, k, k, k);
    const __m256 lanes = _mm256_castsi256_ps(_mm256_cmpgt_epi32(last, before));
    return band_alpha8<k_one_colour, k_thin>(_mm256_set_m128(d[k + 1], d[k]), _mm256_set_m128(a[k + 1], a[k]),
                                             lanes, o, colour);
}

// The values of pixels k .. k + 3 (pixels k, k + 1 in alpha01 and k + 2, k + 3 in alpha23) turned into
// two rows' four a vector: rows 0 and 1 in rows[0], rows 2 and 3 in rows[1].
__attribute__((target("avx2"), always_inline)) inline void rows_turn(__m256i alpha01, __m256i alpha23, __m256i rows[2])
{
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    rows[0] = _mm256_permutevar8x32_epi32(_mm256_unpacklo_epi32(alpha01, alpha23), order);
    rows[1] = _mm256_permutevar8x32_epi32(_mm256_unpackhi_epi32(alpha01, alpha23), order);
}

// Row i's pixels 0..3 and 4..7, from the two rows' vectors of pixels 0..3 and of pixels 4..7 that
// hold it (rows 0 and 1, or 2 and 3): their low halves for an even row, their high halves for an odd.
__attribute__((target("avx2"), always_inline)) inline __m256i row_eight(int i, __m256i low, __m256i high)
{
    return i & 1 ? _mm256_permute2x128_si256(low, high, 0x31) : _mm256_permute2x128_si256(low, high, 0x20);
}

struct FourRowsAvx2 {
    static constexpr bool k_two_colours = true;

    BandShade8 o8;

    __attribute__((target("avx2"))) explicit FourRowsAvx2(const BandShade& o)
    {
        o8.cover_scale = both_halves(o.cover_scale);
        o8.end = both_halves(o.end);
        o8.inv_len = both_halves(o.inv_len);
        o8.abs_mask = both_halves(o.abs_mask);
        o8.one = both_halves(o.one);
        o8.c255 = both_halves(o.c255);
        o8.k256 = both_halves(o.k256);
        o8.inv256 = both_halves(o.inv256);
        o8.c0 = both_halves(o.c0);
        o8.c1 = both_halves(o.c1);
        o8.alpha = both_halves(o.alpha);
        o8.k256_i = both_halves(o.k256_i);
    }

    // A new piece of a polyline: all it changes is the two lengths.
    __attribute__((target("avx2"))) void lengths(const BandShade& o)
    {
        o8.end = both_halves(o.end);
        o8.inv_len = both_halves(o.inv_len);
    }

    template <bool k_one_colour, bool k_thin>
    __attribute__((target("avx2"))) bool draw(uint8_t* row_bytes, int pitch, int width, int rows,
                                                            const LineBand& b, const SlantRow& r, const BandShade&,
                                                            const LaneSum& rows_x, const LaneSum& rows_d,
                                                            const LaneSum& rows_a) const
    {
        FourRows f;
        const int group = four_rows_fit<true>(width, rows, b, r, rows_x, rows_d, rows_a, &f);
        if (group == 0) return false;
        // Pixel k of every group, made by one more addition than pixel k - 1, as along a row; pixels
        // k and k + 1 share a vector, lanes 0..3 and 4..7.
        const __m128 step_d = _mm_set1_ps(b.ny), step_a = _mm_set1_ps(b.nx);
        __m128 d[8], a[8];
        d[0] = f.d;
        a[0] = f.a;
        for (int k = 1; k < group; ++k) {
            d[k] = _mm_add_ps(d[k - 1], step_d);
            a[k] = _mm_add_ps(a[k - 1], step_a);
        }
        const __m256i last = both_halves(f.last);
        __m256i rows_alpha[2], rows_colour[2], colour[4];
        const __m256i alpha01 = pixels_alpha<k_one_colour, k_thin>(d, a, last, 0, o8, &colour[0]);
        const __m256i alpha23 = pixels_alpha<k_one_colour, k_thin>(d, a, last, 2, o8, &colour[1]);
        rows_turn(alpha01, alpha23, rows_alpha);
        if (!k_one_colour) rows_turn(colour[0], colour[1], rows_colour);
        alignas(16) int32_t from[4], span[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(from), f.x_from);
        _mm_store_si128(reinterpret_cast<__m128i*>(span), f.last);
        const auto group_at = [&](int i) {
            return reinterpret_cast<uint32_t*>(row_bytes + i * static_cast<intptr_t>(pitch)) + from[i];
        };
        if (group == 8) {
            // Pixels 4..7 likewise, and each row's eight alphas put together: one blend a row.
            __m256i high[2], high_colour[2];
            const __m256i alpha45 = pixels_alpha<k_one_colour, k_thin>(d, a, last, 4, o8, &colour[2]);
            const __m256i alpha67 = pixels_alpha<k_one_colour, k_thin>(d, a, last, 6, o8, &colour[3]);
            rows_turn(alpha45, alpha67, high);
            if (!k_one_colour) rows_turn(colour[2], colour[3], high_colour);
            for (int i = 0; i < 4; ++i) {
                if (span[i] < 0) continue;
                const __m256i alpha = row_eight(i, rows_alpha[i >> 1], high[i >> 1]);
                const __m256i src = k_one_colour ? o8.c0 : row_eight(i, rows_colour[i >> 1], high_colour[i >> 1]);
                __m256i* p = reinterpret_cast<__m256i*>(group_at(i));
                _mm256_storeu_si256(p, blend_argb8_each(src, _mm256_loadu_si256(p), alpha));
            }
            return true;
        }
        for (int i = 0; i < 4; i += 2) {
            const __m256i alpha = rows_alpha[i >> 1];
            const __m256i src = k_one_colour ? o8.c0 : rows_colour[i >> 1];
            if (span[i] >= 0 && span[i + 1] >= 0) {
                // Two rows: their groups never overlap, so both are read before either is written.
                __m128i* p0 = reinterpret_cast<__m128i*>(group_at(i));
                __m128i* p1 = reinterpret_cast<__m128i*>(group_at(i + 1));
                const __m256i out =
                    blend_argb8_each(src, _mm256_set_m128i(_mm_loadu_si128(p1), _mm_loadu_si128(p0)), alpha);
                _mm_storeu_si128(p0, _mm256_castsi256_si128(out));
                _mm_storeu_si128(p1, _mm256_extracti128_si256(out, 1));
                continue;
            }
            if (span[i] >= 0) {
                __m128i* p = reinterpret_cast<__m128i*>(group_at(i));
                _mm_storeu_si128(p, blend_argb4_each(_mm256_castsi256_si128(src), _mm_loadu_si128(p),
                                                     _mm256_castsi256_si128(alpha)));
            }
            if (span[i + 1] >= 0) {
                __m128i* p = reinterpret_cast<__m128i*>(group_at(i + 1));
                _mm_storeu_si128(p, blend_argb4_each(_mm256_extracti128_si256(src, 1), _mm_loadu_si128(p),
                                                     _mm256_extracti128_si256(alpha, 1)));
            }
        }
        return true;
    }
};
#endif

// The last one or two rows of a band go one at a time: four rows at once shade all four lanes of
// each pixel group for them, where one row at a time shades one group a row (the mesh's pieces span
// four or five rows, so most end on such a remainder).
constexpr int k_four_rows_least = 3;

// The slanted rows of a band of half-width up to 64, the common case of every line: the row values
// advance as in slant_rows_shade, and the row pointer steps by the pitch. A band takes four rows at
// a time where they fit and at least k_four_rows_least are left, drawn by Four (FourRowsSse2, one
// colour only, or FourRowsAvx2).

template <bool k_one_colour, bool k_thin, class Four>
__attribute__((always_inline)) inline void slant_rows_band(Surface* s, const LineBand& b, const BandShade& o,
                                                           const Four& four, int row_from, int y_last)
{
    const LaneSum sum_d(b.ny), sum_a(b.nx);
    const LaneSum rows_x(b.slope), rows_d(-b.nx), rows_a(b.ny);
    const int width = s->width;
    int y;
    SlantRow r = slant_row_first(b, row_from, y_last, &y);
    uint8_t* row_bytes = reinterpret_cast<uint8_t*>(surface_row(s, y));
    int one_by_one = 0;   // rows to draw one at a time after four that did not fit
    while (y <= y_last) {
        if constexpr (k_one_colour || Four::k_two_colours) {
            if (one_by_one == 0 && y_last - y + 1 >= k_four_rows_least) {
                if (four.template draw<k_one_colour, k_thin>(row_bytes, s->pitch, width, std::min(4, y_last - y + 1),
                                                             b, r, o, rows_x, rows_d, rows_a)) {
                    for (int i = 0; i < 4; ++i) slant_row_step(b, &r);
                    y += 4;
                    row_bytes += 4 * static_cast<intptr_t>(s->pitch);
                    continue;
                }
                one_by_one = 4;
            }
        }
        const int x_from = std::max(b.xmin, trunc_held_ss(r.xs));
        const int x_to = std::min(b.xmax, trunc_held_ss(r.xe));
        if (x_from <= x_to) {
            const float d = r.row_d + static_cast<float>(x_from) * b.ny;
            const float a = r.row_a + static_cast<float>(x_from) * b.nx;
            span_band_shade<true, k_one_colour, k_thin>(reinterpret_cast<uint32_t*>(row_bytes), x_from, x_to, width,
                                                        d, a, sum_d, sum_a, o, b);
        }
        if (one_by_one > 0) --one_by_one;
        ++y;
        row_bytes += s->pitch;
        slant_row_step(b, &r);
    }
}

// The four quotients num / den, lane by lane: one division instruction for four of the set-up's,
// each the same IEEE quotient as a division alone.
__attribute__((always_inline)) inline void quotients4(__m128 num, __m128 den, float* q0, float* q1, float* q2)
{
    const __m128 q = _mm_div_ps(num, den);
    *q0 = _mm_cvtss_f32(q);
    *q1 = _mm_cvtss_f32(_mm_shuffle_ps(q, q, 0x55));
    *q2 = _mm_cvtss_f32(_mm_shuffle_ps(q, q, 0xAA));
}

__attribute__((always_inline)) inline int band_make(const Surface* s, const Vec4& p, const Vec4& q, uint32_t colour_at_q,
                                                    uint32_t colour_at_p, float w, LineBand* out)
{
    out->kind = k_band_none;
    auto [v0, v1, upper, lower, full_dx, full_dy, unclipped] = line_order(p, q, colour_at_q, colour_at_p);

    // Both ends inside the margin: no clip would change anything.
    const float right = static_cast<float>(s->width);
    const float bottom = static_cast<float>(s->height);
    if (!(v0.x >= -1.0f && v1.x >= -1.0f && v0.y >= -1.0f && v1.y >= -1.0f && v0.x <= right && v1.x <= right &&
          v0.y <= bottom && v1.y <= bottom)) {
        if (clip_segment(&v0, &v1, -1.0f, CLIP_MIN_X) < 0) return 0;
        if (clip_segment(&v0, &v1, -1.0f, CLIP_MIN_Y) < 0) return 0;
        if (clip_segment(&v0, &v1, right, CLIP_MAX_X) < 0) return 0;
        if (clip_segment(&v0, &v1, bottom, CLIP_MAX_Y) < 0) return 0;
        if (!std::isfinite(v0.x) || !std::isfinite(v0.y) || !std::isfinite(v1.x) || !std::isfinite(v1.y)) return 0;
    }
    // (Ends inside the margin are finite.)

    const float dx = v1.x - v0.x;
    const float dy = v1.y - v0.y;
    if (dx == 0.0f && dy == 0.0f) return 0;

    LineBand& b = *out;
    if (upper == lower) {
        b.c0 = upper;
        b.c1 = upper;
    } else {
        const bool along_x = dx != 0.0f;
        const float t0 = along_x ? 255.0f * (v0.x - unclipped.x) / full_dx : 255.0f * (v0.y - unclipped.y) / full_dy;
        const float t1 = along_x ? 255.0f * (v1.x - unclipped.x) / full_dx : 255.0f * (v1.y - unclipped.y) / full_dy;
        b.c0 = blend_argb(lower, upper, trunc_byte(t0));
        b.c1 = blend_argb(lower, upper, trunc_byte(t1));
    }

    // trunc_held_fast is trunc_held without branches.
    const float w_far = w + 0.5f;
    b.ymin = std::max(0, trunc_held_ss(v0.y - w));
    b.ymax = std::min(s->height - 1, trunc_held_ss(v1.y + w_far));
    const float x_left = dx > 0.0f ? v0.x : v1.x;
    const float x_right = dx > 0.0f ? v1.x : v0.x;
    b.xmin = std::max(0, trunc_held_ss(x_left - w));
    b.xmax = std::min(s->width - 1, trunc_held_ss(x_right + w_far));
    if (b.ymin > b.ymax) return 0;
    b.cover_scale = 255.0f * w;
    b.simd = w <= k_simd_max_w ? 1 : 0;   // 0 for NaN

    if (dy != 0.0f) {
        const float len = static_cast<float>(std::sqrt(static_cast<double>(dx * dx + dy * dy)));
        if (!(len > 0.0f)) return 0;   // both extents below float resolution
        const float ry = static_cast<float>(b.ymin) - v0.y;
        // 255 dx / len, 255 dy / len, 1 / len; ry dx / dy, len w / dy, dx / dy.
        float nx, ny, dx_dy_ry, h, slope;
        quotients4(_mm_setr_ps(255.0f * dx, 255.0f * dy, 1.0f, 1.0f), _mm_setr_ps(len, len, len, 1.0f), &nx, &ny,
                   &b.inv_len);
        quotients4(_mm_setr_ps(ry * dx, len * w, dx, 1.0f), _mm_setr_ps(dy, dy, dy, 1.0f), &dx_dy_ry, &h, &slope);
        b.end = 255.0f * len;
        const float xc = v0.x + dx_dy_ry;
        b.slope = slope;
        b.xs = xc - h;
        b.xe = b.xs + 2.0f * h + 1.0f;
        b.row_d = -ny * v0.x - nx * ry;
        b.row_a = ry * ny - nx * v0.x;
        b.nx = nx;
        b.ny = ny;
        b.level_y = 0.0f;
        b.sign = 0.0f;
        b.kind = k_band_slanted;
    } else {
        // Horizontal after clipping: the distance is the same along each row.
        b.sign = dx < 0.0f ? -255.0f : 255.0f;
        b.level_y = v0.y;
        b.xs = v0.x;
        const float len = std::fabs(dx);
        b.end = 255.0f * len;
        b.inv_len = 1.0f / len;
        b.xe = b.slope = b.row_d = b.row_a = b.nx = b.ny = 0.0f;
        b.kind = k_band_level;
    }
    return 1;
}

// The set-up of four pieces of a polyline of one colour at once: lane j works out the band of the
// piece points[j] .. points[j + 1] with the same operations, in the same order, as band_make. Only
// the common pieces are made here: both ends inside the margin, not level, and with rows to draw;
// bit j of `made` says lane j is such a piece, and band_make does the others. (The square root is
// taken in float: the double root of a float rounded to float is the float root.)
struct BandBatch {
    alignas(16) int32_t ymin[4], ymax[4], xmin[4], xmax[4];
    alignas(16) float xs[4], xe[4], slope[4], row_d[4], row_a[4], nx[4], ny[4], end[4], inv_len[4];
    int made;
};

__attribute__((always_inline)) inline __m128 select_ps(__m128 mask, __m128 a, __m128 b)
{
    return _mm_or_ps(_mm_and_ps(mask, a), _mm_andnot_ps(mask, b));
}

__attribute__((always_inline)) inline void band_batch_make(const Surface* s, const Vec4* points, float w,
                                                           BandBatch* out)
{
    // x and y of the pieces' first ends (points 0..3) and second ends (points 1..4).
    const __m128 e0 = _mm_loadu_ps(&points[0].x), e1 = _mm_loadu_ps(&points[1].x), e2 = _mm_loadu_ps(&points[2].x),
                 e3 = _mm_loadu_ps(&points[3].x), e4 = _mm_loadu_ps(&points[4].x);
    const __m128 xy01 = _mm_unpacklo_ps(e0, e1), xy23 = _mm_unpacklo_ps(e2, e3);
    const __m128 xy12 = _mm_unpacklo_ps(e1, e2), xy34 = _mm_unpacklo_ps(e3, e4);
    const __m128 px = _mm_movelh_ps(xy01, xy23), py = _mm_movehl_ps(xy23, xy01);
    const __m128 qx = _mm_movelh_ps(xy12, xy34), qy = _mm_movehl_ps(xy34, xy12);

    // The upper end first, as line_order puts it.
    const __m128 p_first = _mm_cmplt_ps(py, qy);
    const __m128 v0x = select_ps(p_first, px, qx), v0y = select_ps(p_first, py, qy);
    const __m128 v1x = select_ps(p_first, qx, px), v1y = select_ps(p_first, qy, py);

    const __m128 low = _mm_set1_ps(-1.0f);
    const __m128 right = _mm_set1_ps(static_cast<float>(s->width));
    const __m128 bottom = _mm_set1_ps(static_cast<float>(s->height));
    const __m128 inside =
        _mm_and_ps(_mm_and_ps(_mm_and_ps(_mm_cmpge_ps(px, low), _mm_cmpge_ps(qx, low)),
                              _mm_and_ps(_mm_cmpge_ps(py, low), _mm_cmpge_ps(qy, low))),
                   _mm_and_ps(_mm_and_ps(_mm_cmple_ps(px, right), _mm_cmple_ps(qx, right)),
                              _mm_and_ps(_mm_cmple_ps(py, bottom), _mm_cmple_ps(qy, bottom))));

    const __m128 dx = _mm_sub_ps(v1x, v0x);
    const __m128 dy = _mm_sub_ps(v1y, v0y);
    const __m128 w4 = _mm_set1_ps(w);
    const __m128 w_far = _mm_set1_ps(w + 0.5f);
    const __m128i ymin = max_epi32(_mm_setzero_si128(), trunc_held4(_mm_sub_ps(v0y, w4)));
    const __m128i ymax = min_epi32(_mm_set1_epi32(s->height - 1), trunc_held4(_mm_add_ps(v1y, w_far)));
    const __m128 rightwards = _mm_cmpgt_ps(dx, _mm_setzero_ps());
    const __m128 x_left = select_ps(rightwards, v0x, v1x);
    const __m128 x_right = select_ps(rightwards, v1x, v0x);
    const __m128i xmin = max_epi32(_mm_setzero_si128(), trunc_held4(_mm_sub_ps(x_left, w4)));
    const __m128i xmax = min_epi32(_mm_set1_epi32(s->width - 1), trunc_held4(_mm_add_ps(x_right, w_far)));

    const __m128 len = _mm_sqrt_ps(_mm_add_ps(_mm_mul_ps(dx, dx), _mm_mul_ps(dy, dy)));
    const __m128 ry = _mm_sub_ps(_mm_cvtepi32_ps(ymin), v0y);
    const __m128 c255 = _mm_set1_ps(255.0f);
    const __m128 nx = _mm_div_ps(_mm_mul_ps(c255, dx), len);
    const __m128 ny = _mm_div_ps(_mm_mul_ps(c255, dy), len);
    const __m128 h = _mm_div_ps(_mm_mul_ps(len, w4), dy);
    const __m128 xs = _mm_sub_ps(_mm_add_ps(v0x, _mm_div_ps(_mm_mul_ps(ry, dx), dy)), h);
    const __m128 minus_ny = _mm_xor_ps(ny, _mm_set1_ps(-0.0f));
    _mm_store_ps(out->nx, nx);
    _mm_store_ps(out->ny, ny);
    _mm_store_ps(out->inv_len, _mm_div_ps(_mm_set1_ps(1.0f), len));
    _mm_store_ps(out->slope, _mm_div_ps(dx, dy));
    _mm_store_ps(out->end, _mm_mul_ps(c255, len));
    _mm_store_ps(out->xs, xs);
    _mm_store_ps(out->xe, _mm_add_ps(_mm_add_ps(xs, _mm_mul_ps(_mm_set1_ps(2.0f), h)), _mm_set1_ps(1.0f)));
    _mm_store_ps(out->row_d, _mm_sub_ps(_mm_mul_ps(minus_ny, v0x), _mm_mul_ps(nx, ry)));
    _mm_store_ps(out->row_a, _mm_sub_ps(_mm_mul_ps(ry, ny), _mm_mul_ps(nx, v0x)));
    _mm_store_si128(reinterpret_cast<__m128i*>(out->ymin), ymin);
    _mm_store_si128(reinterpret_cast<__m128i*>(out->ymax), ymax);
    _mm_store_si128(reinterpret_cast<__m128i*>(out->xmin), xmin);
    _mm_store_si128(reinterpret_cast<__m128i*>(out->xmax), xmax);

    const __m128 slanted = _mm_cmpneq_ps(dy, _mm_setzero_ps());
    const __m128 rows = _mm_castsi128_ps(_mm_cmpgt_epi32(ymin, ymax));   // set: no rows
    const __m128 has_length = _mm_cmpgt_ps(len, _mm_setzero_ps());
    out->made = _mm_movemask_ps(_mm_andnot_ps(rows, _mm_and_ps(_mm_and_ps(inside, slanted), has_length)));
}

// Lane j of a batch as the LineBand that band_make gives its piece, drawn in one colour of
// half-width w.
__attribute__((always_inline)) inline void band_from_batch(const BandBatch& bb, int j, float w, uint32_t colour,
                                                           LineBand* b)
{
    b->kind = k_band_slanted;
    b->simd = 1;
    b->ymin = bb.ymin[j];
    b->ymax = bb.ymax[j];
    b->xmin = bb.xmin[j];
    b->xmax = bb.xmax[j];
    b->xs = bb.xs[j];
    b->xe = bb.xe[j];
    b->slope = bb.slope[j];
    b->row_d = bb.row_d[j];
    b->row_a = bb.row_a[j];
    b->nx = bb.nx[j];
    b->ny = bb.ny[j];
    b->level_y = 0.0f;
    b->sign = 0.0f;
    b->cover_scale = 255.0f * w;
    b->end = bb.end[j];
    b->inv_len = bb.inv_len[j];
    b->c0 = colour;
    b->c1 = colour;
}

// The last row of band b to draw within rows row_from .. row_to - 1, or -1 when it has none there.
__attribute__((always_inline)) inline int band_last_row(const LineBand& b, int row_from, int row_to)
{
    if (b.kind == k_band_none) return -1;
    // Rows past the band are never reached.
    const int y_last = std::min(b.ymax, row_to - 1);
    return y_last < b.ymin || y_last < row_from ? -1 : y_last;
}

// The rows of a band of half-width up to 64, with o and four made for its width and colours.
template <bool k_one_colour, bool k_thin, class Four>
__attribute__((always_inline)) inline void band_rows_draw(Surface* s, const LineBand& b, BandShade* o, Four* four,
                                                          int row_from, int y_last)
{
    band_shade_lengths(b, o);
    four->lengths(*o);
    if (b.kind == k_band_slanted) slant_rows_band<k_one_colour, k_thin, Four>(s, b, *o, *four, row_from, y_last);
    else level_rows_band<k_one_colour, k_thin>(s, b, *o, row_from, y_last);
}

template <class Four>
__attribute__((always_inline)) inline void band_draw(Surface* s, const LineBand& b, int row_from, int row_to)
{
    const int y_last = band_last_row(b, row_from, row_to);
    if (y_last < 0) return;
    if (b.simd) {
        // Also a two-colour segment clipped to one colour.
        const bool one_colour = b.c0 == b.c1;
        const bool thin = b.cover_scale <= 255.0f;
        BandShade o = band_shade_make(b.cover_scale, b.c0, b.c1);
        Four four(o);
        if (one_colour && thin) band_rows_draw<true, true, Four>(s, b, &o, &four, row_from, y_last);
        else if (one_colour) band_rows_draw<true, false, Four>(s, b, &o, &four, row_from, y_last);
        else if (thin) band_rows_draw<false, true, Four>(s, b, &o, &four, row_from, y_last);
        else band_rows_draw<false, false, Four>(s, b, &o, &four, row_from, y_last);
        return;
    }
    // Too wide for four pixels at a time.
    const LineShade ls = {b.cover_scale, b.end, b.inv_len, b.c0, b.c1};
    if (b.kind == k_band_slanted) {
        slant_rows_shade(s, b, row_from, y_last, ls);
        return;
    }
    for (int y = std::max(b.ymin, row_from); y <= y_last; ++y) {
        const float d = -b.sign * (static_cast<float>(y) - b.level_y);
        const float a = b.sign * (static_cast<float>(b.xmin) - b.xs);
        span_plain_shade<false>(surface_row(s, y), b.xmin, b.xmax, d, a, 0.0f, b.sign, ls);
    }
}

// Rows of moderate size: the clipped ends stay within a small fraction of a pixel of the rows
// spanned by the unclipped ends, so a line can be passed over by its end rows alone.
constexpr float k_moderate = 1048576.0f;

// True when the piece p..q of half-width w cannot reach rows row_from .. row_to - 1 of s.
__attribute__((always_inline)) inline bool piece_outside_rows(const Surface* s, const Vec4& p, const Vec4& q, float w,
                                                              int row_from, int row_to)
{
    if (row_from <= 0 && row_to >= s->height) return false;
    const float lo = std::min(p.y, q.y);
    const float hi = std::max(p.y, q.y);
    return lo > -k_moderate && hi < k_moderate && w >= 0.0f && w < k_moderate &&
           (hi + w + 2.0f < static_cast<float>(row_from) || lo - w - 2.0f >= static_cast<float>(row_to));
}

// The fast twin of draw_line_wide_plain, drawing only rows row_from .. row_to - 1.
template <class Four>
__attribute__((always_inline)) inline void line_fast_body(Surface* s, const Vec4& p, const Vec4& q, uint32_t colour_at_q,
                                                          uint32_t colour_at_p, float w, int row_from, int row_to)
{
    if (piece_outside_rows(s, p, q, w, row_from, row_to)) return;
    LineBand band;
    if (band_make(s, p, q, colour_at_q, colour_at_p, w, &band)) band_draw<Four>(s, band, row_from, row_to);
}

// The pieces of a polyline of one colour and a half-width up to 64, with one set of shading
// constants: every piece is of one colour, clipped or not.
template <bool k_thin, class Four>
__attribute__((always_inline)) inline void polyline_band_draw(Surface* s, const Vec4* points, int count, uint32_t colour,
                                                              float w, int row_from, int row_to)
{
    BandShade o = band_shade_make(255.0f * w, colour, colour);
    Four four(o);
    int i = 0;
    // Four pieces at a time while four whole pieces are left.
    for (; i + 4 < count; i += 4) {
        int outside = 0;
        for (int j = 0; j < 4; ++j)
            outside |= piece_outside_rows(s, points[i + j], points[i + j + 1], w, row_from, row_to) << j;
        if (outside == 15) continue;
        BandBatch bb;
        band_batch_make(s, points + i, w, &bb);
        for (int j = 0; j < 4; ++j) {
            if (outside >> j & 1) continue;
            LineBand b;
            if (bb.made >> j & 1) band_from_batch(bb, j, w, colour, &b);
            else if (!band_make(s, points[i + j], points[i + j + 1], colour, colour, w, &b)) continue;
            const int y_last = band_last_row(b, row_from, row_to);
            if (y_last >= 0) band_rows_draw<true, k_thin, Four>(s, b, &o, &four, row_from, y_last);
        }
    }
    for (; i + 1 < count; ++i) {
        if (piece_outside_rows(s, points[i], points[i + 1], w, row_from, row_to)) continue;
        LineBand b;
        if (!band_make(s, points[i], points[i + 1], colour, colour, w, &b)) continue;
        const int y_last = band_last_row(b, row_from, row_to);
        if (y_last >= 0) band_rows_draw<true, k_thin, Four>(s, b, &o, &four, row_from, y_last);
    }
}

template <class Four>
__attribute__((always_inline)) inline void polyline_fast_body(Surface* s, const Vec4* points, int count,
                                                              uint32_t colour, float w, int row_from, int row_to)
{
    if (!(w <= k_simd_max_w)) {
        for (int i = 0; i + 1 < count; ++i)
            line_fast_body<Four>(s, points[i], points[i + 1], colour, colour, w, row_from, row_to);
    } else if (255.0f * w <= 255.0f) {
        polyline_band_draw<true, Four>(s, points, count, colour, w, row_from, row_to);
    } else {
        polyline_band_draw<false, Four>(s, points, count, colour, w, row_from, row_to);
    }
}

}  // namespace

// The same code twice on x86: for every x86-64 processor, and in the AVX2 encoding, whose
// three-operand instructions spare most register copies, and whose four rows at once take 256-bit
// registers (FourRowsAvx2). Both compute the same IEEE operations in the same order (no fused
// multiply-add), so they write the same words. `flatten` inlines the whole body into the AVX2
// routine, which is what lets the 256-bit code, compiled for AVX2 alone, be inlined there too.
#if defined(__x86_64__) || defined(__i386__)
namespace {

__attribute__((target("avx2"), flatten)) void line_fast_avx2(Surface* s, const Vec4& p, const Vec4& q, uint32_t colour_at_q,
                                                     uint32_t colour_at_p, float w, int row_from, int row_to)
{
    line_fast_body<FourRowsAvx2>(s, p, q, colour_at_q, colour_at_p, w, row_from, row_to);
}

__attribute__((target("avx2"), flatten)) void polyline_fast_avx2(Surface* s, const Vec4* points, int count, uint32_t colour,
                                                         float w, int row_from, int row_to)
{
    polyline_fast_body<FourRowsAvx2>(s, points, count, colour, w, row_from, row_to);
}

}  // namespace
#endif

void draw_line_wide_fast(Surface* s, const Vec4& p, const Vec4& q, uint32_t colour_at_q, uint32_t colour_at_p,
                         float w, int row_from, int row_to)
{
#if defined(__x86_64__) || defined(__i386__)
    if (g_avx2_paths) return line_fast_avx2(s, p, q, colour_at_q, colour_at_p, w, row_from, row_to);
#endif
    line_fast_body<FourRowsSse2>(s, p, q, colour_at_q, colour_at_p, w, row_from, row_to);
}

void draw_polyline_fast(Surface* s, const Vec4* points, int count, uint32_t colour, float w, int row_from, int row_to)
{
#if defined(__x86_64__) || defined(__i386__)
    if (g_avx2_paths) return polyline_fast_avx2(s, points, count, colour, w, row_from, row_to);
#endif
    polyline_fast_body<FourRowsSse2>(s, points, count, colour, w, row_from, row_to);
}
