// The twins of the additive glow dot and the dot matrix, for the dispatch in dot_fillers.cpp and
// for the banded fast paths of the object scenes, with the circle scan both files draw with. Other
// callers call draw_glow_dot_add and draw_dot_matrix.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "display/blend.h"
#include "display/surface.h"
#include "display/trunc.h"

void draw_glow_dot_add_plain(Surface* dst, float cx, float cy, float r, uint32_t colour);
void draw_dot_matrix_plain(Surface* dst, const Surface* src, float x, float y, float spacing, float hardness,
                           int alpha);
// The fast twins, writing only rows row_from .. row_to - 1: the rows they write get exactly the
// words the whole call gives them.
void draw_glow_dot_add_fast(Surface* dst, float cx, float cy, float r, uint32_t colour, int row_from, int row_to);
void draw_dot_matrix_fast(Surface* dst, const Surface* src, float x, float y, float spacing, float hardness, int alpha,
                          int row_from, int row_to);

namespace dot_shared {

// A soft dot's alpha from its plateau value v = q x alpha x hardness: truncated, and held to
// 0 .. alpha (NaN gives 0).
inline uint32_t soft_alpha(double v, uint32_t alpha)
{
    if (!(v > 0.0)) return 0;
    if (v >= static_cast<double>(alpha)) return alpha;
    return static_cast<uint32_t>(v);
}

enum class DotKind { glow_add, soft_add, soft_mix };

// Visits every pixel strictly inside the circle of radius r about (cx, cy), clipped to
// [0, xlimit) x [0, ylimit), and hands it its squared-distance margin q = r^2 - d^2 > 0.
template <DotKind kind>
void dot_scan(Surface* dst, float cx, float cy, float r, float hardness, uint32_t colour, int xlimit, int ylimit,
              int row_from = 0)
{
    const uint32_t alpha = colour >> 24;
    const double cxd = cx;
    const double cyd = cy;
    const double rd = r;
    const int y0 = std::max(trunc_held(cyd - rd), 0);
    const int y1 = std::min(trunc_held(cyd + rd + 1.5), ylimit);
    if (y0 >= y1) return;

    // Glow: r^2 exact in double. Soft: r^2, K and H rounded to float.
    const double r2 = (kind == DotKind::glow_add) ? rd * rd : static_cast<double>(static_cast<float>(rd * rd));
    const double k_alpha = static_cast<double>(static_cast<float>(static_cast<double>(alpha) / r2));
    const double k_hard = static_cast<double>(static_cast<float>(100.0 / (100.0 - static_cast<double>(hardness))));

    // y0 - cy and x0 - cx are exact in double, and adding 1 keeps them exact.
    double dy = static_cast<double>(y0) - cyd;
    for (int y = y0; y < y1; ++y, dy += 1.0) {
        if (y < row_from) continue;   // a band's rows only; dy still counts from the dot's first row
        double w = r2 - dy * dy;
        if (kind != DotKind::glow_add) w = static_cast<double>(static_cast<float>(w));
        if (w < 0.0) continue;
        const double s = std::sqrt(w);
        const int x0 = std::max(trunc_held(cxd - s), 0);
        const int x1 = std::min(trunc_held(cxd + s + 1.5), xlimit);
        uint32_t* row = surface_row(dst, y);
        double dx = static_cast<double>(x0) - cxd;
        for (int x = x0; x < x1; ++x, dx += 1.0) {
            const double q = w - dx * dx;
            if (!(q > 0.0)) continue;
            uint32_t a;
            if (kind == DotKind::glow_add) {
                a = static_cast<uint32_t>(q * static_cast<double>(alpha) / r2);
            } else {
                a = soft_alpha(q * k_alpha * k_hard, alpha);
            }
            if (kind == DotKind::soft_mix) {
                row[x] = blend_argb(colour, row[x], a);
            } else {
                row[x] = add_dot_rgb(colour, row[x], a);
            }
        }
    }
}

}  // namespace dot_shared
