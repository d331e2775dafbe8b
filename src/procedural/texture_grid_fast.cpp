// The fast twin of the texture grid's cell drawing writes the plain twin's words with less work per
// pixel: a texture whose sides are powers of two wraps by a mask instead of a remainder (the
// coordinate is never negative by then), and a row whose shade is the same at both ends keeps that
// shade without interpolating it (the step is 0, and adding 0 changes nothing) and needs no texel
// where it is black. It can keep to a band of rows: each cell starts afresh from its nodes, so a
// band needs only its own cells. Where the cells and the texture have sides that are powers of two
// it draws four pixels at a time (see below why the sums then allow it).
#include <emmintrin.h>

#include <algorithm>
#include <cstdlib>

#include "display/blend.h"
#include "display/blend_sse2.h"
#include "display/render_paths.h"
#include "display/simd_convert.h"
#include "display/surface.h"
#include "procedural/texture_grid.h"
#include "procedural/texture_grid_twins.h"

using namespace grid_shared;

namespace {

// The texel fetch with the remainders done by masks: only for sides that are powers of two. With
// k_held false the coordinates are known to lie well inside +-2^30 already, so holding them there
// would change nothing.
template <bool k_held>
struct TexelMasked {
    const uint32_t* pixels;
    int width, height;
    int32_t mask_u, mask_v;
    uint32_t operator()(double fu, double fv) const
    {
        int u = static_cast<int>(k_held ? std::min(std::max(fu, -k_coord_hold), k_coord_hold) : fu);
        int v = static_cast<int>(k_held ? std::min(std::max(fv, -k_coord_hold), k_coord_hold) : fv);
        u = u < 0 ? width - u : u;
        v = v < 0 ? height - v : v;
        return pixels[static_cast<size_t>(v & mask_v) * width + (u & mask_u)];
    }
};

struct TexelAny {
    const Image* tex;
    uint32_t operator()(double fu, double fv) const { return texel_fetch(tex, fu, fv); }
};

// Opaque drawing: the row's words from the texels and the shade.
struct OpaqueRow {
    // A row of one shade: black, the texel itself (factors 256 and 257 give back every byte), or
    // the texel scaled.
    template <typename Fetch>
    void constant(uint32_t* row, int, int, int n, double u, double v, double su, double sv, uint32_t shade,
                  const Fetch& fetch) const
    {
        if (shade == 0) {
            std::fill_n(row, n, 0u);
        } else if (shade >= 254) {
            for (int l = 0; l < n; ++l) {
                u += su;
                v += sv;
                row[l] = fetch(u, v) & 0x00FFFFFFu;
            }
        } else {
            const uint32_t f = shade + 2;
            for (int l = 0; l < n; ++l) {
                u += su;
                v += sv;
                row[l] = scale_rgb(fetch(u, v), f);
            }
        }
    }
    uint32_t pixel(uint32_t texel, uint32_t shade, int, int) const
    {
        return shade == 0 ? 0u : scale_rgb(texel, shade + 2);
    }
};

// Blended drawing over the background at the same position.
struct BlendRow {
    const Surface* background;
    template <typename Fetch>
    void constant(uint32_t* row, int y, int x0, int n, double u, double v, double su, double sv, uint32_t shade,
                  const Fetch& fetch) const
    {
        const uint32_t* bg = surface_row(background, y) + x0;
        for (int l = 0; l < n; ++l) {
            u += su;
            v += sv;
            row[l] = blend_rgb_split(fetch(u, v), bg[l], shade);
        }
    }
    uint32_t pixel(uint32_t texel, uint32_t shade, int y, int x) const
    {
        return blend_rgb_split(texel, surface_row(background, y)[x], shade);
    }
};

// One cell of grid_cells_draw's fast twin, over the rows row_from .. row_to - 1.
template <typename Fetch, typename Row>
void grid_cell_fast(const TextureGrid* g, Surface* target, const Fetch& fetch, const Row& out, int i, int j,
                    int row_from, int row_to)
{
    const int cw = g->cell_w;
    const int chh = g->cell_h;
    const int top = i * chh + g->y_offset;
    CellEdges e = cell_edges(grid_cell(g, i, j), chh);
    const int x0 = j * cw + g->x_offset;
    for (int k = 0; k < chh; ++k) {
        const int y = top + k;
        if (y >= row_to) break;
        if (y >= row_from) {
            uint32_t* row = surface_row(target, y) + x0;
            const double su = edge_step(e.lu, e.ru, cw), sv = edge_step(e.lv, e.rv, cw);
            if (e.ls == e.rs) {
                out.constant(row, y, x0, cw, e.lu, e.lv, su, sv, shade_byte(e.ls), fetch);
            } else {
                const double ss = edge_step(e.ls, e.rs, cw);
                double u = e.lu, v = e.lv, s = e.ls;
                for (int l = 0; l < cw; ++l) {
                    u += su;
                    v += sv;
                    s += ss;
                    row[l] = out.pixel(fetch(u, v), shade_byte(s), y, x0 + l);
                }
            }
        }
        cell_edges_down(&e);
    }
}

// Corner coordinates within +-2^29: everything interpolated between them stays far inside +-2^30.
inline bool node_near(const GridNode& n)
{
    return n.u >= -(1 << 29) && n.u <= (1 << 29) && n.v >= -(1 << 29) && n.v <= (1 << 29);
}

// grid_cells_draw's fast twin over the rows row_from .. row_to - 1. `near` is the fetch for cells
// whose corners are all near, `any` for the rest.
template <typename Near, typename Any, typename Row>
void grid_cells_fast(const TextureGrid* g, Surface* target, const Near& near, const Any& any, const Row& out,
                     int row_from, int row_to)
{
    for (int i = 0; i + 1 < g->rows; ++i) {
        const int top = i * g->cell_h + g->y_offset;
        if (top >= row_to || top + g->cell_h <= row_from) continue;
        const GridNode* upper = g->nodes + i * g->cols;
        const GridNode* lower = upper + g->cols;
        for (int j = 0; j + 1 < g->cols; ++j) {
            if (node_near(upper[j]) && node_near(upper[j + 1]) && node_near(lower[j]) && node_near(lower[j + 1]))
                grid_cell_fast(g, target, near, out, i, j, row_from, row_to);
            else
                grid_cell_fast(g, target, any, out, i, j, row_from, row_to);
        }
    }
}

// ---- Four pixels at a time, for cells whose sums are exact. ----
//
// When the cell sides are powers of two (2^a by 2^b, a + b <= 22) every sum the drawing makes is
// exact in double: node values are 32-bit integers, the edges step by multiples of 2^-b, the rows by
// multiples of 2^-(a+b), and every value stays between its two ends, below 2^31. So pixel l of a row
// is exactly left + l * step, and four pixels can step by 4 * step side by side. The same values
// times 2^(a+b) are integers: shades always fit 32 bits that way, and coordinates do when the
// cell's corners are small, so most cells step in integers, where trunc(c) is (|C| >> (a+b)) with
// the sign of C. A texture whose sides are powers of two mirrors and wraps by |c| & mask: side - c
// and -c agree below the side.

// log2 of n when n is a power of two, else -1.
inline int exact_log2(int n)
{
    if (n < 1 || (n & (n - 1)) != 0) return -1;
    int k = 0;
    while ((1 << k) < n) ++k;
    return k;
}

struct Texture4 {
    const uint32_t* pixels;
    __m128i mask_u, mask_v;
    int shift_v;       // log2 of the width, for the row offset
    int fraction;      // a + b: the fraction bits of the integer steps
};

inline __m128i abs4(__m128i c)
{
    const __m128i sign = _mm_srai_epi32(c, 31);
    return _mm_sub_epi32(_mm_xor_si128(c, sign), sign);
}

// The texels at the wrapped columns u and rows v of four pixels.
inline __m128i texels_at4(const Texture4& t, __m128i u, __m128i v)
{
    alignas(16) uint32_t at[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(at), _mm_add_epi32(sll_epi32_by(v, t.shift_v), u));
    return _mm_setr_epi32(static_cast<int>(t.pixels[at[0]]), static_cast<int>(t.pixels[at[1]]),
                          static_cast<int>(t.pixels[at[2]]), static_cast<int>(t.pixels[at[3]]));
}

// l + d, l + 2d, l + 3d, l + 4d in the four lanes.
inline __m128i steps4(int32_t l, int32_t d)
{
    const __m128i dv = _mm_set1_epi32(d);
    const __m128i ramp = _mm_add_epi32(_mm_add_epi32(dv, _mm_slli_si128(dv, 4)),
                                       _mm_add_epi32(_mm_slli_si128(dv, 8), _mm_slli_si128(dv, 12)));
    return _mm_add_epi32(_mm_set1_epi32(l), ramp);
}

// Texture coordinates of four neighbouring pixels in double: (u, v) of pixels 0, 1 and 2, 3.
// k_held holds them within +-2^30 first, as texel_fetch does.
template <bool k_held>
struct Walk4 {
    __m128d u01, u23, v01, v23, du, dv;
    void advance()
    {
        u01 = _mm_add_pd(u01, du);
        u23 = _mm_add_pd(u23, du);
        v01 = _mm_add_pd(v01, dv);
        v23 = _mm_add_pd(v23, dv);
    }
    static __m128i trunc4(__m128d a01, __m128d a23)
    {
        if (k_held) {
            const __m128d hi = _mm_set1_pd(k_coord_hold), lo = _mm_set1_pd(-k_coord_hold);
            a01 = min_pd(max_pd(a01, lo), hi);
            a23 = min_pd(max_pd(a23, lo), hi);
        }
        // Held, or known to lie inside +-2^30: inside the 32-bit range either way.
        return _mm_unpacklo_epi64(cvtt_pd_epi32_in_range(a01), cvtt_pd_epi32_in_range(a23));
    }
    __m128i texels(const Texture4& t) const
    {
        return texels_at4(t, _mm_and_si128(abs4(trunc4(u01, u23)), t.mask_u),
                          _mm_and_si128(abs4(trunc4(v01, v23)), t.mask_v));
    }
    // Pixels 1 .. 4 of a row from the left edge by the step (the first pixel is one step in).
    void start(double lu, double su, double lv, double sv)
    {
        u01 = _mm_set_pd(lu + 2.0 * su, lu + su);
        u23 = _mm_set_pd(lu + 4.0 * su, lu + 3.0 * su);
        du = _mm_set1_pd(4.0 * su);
        v01 = _mm_set_pd(lv + 2.0 * sv, lv + sv);
        v23 = _mm_set_pd(lv + 4.0 * sv, lv + 3.0 * sv);
        dv = _mm_set1_pd(4.0 * sv);
    }
};

// The same coordinates times 2^(a+b), in integers.
struct WalkFixed4 {
    __m128i u, v, du, dv;
    void advance()
    {
        u = _mm_add_epi32(u, du);
        v = _mm_add_epi32(v, dv);
    }
    __m128i texels(const Texture4& t) const
    {
        return texels_at4(t, _mm_and_si128(srl_epi32_by(abs4(u), t.fraction), t.mask_u),
                          _mm_and_si128(srl_epi32_by(abs4(v), t.fraction), t.mask_v));
    }
};

// Shades of four neighbouring pixels times 2^(a+b); the shade is the integer part.
struct Shade4 {
    __m128i s, ds;
    __m128i get(const Texture4& t) const { return srl_epi32_by(s, t.fraction); }
    void advance() { s = _mm_add_epi32(s, ds); }
};

inline void store4(uint32_t* p, __m128i v)
{
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

// Opaque drawing, four pixels at a time. n is a multiple of 4.
struct OpaqueRow4 {
    template <typename Walk>
    void constant(const Texture4& t, uint32_t* row, int, int, int n, Walk w, uint32_t shade) const
    {
        if (shade == 0) {
            for (int l = 0; l < n; l += 4) store4(row + l, _mm_setzero_si128());
        } else if (shade >= 254) {
            const __m128i rgb = _mm_set1_epi32(0x00FFFFFF);
            for (int l = 0; l < n; l += 4, w.advance()) store4(row + l, _mm_and_si128(w.texels(t), rgb));
        } else {
            for (int l = 0; l < n; l += 4, w.advance()) store4(row + l, scale_rgb4(w.texels(t), shade + 2));
        }
    }
    // Shade 0 is black: its factor becomes 0.
    template <typename Walk>
    void varying(const Texture4& t, uint32_t* row, int, int, int n, Walk w, Shade4 s) const
    {
        for (int l = 0; l < n; l += 4, w.advance(), s.advance()) {
            const __m128i shade = s.get(t);
            const __m128i f = _mm_andnot_si128(_mm_cmpeq_epi32(shade, _mm_setzero_si128()),
                                               _mm_add_epi32(shade, _mm_set1_epi32(2)));
            store4(row + l, scale_rgb4_each(w.texels(t), f));
        }
    }
};

// Blended drawing over the background at the same position, four pixels at a time.
struct BlendRow4 {
    const Surface* background;
    template <typename Walk>
    void constant(const Texture4& t, uint32_t* row, int y, int x0, int n, Walk w, uint32_t shade) const
    {
        const uint32_t* bg = surface_row(background, y) + x0;
        if (shade == 0) {
            // The texel's term is floor(c / 256) = 0: the background shows unchanged.
            const __m128i rgb = _mm_set1_epi32(0x00FFFFFF);
            for (int l = 0; l < n; l += 4)
                store4(row + l, _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bg + l)), rgb));
            return;
        }
        for (int l = 0; l < n; l += 4, w.advance())
            store4(row + l,
                   blend_rgb_split4(w.texels(t), _mm_loadu_si128(reinterpret_cast<const __m128i*>(bg + l)), shade));
    }
    template <typename Walk>
    void varying(const Texture4& t, uint32_t* row, int y, int x0, int n, Walk w, Shade4 s) const
    {
        const uint32_t* bg = surface_row(background, y) + x0;
        for (int l = 0; l < n; l += 4, w.advance(), s.advance())
            store4(row + l, blend_rgb_split4_each(w.texels(t),
                                                  _mm_loadu_si128(reinterpret_cast<const __m128i*>(bg + l)), s.get(t)));
    }
};

