// The column renderer. All its arithmetic is in double; positions are truncated toward zero.
// Refracted samples that fall off the background reflect at the top and left edges (-k reads k)
// and wrap past the bottom and right ones.
// The plain twin is here; the fast one is in column_renderer_fast.cpp.
#include "scenes/objects/column_renderer.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include "display/blend.h"
#include "display/render_paths.h"
#include "display/surface.h"
#include "scenes/objects/column_renderer_twins.h"

using namespace column_shared;

void column_row_plain(int y, const float* heights, const Surface* background, const Surface* glow, Surface* dst,
                      uint32_t tint)
{
    const auto [r, n, slope, inv, r2, src_row, out] = column_row_start(y, heights, background, dst);

    for (int j = -n; j < n; ++j) {
        const double jd = j;
        const double depth2 = std::fabs(r2 - jd * jd);
        const double s = std::sqrt(depth2);

        // The refracted sample, and the glow sample at twice the displacement (the vertical
        // one with the opposite sign).
        const double q = inv * s * jd;
        const int sy = wrap_reflect(y + static_cast<int>(0.5 * s * slope), k_frame_height);
        const int sx = wrap_reflect(k_centre + j + static_cast<int>(0.5 * q), k_frame_width);
        const int gx = k_centre + j + static_cast<int>(q);
        const int gy = y - static_cast<int>(slope * s);
        const uint32_t p = surface_row(background, sy)[sx];

        // The tint's weight is the row's half-width, taken from the same depth as the sample.
        const int m_root = static_cast<int>(std::sqrt(depth2 + jd * jd));
        const uint32_t m = static_cast<uint32_t>(m_root < 255 ? m_root : 255);
        const uint32_t t = blend_rgb_split(tint, p, m);

        const int depth_shade = 64 + static_cast<int>(2.0 * s);
        const uint32_t k = static_cast<uint32_t>(depth_shade < 255 ? depth_shade : 255) + 1;
        uint32_t o = scale_rgb(t, k);

        // Column 0 and row 0 of the glow layer are never read.
        if (gx > 0 && gx < k_frame_width && gy > 0 && gy < k_frame_height) {
            const uint32_t g = surface_row(glow, gy)[gx] >> 24;
            o = blend_rgb_split(k_white, o, g);
        }
        out[k_centre + j] = o;
    }

    std::memcpy(out + k_centre + n, src_row + k_centre + n,
                static_cast<size_t>(k_frame_width - k_centre - n) * sizeof(uint32_t));
}

void render_column_plain(const float* heights, const Surface* background, const Surface* glow, Surface* dst,
                         uint32_t tint)
{
    for (int y = 0; y < k_frame_height; ++y) column_row_plain(y, heights, background, glow, dst, tint);
}

void render_column(const float* heights, const Surface* background, const Surface* glow, Surface* dst,
                   uint32_t tint)
{
    if (g_plain_paths) return render_column_plain(heights, background, glow, dst, tint);
    return render_column_fast(heights, background, glow, dst, tint, 0, k_frame_height);
}
