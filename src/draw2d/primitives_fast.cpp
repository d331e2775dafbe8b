// The fast twins of the static and the picture fade, and the fade over a black frame in row bands:
// the same words as the plain twins in primitives.cpp, four pixels at a time.
#include <emmintrin.h>

#include <cstring>

#include "display/blend.h"
#include "display/blend_sse2.h"
#include "display/surface.h"
#include "draw2d/pictures.h"
#include "draw2d/primitives.h"
#include "draw2d/primitives_twins.h"
#include "draw2d/rand_stream.h"

namespace {

// The picture fade on the fast path: the split blend four pixels at a time.
void fade_rows_fast(Surface* surface, int x, int y, const Image* pic, const Image* back, uint32_t e)
{
    for (int i = 0; i < pic->height; ++i) {
        uint32_t* out = surface_row(surface, y + i) + x;
        const uint32_t* p = pic->pixels + static_cast<size_t>(i) * pic->width;
        const uint32_t* b = back->pixels + static_cast<size_t>(i) * back->width;
        int j = 0;
        for (; j + 4 <= pic->width; j += 4) {
            const __m128i pv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + j));
            const __m128i bv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + j));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + j), blend_rgb_split4(pv, bv, e));
        }
        for (; j < pic->width; ++j) out[j] = blend_rgb_split(p[j], b[j], e);
    }
}

}  // namespace

// The static on the fast path: the same draws in the same order, the generator held in a register,
// and each run written as twelve pixels (three 16-byte stores) while twelve fit in the row. The
// pixels past the run are rewritten by the runs that follow, which cover the row to its end.
void noise_rows_fast(Surface* surface, uint32_t first_row, uint32_t end_row, int32_t bias)
{
    const int width = surface->width;
    RandStream r = rand_stream_begin();
    for (uint32_t row = first_row; row < end_row; ++row) {
        uint32_t* p = surface_row(surface, static_cast<int>(row));
        int x = 0;
        while (x < width) {
            int run = static_cast<int>(rand_stream_next(&r) & 7) + 5;
            if (run > width - x) run = width - x;
            int64_t g = static_cast<int64_t>(rand_stream_next(&r) % 255u) - bias;
            if (g < 0) g = 0;
            const uint32_t pixel = (static_cast<uint32_t>(g) & 0xFFu) * 0x01010101u;
            if (x + 12 <= width) {
                const __m128i v = _mm_set1_epi32(static_cast<int>(pixel));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(p + x), v);
                _mm_storeu_si128(reinterpret_cast<__m128i*>(p + x + 4), v);
                _mm_storeu_si128(reinterpret_cast<__m128i*>(p + x + 8), v);
            } else {
                for (int i = 0; i < run; ++i) p[x + i] = pixel;
            }
            x += run;
        }
    }
    rand_stream_end(&r);
}

void fade_blit_fast(Surface* surface, int x, int y, const FadePicture* fade, uint32_t e)
{
    fade_rows_fast(surface, x, y, fade->picture, fade->backdrop, e);
}

void fade_frame_rows(Surface* surface, int x, int y, const FadePicture* fade, uint32_t e, int row_from, int row_to)
{
    const Image* pic = fade->picture;
    const size_t row_bytes = static_cast<size_t>(surface->width) * sizeof(uint32_t);
    if (row_from < 0) row_from = 0;
    if (row_to > surface->height) row_to = surface->height;
    const int top = y > row_from ? y : row_from;
    const int end = y + pic->height < row_to ? y + pic->height : row_to;
    // Rows the picture leaves black, and its own rows black to the left and right of it.
    for (int r = row_from; r < row_to; ++r) {
        uint32_t* out = surface_row(surface, r);
        if (r < top || r >= end) {
            std::memset(out, 0, row_bytes);
            continue;
        }
        std::memset(out, 0, static_cast<size_t>(x) * sizeof(uint32_t));
        std::memset(out + x + pic->width, 0, static_cast<size_t>(surface->width - x - pic->width) * sizeof(uint32_t));
    }
    if (top >= end || e > 255) return;
    Image part = *pic;
    part.height = end - top;
    part.pixels = pic->pixels + static_cast<size_t>(top - y) * pic->width;
    Image back_part = *fade->backdrop;
    back_part.pixels = back_part.pixels + static_cast<size_t>(top - y) * back_part.width;
    fade_rows_fast(surface, x, top, &part, &back_part, e);
}
