// The bitmap font: loading the coverage picture into per-glyph blocks, text measuring and drawing.
#include "draw2d/font.h"

#include <cstdio>
#include <cstdlib>

#include "base/data_file.h"
#include "display/blend.h"
#include "display/surface.h"

Font* g_font = nullptr;

namespace {

constexpr int k_glyph_count = 26;
constexpr int k_picture_width = 209;   // the glyphs side by side
// Bytes past the picture are ignored, but a file this large is no font of ours.
constexpr long long k_font_max_bytes = 1ll << 30;

// Glyph widths are fixed in the program, not read from the file; they add up to the picture's 209.
constexpr int32_t k_glyph_widths[k_glyph_count] = {8, 8, 5,  7, 7, 9, 9,  8, 4, 8, 6, 2,  14,
                                                   7, 6, 7,  8, 8, 7, 11, 7, 8, 8, 8, 12, 17};

void font_free(Font* font)
{
    if (!font) return;
    if (font->glyphs)
        for (int i = 0; i < font->glyph_count; ++i) std::free(font->glyphs[i].coverage);
    std::free(font->glyphs);
    std::free(font);
}

// The glyph a byte selects, or null for a non-letter (bytes from 0x80 up included).
const Glyph* glyph_for(unsigned char c)
{
    if (c >= 'A' && c <= 'Z') return &g_font->glyphs[c - 'A'];
    if (c >= 'a' && c <= 'z') return &g_font->glyphs[c - 'a'];
    return nullptr;
}

}  // namespace

int font_load(const char* path, int space_advance, int glyph_height)
{
    Font* font = static_cast<Font*>(std::calloc(1, sizeof(Font)));
    if (!font) return 0;
    font->glyph_height = glyph_height;
    font->space_advance = space_advance;
    font->glyph_count = k_glyph_count;
    font->glyphs = static_cast<Glyph*>(std::calloc(k_glyph_count, sizeof(Glyph)));
    if (!font->glyphs) {
        font_free(font);
        return 0;
    }
    const size_t rows = glyph_height > 0 ? static_cast<size_t>(glyph_height) : 0;
    for (int i = 0; i < k_glyph_count; ++i) {
        Glyph& g = font->glyphs[i];
        g.advance = k_glyph_widths[i];
        g.coverage = static_cast<uint8_t*>(std::calloc(rows * g.advance + 1, 1));
        if (!g.coverage) {
            font_free(font);
            return 0;
        }
    }
    std::FILE* f = data_file_open(path, static_cast<long long>(rows) * k_picture_width, k_font_max_bytes);
    if (!f) {
        font_free(font);
        return 0;
    }
    // Each file row holds the same row of every glyph, A leftmost.
    int read = 1;
    for (size_t r = 0; r < rows && read; ++r)
        for (int i = 0; i < k_glyph_count && read; ++i) {
            Glyph& g = font->glyphs[i];
            read = data_file_read(f, path, g.coverage + r * g.advance, static_cast<size_t>(g.advance));
        }
    std::fclose(f);
    if (!read) {
        font_free(font);
        return 0;
    }
    font_free(g_font);   // only a second load (the tests) has one to replace
    g_font = font;
    return 1;
}

int text_width(const char* text)
{
    if (!g_font) return 0;
    int width = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        const Glyph* g = glyph_for(*p);
        width += g ? g->advance : g_font->space_advance;
    }
    return width;
}

void draw_text(Surface* surface, const char* text, int x, int y, uint32_t colour)
{
    if (!g_font) return;
    int pen = x;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        const Glyph* g = glyph_for(*p);
        if (g) {
            glyph_blend(surface, pen - g->bearing, y, g, g_font->glyph_height, colour);
            pen += g->advance;
        } else {
            pen += g_font->space_advance;
        }
    }
}

void glyph_blend(Surface* surface, int x, int y, const Glyph* glyph, int rows, uint32_t colour)
{
    const int w = glyph->advance;
    for (int r = 0; r < rows; ++r) {
        uint32_t* row = surface_row(surface, y + r) + x;
        const uint8_t* cov = glyph->coverage + static_cast<size_t>(r) * w;
        // Coverage 255 writes the colour exactly, 0 keeps the pixel's channels; the top byte is cleared.
        for (int i = 0; i < w; ++i) row[i] = blend_rgb_split(colour, row[i], cov[i]);
    }
}
