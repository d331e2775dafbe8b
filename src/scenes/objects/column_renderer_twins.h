// The twins of the column renderer, for the dispatch in column_renderer.cpp and for the banded fast
// path of the polygon scenes, with the row both draw and the constants they share. Other callers
// call render_column.
#pragma once
#include <cstdint>

#include "display/frame_size.h"

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

}  // namespace column_shared
