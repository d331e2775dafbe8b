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

// The fixed screen, and never past the surface's own edges.
void glow_dot_limits(const Surface* s, int* col_end, int* row_end)
{
    *col_end = std::min(k_frame_width, s->width);
    *row_end = std::min(k_frame_height, s->height);
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
    if (!std::isfinite(cx) || !std::isfinite(cy) || !std::isfinite(r)) return;
    const uint32_t peak = colour >> 24;
    const double r2 = static_cast<double>(r) * r;
    const double k = peak / r2;   // unused when r is 0: no pixel is inside
    int col_end, row_end;
    glow_dot_limits(s, &col_end, &row_end);
    const int y_from = std::max(0, trunc_bound(static_cast<double>(cy) - r));
    const int y_to = std::min(row_end, trunc_bound(static_cast<double>(cy) + r + 1.5));
    for (int y = y_from; y < y_to; ++y) {
        double span;
        int x_from, x_to;
        if (!glow_row_span(cx, cy, r2, y, col_end, &span, &x_from, &x_to)) continue;
        uint32_t* row = surface_row(s, y);
        for (int x = x_from; x < x_to; ++x) {
            glow_pixel(row + x, x - static_cast<double>(cx), span, k, colour);
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
