// The font picture as the program reads it: exactly as many bytes as the glyph widths take, and
// every glyph inked at full strength somewhere, unlike any other glyph, and with its last column
// clear where its width allows, so that letters set side by side never touch.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "asset_files.h"
#include "draw2d/font.h"

TEST(AssetFont, EveryGlyphIsInkedWithinItsWidthAndUnlikeTheOthers)
{
    const std::string path = build_path("data/font209x25.raw");
    ASSERT_EQ(font_load(path.c_str(), 8, 25), 1);
    EXPECT_EQ(read_bytes(path).size(), static_cast<size_t>(text_width("ABCDEFGHIJKLMNOPQRSTUVWXYZ")) * 25);
    for (int g = 0; g < 26; ++g) {
        const Glyph& glyph = g_font->glyphs[g];
        const char letter = static_cast<char>('A' + g);
        int peak = 0, last_col = 0;
        for (int y = 0; y < 25; ++y)
            for (int x = 0; x < glyph.advance; ++x) {
                peak = std::max(peak, static_cast<int>(glyph.coverage[y * glyph.advance + x]));
                if (x == glyph.advance - 1) last_col += glyph.coverage[y * glyph.advance + x];
            }
        EXPECT_EQ(peak, 255) << letter;
        if (glyph.advance >= 5) {
            EXPECT_EQ(last_col, 0) << letter << " would touch the next letter";
        }
        for (int h = 0; h < g; ++h) {
            const Glyph& other = g_font->glyphs[h];
            EXPECT_FALSE(other.advance == glyph.advance && std::memcmp(other.coverage, glyph.coverage, glyph.advance * 25) == 0)
                << letter << " repeats " << static_cast<char>('A' + h);
        }
    }
}
