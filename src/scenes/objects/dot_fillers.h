// Filled circular dots whose brightness falls off quadratically from the centre to the rim: the
// additive glow and soft dots raise the colour channels and the top byte (coverage), the mixing dot
// blends toward its colour, and the dot matrix draws a whole Surface as a grid of mixing dots.
// Positions and radii are in pixels; the centre of pixel (x, y) is exactly (x, y).
#pragma once
#include <cstdint>

struct Surface;

// Additive dot clipped to columns 0..511 and rows 0..383 (the target is at least 512 x 384).
void draw_glow_dot_add(Surface* dst, float cx, float cy, float r, uint32_t colour);
// Additive dot with hardness (a percentage, 0 <= hardness < 100), clipped to the target.
void draw_soft_dot_add(Surface* dst, float cx, float cy, float r, float hardness, uint32_t colour);
// Dot that mixes toward its colour, with hardness, clipped to the target.
void draw_soft_dot_mix(Surface* dst, float cx, float cy, float r, float hardness, uint32_t colour);
// Every pixel of `src` as one mixing dot of radius `spacing`, centres 2 * spacing apart, the first
// at (x, y); alpha (clamped to 0..255) is OR-ed into each source pixel's top byte.
void draw_dot_matrix(Surface* dst, const Surface* src, float x, float y, float spacing, float hardness,
                     int alpha);
