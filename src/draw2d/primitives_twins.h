// The twins of the static and the picture fade, for the dispatch in primitives.cpp, and the fade
// over a black frame that the banded fast path of the title scene draws. Other callers call
// noise_rows and fade_blit.
#pragma once
#include <cstdint>

struct Surface;
struct FadePicture;

void noise_rows_plain(Surface* surface, uint32_t first_row, uint32_t end_row, int32_t bias);
void noise_rows_fast(Surface* surface, uint32_t first_row, uint32_t end_row, int32_t bias);
// The picture blended with its backdrop at (x, y) at level e (0..255).
void fade_blit_plain(Surface* surface, int x, int y, const FadePicture* fade, uint32_t e);
void fade_blit_fast(Surface* surface, int x, int y, const FadePicture* fade, uint32_t e);

// Rows row_from .. row_to - 1 of what a clear followed by fade_blit at level e (0..255) leaves, on
// the fast path: black, with the picture blended over its backdrop at (x, y). The picture must lie
// within the surface's columns.
void fade_frame_rows(Surface* surface, int x, int y, const FadePicture* fade, uint32_t e, int row_from, int row_to);
