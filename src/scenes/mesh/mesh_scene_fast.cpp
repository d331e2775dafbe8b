// The fast twin of the mesh scene's frame. One thread draws the frame in one pass. More threads
// share the work in two jobs: first the curve points of every strand are made once, in chunks of
// strands; then every row band clears, textures and draws its own rows, strand by strand and piece by
// piece in drawing order and the dots after them, so every pixel sees the same writes in the same
// order as in the whole frame.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "display/band_worker.h"
#include "display/surface.h"
#include "geom3d/curves.h"
#include "geom3d/curves_twins.h"
#include "geom3d/lines_twins.h"
#include "procedural/texture_grid.h"
#include "procedural/texture_grid_twins.h"
#include "scenes/mesh/mesh_scene_twins.h"

namespace {

// The columns from 0, and the rows from 0, that the grid writes every pixel of; none when it does
// not start at the top-left corner.
void grid_cover(const TextureGrid* g, int* columns, int* rows)
{
    const bool corner = g && g->x_offset == 0 && g->y_offset == 0;
    *columns = corner ? (g->cols - 1) * g->cell_w : 0;
    *rows = corner ? (g->rows - 1) * g->cell_h : 0;
}

// Clears rows y0 .. y1 - 1, but not the pixels that the grid then covers: they would be
// overwritten at once.
void frame_rows_clear(const MeshFrame& m, int y0, int y1)
{
    Surface* frame = m.frame;
    int columns, rows;
    grid_cover(m.grid, &columns, &rows);
    columns = std::min(columns, frame->width);
    for (int y = y0; y < y1; ++y) {
        const int from = y < rows ? columns : 0;
        std::memset(surface_row(frame, y) + from, 0, static_cast<size_t>(frame->width - from) * 4);
    }
}

void mesh_band_draw(void* ctx, int y0, int y1)
{
    const MeshFrame& m = *static_cast<const MeshFrame*>(ctx);
    Surface* frame = m.frame;
    frame_rows_clear(m, y0, y1);
    if (m.grid) grid_draw_fast(m.grid, frame, y0, y1);
    const Mesh* mesh = m.mesh;
    for (int e = 0; e < mesh->edge_count; ++e) {
        Vec4 first, second, control;
        strand_points(m.work[mesh->edges[e].a], m.work[mesh->edges[e].b], m.pulse, &first, &second, &control);
        draw_curve_fast(frame, first, second, control, k_strand_colour, y0, y1);
    }
    for (int i = 0; i < mesh->vertex_count; ++i)
        draw_glow_dot_fast(frame, centred(m.work[i].x, k_centre_x), centred(m.work[i].y, k_centre_y), m.radius,
                           k_joint_colour, y0, y1);
}

// The curve points of every strand of one frame, made once and shared by the bands: seventeen
// points a strand, and the lowest and highest y among them.
constexpr int k_chunks = 8;

struct StrandPoints {
    Vec4* points;    // 17 a strand; only x and y are used
    float* low;      // a strand's least y
    float* high;     // a strand's greatest y
    int edges;
};

StrandPoints g_strand_points = {nullptr, nullptr, nullptr, 0};

// Curve points of the strands of chunks c0 .. c1 - 1.
void strand_points_make(void* ctx, int c0, int c1)
{
    const MeshFrame& m = *static_cast<const MeshFrame*>(ctx);
    const StrandPoints& sp = g_strand_points;
    const long long edges = m.mesh->edge_count;
    for (int e = static_cast<int>(edges * c0 / k_chunks); e < static_cast<int>(edges * c1 / k_chunks); ++e) {
        Vec4 first, second, control;
        strand_points(m.work[m.mesh->edges[e].a], m.work[m.mesh->edges[e].b], m.pulse, &first, &second, &control);
        Vec4* points = sp.points + static_cast<size_t>(e) * 17;
        curve_points_make(first, second, control, points);
        float low = points[0].y, high = points[0].y;
        for (int i = 1; i < 17; ++i) {
            low = std::min(low, points[i].y);
            high = std::max(high, points[i].y);
        }
        sp.low[e] = low;
        sp.high[e] = high;
    }
}

// Rows of moderate size: rounding in the line set-up stays far below a pixel.
constexpr float k_moderate = 1048576.0f;

// Draws the rows y0 .. y1 - 1 of the frame from the points made before; a strand none of whose
// pieces can reach the band is passed over whole.
void points_band_draw(void* ctx, int y0, int y1)
{
    const MeshFrame& m = *static_cast<const MeshFrame*>(ctx);
    const StrandPoints& sp = g_strand_points;
    Surface* frame = m.frame;
    frame_rows_clear(m, y0, y1);
    if (m.grid) grid_draw_fast(m.grid, frame, y0, y1);
    const float top = static_cast<float>(y0), bottom = static_cast<float>(y1);
    for (int e = 0; e < m.mesh->edge_count; ++e) {
        const float low = sp.low[e], high = sp.high[e];
        if (low > -k_moderate && high < k_moderate && (high + 3.0f < top || low - 3.0f >= bottom)) continue;
        const Vec4* points = sp.points + static_cast<size_t>(e) * 17;
        draw_polyline_fast(frame, points, 17, k_strand_colour, 1.0f, y0, y1);
    }
    for (int i = 0; i < m.mesh->vertex_count; ++i)
        draw_glow_dot_fast(frame, centred(m.work[i].x, k_centre_x), centred(m.work[i].y, k_centre_y), m.radius,
                           k_joint_colour, y0, y1);
}

}  // namespace

void strand_points_free()
{
    std::free(g_strand_points.points);
    std::free(g_strand_points.low);
    std::free(g_strand_points.high);
    g_strand_points = {nullptr, nullptr, nullptr, 0};
}

int strand_points_create(int edges)
{
    const size_t n = static_cast<size_t>(edges > 0 ? edges : 1);
    g_strand_points.points = static_cast<Vec4*>(std::malloc(n * 17 * sizeof(Vec4)));
    g_strand_points.low = static_cast<float*>(std::malloc(n * sizeof(float)));
    g_strand_points.high = static_cast<float*>(std::malloc(n * sizeof(float)));
    g_strand_points.edges = edges;
    if (g_strand_points.points && g_strand_points.low && g_strand_points.high) return 1;
    strand_points_free();
    return 0;
}

void mesh_frame_draw_fast(const MeshFrame& f)
{
    MeshFrame bands = f;
    if (g_threads <= 1 || g_strand_points.edges != f.mesh->edge_count)
        return mesh_band_draw(&bands, 0, f.frame->height);
    band_run_split(strand_points_make, &bands, k_chunks, k_chunks);
    band_run(points_band_draw, &bands, f.frame->height);
}
