// The dot fillers: one scan of the rows and columns a circle covers (dot_scan, beside the twins'
// declarations), shared by the additive glow dot, the additive and mixing soft dots, and the dot
// matrix built on the mixing dot. The fast twins of the glow dot and the dot matrix are in
// dot_fillers_fast.cpp.
//
// Every float-to-integer conversion truncates toward zero. The glow dot computes in double; the
// soft dots hold r squared, the row's w, K = alpha / r^2 and H = 100 / (100 - hardness) in single
// precision, as their slopes were tuned with.
#include "scenes/objects/dot_fillers.h"

#include "display/render_paths.h"
#include "display/surface.h"
#include "scenes/objects/dot_fillers_twins.h"

using namespace dot_shared;

void draw_glow_dot_add_plain(Surface* dst, float cx, float cy, float r, uint32_t colour)
{
    dot_scan<DotKind::glow_add>(dst, cx, cy, r, 0.0f, colour, 512, 384);
}

void draw_soft_dot_add(Surface* dst, float cx, float cy, float r, float hardness, uint32_t colour)
{
    dot_scan<DotKind::soft_add>(dst, cx, cy, r, hardness, colour, dst->width, dst->height);
}

void draw_soft_dot_mix(Surface* dst, float cx, float cy, float r, float hardness, uint32_t colour)
{
    dot_scan<DotKind::soft_mix>(dst, cx, cy, r, hardness, colour, dst->width, dst->height);
}

void draw_dot_matrix_plain(Surface* dst, const Surface* src, float x, float y, float spacing, float hardness, int alpha)
{
    const uint32_t t = static_cast<uint32_t>(alpha < 0 ? 0 : alpha > 255 ? 255 : alpha);
    const double step = 2.0 * static_cast<double>(spacing);
    for (int i = 0; i < src->height; ++i) {
        const uint32_t* row = surface_row(src, i);
        const float cy = static_cast<float>(static_cast<double>(y) + step * i);
        for (int j = 0; j < src->width; ++j) {
            const float cx = static_cast<float>(static_cast<double>(x) + step * j);
            draw_soft_dot_mix(dst, cx, cy, spacing, hardness, row[j] | (t << 24));
        }
    }
}

// The glow dot is fixed to the frame's size whatever the target: callers pass only full-frame
// Surfaces.
void draw_glow_dot_add(Surface* dst, float cx, float cy, float r, uint32_t colour)
{
    if (g_plain_paths) return draw_glow_dot_add_plain(dst, cx, cy, r, colour);
    return draw_glow_dot_add_fast(dst, cx, cy, r, colour, 0, 384);
}

void draw_dot_matrix(Surface* dst, const Surface* src, float x, float y, float spacing, float hardness, int alpha)
{
    if (g_plain_paths) return draw_dot_matrix_plain(dst, src, x, y, spacing, hardness, alpha);
    return draw_dot_matrix_fast(dst, src, x, y, spacing, hardness, alpha, 0, dst->height);
}