// One cell over the rows row_from .. row_to - 1, four pixels at a time; the edges are stepped
// exactly as grid_cells_draw steps them. A row's steps are divided by the power-of-two width by
// multiplying with its exact inverse.
template <typename Walk, typename Row>
void grid_cell4(const TextureGrid* g, Surface* target, const Texture4& t, Walk w, const Row& out, int i, int j,
                int row_from, int row_to, int32_t scale)
{
    const int cw = g->cell_w;
    const int chh = g->cell_h;
    const double per_w = 1.0 / cw;
    const int top = i * chh + g->y_offset;
    CellEdges e = cell_edges(grid_cell(g, i, j), chh);
    const int x0 = j * cw + g->x_offset;
    // Rows above the band: the sums are exact, so k steps are k times the step.
    int k = 0;
    if (top < row_from) {
        k = row_from - top;
        cell_edges_down(&e, k);
    }
    for (; k < chh; ++k) {
        const int y = top + k;
        if (y >= row_to) break;
        uint32_t* row = surface_row(target, y) + x0;
        w.start(e.lu, (e.ru - e.lu) * per_w, e.lv, (e.rv - e.lv) * per_w);
        if (e.ls == e.rs) {
            out.constant(t, row, y, x0, cw, w, shade_byte(e.ls));
        } else {
            // The shade and its step times 2^(a+b) are whole numbers (see above).
            const int32_t fs = static_cast<int32_t>(e.ls * scale);
            const int32_t fd = static_cast<int32_t>((e.rs - e.ls) * per_w * scale);
            Shade4 s;
            s.s = steps4(fs, fd);
            s.ds = _mm_set1_epi32(4 * fd);
            out.varying(t, row, y, x0, cw, w, s);
        }
        cell_edges_down(&e);
    }
}

