// The object scenes and their three drawing routines: the star, the dot-matrix clouds and the
// drum. Untyped intermediates are doubles, rounded to float where a point, a parameter or the
// scene state stores them; the factors marked f are single-precision constants. The scenes move
// their state here and draw each frame through a plain twin below or a fast one, in row bands, in
// object_scenes_fast.cpp.
#include "scenes/objects/object_scenes.h"

#include <cmath>
#include <cstring>

#include "base/random.h"
#include "display/render_paths.h"
#include "display/surface.h"
#include "draw2d/primitives.h"
#include "geom3d/lines.h"
#include "geom3d/matrix.h"
#include "scenes/objects/dot_fillers.h"
#include "scenes/objects/object_prepare.h"
#include "scenes/objects/object_scenes_twins.h"

StarSceneState g_star_scene_state = {0, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};

namespace {

constexpr float k_degree = 0.017453292f;   // the float nearest pi / 180

// trunc(factor * t): both floats, so the product is exact in double.
inline int offset_of(float factor, float t)
{
    return static_cast<int>(static_cast<double>(factor) * t);
}

inline double rand_unit()
{
    return demo_rand() * (1.0 / 4294967296.0);
}

// A new centre offset within 128 pixels of the screen centre: x first, then y.
void jitter_draw(StarSceneState& st)
{
    st.jx = static_cast<float>(256.0 * rand_unit() - 128.0);
    st.jy = static_cast<float>(256.0 * rand_unit() - 128.0);
}

// Perspective divide and centring of one drum point.
inline void project(Vec4& p, int cx, int cy)
{
    const double k = 1.0 / p.w;
    p.x = static_cast<float>(p.x * k);
    p.y = static_cast<float>(p.y * k);
    p.z = static_cast<float>(p.z * k);
    p.w = static_cast<float>(k);
    p.x = static_cast<float>(static_cast<double>(p.x) + cx);
    p.y = static_cast<float>(static_cast<double>(p.y) + cy);
}

}  // namespace

// Scenes drawn before (or without) a successful preparation show black instead of reading nothing.
bool objects_clouds_ready()
{
    return g_backdrop_a && g_cloud_sum && g_cloud_map[2] && g_led_layer[1] && g_cloud_palette && g_star_work;
}
bool objects_drum_ready()
{
    return g_backdrop_b && g_drum_work;
}

// Turns and moves the ring into g_star_work; returns the number of points, 0 for none.
int star_place(const Surface* target, float dx, float dy, float angle, float scale)
{
    const int count = g_star_count;
    Vec4* work = g_star_work;
    if (count <= 0) return 0;
    std::memcpy(work, g_star_ring, static_cast<size_t>(count) * sizeof(Vec4));

    // Scaled and turned about z: the ring stays in the plane z = 10.
    Matrix4 m;
    mat_identity(&m);
    mat_scale(&m, {scale, scale, 1.0f, 1.0f});
    mat_rotate_xyz(&m, {0.0f, 0.0f, angle, 0.0f});
    mat_transform_points(&m, work, count);
    // Moved to the centre; the zero fourth component also zeroes w, which the lines ignore.
    const float cx = static_cast<float>(target->width >> 1);
    const float cy = static_cast<float>(target->height >> 1);
    mat_identity(&m);
    mat_translate(&m, {cx + dx, cy + dy, 0.0f, 0.0f});
    mat_transform_points(&m, work, count);
    return count;
}

