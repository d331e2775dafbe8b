// The twins of the curve and the glow dot, for the dispatch in curves.cpp and for the banded fast
// paths of the scenes, with what both twins share. Other callers call draw_curve and draw_glow_dot.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "display/blend.h"
#include "display/trunc.h"
#include "geom3d/matrix.h"

struct Surface;

void draw_curve_plain(Surface* s, const Vec4& a, const Vec4& b, const Vec4& control, uint32_t colour);
void draw_glow_dot_plain(Surface* s, float cx, float cy, float r, uint32_t colour);
// The fast twins, writing only rows row_from .. row_to - 1, each exactly as the whole curve or dot
// writes it: row bands drawn apart add up to the whole.
void draw_curve_fast(Surface* s, const Vec4& a, const Vec4& b, const Vec4& control, uint32_t colour, int row_from,
                     int row_to);
void draw_glow_dot_fast(Surface* s, float cx, float cy, float r, uint32_t colour, int row_from, int row_to);

// What both twins of a glow dot start from: r^2, the opacity scale k = peak / r^2 (unused when r
// is 0: no pixel is inside), and the columns [0, col_end) and rows [y_from, y_to) the dot may write,
// on the fixed screen and never past the surface's own edges, the rows kept to row_from .. row_to - 1.
struct GlowDot {
    double r2, k;
    int col_end, y_from, y_to;
};
// False when the centre or the radius is not a finite number: such a dot draws nothing.
bool glow_dot_setup(const Surface* s, float cx, float cy, float r, uint32_t colour, int row_from, int row_to,
                    GlowDot* dot);

namespace curve_shared {

constexpr float k_piece = 0.0625f;   // sixteen pieces per curve

inline float bezier(float a, float b, float c, double t2, double tm, double m2)
{
    return static_cast<float>(t2 * a + tm * c + m2 * b);
}

// The columns [x_from, x_to) of row y of a glow dot about (cx, cy) with r2 = r^2, held to
// [0, col_end), and span = r^2 - dy^2; false when the row misses the dot.
inline bool glow_row_span(float cx, float cy, double r2, int y, int col_end, double* span, int* x_from, int* x_to)
{
    const double dy = y - static_cast<double>(cy);
    *span = r2 - dy * dy;
    if (*span < 0.0) return false;
    const double h = std::sqrt(*span);
    *x_from = std::max(0, trunc_held(static_cast<double>(cx) - h));
    *x_to = std::min(col_end, trunc_held(static_cast<double>(cx) + h + 1.5));
    return true;
}

// One pixel of a glow dot at dx from its centre on a row where span = r^2 - dy^2: the opacity
// k * (span - dx^2), held at 255, plus the destination's top byte. k * q is at most the peak; the
// hold only matters for a vanishing radius.
inline void glow_pixel(uint32_t* px, double dx, double span, double k, uint32_t colour)
{
    const double q = span - dx * dx;
    if (q <= 0.0) return;
    const uint32_t dst = *px;
    const double kq = k * q;
    const uint32_t v = kq < 255.0 ? static_cast<uint32_t>(kq) : 255u;
    const uint32_t alpha = std::min(255u, v + (dst >> 24));
    *px = blend_rgb(colour, dst, alpha);
}

}  // namespace curve_shared
