// The four polygon scenes. Phases are doubles; elapsed times and the frame step d are floats, and
// positions, radii and heights are computed in double and handed on as floats. The constants are
// the decimal values the motion was tuned with, not the exact multiples of pi. The state moves
// here; each frame is drawn by the plain twin below or by the fast one, in row bands, in
// polygon_scenes_fast.cpp.
#include "scenes/objects/polygon_scenes.h"

#include <cmath>
#include <cstring>

#include "base/angles.h"
#include "display/render_paths.h"
#include "display/surface.h"
#include "draw2d/font.h"
#include "draw2d/pictures.h"
#include "scenes/flat/flat_scenes.h"
#include "scenes/objects/column_renderer.h"
#include "scenes/objects/dot_fillers.h"
#include "scenes/objects/polygon_scenes_twins.h"

OrbState g_polygons_1_orbs = {0, 0.0f, 0.0f, 0.0f, 0.0, 0.0, 0.0, 0.0, 0.0};
OrbState g_polygons_2_orbs = {0, 0.0f, 0.0f, 0.0f, 0.0, 0.0, 0.0, 0.0, 0.0};
OrbState g_polygons_3_orbs = {0, 0.0f, 0.0f, 0.0f, 0.0, 0.0, 0.0, 0.0, 0.0};
OrbState g_polygons_4_orbs = {0, 0.0f, 0.0f, 0.0f, 0.0, 0.0, 0.0, 0.0, 0.0};
RippleState g_polygons_4_ripples = {0.0f, 0, {-2.0f, -2.0f, -2.0f, -2.0f, -2.0f, -2.0f, -2.0f, -2.0f,
                                              -2.0f, -2.0f, -2.0f, -2.0f, -2.0f, -2.0f, -2.0f, -2.0f,
                                              -2.0f, -2.0f, -2.0f, -2.0f, -2.0f, -2.0f, -2.0f}};

namespace {

constexpr double k_third = 1.04719756;
constexpr double k_two_thirds = 2.09439512;
constexpr double k_row_step = 0.016362461875;   // a full turn over 384 rows
constexpr double k_ripple_step = 0.0245436928125;   // half a turn over 128 rows

constexpr int k_profile_rows = 385;
constexpr int k_ripple_rows = 128;
constexpr float k_ripple_launch_row = 400.0f;
constexpr double k_ripple_rest_row = 32.0;
constexpr double k_ripple_climb = 6.0;   // rows per frame unit

const char k_caption[] = "the fonts are working  not  the farts are working";

constexpr OrbRates k_slow_rates = {0.05, 0.013, 0.02182818281828183};
constexpr OrbRates k_fast_rates = {0.15, 0.039, 0.06548454845484548};

enum class Profile { gentle, twisted, ripple };

// The column's half-width at row angle theta.
inline double profile_height(Profile p, double theta, double b0, double b1)
{
    switch (p) {
    case Profile::gentle:
        return 5.0 * std::sin(3.0 * (theta + b0)) + 27.5 * (std::sin(theta) + std::sin(theta + b0 + b1)) + 64.0;
    case Profile::twisted:
        return 5.0 * std::sin(9.0 * (theta + b0)) + 27.5 * (std::sin(theta) + std::sin(b1 + 3.0 * (theta + b0))) +
               64.0;
    case Profile::ripple:
        break;
    }
    return std::sin(9.0 * (theta + b0)) + 10.0 * (std::sin(theta) + std::sin(b1 + 3.0 * (theta + b0))) + 10.0;
}

// theta is accumulated by repeated addition, as the profile was designed with.
void profile_fill(Profile p, const OrbState& s, float* h)
{
    double theta = 0.0;
    for (int i = 0; i < k_profile_rows; ++i) {
        theta += k_row_step;
        h[i] = static_cast<float>(profile_height(p, theta, s.b0, s.b1));
    }
}

}  // namespace

void polygons_frame_draw_plain(Surface* frame, float now, float start, const Orb orbs[3], Backdrop backdrop)
{
    Surface* glow = g_work_surface_a;
    surface_clear(glow);
    Surface* background = nullptr;
    switch (backdrop) {
    case Backdrop::fuzzyballs:
        background = g_work_surface_b;
        std::memcpy(background->pixels, g_fuzzyballs->pixels,
                    static_cast<size_t>(g_fuzzyballs->pitch) * static_cast<size_t>(g_fuzzyballs->height));
        break;
    case Backdrop::static_flicker:
        background = g_work_surface_c;
        scene_static_flicker(background, now, start);
        break;
    case Backdrop::title_fade:
        background = g_work_surface_c;
        scene_fade_title(background, now, start);
        break;
    }

    // Behind the column an orb is refracted with the background; in front it also lights the
    // glass through the glow layer, and is drawn again over the finished frame.
    for (int k = 0; k < 3; ++k)
        draw_glow_dot_add(orbs[k].front ? glow : background, orbs[k].x, orbs[k].y, orbs[k].r, k_white);
    draw_glow_dot_add(glow, k_highlight_x, k_highlight_y, k_highlight_r, k_white);
    render_column(g_fuzzy_table, background, glow, frame, g_fuzzy_tint);
    for (int k = 0; k < 3; ++k)
        if (orbs[k].front) draw_glow_dot_add(frame, orbs[k].x, orbs[k].y, orbs[k].r, k_white);
}