// The drum's strokes turned about the x axis by 0.05 * t radians and put in perspective, in
// g_drum_work; returns the number of points, 0 for none.
int drum_transform(float t)
{
    const int count = g_drum_count;
    Vec4* work = g_drum_work;
    if (count <= 0) return 0;
    std::memcpy(work, g_drum_strokes, static_cast<size_t>(count) * sizeof(Vec4));

    // M1 keeps x, y and z and zeroes w, so after the perspective w is sin h * z alone.
    Matrix4 m1, m2, m3;
    mat_identity(&m1);
    mat_translate(&m1, {0.0f, 0.0f, 0.0f, 0.0f});
    // Scaled first (a drum of radius 500 and length 4000), then turned about the x axis.
    mat_identity(&m2);
    mat_rotate_xyz(&m2, {static_cast<float>(0.05 * t), 0.0f, 0.0f, 0.0f});
    mat_scale(&m2, {20.0f, 10.0f, 10.0f, 1.0f});
    // The field of view is read in degrees: a very narrow lens.
    mat_identity(&m3);
    mat_perspective(&m3, 2.0943952f, 1.0f, 100.0f);
    mat_transform_points(&m2, work, count);
    mat_transform_points(&m1, work, count);
    mat_transform_points(&m3, work, count);
    return count;
}

// Stroke i of the transformed drum, projected; false when an end has |trunc(w)| < 1 (written so
// that no out-of-range value is ever converted).
bool drum_stroke(int i, int count, int cx, int cy, Vec4* p, Vec4* q)
{
    *p = g_drum_work[i];
    *q = g_drum_work[(i + 1) % count];
    if (!(std::fabs(p->w) >= 1.0f) || !(std::fabs(q->w) >= 1.0f)) return false;
    project(*p, cx, cy);
    project(*q, cx, cy);
    return true;
}

// The cloud maps of time t combined into the two dot layers.
void led_layers_make(float t)
{
    // Three maps scrolling at their own speeds, combined by absolute differences.
    bytemap_copy_shifted(g_cloud_sum, g_cloud_map[0], offset_of(1.2f, t), offset_of(0.9f, t));
    bytemap_absdiff_shifted(g_cloud_sum, g_cloud_map[1], offset_of(-0.9f, t), offset_of(0.7f, t));
    bytemap_absdiff_shifted(g_cloud_sum, g_cloud_map[2], offset_of(1.8f, t), offset_of(-0.5f, t));
    palette_map(g_led_layer[0], g_cloud_sum, g_cloud_palette);
    surface_copy_shifted(g_led_layer[1], g_led_layer[0], 0, 0);
    // One layer of red and green, one of green and blue.
    surface_and(g_led_layer[0], 0xFFFFFF00u);
    surface_and(g_led_layer[1], 0xFF00FFFFu);
}

// Where and how hard the two dot layers are drawn at time t, the first centred at (x, y).
void led_layers_place(float x, float y, float t, float px[2], float py[2], float hardness[2])
{
    const double td = t;
    px[0] = x;
    py[0] = y;
    hardness[0] = static_cast<float>(std::fabs(std::cos(td * 0.027027028f) * 70.0));
    // The second layer wobbles by up to 5 pixels.
    px[1] = static_cast<float>(x + 5.0 * std::sin(0.1f * td));
    py[1] = static_cast<float>(y + 5.0 * std::sin(td * 0.11111111f));
    hardness[1] = static_cast<float>(std::fabs(std::sin(td * 0.03448276f) * 70.0));
}

int draw_star(Surface* target, float dx, float dy, float angle, float scale, uint32_t colour_at_q,
              uint32_t colour_at_p)
{
    const int count = star_place(target, dx, dy, angle, scale);
    if (count <= 0) return 0;
    const Vec4* work = g_star_work;
    // 13 and 27 share no divisor, so the walk visits every point once and closes: {27/13}.
    const int step = count >> 1;
    int h = 0;
    for (int i = 0; i < count; ++i) {
        const int next = (h + step) % count;
        draw_line_wide(target, work[h], work[next], colour_at_q, colour_at_p, g_star_line_width);
        h = next;
    }
    return 0;
}

int draw_led_clouds(Surface* target, float x, float y, float t)
{
    led_layers_make(t);
    float px[2], py[2], hardness[2];
    led_layers_place(x, y, t, px, py, hardness);
    for (int k = 0; k < 2; ++k)
        draw_dot_matrix(target, g_led_layer[k], px[k], py[k], k_dot_spacing, hardness[k], k_dot_alpha);
    return 0;
}

