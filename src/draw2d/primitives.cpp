// The 2D primitives: integer operations written straight into the buffers, rows through the pitch.
// The fast twins of the static and the picture fade are in primitives_fast.cpp.
#include "draw2d/primitives.h"

#include <cstdlib>
#include <cstring>

#include "base/random.h"
#include "display/blend.h"
#include "display/render_paths.h"
#include "display/surface.h"
#include "draw2d/pictures.h"
#include "draw2d/primitives_twins.h"

namespace {

int32_t clamp_byte(int32_t v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

// The shift brought into [0, size).
int wrap_shift(int d, int size)
{
    int s = d % size;
    if (s < 0) s += size;
    return s;
}

// Source row of destination row y for a shift of sy; columns follow the same rule.
int shifted_index(int y, int shift, int src_size) { return y < shift ? src_size - shift + y : y - shift; }

}  // namespace

void noise_rows_plain(Surface* surface, uint32_t first_row, uint32_t end_row, int32_t bias)
{
    const int width = surface->width;
    for (uint32_t row = first_row; row < end_row; ++row) {
        uint32_t* p = surface_row(surface, static_cast<int>(row));
        int x = 0;
        while (x < width) {
            // Length first, then grey, for every run: a given seed gives a given picture.
            int run = static_cast<int>(demo_rand() & 7) + 5;
            if (run > width - x) run = width - x;
            int64_t g = static_cast<int64_t>(demo_rand() % 255u) - bias;
            if (g < 0) g = 0;
            const uint32_t grey = static_cast<uint32_t>(g) & 0xFFu;
            const uint32_t pixel = grey * 0x01010101u;
            for (int i = 0; i < run; ++i) p[x + i] = pixel;
            x += run;
        }
    }
}

uint32_t fade_level_step(float step, int reset, float reset_level, FadePicture* fade)
{
    if (reset) fade->level = reset_level;
    // The difference is rounded where it is stored in the record.
    fade->level = static_cast<float>(static_cast<double>(fade->level) - step);
    if (fade->level < 0.0f) fade->level = 0.0f;
    if (fade->level > 255.0f) fade->level = 255.0f;
    return static_cast<uint32_t>(static_cast<int>(fade->level));
}

void fade_blit_plain(Surface* surface, int x, int y, const FadePicture* fade, uint32_t e)
{
    const Image* pic = fade->picture;
    const Image* back = fade->backdrop;
    for (int i = 0; i < pic->height; ++i) {
        uint32_t* out = surface_row(surface, y + i) + x;
        const uint32_t* p = pic->pixels + static_cast<size_t>(i) * pic->width;
        // The backdrop is read from its own top-left corner, not offset by (x, y).
        const uint32_t* b = back->pixels + static_cast<size_t>(i) * back->width;
        for (int j = 0; j < pic->width; ++j) out[j] = blend_rgb_split(p[j], b[j], e);
    }
}

void noise_rows(Surface* surface, uint32_t first_row, uint32_t end_row, int32_t bias)
{
    if (g_plain_paths) return noise_rows_plain(surface, first_row, end_row, bias);
    return noise_rows_fast(surface, first_row, end_row, bias);
}

void fade_blit(Surface* surface, int x, int y, float step, int reset, float reset_level, FadePicture* fade)
{
    const uint32_t e = fade_level_step(step, reset, reset_level, fade);
    if (g_plain_paths) return fade_blit_plain(surface, x, y, fade, e);
    return fade_blit_fast(surface, x, y, fade, e);
}

void bytemap_stretch(ByteMap* map)
{
    int lo = 255, hi = 0;
    for (int y = 0; y < map->height; ++y) {
        const uint8_t* row = bytemap_row(map, y);
        for (int x = 0; x < map->width; ++x) {
            if (row[x] < lo) lo = row[x];
            if (row[x] > hi) hi = row[x];
        }
    }
    if (hi <= lo) {
        // Flat or empty: nothing to stretch, so the map becomes noise.
        for (int y = 0; y < map->height; ++y) {
            uint8_t* row = bytemap_row(map, y);
            for (int x = 0; x < map->width; ++x) row[x] = static_cast<uint8_t>(demo_rand() & 0xFFu);
        }
        return;
    }
    const int32_t scale = 65536 / (hi - lo);
    for (int y = 0; y < map->height; ++y) {
        uint8_t* row = bytemap_row(map, y);
        for (int x = 0; x < map->width; ++x) {
            // The remainder keeps the sign of the signed draw: a dither of about one step either way.
            const int32_t r = static_cast<int32_t>(demo_rand());
            const int32_t v = (r % scale) + (row[x] - lo) * scale - scale / 2;
            row[x] = static_cast<uint8_t>(clamp_byte(v >> 8));
        }
    }
}

void gradient_build(GradientEntry* out, int count, const GradientKey* keys)
{
    const int64_t rnd = demo_rand() & 0x3FFu;
    const GradientKey* k0 = keys;
    if (k0->position < 0 || count <= 0) return;
    int n = 0;   // next entry to write; keys rise, so it is also the number made so far
    while (n < k0->position && n < count) out[n++] = {k0->red, k0->green, k0->blue};
    // Once `count` entries exist no further key is read, so a list may end with a key at or past it.
    while (n < count) {
        const GradientKey* k1 = k0 + 1;
        if (k1->position < 0) {
            while (n < count) out[n++] = {k0->red, k0->green, k0->blue};
            return;
        }
        const int64_t s = static_cast<int64_t>(k1->position) - k0->position;
        const int64_t bias = (rnd * s) >> 10;
        for (int64_t t = 0; t < s && n < count; ++t) {
            const int64_t idx = k0->position + t;
            if (idx < n) continue;   // a key list that does not rise never rewrites earlier entries
            n = static_cast<int>(idx);
            out[n++] = {static_cast<int32_t>((k1->red * t + k0->red * (s - t) + bias) / s),
                        static_cast<int32_t>((k1->green * t + k0->green * (s - t) + bias) / s),
                        static_cast<int32_t>((k1->blue * t + k0->blue * (s - t) + bias) / s)};
        }
        k0 = k1;
    }
}

void palette_map(Surface* dst, const ByteMap* src, const GradientKey* keys)
{
    GradientEntry ramp[256];
    uint32_t palette[256];
    gradient_build(ramp, 256, keys);
    for (int i = 0; i < 256; ++i)
        palette[i] = static_cast<uint32_t>(clamp_byte(ramp[i].red)) << 16 |
                     static_cast<uint32_t>(clamp_byte(ramp[i].green)) << 8 |
                     static_cast<uint32_t>(clamp_byte(ramp[i].blue));
    for (int y = 0; y < src->height; ++y) {
        const uint8_t* s = bytemap_row(src, y);
        uint32_t* d = surface_row(dst, y);
        for (int x = 0; x < src->width; ++x) d[x] = palette[s[x]];
    }
}

void surface_copy_shifted(Surface* dst, const Surface* src, int dx, int dy)
{
    const int sx = wrap_shift(dx, dst->width);
    const int sy = wrap_shift(dy, dst->height);
    for (int y = 0; y < dst->height; ++y) {
        const uint32_t* s = surface_row(src, shifted_index(y, sy, src->height));
        uint32_t* d = surface_row(dst, y);
        // Two block copies per row: the wrapped-in tail of the source row, then its head.
        std::memmove(d, s + (src->width - sx), static_cast<size_t>(sx) * 4);
        std::memmove(d + sx, s, static_cast<size_t>(dst->width - sx) * 4);
    }
}

void bytemap_copy_shifted(ByteMap* dst, const ByteMap* src, int dx, int dy)
{
    const int sx = wrap_shift(dx, dst->width);
    const int sy = wrap_shift(dy, dst->height);
    for (int y = 0; y < dst->height; ++y) {
        const uint8_t* s = bytemap_row(src, shifted_index(y, sy, src->height));
        uint8_t* d = bytemap_row(dst, y);
        std::memmove(d, s + (src->width - sx), static_cast<size_t>(sx));
        std::memmove(d + sx, s, static_cast<size_t>(dst->width - sx));
    }
}

void bytemap_absdiff_shifted(ByteMap* dst, const ByteMap* src, int dx, int dy)
{
    const int sx = wrap_shift(dx, dst->width);
    const int sy = wrap_shift(dy, dst->height);
    for (int y = 0; y < dst->height; ++y) {
        const uint8_t* s = bytemap_row(src, shifted_index(y, sy, src->height));
        uint8_t* d = bytemap_row(dst, y);
        for (int x = 0; x < dst->width; ++x) {
            const int v = d[x] - s[shifted_index(x, sx, src->width)];
            d[x] = static_cast<uint8_t>(v < 0 ? -v : v);
        }
    }
}

void surface_and(Surface* surface, uint32_t mask)
{
    for (int y = 0; y < surface->height; ++y) {
        uint32_t* row = surface_row(surface, y);
        for (int x = 0; x < surface->width; ++x) row[x] &= mask;
    }
}
