// Texture grid creation, drawing and the pinch warp. Each cell interpolates u, v and shade down its
// left and right edges row by row and across each row pixel by pixel; the step is added before the
// first pixel, so a row starts one step in from its left edge and ends on its right edge. The
// interpolated values are plain intermediates held in double: cast planes give node coordinates far
// beyond a float's exact range.
//
// The fast twin of the cell drawing writes the same words with less work per pixel: a texture whose
// sides are powers of two wraps by a mask instead of a remainder (the coordinate is never negative
// by then), and a row whose shade is the same at both ends keeps that shade without interpolating
// it (the step is 0, and adding 0 changes nothing) and needs no texel where it is black. It can keep
// to a band of rows: each cell starts afresh from its nodes, so a band needs only its own cells.
#include "procedural/texture_grid.h"

#include <algorithm>
#include <cstdlib>

#include "display/blend.h"
#include "display/render_paths.h"
#include "display/surface.h"

namespace {

constexpr int k_frame_w = 512;
constexpr int k_frame_h = 384;
// Texture coordinates are held within +-2^30 before truncation: far beyond any texture, and it
// keeps the conversion and the mirroring below defined for any node values.
constexpr double k_coord_hold = 1073741824.0;

// Negative coordinates mirror about 0 (-3 fetches 3), the rest wrap.
inline uint32_t texel_fetch(const Image* tex, double fu, double fv)
{
    int u = static_cast<int>(std::min(std::max(fu, -k_coord_hold), k_coord_hold));
    int v = static_cast<int>(std::min(std::max(fv, -k_coord_hold), k_coord_hold));
    if (u < 0) u = tex->width - u;
    if (v < 0) v = tex->height - v;
    u %= tex->width;
    v %= tex->height;
    return tex->pixels[static_cast<size_t>(v) * tex->width + u];
}

inline uint32_t shade_byte(double s)
{
    const int v = static_cast<int>(s);
    return static_cast<uint32_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

inline double edge_step(double a, double b, int n)
{
    return (b - a) / n;
}

// Draws every cell; `Pixel` turns a texel, a shade and the target position into the written word.
template <typename Pixel>
void grid_cells_draw(const TextureGrid* g, Surface* target, Pixel pixel)
{
    const Image* tex = g->texture;
    if (!tex || tex->width < 1 || tex->height < 1 || g->cell_w < 1 || g->cell_h < 1) return;
    const int cw = g->cell_w;
    const int chh = g->cell_h;
    for (int i = 0; i + 1 < g->rows; ++i) {
        for (int j = 0; j + 1 < g->cols; ++j) {
            const GridNode& tl = g->nodes[i * g->cols + j];
            const GridNode& tr = g->nodes[i * g->cols + j + 1];
            const GridNode& bl = g->nodes[(i + 1) * g->cols + j];
            const GridNode& br = g->nodes[(i + 1) * g->cols + j + 1];
            double lu = tl.u, lv = tl.v, ls = tl.shade;
            double ru = tr.u, rv = tr.v, rs = tr.shade;
            const double dlu = edge_step(tl.u, bl.u, chh), dlv = edge_step(tl.v, bl.v, chh);
            const double dls = edge_step(tl.shade, bl.shade, chh);
            const double dru = edge_step(tr.u, br.u, chh), drv = edge_step(tr.v, br.v, chh);
            const double drs = edge_step(tr.shade, br.shade, chh);
            const int x0 = j * cw + g->x_offset;
            for (int k = 0; k < chh; ++k) {
                const int y = i * chh + k + g->y_offset;
                uint32_t* row = surface_row(target, y) + x0;
                const double su = edge_step(lu, ru, cw), sv = edge_step(lv, rv, cw);
                const double ss = edge_step(ls, rs, cw);
                double u = lu, v = lv, s = ls;
                for (int l = 0; l < cw; ++l) {
                    u += su;
                    v += sv;
                    s += ss;
                    row[l] = pixel(texel_fetch(tex, u, v), shade_byte(s), y, x0 + l, row[l]);
                }
                lu += dlu;
                lv += dlv;
                ls += dls;
                ru += dru;
                rv += drv;
                rs += drs;
            }
        }
    }
}

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
    const GridNode& tl = g->nodes[i * g->cols + j];
    const GridNode& tr = g->nodes[i * g->cols + j + 1];
    const GridNode& bl = g->nodes[(i + 1) * g->cols + j];
    const GridNode& br = g->nodes[(i + 1) * g->cols + j + 1];
    double lu = tl.u, lv = tl.v, ls = tl.shade;
    double ru = tr.u, rv = tr.v, rs = tr.shade;
    const double dlu = edge_step(tl.u, bl.u, chh), dlv = edge_step(tl.v, bl.v, chh);
    const double dls = edge_step(tl.shade, bl.shade, chh);
    const double dru = edge_step(tr.u, br.u, chh), drv = edge_step(tr.v, br.v, chh);
    const double drs = edge_step(tr.shade, br.shade, chh);
    const int x0 = j * cw + g->x_offset;
    for (int k = 0; k < chh; ++k) {
        const int y = top + k;
        if (y >= row_to) break;
        if (y >= row_from) {
            uint32_t* row = surface_row(target, y) + x0;
            const double su = edge_step(lu, ru, cw), sv = edge_step(lv, rv, cw);
            if (ls == rs) {
                out.constant(row, y, x0, cw, lu, lv, su, sv, shade_byte(ls), fetch);
            } else {
                const double ss = edge_step(ls, rs, cw);
                double u = lu, v = lv, s = ls;
                for (int l = 0; l < cw; ++l) {
                    u += su;
                    v += sv;
                    s += ss;
                    row[l] = out.pixel(fetch(u, v), shade_byte(s), y, x0 + l);
                }
            }
        }
        lu += dlu;
        lv += dlv;
        ls += dls;
        ru += dru;
        rv += drv;
        rs += drs;
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

// trunc(v) held within +-2^30.
inline int trunc_held(double v)
{
    if (v >= 1073741824.0) return 1 << 30;
    if (v > -1073741824.0) return static_cast<int>(v);
    return -(1 << 30);
}

}  // namespace

TextureGrid* grid_create(int across, int down, const Image* texture)
{
    if (across < 1 || down < 1) return nullptr;
    TextureGrid* g = static_cast<TextureGrid*>(std::calloc(1, sizeof(TextureGrid)));
    if (!g) return nullptr;
    const size_t count = static_cast<size_t>(across + 1) * static_cast<size_t>(down + 1);
    g->nodes = static_cast<GridNode*>(std::calloc(count, sizeof(GridNode)));
    if (!g->nodes) {
        std::free(g);
        return nullptr;
    }
    g->cols = across + 1;
    g->rows = down + 1;
    g->x_offset = 0;
    g->y_offset = 0;
    g->cell_w = k_frame_w / across;
    g->cell_h = k_frame_h / down;
    g->texture = texture;
    return g;
}

void grid_free(TextureGrid* grid)
{
    if (!grid) return;
    std::free(grid->nodes);
    std::free(grid);
}

void grid_draw(const TextureGrid* grid, Surface* target)
{
    if (!g_plain_paths) {
        grid_fast_draw(grid, target, OpaqueRow{}, 0, target->height);
        return;
    }
    grid_cells_draw(grid, target, [](uint32_t texel, uint32_t shade, int, int, uint32_t) {
        return shade == 0 ? 0u : scale_rgb(texel, shade + 2);
    });
}

void grid_draw_blend(const TextureGrid* grid, Surface* target, const Surface* background)
{
    if (!g_plain_paths) {
        grid_fast_draw(grid, target, BlendRow{background}, 0, target->height);
        return;
    }
    grid_cells_draw(grid, target, [background](uint32_t texel, uint32_t shade, int y, int x, uint32_t) {
        return blend_rgb_split(texel, surface_row(background, y)[x], shade);
    });
}

void grid_draw_rows(const TextureGrid* grid, Surface* target, int row_from, int row_to)
{
    grid_fast_draw(grid, target, OpaqueRow{}, row_from, row_to);
}

void grid_draw_blend_rows(const TextureGrid* grid, Surface* target, const Surface* background, int row_from,
                          int row_to)
{
    grid_fast_draw(grid, target, BlendRow{background}, row_from, row_to);
}

void grid_warp_pinch(TextureGrid* grid, double k)
{
    const int half_rows = grid->rows >> 1;
    const int half_cols = grid->cols >> 1;
    for (int i = 0; i < grid->rows; ++i) {
        const double di = i - half_rows;
        for (int j = 0; j < grid->cols; ++j) {
            const double dj = j - half_cols;
            GridNode& n = grid->nodes[i * grid->cols + j];
            if (k != 0.0) {
                n.u = trunc_held(-k * dj * di * di / half_cols) + j * grid->cell_w;
                n.v = trunc_held(-k * di * dj * dj / half_rows) + i * grid->cell_h;
            } else {
                n.u = j * grid->cell_w;
                n.v = i * grid->cell_h;
            }
            n.shade = 255;
        }
    }
}
