// The mesh scene: preparation, per-frame drawing and release. State values are floats; the
// arithmetic that updates them, and every intermediate such as dt and the pulse step, runs in
// double, rounded only as a value is stored.
//
// On the fast paths the scene state, the warp of the grid and the transformed vertices are made on
// the calling thread first. One thread then draws the frame in one pass. More threads share the work
// in two jobs: first the curve points of every strand are made once, in chunks of strands; then
// every row band clears, textures and draws its own rows, strand by strand and piece by piece in
// drawing order and the dots after them, so every pixel sees the same writes in the same order as
// in the whole frame.
#include "scenes/mesh/mesh_scene.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "display/band_worker.h"
#include "display/frame_size.h"
#include "display/render_paths.h"
#include "display/surface.h"
#include "geom3d/ase_loader.h"
#include "geom3d/curves.h"
#include "geom3d/lines.h"
#include "geom3d/matrix.h"
#include "procedural/height_field.h"
#include "procedural/texture_grid.h"
#include "shell/report.h"

MeshSceneData g_mesh_scene = {nullptr, nullptr, nullptr, nullptr};
MeshSceneState g_mesh_state = {0, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1};

namespace {

const char k_mesh_path[] = "./data/octopus.ase";
constexpr int k_texture_size = 128;
constexpr int32_t k_roughness = 32768;
constexpr uint32_t k_texture_seed = 24236;
constexpr int k_grid_across = 32;
constexpr int k_grid_down = 24;
constexpr uint32_t k_strand_colour = 0xFFFEFEFFu;
constexpr uint32_t k_joint_colour = 0xFFABD4E4u;
constexpr double k_full_turn = 6.2831855;
// The projected origin sits at the fixed screen centre, whatever the surface.
constexpr double k_centre_x = 256.0;
constexpr double k_centre_y = 192.0;

void texture_and_grid_free()
{
    grid_free(g_mesh_scene.grid);
    image_free(g_mesh_scene.texture);
    g_mesh_scene.grid = nullptr;
    g_mesh_scene.texture = nullptr;
}

// A failed preparation gives back everything it took.
int prepare_fail(ByteMap* heights, Image* texture, TextureGrid* grid, Mesh* mesh)
{
    mesh_free(mesh);
    grid_free(grid);
    image_free(texture);
    bytemap_free(heights);
    return 0;
}

inline float centred(double v, double centre)
{
    return static_cast<float>(v + centre);
}

// The columns from 0, and the rows from 0, that the grid writes every pixel of; none when it does
// not start at the top-left corner.
void grid_cover(const TextureGrid* g, int* columns, int* rows)
{
    const bool corner = g && g->x_offset == 0 && g->y_offset == 0;
    *columns = corner ? (g->cols - 1) * g->cell_w : 0;
    *rows = corner ? (g->rows - 1) * g->cell_h : 0;
}

// What the bands of one frame share; read only while they draw.
struct MeshBands {
    Surface* frame;
    const Mesh* mesh;
    const Vec4* work;
    const TextureGrid* grid;   // null when the frame is too small for it
    double pulse;
    float radius;
};

void strand_points(const Vec4& a, const Vec4& b, double pulse, Vec4* first, Vec4* second, Vec4* control)
{
    *first = {centred(a.x, k_centre_x), centred(a.y, k_centre_y), a.z, a.w};
    *second = {centred(b.x, k_centre_x), centred(b.y, k_centre_y), b.z, b.w};
    // The strand bows towards the first vertex's x and the second vertex's y.
    *control = {centred(a.x * pulse, k_centre_x), centred(b.y * pulse, k_centre_y), 0.0f, 0.0f};
}

// Clears rows y0 .. y1 - 1, but not the pixels that the grid then covers: they would be
// overwritten at once.
void frame_rows_clear(const MeshBands& m, int y0, int y1)
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
    const MeshBands& m = *static_cast<const MeshBands*>(ctx);
    Surface* frame = m.frame;
    frame_rows_clear(m, y0, y1);
    if (m.grid) grid_draw_rows(m.grid, frame, y0, y1);
    const Mesh* mesh = m.mesh;
    for (int e = 0; e < mesh->edge_count; ++e) {
        Vec4 first, second, control;
        strand_points(m.work[mesh->edges[e].a], m.work[mesh->edges[e].b], m.pulse, &first, &second, &control);
        draw_curve_rows(frame, first, second, control, k_strand_colour, y0, y1);
    }
    for (int i = 0; i < mesh->vertex_count; ++i)
        draw_glow_dot_rows(frame, centred(m.work[i].x, k_centre_x), centred(m.work[i].y, k_centre_y), m.radius,
                           k_joint_colour, y0, y1);
}

