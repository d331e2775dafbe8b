// Anti-aliased, gradient-coloured line bands: the one-boundary segment clipper and the line
// drawer of every vector-style effect.
#pragma once
#include <cstdint>

#include "geom3d/matrix.h"

struct Surface;

// Clip codes: the high nibble chooses the side, the low nibble the axis (1 = x, 2 = y).
constexpr int CLIP_MAX_X = 0x11;   // keeps x <= bound
constexpr int CLIP_MAX_Y = 0x12;   // keeps y <= bound
constexpr int CLIP_MIN_X = 0x21;   // keeps x >= bound
constexpr int CLIP_MIN_Y = 0x22;   // keeps y >= bound

// Clips the segment p-q against one boundary, moving the outside end onto it (all four components
// interpolated, measured from p). Returns -1 when both ends are outside or the code is unknown,
// 0 otherwise.
int clip_segment(Vec4* p, Vec4* q, float bound, int code);

// Draws p-q as a band of half-width w pixels, blended into the surface with the colours' top byte
// as opacity. Mind the colour order: the first colour belongs to q, the second to p. Pixel (i, j)
// is sampled at the integer coordinates (i, j). Everything is clipped to the surface.
void draw_line_wide(Surface* s, const Vec4& p, const Vec4& q, uint32_t colour_at_q, uint32_t colour_at_p,
                    float w);
// draw_line_wide with half-width 1.
void draw_line_aa(Surface* s, const Vec4& p, const Vec4& q, uint32_t colour_at_q, uint32_t colour_at_p);