void draw_drum(Surface* target, float t, uint32_t colour_at_q, uint32_t colour_at_p)
{
    const int count = drum_transform(t);
    const int cx = target->width >> 1;
    const int cy = target->height >> 1;
    for (int i = 0; i < count; i += 2) {
        Vec4 p, q;
        if (drum_stroke(i, count, cx, cy, &p, &q)) draw_line_aa(target, p, q, colour_at_q, colour_at_p);
    }
}

void objects_1_draw_plain(Surface* frame, float jx, float jy, float angle)
{
    surface_clear(frame);
    if (g_star_work) draw_star(frame, jx, jy, angle, 500.0f, 0xCFDFFFDFu, 0x007FDF7Fu);
}

void objects_2_draw_plain(Surface* frame, float now, float angle)
{
    surface_copy_shifted(frame, g_backdrop_a, 0, 0);
    draw_led_clouds(frame, 30.0f, 220.0f, now);
    g_star_line_width = 1.0f;
    draw_star(frame, 190.0f, -130.0f, angle, 600.0f, 0x00000000u, 0xCF000000u);
    g_star_line_width = k_rest_line_width;
}

void objects_3_draw_plain(Surface* frame, float now)
{
    surface_copy_shifted(frame, g_backdrop_b, 0, 0);
    draw_drum(frame, now, 0xFFFFFFCFu, 0x3FFFFFCFu);
}

// The drum scene (on whichever path it takes) with the star over it.
void objects_4_draw_plain(Surface* frame, float now, float start, float angle)
{
    scene_objects_3(frame, now, start);
    if (!g_star_work) return;
    g_star_line_width = 2.5f;
    draw_star(frame, 0.0f, 0.0f, angle, 500.0f, 0xFFFF7F3Fu, 0x007F3F00u);
    g_star_line_width = k_rest_line_width;
}

void scene_objects_1(Surface* frame, float now, float start)
{
    StarSceneState& st = g_star_scene_state;
    const double e = static_cast<double>(now) - start;
    if (!st.initialised) {
        st.previous_time = st.current_time = static_cast<float>(e);
        st.angle = 0.0f;
        st.accumulator = 0.0f;
        st.initialised = 1;
        jitter_draw(st);
    } else {
        // Never reset: the first step of a later entry is negative and turns the star back.
        st.previous_time = st.current_time;
        st.current_time = static_cast<float>(e);
        const double d = static_cast<double>(st.current_time) - st.previous_time;
        st.accumulator = static_cast<float>(st.accumulator + d);
        // The centre shakes during alternate stretches of 3.75 frame units.
        const int k = static_cast<int>(st.accumulator * 0.26666668);
        st.angle = static_cast<float>(st.angle + 0.05 * d);
        if (k % 2 != 0) jitter_draw(st);
    }
    if (g_plain_paths) objects_1_draw_plain(frame, st.jx, st.jy, st.angle);
    else objects_1_draw_fast(frame, st.jx, st.jy, st.angle);
}

void scene_objects_2(Surface* frame, float now, float)
{
    if (!objects_clouds_ready()) {
        surface_clear(frame);
        return;
    }
    // A large dark star turning 3 degrees per frame unit, centred at (446, 62).
    const float angle = static_cast<float>(static_cast<double>(now) * k_degree * 3.0);
    if (g_plain_paths) objects_2_draw_plain(frame, now, angle);
    else objects_2_draw_fast(frame, now, angle);
}

void scene_objects_3(Surface* frame, float now, float)
{
    if (!objects_drum_ready()) {
        surface_clear(frame);
        return;
    }
    if (g_plain_paths) objects_3_draw_plain(frame, now);
    else objects_3_draw_fast(frame, now);
}

void scene_objects_4(Surface* frame, float now, float start)
{
    const float angle = static_cast<float>(static_cast<double>(now) * k_degree);
    if (g_plain_paths) objects_4_draw_plain(frame, now, start, angle);
    else objects_4_draw_fast(frame, now, start, angle);
}