// The curve points of every strand of one frame, made once and shared by the bands: seventeen
// points a strand, and the lowest and highest y among them.
constexpr int k_chunks = 8;
constexpr int k_bands = 8;

struct StrandPoints {
    Vec4* points;    // 17 a strand; only x and y are used
    float* low;      // a strand's least y
    float* high;     // a strand's greatest y
    int edges;
};

StrandPoints g_strand_points = {nullptr, nullptr, nullptr, 0};

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

// Curve points of the strands of chunks c0 .. c1 - 1.
void strand_points_make(void* ctx, int c0, int c1)
{
    const MeshBands& m = *static_cast<const MeshBands*>(ctx);
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
    const MeshBands& m = *static_cast<const MeshBands*>(ctx);
    const StrandPoints& sp = g_strand_points;
    Surface* frame = m.frame;
    frame_rows_clear(m, y0, y1);
    if (m.grid) grid_draw_rows(m.grid, frame, y0, y1);
    const float top = static_cast<float>(y0), bottom = static_cast<float>(y1);
    for (int e = 0; e < m.mesh->edge_count; ++e) {
        const float low = sp.low[e], high = sp.high[e];
        if (low > -k_moderate && high < k_moderate && (high + 3.0f < top || low - 3.0f >= bottom)) continue;
        const Vec4* points = sp.points + static_cast<size_t>(e) * 17;
        for (int i = 0; i < 16; ++i)
            draw_line_wide_rows(frame, points[i], points[i + 1], k_strand_colour, k_strand_colour, 1.0f, y0, y1);
    }
    for (int i = 0; i < m.mesh->vertex_count; ++i)
        draw_glow_dot_rows(frame, centred(m.work[i].x, k_centre_x), centred(m.work[i].y, k_centre_y), m.radius,
                           k_joint_colour, y0, y1);
}

}  // namespace

int mesh_scene_prepare()
{
    // Preparing again (the tests do) starts from nothing.
    mesh_scene_release();
    texture_and_grid_free();

    ByteMap* heights = bytemap_create(k_texture_size, k_texture_size);
    if (!heights) return 0;
    fill_height_field(heights, k_roughness, k_texture_seed);

    Image* texture = image_create(k_texture_size, k_texture_size);
    if (!texture) return prepare_fail(heights, nullptr, nullptr, nullptr);
    // Opaque blue from 32 (height 0) to 204 (height 255).
    for (int y = 0; y < k_texture_size; ++y) {
        const uint8_t* cells = bytemap_row(heights, y);
        for (int x = 0; x < k_texture_size; ++x)
            texture->pixels[y * k_texture_size + x] = 0xFF000000u | ((172u * cells[x] + 8396u) >> 8);
    }

    TextureGrid* grid = grid_create(k_grid_across, k_grid_down, texture);
    if (!grid) return prepare_fail(heights, texture, nullptr, nullptr);

    Mesh* mesh = mesh_load_ase(k_mesh_path);
    if (!mesh) return prepare_fail(heights, texture, grid, nullptr);
    if (mesh->vertex_count < 1 || mesh->edge_count < 1) {
        report_failure("%s holds no object to draw: %d vertices and %d visible edges", k_mesh_path,
                       mesh->vertex_count, mesh->edge_count);
        return prepare_fail(heights, texture, grid, mesh);
    }
    const int count = mesh->vertex_count;
    Vec4* work = static_cast<Vec4*>(std::malloc(static_cast<size_t>(count > 0 ? count : 1) * sizeof(Vec4)));
    if (!work) return prepare_fail(heights, texture, grid, mesh);
    if (!strand_points_create(mesh->edge_count)) {
        std::free(work);
        return prepare_fail(heights, texture, grid, mesh);
    }
    for (int i = 0; i < count; ++i) {
        Vec4& v = mesh->vertices[i];
        v = {v.x * 2.0f, v.y * 2.0f, v.z * 2.0f, v.w * 2.0f};
    }
    bytemap_free(heights);

    g_mesh_scene = {mesh, work, texture, grid};
    return 1;
}