// The low 32 bits of v, for sums taken modulo 2^32.
inline uint32_t wrap32(int64_t v)
{
    return static_cast<uint32_t>(v);
}

// x / 2^shift for an x that 2^shift divides, without a division.
inline int64_t exact_shift_div(int64_t x, int shift)
{
    return x >= 0 ? x >> shift : -((-x) >> shift);
}

// One cell whose corners are small, over the rows row_from .. row_to - 1, all in integers: every
// value is the double one times 2^(a+b), so the edges step by whole numbers and each row's step is
// its width divided exactly by the cell width. A row's step then changes by the same whole number
// from row to row, so the four pixel lanes move down by one constant vector (summed modulo 2^32,
// which gives every in-range value exactly).
template <typename Row>
void grid_cell_fixed4(const TextureGrid* g, Surface* target, const Texture4& t, const Row& out, int i, int j,
                      int row_from, int row_to, int a, int b)
{
    const int cw = g->cell_w;
    const int chh = g->cell_h;
    const int64_t scale = int64_t{1} << (a + b), edge = int64_t{1} << a;
    const int top = i * chh + g->y_offset;
    const auto [tl, tr, bl, br] = grid_cell(g, i, j);
    const int64_t dlu = (int64_t{bl.u} - tl.u) * edge, dlv = (int64_t{bl.v} - tl.v) * edge;
    const int64_t dls = (int64_t{bl.shade} - tl.shade) * edge;
    const int64_t dru = (int64_t{br.u} - tr.u) * edge, drv = (int64_t{br.v} - tr.v) * edge;
    const int64_t drs = (int64_t{br.shade} - tr.shade) * edge;
    const int x0 = j * cw + g->x_offset;
    const int k0 = top < row_from ? row_from - top : 0;
    const int k1 = row_to - top < chh ? row_to - top : chh;
    if (k0 >= k1) return;
    // The first row drawn, then its changes from row to row.
    const int64_t lu = tl.u * scale + k0 * dlu, lv = tl.v * scale + k0 * dlv;
    int64_t ls = tl.shade * scale + k0 * dls, rs = tr.shade * scale + k0 * drs;
    const int64_t su = exact_shift_div(tr.u * scale + k0 * dru - lu, a);
    const int64_t sv = exact_shift_div(tr.v * scale + k0 * drv - lv, a);
    const int64_t dsu = exact_shift_div(dru - dlu, a), dsv = exact_shift_div(drv - dlv, a);
    const int64_t dss = exact_shift_div(drs - dls, a);
    WalkFixed4 w;
    w.u = steps4(static_cast<int32_t>(lu), static_cast<int32_t>(su));
    w.v = steps4(static_cast<int32_t>(lv), static_cast<int32_t>(sv));
    w.du = _mm_set1_epi32(static_cast<int32_t>(4 * su));
    w.dv = _mm_set1_epi32(static_cast<int32_t>(4 * sv));
    const __m128i down_u = steps4(static_cast<int32_t>(wrap32(dlu)), static_cast<int32_t>(wrap32(dsu)));
    const __m128i down_v = steps4(static_cast<int32_t>(wrap32(dlv)), static_cast<int32_t>(wrap32(dsv)));
    const __m128i down_du = _mm_set1_epi32(static_cast<int32_t>(wrap32(4 * dsu)));
    const __m128i down_dv = _mm_set1_epi32(static_cast<int32_t>(wrap32(4 * dsv)));
    Shade4 sh;
    const int64_t ss = exact_shift_div(rs - ls, a);
    sh.s = steps4(static_cast<int32_t>(ls), static_cast<int32_t>(ss));
    sh.ds = _mm_set1_epi32(static_cast<int32_t>(4 * ss));
    const __m128i down_s = steps4(static_cast<int32_t>(wrap32(dls)), static_cast<int32_t>(wrap32(dss)));
    const __m128i down_ds = _mm_set1_epi32(static_cast<int32_t>(wrap32(4 * dss)));
    uint32_t* row = surface_row(target, top + k0) + x0;
    for (int k = k0; k < k1; ++k) {
        const int y = top + k;
        if (ls == rs) out.constant(t, row, y, x0, cw, w, static_cast<uint32_t>(ls >> (a + b)));
        else out.varying(t, row, y, x0, cw, w, sh);
        w.u = _mm_add_epi32(w.u, down_u);
        w.v = _mm_add_epi32(w.v, down_v);
        w.du = _mm_add_epi32(w.du, down_du);
        w.dv = _mm_add_epi32(w.dv, down_dv);
        sh.s = _mm_add_epi32(sh.s, down_s);
        sh.ds = _mm_add_epi32(sh.ds, down_ds);
        ls += dls;
        rs += drs;
        row = reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(row) + target->pitch);
    }
}

