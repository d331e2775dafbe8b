// Curves and glow dots: the entry points and the plain twins. Curve points and the curve parameters
// are floats; the dot's row and pixel values (k, dy, s, h, dx, q) are plain intermediates and stay in
// double, so the truncation of k * q after the cancellation in q sees the exact value. The fast
// twins are in curves_fast.cpp.
#include "geom3d/curves.h"

#include <algorithm>
#include <cmath>

#include "display/frame_size.h"
#include "display/render_paths.h"
#include "display/surface.h"
#include "geom3d/curves_twins.h"
#include "geom3d/lines.h"

using namespace curve_shared;

namespace {

Vec4 curve_point(const Vec4& a, const Vec4& b, const Vec4& c, float t)
{
    const double td = t;
    const double t2 = td * td;
    const double tm = 2.0 * td * (1.0 - td);
    const double m2 = (1.0 - td) * (1.0 - td);
    return {bezier(a.x, b.x, c.x, t2, tm, m2), bezier(a.y, b.y, c.y, t2, tm, m2),
            bezier(a.z, b.z, c.z, t2, tm, m2), bezier(a.w, b.w, c.w, t2, tm, m2)};
}

}  // namespace

bool glow_dot_setup(const Surface* s, float cx, float cy, float r, uint32_t colour, int row_from, int row_to,
                    GlowDot* dot)
{
    if (!std::isfinite(cx) || !std::isfinite(cy) || !std::isfinite(r)) return false;
    const uint32_t peak = colour >> 24;
    dot->r2 = static_cast<double>(r) * r;
    dot->k = peak / dot->r2;
    dot->col_end = std::min(k_frame_width, s->width);
    const int row_end = std::min(std::min(k_frame_height, s->height), row_to);
    dot->y_from = std::max(std::max(0, row_from), trunc_held(static_cast<double>(cy) - r));
    dot->y_to = std::min(row_end, trunc_held(static_cast<double>(cy) + r + 1.5));
    return true;
}

void draw_curve_plain(Surface* s, const Vec4& a, const Vec4& b, const Vec4& control, uint32_t colour)
{
    float e = 0.0f;
    float f = k_piece;
    for (;;) {
        const Vec4 from = curve_point(a, b, control, e);
        const Vec4 to = curve_point(a, b, control, f);
        draw_line_aa(s, from, to, colour, colour);
        if (e + k_piece >= 1.0f) break;
        e += k_piece;
        f += k_piece;
    }
}

void draw_glow_dot_plain(Surface* s, float cx, float cy, float r, uint32_t colour)
{
    GlowDot d;
    if (!glow_dot_setup(s, cx, cy, r, colour, 0, s->height, &d)) return;
    for (int y = d.y_from; y < d.y_to; ++y) {
        double span;
        int x_from, x_to;
        if (!glow_row_span(cx, cy, d.r2, y, d.col_end, &span, &x_from, &x_to)) continue;
        uint32_t* row = surface_row(s, y);
        for (int x = x_from; x < x_to; ++x) {
            glow_pixel(row + x, x - static_cast<double>(cx), span, d.k, colour);
        }
    }
}

void draw_curve(Surface* s, const Vec4& a, const Vec4& b, const Vec4& control, uint32_t colour)
{
    if (g_plain_paths) return draw_curve_plain(s, a, b, control, colour);
    return draw_curve_fast(s, a, b, control, colour, 0, s->height);
}

void draw_glow_dot(Surface* s, float cx, float cy, float r, uint32_t colour)
{
    if (g_plain_paths) return draw_glow_dot_plain(s, cx, cy, r, colour);
    return draw_glow_dot_fast(s, cx, cy, r, colour, 0, s->height);
}
