// Quadratic curves drawn as sixteen anti-aliased pieces, and round glow dots whose opacity builds
// on what the line drawer left in the destination's top byte.
#pragma once
#include <cstdint>

#include "geom3d/matrix.h"

struct Surface;

// The quadratic Bezier curve from b (t = 0) to a (t = 1) around `control`, in one colour.
void draw_curve(Surface* s, const Vec4& a, const Vec4& b, const Vec4& control, uint32_t colour);
// A dot of radius r at (cx, cy): opacity the colour's top byte at the centre, falling off
// quadratically to 0 at the rim, plus the destination's top byte; writes top byte 0. Limited to
// columns 0..511 and rows 0..383.
void draw_glow_dot(Surface* s, float cx, float cy, float r, uint32_t colour);

// The seventeen points where draw_curve's pieces meet, t = 0, 1/16, .. 1, as its fast path makes
// them: x and y only, z and w 0. Piece i runs from points[i] to points[i + 1].
void curve_points_make(const Vec4& a, const Vec4& b, const Vec4& control, Vec4 points[17]);
