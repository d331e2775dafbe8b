// The four plane scenes. Clock and motion are in double and rounded as each value is stored in
// its float; the ground dissolve's static and the background static draw from the demo generator,
// so every frame continues the one random sequence. Those draws and the motion stay on the main
// thread; the fast twins of the grid and sky drawing, in plane_scenes_fast.cpp, then draw in row
// bands.
#include "scenes/plane/plane_scenes.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/angles.h"
#include "display/frame_size.h"
#include "display/render_paths.h"
#include "display/surface.h"
#include "draw2d/primitives.h"
#include "geom3d/matrix.h"
#include "procedural/plane_cast.h"
#include "procedural/texture_grid.h"
#include "scenes/plane/noise_dissolve.h"
#include "scenes/plane/plane_resources.h"
#include "scenes/plane/plane_scenes_twins.h"
#include "scenes/plane/star_field.h"

TerrainClock g_terrain_clocks[4] = {};
float g_terrain_fade = 0.0f;

namespace {

constexpr double k_turn_rate = 0.005;       // radians per frame unit
constexpr float k_scale = 5.0f;             // texels per world unit
constexpr double k_plane_mid = 45.0;        // the plane swings between 15 and 75 from the camera
constexpr double k_plane_swing = 30.0;
constexpr double k_fade_rate = 2.0;         // background darkening and ground emergence per frame unit
constexpr float k_fade_full = 255.0f;

// Advances a clock; the step is 0 on its first call, which `first` reports.
double clock_step(TerrainClock* c, float now, float start, bool* first)
{
    if (!c->started) {
        const float local = now - start;
        c->previous = local;
        c->current = local;
        c->start = start;
        c->started = 1;
        *first = true;
        return 0.0;
    }
    *first = false;
    c->previous = c->current;
    c->current = now - c->start;
    return static_cast<double>(c->current) - c->previous;
}

// Moves the shared camera and rotation by one step and returns the plane's distance.
float motion_step(double delta)
{
    PlaneSceneData& d = g_plane_scene;
    d.camera.z = static_cast<float>(d.camera.z - delta);
    d.theta = static_cast<float>(d.theta + k_turn_rate * delta);
    // Once per frame only: after a long gap the angle comes back over several frames.
    if (d.theta >= k_two_pi_8_digits) d.theta = static_cast<float>(d.theta - k_two_pi_8_digits);
    // A whole number of texture widths at the casting scale: the jump does not show.
    const int w = d.ground_dissolve->work->width;
    if (d.camera.z <= -256.0 - w) d.camera.z = static_cast<float>(d.camera.z + static_cast<double>(w));
    d.angles = {d.theta, 0.0f, static_cast<float>(10.0 * d.theta), 1.0f};
    return static_cast<float>(k_plane_mid + k_plane_swing * std::sin(2.0 * d.theta));
}

bool prepared()
{
    return g_plane_scene.offscreen != nullptr;
}

// The grids cover exactly a whole frame; they are drawn straight into it only when it can hold them.
bool frame_fits(const Surface* frame)
{
    return frame->width >= k_frame_width && frame->height >= k_frame_height;
}

void frame_blank(Surface* frame)
{
    surface_clear(frame);
}

// grid_draw or grid_draw_blend, in row bands on the band workers on the fast paths.
void grid_frame_draw(const TextureGrid* grid, Surface* target, const Surface* background)
{
    if (g_plain_paths) return grid_frame_draw_plain(grid, target, background);
    return grid_frame_draw_fast(grid, target, background);
}

// The floor and ceiling blended over the offscreen static with the node shades as opacity.
void ground_blend_draw(Surface* frame, float plane)
{
    PlaneSceneData& d = g_plane_scene;
    grid_cast_plane_pair(d.ground_grid, d.camera, d.angles, plane, k_scale);
    if (frame_fits(frame)) grid_frame_draw(d.ground_grid, frame, d.offscreen);
    else surface_clear(frame);
}

}  // namespace

void grid_frame_draw_plain(const TextureGrid* grid, Surface* target, const Surface* background)
{
    if (background) grid_draw_blend(grid, target, background);
    else grid_draw(grid, target);
}

