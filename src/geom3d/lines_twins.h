// The two twins of the line band, for the dispatch in lines.cpp and for the banded fast paths of
// the scenes, with the pixel shading both share. Not for other callers: they call draw_line_wide.
#pragma once
#include <cmath>
#include <cstdint>

#include "display/blend.h"
#include "display/trunc.h"
#include "geom3d/matrix.h"

struct Surface;

// The reference, one pixel at a time.
void draw_line_wide_plain(Surface* s, const Vec4& p, const Vec4& q, uint32_t colour_at_q, uint32_t colour_at_p,
                          float w);
// The fast twin, writing only rows row_from .. row_to - 1: the rows it writes get exactly the words
// the whole line gives them.
void draw_line_wide_fast(Surface* s, const Vec4& p, const Vec4& q, uint32_t colour_at_q, uint32_t colour_at_p,
                         float w, int row_from, int row_to);
// The fast twin along a polyline of one colour: the pieces points[i] .. points[i + 1] for
// i < count - 1, in order, each as draw_line_wide_fast(s, points[i], points[i + 1], colour, colour,
// w, row_from, row_to) draws it.
void draw_polyline_fast(Surface* s, const Vec4* points, int count, uint32_t colour, float w, int row_from,
                        int row_to);

// What both twins shade a pixel with; lines.cpp and lines_fast.cpp take these names in.
namespace line_shading {

// trunc(v) limited to 0..255 (NaN gives 0).
inline uint32_t trunc_byte(float v)
{
    if (!(v > 0.0f)) return 0;
    return v < 255.0f ? static_cast<uint32_t>(v) : 255u;
}

// A segment with its upper end (smaller y) first, the colours of its upper and lower ends, and the
// unclipped direction and start that the colour gradient is measured along.
struct LineOrder {
    Vec4 v0, v1;
    uint32_t upper, lower;
    float full_dx, full_dy;
    Vec4 unclipped;
};

inline LineOrder line_order(const Vec4& p, const Vec4& q, uint32_t colour_at_q, uint32_t colour_at_p)
{
    const bool p_first = p.y < q.y;
    const Vec4& v0 = p_first ? p : q;
    const Vec4& v1 = p_first ? q : p;
    return {v0, v1, p_first ? colour_at_p : colour_at_q, p_first ? colour_at_q : colour_at_p, v1.x - v0.x,
            v1.y - v0.y, v0};
}

struct LineShade {
    float cover_scale;   // 255 x half-width
    float end;           // 255 x length: where the far fade begins
    float inv_len;
    uint32_t c0;         // colour at the upper clipped end
    uint32_t c1;         // colour at the lower clipped end
};

// One pixel from d (255 x signed distance to the centre line) and a (255 x distance along the line
// from the upper clipped end).
inline void shade_pixel(uint32_t* px, float d, float a, const LineShade& ls)
{
    const float cover = ls.cover_scale - std::fabs(d);
    if (!(cover >= 1.0f)) return;
    int cov = cover < 255.0f ? static_cast<int>(cover) : 255;
    if (a < 0.0f) {
        cov = static_cast<int>((static_cast<int64_t>(cov) * trunc_held(ls.cover_scale - std::fabs(a))) >> 8);
    } else if (a > ls.end) {
        cov = static_cast<int>((static_cast<int64_t>(cov) * trunc_held(ls.cover_scale - (a - ls.end))) >> 8);
    }
    if (cov <= 0) return;   // alpha 0 leaves every byte as it was
    if (cov > 255) cov = 255;
    const uint32_t colour = blend_argb(ls.c1, ls.c0, trunc_byte(a * ls.inv_len));
    const uint32_t alpha = ((colour >> 24) * static_cast<uint32_t>(cov)) >> 8;
    *px = blend_argb(colour, *px, alpha);
}

}  // namespace line_shading
