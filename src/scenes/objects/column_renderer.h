// The glass column of the polygon scenes: one frame composed from a background, a glow layer and a
// table of row half-widths. Outside the column the background is copied; inside it the background
// is refracted, tinted by the row's width, shaded toward the rim and whitened by the glow layer.
#pragma once
#include <cstdint>

struct Surface;

// heights: 385 values; row y (0..383) spans columns 256 - n .. 255 + n with n = trunc(|heights[y]|)
// and slopes by |heights[y + 1]| - |heights[y]|. All three Surfaces are 512 x 384; of the glow
// layer only the top byte (coverage) is read; only the tint's red, green and blue are used. Every
// pixel of the destination's 384 rows and 512 columns is written.
void render_column(const float* heights, const Surface* background, const Surface* glow, Surface* dst,
                   uint32_t tint);