void sky_frame_draw_plain(Surface* frame)
{
    PlaneSceneData& d = g_plane_scene;
    Surface* off = d.offscreen;
    // The far side of the plane stays black, and only there do the stars show.
    surface_clear(off);
    grid_frame_draw(d.sky_grid, off, nullptr);
    star_cloud_draw(d.stars, off);
    if (frame_fits(frame)) {
        const size_t bytes = static_cast<size_t>(std::min(frame->width, off->width)) * 4;
        for (int y = 0; y < off->height; ++y) std::memcpy(surface_row(frame, y), surface_row(off, y), bytes);
    } else {
        surface_clear(frame);
    }
}

void scene_terrain_1(Surface* frame, float now, float start)
{
    if (!prepared()) return frame_blank(frame);
    PlaneSceneData& d = g_plane_scene;
    bool first = false;
    const double delta = clock_step(&g_terrain_clocks[0], now, start, &first);
    if (first) dissolve_advance(d.ground_dissolve, 0.0f, 1);
    const float plane = motion_step(delta);
    noise_rows(d.offscreen, 0, static_cast<uint32_t>(d.offscreen->height), 0);
    // The reset keeps the level at 0: the plane is textured with pure static.
    dissolve_advance(d.ground_dissolve, static_cast<float>(delta), 1);
    ground_blend_draw(frame, plane);
}

void scene_terrain_2(Surface* frame, float now, float start)
{
    if (!prepared()) return frame_blank(frame);
    PlaneSceneData& d = g_plane_scene;
    bool first = false;
    const double delta = clock_step(&g_terrain_clocks[1], now, start, &first);
    if (first) {
        dissolve_advance(d.ground_dissolve, 0.0f, 1);
        g_terrain_fade = 0.0f;
    }
    const float plane = motion_step(delta);
    g_terrain_fade = static_cast<float>(g_terrain_fade + k_fade_rate * delta);
    if (g_terrain_fade > k_fade_full) g_terrain_fade = k_fade_full;
    // The bias darkens the static to black over 127.5 frame units. The clock never runs back, so
    // the fade is never below 0; the conversion holds it there all the same.
    const int32_t bias = g_terrain_fade > 0.0f ? static_cast<int32_t>(g_terrain_fade) : 0;
    noise_rows(d.offscreen, 0, static_cast<uint32_t>(d.offscreen->height), bias);
    dissolve_advance(d.ground_dissolve, 0.0f, 1);
    ground_blend_draw(frame, plane);
}

void scene_terrain_3(Surface* frame, float now, float start)
{
    if (!prepared()) return frame_blank(frame);
    PlaneSceneData& d = g_plane_scene;
    bool first = false;
    const double delta = clock_step(&g_terrain_clocks[2], now, start, &first);
    if (first) dissolve_advance(d.ground_dissolve, 0.0f, 1);
    const float plane = motion_step(delta);
    // The level rises by 2 per frame unit: the ground emerges from the static and then stays.
    dissolve_advance(d.ground_dissolve, static_cast<float>(-k_fade_rate * delta), 0);
    grid_cast_plane_pair(d.ground_grid, d.camera, d.angles, plane, k_scale);
    if (frame_fits(frame)) grid_frame_draw(d.ground_grid, frame, nullptr);
    else surface_clear(frame);
}

void scene_terrain_4(Surface* frame, float now, float start)
{
    if (!prepared()) return frame_blank(frame);
    PlaneSceneData& d = g_plane_scene;
    bool first = false;
    const double delta = clock_step(&g_terrain_clocks[3], now, start, &first);
    const float plane = motion_step(delta);

    // The stars turn against the camera.
    Matrix4 m;
    mat_identity(&m);
    mat_rotate_xyz(&m, {-d.angles.x, -d.angles.y, -d.angles.z, 1.0f});
    star_cloud_transform(d.stars, &m);

    grid_cast_plane(d.sky_grid, d.camera, d.angles, plane, k_scale);
    if (g_plain_paths) sky_frame_draw_plain(frame);
    else sky_frame_draw_fast(frame);
}
