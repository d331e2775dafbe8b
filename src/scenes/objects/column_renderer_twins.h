// The twins of the column renderer, for the dispatch in column_renderer.cpp and for the banded fast
// path of the polygon scenes, with the row both draw and the constants they share. Other callers
// call render_column.
#pragma once
#include <cmath>
#include <cstdint>
#include <cstring>

#include "display/frame_size.h"
#include "display/surface.h"

struct Surface;

void render_column_plain(const float* heights, const Surface* background, const Surface* glow, Surface* dst,
                         uint32_t tint);
// The fast twin, writing only rows row_from .. row_to - 1 of the destination.
void render_column_fast(const float* heights, const Surface* background, const Surface* glow, Surface* dst,
                        uint32_t tint, int row_from, int row_to);
// One row of the column, written as the renderer's reference; the fast twin takes it for rows too
// wide for its own arithmetic.
void column_row_plain(int y, const float* heights, const Surface* background, const Surface* glow, Surface* dst,
                      uint32_t tint);

namespace column_shared {

constexpr int k_centre = 256;
constexpr uint32_t k_white = 0x00FFFFFFu;

inline int wrap_reflect(int v, int size)
{
    if (v < 0) v = size - v;
    return v % size;
}

// A row's start, the same for both twins: its half-width r, the span n of pixels each side of the
// centre (a half-width past the centre would leave the row; such heights are never made, but a
// span that stops at the frame's edge keeps every write inside it), the slope to the next row's
// half-width, and the background copied outside the span.
struct ColumnRowStart {
    double r;
    int n;
    double slope, inv, r2;
    const uint32_t* src_row;
    uint32_t* out;
};

inline ColumnRowStart column_row_start(int y, const float* heights, const Surface* background, Surface* dst)
{
    const double r = std::fabs(static_cast<double>(heights[y]));
    const int n = r < static_cast<double>(k_centre) ? static_cast<int>(r) : k_centre;
    const uint32_t* src_row = surface_row(background, y);
    uint32_t* out = surface_row(dst, y);
    std::memcpy(out, src_row, static_cast<size_t>(k_centre - n) * sizeof(uint32_t));
    return {r, n, std::fabs(static_cast<double>(heights[y + 1])) - r, 1.0 / r, r * r, src_row, out};
}

}  // namespace column_shared
