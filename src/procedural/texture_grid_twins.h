// The twins of the texture grid's drawing, for the dispatch in texture_grid.cpp and for the banded
// fast paths of the scenes, with the texel fetch and the steps both share. Other callers call
// grid_draw and grid_draw_blend.
#pragma once
#include <algorithm>
#include <cstdint>

#include "display/surface.h"
#include "procedural/texture_grid.h"

void grid_draw_plain(const TextureGrid* grid, Surface* target);
void grid_draw_blend_plain(const TextureGrid* grid, Surface* target, const Surface* background);
// The fast twins, writing only the rows row_from .. row_to - 1, each exactly as the whole drawing
// writes it: row bands drawn apart add up to the whole.
void grid_draw_fast(const TextureGrid* grid, Surface* target, int row_from, int row_to);
void grid_draw_blend_fast(const TextureGrid* grid, Surface* target, const Surface* background, int row_from,
                          int row_to);

namespace grid_shared {

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

// The four nodes around cell (i, j): top left, top right, bottom left, bottom right.
struct GridCell {
    const GridNode& tl;
    const GridNode& tr;
    const GridNode& bl;
    const GridNode& br;
};

inline GridCell grid_cell(const TextureGrid* g, int i, int j)
{
    const GridNode* n = g->nodes + i * g->cols + j;
    return {n[0], n[1], n[g->cols], n[g->cols + 1]};
}

// A cell's left and right edges in double: their values at the top row (u, v, shade) and their
// steps per row down the cell's chh rows.
struct CellEdges {
    double lu, lv, ls, ru, rv, rs;
    double dlu, dlv, dls, dru, drv, drs;
};

inline CellEdges cell_edges(const GridCell& c, int chh)
{
    const GridNode &tl = c.tl, &tr = c.tr;
    return {double(tl.u), double(tl.v), double(tl.shade), double(tr.u), double(tr.v), double(tr.shade),
            edge_step(c.tl.u, c.bl.u, chh), edge_step(c.tl.v, c.bl.v, chh), edge_step(c.tl.shade, c.bl.shade, chh),
            edge_step(c.tr.u, c.br.u, chh), edge_step(c.tr.v, c.br.v, chh), edge_step(c.tr.shade, c.br.shade, chh)};
}

// Moves both edges `rows` rows down the cell, by `rows` times each step (one row: the step itself).
inline void cell_edges_down(CellEdges* e, int rows = 1)
{
    e->lu += rows * e->dlu;
    e->lv += rows * e->dlv;
    e->ls += rows * e->dls;
    e->ru += rows * e->dru;
    e->rv += rows * e->drv;
    e->rs += rows * e->drs;
}

}  // namespace grid_shared