int scene_mesh(Surface* frame, float now, float start)
{
    MeshSceneState& st = g_mesh_state;
    const float run_time = static_cast<float>(static_cast<double>(now) - start);
    if (!st.initialised || start > st.last_start) {
        // The first call of the program, or a new run: the direction of the pulse carries over.
        st.angle = 0.0f;
        st.last_start = start;
        st.pulse = 1.0f;
        st.phase = 0.0f;
        st.previous_time = run_time;
        st.current_time = run_time;
        st.initialised = 1;
    } else {
        st.previous_time = st.current_time;
        st.current_time = run_time;
    }
    const double dt = static_cast<double>(st.current_time) - st.previous_time;

    const bool plain = g_plain_paths != 0;
    const MeshSceneData& data = g_mesh_scene;
    if (plain || !data.mesh) surface_clear(frame);
    if (!data.mesh) return 1;

    // The grid covers exactly a whole frame.
    const bool grid_fits = frame->width >= k_frame_width && frame->height >= k_frame_height;
    if (grid_fits) {
        grid_warp_pinch(data.grid, std::sin(static_cast<double>(st.phase)));
        if (plain) grid_draw(data.grid, frame);
    }

    const Mesh* mesh = data.mesh;
    const int count = mesh->vertex_count;
    Vec4* work = data.work;
    if (count > 0) std::memcpy(work, mesh->vertices, static_cast<size_t>(count) * sizeof(Vec4));

    // The rotation uses this frame's angle before it advances.
    Matrix4 m;
    mat_identity(&m);
    mat_rotate_xyz(&m, {4.0f * st.angle, st.angle, st.angle, 0.0f});
    st.angle = static_cast<float>(st.angle + dt * 0.01);
    mat_transform_points(&m, work, count);
    // No division by w: this projection only scales x and y by cos 45 degrees.
    mat_identity(&m);
    mat_perspective(&m, 90.0f, 0.0f, 60.0f);
    mat_transform_points(&m, work, count);

    // The pulse overshoots each limit by at most one step before it turns.
    const double step = dt * 0.08;
    if (st.pulse_growing == 1) {
        st.pulse = static_cast<float>(st.pulse + step);
        if (st.pulse > 1.1) st.pulse_growing = 0;
    } else {
        st.pulse = static_cast<float>(st.pulse - step);
        if (st.pulse < 0.9) st.pulse_growing = 1;
    }
    // The warp phase moves once per frame, however slow the frames.
    st.phase = static_cast<float>(st.phase + 0.04);
    if (st.phase >= k_full_turn) st.phase = static_cast<float>(st.phase - k_full_turn);

    const double pulse = st.pulse;
    const float radius = static_cast<float>(pulse * 4.0);
    if (!plain) {
        MeshBands bands = {frame, mesh, work, grid_fits ? data.grid : nullptr, pulse, radius};
        if (g_threads <= 1 || g_strand_points.edges != mesh->edge_count) {
            mesh_band_draw(&bands, 0, frame->height);
            return 1;
        }
        band_run_split(strand_points_make, &bands, k_chunks, k_chunks);
        band_run_split(points_band_draw, &bands, frame->height, k_bands);
        return 1;
    }
    for (int e = 0; e < mesh->edge_count; ++e) {
        const Vec4& a = work[mesh->edges[e].a];
        const Vec4& b = work[mesh->edges[e].b];
        const Vec4 first = {centred(a.x, k_centre_x), centred(a.y, k_centre_y), a.z, a.w};
        const Vec4 second = {centred(b.x, k_centre_x), centred(b.y, k_centre_y), b.z, b.w};
        // The strand bows towards the first vertex's x and the second vertex's y.
        const Vec4 control = {centred(a.x * pulse, k_centre_x), centred(b.y * pulse, k_centre_y), 0.0f, 0.0f};
        draw_curve(frame, first, second, control, k_strand_colour);
    }
    // Dots after strands: each dot's opacity builds on what the strands left in the top bytes.
    for (int i = 0; i < count; ++i)
        draw_glow_dot(frame, centred(work[i].x, k_centre_x), centred(work[i].y, k_centre_y), radius, k_joint_colour);
    return 1;
}

void mesh_scene_release()
{
    Mesh* mesh = g_mesh_scene.mesh;
    if (mesh) {
        std::free(mesh->vertices);
        std::free(mesh->edges);
        std::free(mesh);
    }
    std::free(g_mesh_scene.work);
    g_mesh_scene.mesh = nullptr;
    g_mesh_scene.work = nullptr;
    strand_points_free();
}
