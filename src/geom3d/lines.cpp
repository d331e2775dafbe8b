// The segment clipper, the line entry points and the plain twin of the anti-aliased line band. All
// line arithmetic is float; coverage comes from 255 x the distance to the centre line, with linear
// fades past both clipped ends, and the colour runs along the unclipped segment so clipping never
// shifts the gradient. The plain twin below is the reference, one pixel at a time; the fast twin in
// lines_fast.cpp writes the same words.
#include "geom3d/lines.h"

#include <algorithm>
#include <cmath>

#include "display/render_paths.h"
#include "display/surface.h"
#include "geom3d/lines_twins.h"

using namespace line_shading;

int clip_segment(Vec4* p, Vec4* q, float bound, int code)
{
    bool keep_below;
    bool on_x;
    switch (code) {
    case CLIP_MAX_X: keep_below = true; on_x = true; break;
    case CLIP_MAX_Y: keep_below = true; on_x = false; break;
    case CLIP_MIN_X: keep_below = false; on_x = true; break;
    case CLIP_MIN_Y: keep_below = false; on_x = false; break;
    default: return -1;
    }
    const float pc = on_x ? p->x : p->y;
    const float qc = on_x ? q->x : q->y;
    const bool p_out = keep_below ? pc > bound : pc < bound;
    const bool q_out = keep_below ? qc > bound : qc < bound;
    if (p_out && q_out) return -1;
    if (!p_out && !q_out) return 0;
    const float t = (bound - pc) / (qc - pc);
    Vec4 cut;
    cut.x = p->x + t * (q->x - p->x);
    cut.y = p->y + t * (q->y - p->y);
    cut.z = p->z + t * (q->z - p->z);
    cut.w = p->w + t * (q->w - p->w);
    if (on_x) cut.x = bound;
    else cut.y = bound;
    if (p_out) *p = cut;
    else *q = cut;
    return 0;
}

void draw_line_wide_plain(Surface* s, const Vec4& p, const Vec4& q, uint32_t colour_at_q, uint32_t colour_at_p, float w)
{
    auto [v0, v1, upper, lower, full_dx, full_dy, unclipped] = line_order(p, q, colour_at_q, colour_at_p);

    // One pixel of margin on every side, whatever the width.
    if (clip_segment(&v0, &v1, -1.0f, CLIP_MIN_X) < 0) return;
    if (clip_segment(&v0, &v1, -1.0f, CLIP_MIN_Y) < 0) return;
    if (clip_segment(&v0, &v1, static_cast<float>(s->width), CLIP_MAX_X) < 0) return;
    if (clip_segment(&v0, &v1, static_cast<float>(s->height), CLIP_MAX_Y) < 0) return;
    // Non-finite ends (a point projected from behind the eye, say) have no place on screen.
    if (!std::isfinite(v0.x) || !std::isfinite(v0.y) || !std::isfinite(v1.x) || !std::isfinite(v1.y)) return;

    const float dx = v1.x - v0.x;
    const float dy = v1.y - v0.y;
    if (std::fabs(dx) == 0.0f && std::fabs(dy) == 0.0f) return;

    // End colours measured on the unclipped segment.
    const bool along_x = std::fabs(dx) > 0.0f;
    const float t0 = along_x ? 255.0f * (v0.x - unclipped.x) / full_dx : 255.0f * (v0.y - unclipped.y) / full_dy;
    const float t1 = along_x ? 255.0f * (v1.x - unclipped.x) / full_dx : 255.0f * (v1.y - unclipped.y) / full_dy;
    LineShade ls;
    ls.c0 = blend_argb(lower, upper, trunc_byte(t0));
    ls.c1 = blend_argb(lower, upper, trunc_byte(t1));

    // Pixel box, held inside the surface.
    const float w_far = w + 0.5f;
    const int ymin = std::max(0, trunc_held(v0.y - w));
    const int ymax = std::min(s->height - 1, trunc_held(v1.y + w_far));
    int xmin, xmax;
    if (dx > 0.0f) {
        xmin = trunc_held(v0.x - w);
        xmax = trunc_held(v1.x + w_far);
    } else {
        xmin = trunc_held(v1.x - w);
        xmax = trunc_held(v0.x + w_far);
    }
    xmin = std::max(0, xmin);
    xmax = std::min(s->width - 1, xmax);
    if (ymin > ymax) return;
    ls.cover_scale = 255.0f * w;

    if (std::fabs(dy) > 0.0f) {
        const float len = static_cast<float>(std::sqrt(static_cast<double>(dx * dx + dy * dy)));
        if (!(len > 0.0f)) return;   // both extents below float resolution
        const float nx = 255.0f * dx / len;
        const float ny = 255.0f * dy / len;
        ls.end = 255.0f * len;
        ls.inv_len = 1.0f / len;
        const float ry = static_cast<float>(ymin) - v0.y;
        const float slope = dx / dy;
        const float xc = v0.x + ry * dx / dy;
        const float h = len * w / dy;
        float xs = xc - h;
        float xe = xs + 2.0f * h + 1.0f;
        float row_d = -ny * v0.x - nx * ry;
        float row_a = ry * ny - nx * v0.x;
        for (int y = ymin; y <= ymax; ++y) {
            const int x_from = std::max(xmin, trunc_held(xs));
            const int x_to = std::min(xmax, trunc_held(xe));
            if (x_from <= x_to) {
                uint32_t* row = surface_row(s, y);
                float d = row_d + static_cast<float>(x_from) * ny;
                float a = row_a + static_cast<float>(x_from) * nx;
                for (int x = x_from; x <= x_to; ++x) {
                    shade_pixel(row + x, d, a, ls);
                    d += ny;
                    a += nx;
                }
            }
            xs += slope;
            xe += slope;
            row_d -= nx;
            row_a += ny;
        }
    } else {
        // Horizontal after clipping: the distance is the same along each row.
        const float sign = dx < 0.0f ? -255.0f : 255.0f;
        const float len = std::fabs(dx);
        ls.end = 255.0f * len;
        ls.inv_len = 1.0f / len;
        for (int y = ymin; y <= ymax; ++y) {
            uint32_t* row = surface_row(s, y);
            const float d = -sign * (static_cast<float>(y) - v0.y);
            float a = sign * (static_cast<float>(xmin) - v0.x);
            for (int x = xmin; x <= xmax; ++x) {
                shade_pixel(row + x, d, a, ls);
                a += sign;
            }
        }
    }
}

void draw_line_wide(Surface* s, const Vec4& p, const Vec4& q, uint32_t colour_at_q, uint32_t colour_at_p, float w)
{
    if (g_plain_paths) return draw_line_wide_plain(s, p, q, colour_at_q, colour_at_p, w);
    return draw_line_wide_fast(s, p, q, colour_at_q, colour_at_p, w, 0, s->height);
}

void draw_line_aa(Surface* s, const Vec4& p, const Vec4& q, uint32_t colour_at_q, uint32_t colour_at_p)
{
    draw_line_wide(s, p, q, colour_at_q, colour_at_p, 1.0f);
}