namespace {

void polygons_frame(Surface* frame, float now, float start, OrbState* s, const OrbRates& rates, Profile profile,
                    Backdrop backdrop, RippleState* ripples, const char* caption)
{
    if (!g_fuzzy_table || !g_work_surface_a || !g_work_surface_b || !g_work_surface_c || !g_fuzzyballs) {
        surface_clear(frame);
        return;
    }
    if (ripples) ripple_launch(ripples, !s->armed, start);
    const float d = orbs_advance(s, rates, now, start);
    Orb orbs[3];
    orbs_place(s, orbs);

    profile_fill(profile, *s, g_fuzzy_table);
    if (ripples) ripples_apply(ripples, g_fuzzy_table, d);

    if (g_plain_paths) polygons_frame_draw_plain(frame, now, start, orbs, backdrop);
    else polygons_frame_draw_fast(frame, now, start, orbs, backdrop);
    if (caption) draw_text(frame, caption, 64, 128, k_white);
}

}  // namespace

float orbs_advance(OrbState* s, const OrbRates& rates, float now, float start)
{
    if (!s->armed) {
        s->armed = 1;
        s->first_start = start;
        s->prev_elapsed = s->cur_elapsed = static_cast<float>(static_cast<double>(now) - start);
    } else {
        s->prev_elapsed = s->cur_elapsed;
        s->cur_elapsed = static_cast<float>(static_cast<double>(now) - s->first_start);
    }
    const float d = static_cast<float>(static_cast<double>(s->cur_elapsed) - s->prev_elapsed);
    const double dd = d;

    s->a0 += rates.ra * dd;
    s->a1 = s->a0 + k_third;
    s->a2 = s->a0 + k_two_thirds;
    s->b0 += rates.rb0 * dd;
    s->b1 += rates.rb1 * dd;
    // One turn at most per call: after a long gap the phases come back over several frames.
    if (s->a0 > k_two_pi_9_digits) s->a0 -= k_two_pi_9_digits;
    if (s->a1 > k_two_pi_9_digits) s->a1 -= k_two_pi_9_digits;
    if (s->a2 > k_two_pi_9_digits) s->a2 -= k_two_pi_9_digits;
    if (s->b0 >= k_two_pi_9_digits) s->b0 -= k_two_pi_9_digits;
    if (s->b1 >= k_two_pi_9_digits) s->b1 -= k_two_pi_9_digits;
    return d;
}

void orbs_place(const OrbState* s, Orb out[3])
{
    const double phases[3] = {s->a0, s->a1, s->a2};
    for (int k = 0; k < 3; ++k) {
        const double a = phases[k];
        out[k].x = static_cast<float>(256.0 + 150.0 * std::cos(a));
        out[k].y = static_cast<float>(192.0 + 160.0 * std::sin(s->b0 + k * k_third));
        out[k].r = static_cast<float>(32.0 - 8.0 * std::sin(a));
        out[k].front = a > k_pi_9_digits_high ? 1 : 0;
    }
}

void ripple_launch(RippleState* r, bool first_call, float start)
{
    if (first_call) {
        r->rows[0] = k_ripple_launch_row;
        r->count = 1;
        r->last_start = start;
    } else if (start > r->last_start) {
        r->last_start = start;
        if (r->count < k_ripple_capacity) r->rows[r->count++] = k_ripple_launch_row;
    }
}

void ripples_apply(RippleState* r, float* heights, float d)
{
    for (int j = 0; j < r->count; ++j) {
        double p = r->rows[j];
        const int top = static_cast<int>(p) - k_ripple_rows / 2;
        for (int t = 0; t < k_ripple_rows; ++t) {
            const int row = top + t;
            if (row >= 0 && row < k_profile_rows)
                heights[row] = static_cast<float>(heights[row] + 8.0 * std::sin(t * k_ripple_step));
        }
        if (p > k_ripple_rest_row) p -= k_ripple_climb * d;
        if (p < k_ripple_rest_row) p = k_ripple_rest_row;
        r->rows[j] = static_cast<float>(p);
    }
}

void scene_polygons_1(Surface* frame, float now, float start)
{
    polygons_frame(frame, now, start, &g_polygons_1_orbs, k_slow_rates, Profile::gentle, Backdrop::fuzzyballs,
                   nullptr, k_caption);
}

void scene_polygons_2(Surface* frame, float now, float start)
{
    polygons_frame(frame, now, start, &g_polygons_2_orbs, k_fast_rates, Profile::twisted,
                   Backdrop::static_flicker, nullptr, nullptr);
}

void scene_polygons_3(Surface* frame, float now, float start)
{
    polygons_frame(frame, now, start, &g_polygons_3_orbs, k_fast_rates, Profile::twisted, Backdrop::fuzzyballs,
                   nullptr, nullptr);
}

void scene_polygons_4(Surface* frame, float now, float start)
{
    polygons_frame(frame, now, start, &g_polygons_4_orbs, k_fast_rates, Profile::ripple,
                   Backdrop::title_fade, &g_polygons_4_ripples, nullptr);
}
