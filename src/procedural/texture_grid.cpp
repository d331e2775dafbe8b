// Texture grid creation, drawing and the pinch warp. Each cell interpolates u, v and shade down its
// left and right edges row by row and across each row pixel by pixel; the step is added before the
// first pixel, so a row starts one step in from its left edge and ends on its right edge. The
// interpolated values are plain intermediates held in double: cast planes give node coordinates far
// beyond a float's exact range.
// The plain twin of the cell drawing is here; the fast one is in texture_grid_fast.cpp.
#include "procedural/texture_grid.h"

#include <algorithm>
#include <cstdlib>

#include "display/blend.h"
#include "display/frame_size.h"
#include "display/render_paths.h"
#include "display/surface.h"
#include "display/trunc.h"
#include "procedural/texture_grid_twins.h"

using namespace grid_shared;

namespace {

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
            CellEdges e = cell_edges(grid_cell(g, i, j), chh);
            const int x0 = j * cw + g->x_offset;
            for (int k = 0; k < chh; ++k) {
                const int y = i * chh + k + g->y_offset;
                uint32_t* row = surface_row(target, y) + x0;
                const double su = edge_step(e.lu, e.ru, cw), sv = edge_step(e.lv, e.rv, cw);
                const double ss = edge_step(e.ls, e.rs, cw);
                double u = e.lu, v = e.lv, s = e.ls;
                for (int l = 0; l < cw; ++l) {
                    u += su;
                    v += sv;
                    s += ss;
                    row[l] = pixel(texel_fetch(tex, u, v), shade_byte(s), y, x0 + l, row[l]);
                }
                cell_edges_down(&e);
            }
        }
    }
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
    g->cell_w = k_frame_width / across;
    g->cell_h = k_frame_height / down;
    g->texture = texture;
    return g;
}

void grid_free(TextureGrid* grid)
{
    if (!grid) return;
    std::free(grid->nodes);
    std::free(grid);
}

void grid_draw_plain(const TextureGrid* grid, Surface* target)
{
    grid_cells_draw(grid, target, [](uint32_t texel, uint32_t shade, int, int, uint32_t) {
        return shade == 0 ? 0u : scale_rgb(texel, shade + 2);
    });
}

void grid_draw_blend_plain(const TextureGrid* grid, Surface* target, const Surface* background)
{
    grid_cells_draw(grid, target, [background](uint32_t texel, uint32_t shade, int y, int x, uint32_t) {
        return blend_rgb_split(texel, surface_row(background, y)[x], shade);
    });
}

void grid_draw(const TextureGrid* grid, Surface* target)
{
    if (g_plain_paths) return grid_draw_plain(grid, target);
    return grid_draw_fast(grid, target, 0, target->height);
}

void grid_draw_blend(const TextureGrid* grid, Surface* target, const Surface* background)
{
    if (g_plain_paths) return grid_draw_blend_plain(grid, target, background);
    return grid_draw_blend_fast(grid, target, background, 0, target->height);
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