// Corner coordinates within +-limit.
inline bool node_within(const GridNode& n, int32_t limit)
{
    return n.u >= -limit && n.u <= limit && n.v >= -limit && n.v <= limit;
}

// The four-pixel drawing when the cells and the texture allow it; false when they do not.
template <typename Row4>
bool grid_draw4(const TextureGrid* g, Surface* target, const Row4& out, int row_from, int row_to)
{
    const Image* tex = g->texture;
    if (!tex || tex->width < 1 || tex->height < 1 || g->cell_w < 1 || g->cell_h < 1) return false;
    const int a = exact_log2(g->cell_w), b = exact_log2(g->cell_h);
    const int tw = exact_log2(tex->width), th = exact_log2(tex->height);
    if (a < 2 || b < 0 || a + b > 22 || tw < 0 || th < 0) return false;
    const Texture4 t = {tex->pixels, _mm_set1_epi32(tex->width - 1), _mm_set1_epi32(tex->height - 1),
                        tw, a + b};
    const int32_t scale = 1 << (a + b);
    // Corners within this keep every coordinate times 2^(a+b) inside +-2^30.
    const int32_t small = (1 << (30 - (a + b))) - 1;
    for (int i = 0; i + 1 < g->rows; ++i) {
        const int top = i * g->cell_h + g->y_offset;
        if (top >= row_to || top + g->cell_h <= row_from) continue;
        const GridNode* upper = g->nodes + i * g->cols;
        const GridNode* lower = upper + g->cols;
        for (int j = 0; j + 1 < g->cols; ++j) {
            if (node_within(upper[j], small) && node_within(upper[j + 1], small) && node_within(lower[j], small) &&
                node_within(lower[j + 1], small))
                grid_cell_fixed4(g, target, t, out, i, j, row_from, row_to, a, b);
            else if (node_near(upper[j]) && node_near(upper[j + 1]) && node_near(lower[j]) && node_near(lower[j + 1]))
                grid_cell4(g, target, t, Walk4<false>{}, out, i, j, row_from, row_to, scale);
            else
                grid_cell4(g, target, t, Walk4<true>{}, out, i, j, row_from, row_to, scale);
        }
    }
    return true;
}

