// The proportional bitmap font of 26 capitals: loading, measuring and blending text into a Surface.
#pragma once
#include <cstdint>

struct Surface;

struct Glyph {
    int32_t advance;     // width in pixels, also the pen advance after the glyph
    int32_t bearing;     // subtracted from the pen position when drawing; always 0 here
    uint8_t* coverage;   // advance * glyph_height bytes, row after row, 0 transparent .. 255 full
};

struct Font {
    int32_t glyph_height;
    int32_t space_advance;   // advance of every byte that is not a letter
    int32_t glyph_count;     // 26: A to Z
    Glyph* glyphs;
};

extern Font* g_font;   // null until font_load succeeds

// Loads the 8-bit coverage picture: glyph_height rows, each holding that row of A..Z side by side.
// Returns 1, or 0 when the file cannot be opened or memory runs out (g_font is then left as it was).
int font_load(const char* path, int space_advance, int glyph_height);

// Width in pixels of a zero-terminated string; lower case measures like upper case.
int text_width(const char* text);

// Draws the string with the top-left corner of its first glyph at (x, y); no clipping.
void draw_text(Surface* surface, const char* text, int x, int y, uint32_t colour);

// Blends the first `rows` rows of one glyph at (x, y), its coverage weighting `colour` over the pixel.
void glyph_blend(Surface* surface, int x, int y, const Glyph* glyph, int rows, uint32_t colour);
