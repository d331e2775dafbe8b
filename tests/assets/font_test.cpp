// The font picture: the fixed widths add up to the picture's width, and every glyph is inked
// within its own columns, filling its width and reaching full coverage.
#include <gtest/gtest.h>

#include <numeric>

#include "asset_files.h"

namespace {
const int k_widths[26] = {8, 8, 5, 7, 7, 9, 9, 8, 4, 8, 6, 2, 14, 7, 6, 7, 8, 8, 7, 11, 7, 8, 8, 8, 12, 17};
}

TEST(AssetFont, WidthsAddUpToThePicture)
{
    EXPECT_EQ(std::accumulate(std::begin(k_widths), std::end(k_widths), 0), 209);
    EXPECT_EQ(read_bytes(build_path("data/font209x25.raw")).size(), 209u * 25);
}

TEST(AssetFont, EveryGlyphInksItsOwnColumns)
{
    const std::vector<unsigned char> font = read_bytes(build_path("data/font209x25.raw"));
    ASSERT_EQ(font.size(), 209u * 25);
    int left = 0;
    for (int g = 0; g < 26; ++g) {
        const int w = k_widths[g];
        int peak = 0, first_col = 0, last_col = 0, top = 0, bottom = 0;
        for (int y = 0; y < 25; ++y)
            for (int x = 0; x < w; ++x) {
                const int c = font[y * 209 + left + x];
                peak = std::max(peak, c);
                if (x == 0) first_col += c;
                if (x == w - 1) last_col += c;
                if (y == 0) top += c;
                if (y == 24) bottom += c;
            }
        const char letter = static_cast<char>('A' + g);
        EXPECT_EQ(peak, 255) << letter;
        EXPECT_GT(first_col, 255) << letter << " does not reach its left column";
        EXPECT_GT(last_col, 255) << letter << " does not reach its right column";
        EXPECT_GT(top + bottom, 0) << letter << " does not use the full height";
        left += w;
    }
    // Anti-aliased: some partial coverage exists besides 0 and 255.
    int partial = 0;
    for (unsigned char c : font) partial += (c > 0 && c < 255);
    EXPECT_GT(partial, 500);
}