template <typename Row>
void grid_fast_draw(const TextureGrid* g, Surface* target, const Row& out, int row_from, int row_to)
{
    const Image* tex = g->texture;
    if (!tex || tex->width < 1 || tex->height < 1 || g->cell_w < 1 || g->cell_h < 1) return;
    if ((tex->width & (tex->width - 1)) == 0 && (tex->height & (tex->height - 1)) == 0) {
        const TexelMasked<false> near = {tex->pixels, tex->width, tex->height, tex->width - 1, tex->height - 1};
        const TexelMasked<true> any = {tex->pixels, tex->width, tex->height, tex->width - 1, tex->height - 1};
        grid_cells_fast(g, target, near, any, out, row_from, row_to);
    } else {
        grid_cells_fast(g, target, TexelAny{tex}, TexelAny{tex}, out, row_from, row_to);
    }
}

// The four-pixel drawing in the AVX2 encoding on x86 (the same operations, so the same words): its
// three-operand instructions spare the register copies. `flatten` compiles the whole drawing into it.
#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("avx2"), flatten)) bool grid_draw4_opaque_avx2(const TextureGrid* g, Surface* target,
                                                                     int row_from, int row_to)
{
    return grid_draw4(g, target, OpaqueRow4{}, row_from, row_to);
}
#endif

bool grid_draw4_opaque(const TextureGrid* g, Surface* target, int row_from, int row_to)
{
#if defined(__x86_64__) || defined(__i386__)
    if (g_avx2_paths) return grid_draw4_opaque_avx2(g, target, row_from, row_to);
#endif
    return grid_draw4(g, target, OpaqueRow4{}, row_from, row_to);
}

}  // namespace

void grid_draw_fast(const TextureGrid* grid, Surface* target, int row_from, int row_to)
{
    if (!grid_draw4_opaque(grid, target, row_from, row_to)) grid_fast_draw(grid, target, OpaqueRow{}, row_from, row_to);
}

void grid_draw_blend_fast(const TextureGrid* grid, Surface* target, const Surface* background, int row_from,
                          int row_to)
{
    if (!grid_draw4(grid, target, BlendRow4{background}, row_from, row_to))
        grid_fast_draw(grid, target, BlendRow{background}, row_from, row_to);
}
