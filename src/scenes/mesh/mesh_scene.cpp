// The mesh scene: preparation, per-frame drawing and release. State values are floats; the
// arithmetic that updates them, and every intermediate such as dt and the pulse step, runs in
// double, rounded only as a value is stored.
//
// The scene state, the warp of the grid and the transformed vertices are made here; the frame is then
// drawn by the plain twin below or by the fast one in mesh_scene_fast.cpp.
#include "scenes/mesh/mesh_scene.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "base/angles.h"
#include "base/report.h"
#include "display/frame_size.h"
#include "display/render_paths.h"
#include "display/surface.h"
#include "geom3d/ase_loader.h"
#include "geom3d/curves.h"
#include "geom3d/matrix.h"
#include "procedural/height_field.h"
#include "procedural/texture_grid.h"
#include "scenes/mesh/mesh_scene_twins.h"

MeshSceneData g_mesh_scene = {nullptr, nullptr, nullptr, nullptr};
MeshSceneState g_mesh_state = {0, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1};

namespace {

const char k_mesh_path[] = "./data/octopus.ase";
constexpr int k_texture_size = 128;
constexpr int32_t k_roughness = 32768;
constexpr uint32_t k_texture_seed = 24236;
constexpr int k_grid_across = 32;
constexpr int k_grid_down = 24;

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

void mesh_frame_draw_plain(const MeshFrame& f)
{
    surface_clear(f.frame);
    if (f.grid) grid_draw(f.grid, f.frame);
    const Mesh* mesh = f.mesh;
    for (int e = 0; e < mesh->edge_count; ++e) {
        Vec4 first, second, control;
        strand_points(f.work[mesh->edges[e].a], f.work[mesh->edges[e].b], f.pulse, &first, &second, &control);
        draw_curve(f.frame, first, second, control, k_strand_colour);
    }
    // Dots after strands: each dot's opacity builds on what the strands left in the top bytes.
    for (int i = 0; i < mesh->vertex_count; ++i)
        draw_glow_dot(f.frame, centred(f.work[i].x, k_centre_x), centred(f.work[i].y, k_centre_y), f.radius,
                      k_joint_colour);
}

void scene_mesh(Surface* frame, float now, float start)
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

    const MeshSceneData& data = g_mesh_scene;
    if (!data.mesh) {
        surface_clear(frame);
        return;
    }

    // The grid covers exactly a whole frame.
    const bool grid_fits = frame->width >= k_frame_width && frame->height >= k_frame_height;
    if (grid_fits) grid_warp_pinch(data.grid, std::sin(static_cast<double>(st.phase)));

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
    if (st.phase >= k_two_pi_8_digits) st.phase = static_cast<float>(st.phase - k_two_pi_8_digits);

    const double pulse = st.pulse;
    const float radius = static_cast<float>(pulse * 4.0);
    const MeshFrame f = {frame, mesh, work, grid_fits ? data.grid : nullptr, pulse, radius};
    if (g_plain_paths) mesh_frame_draw_plain(f);
    else mesh_frame_draw_fast(f);
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
