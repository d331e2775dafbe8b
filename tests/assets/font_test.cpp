// The font picture: the fixed widths add up to the picture's width; every glyph fills the full
// height, keeps a gap column where its width allows, and draws its stems on whole pixels.
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

TEST(AssetFont, EveryGlyphFillsItsHeightAndKeepsASideGap)
{
    const std::vector<unsigned char> font = read_bytes(build_path("data/font209x25.raw"));
    ASSERT_EQ(font.size(), 209u * 25);
    int left = 0;
    for (int g = 0; g < 26; ++g) {
        const int w = k_widths[g];
        int peak = 0, top = 0, bottom = 0, first_cols = 0, last_col = 0;
        for (int y = 0; y < 25; ++y)
            for (int x = 0; x < w; ++x) {
                const int c = font[y * 209 + left + x];
                peak = std::max(peak, c);
                if (x <= 1) first_cols += c;
                if (x == w - 1) last_col += c;
                if (y == 0) top += c;
                if (y == 24) bottom += c;
            }
        const char letter = static_cast<char>('A' + g);
        EXPECT_EQ(peak, 255) << letter;
        EXPECT_GT(top, 0) << letter << " does not reach the top row";
        EXPECT_GT(bottom, 0) << letter << " does not reach the bottom row";
        EXPECT_GT(first_cols, 255) << letter << " does not start at its left edge";
        if (w >= 5) {
            EXPECT_EQ(last_col, 0) << letter << " leaves no gap before the next letter";
        }
        left += w;
    }
}

TEST(AssetFont, StemsAndBarsSitOnWholePixels)
{
    const std::vector<unsigned char> font = read_bytes(build_path("data/font209x25.raw"));
    ASSERT_EQ(font.size(), 209u * 25);
    auto at = [&](char letter, int x, int y) {
        int left = 0;
        for (int g = 0; g < letter - 'A'; ++g) left += k_widths[g];
        return static_cast<int>(font[y * 209 + left + x]);
    };
    // Letters made only of stems and bars have no grey pixels at all.
    for (char letter : {'E', 'F', 'H', 'I', 'L', 'T', 'W'}) {
        int grey = 0;
        for (int y = 0; y < 25; ++y)
            for (int x = 0; x < k_widths[letter - 'A']; ++x) grey += at(letter, x, y) != 0 && at(letter, x, y) != 255;
        EXPECT_EQ(grey, 0) << letter;
    }
    // L is a one-pixel stem with a one-pixel foot, so it no longer reads as I.
    for (int y = 0; y < 25; ++y) {
        EXPECT_EQ(at('L', 0, y), 255) << "row " << y;
        EXPECT_EQ(at('L', 1, y), y >= 23 ? 255 : 0) << "row " << y;
    }
    // Anti-aliased diagonals and corners: some partial coverage exists besides 0 and 255.
    int partial = 0;
    for (unsigned char c : font) partial += (c > 0 && c < 255);
    EXPECT_GT(partial, 200);
}
