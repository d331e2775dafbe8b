// The 25-row font picture: the 26 capitals side by side at their fixed widths, as 8-bit coverage,
// and the preview sheet that shows them enlarged over alternating cell tints with sample text.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "assets.h"

namespace {

constexpr int k_font_width = 209;
constexpr int k_font_height = 25;

int glyph_left(int g)
{
    int x = 0;
    for (int i = 0; i < g; ++i) x += k_glyph_widths[i];
    return x;
}

}  // namespace

std::vector<uint8_t> font_build()
{
    std::vector<uint8_t> font(static_cast<size_t>(k_font_width) * k_font_height, 0);
    for (int g = 0; g < 26; ++g) {
        const int w = k_glyph_widths[g];
        const GreyPicture cov = font_glyph('A' + g, w);
        const int left = glyph_left(g);
        for (int y = 0; y < k_font_height; ++y)
            for (int x = 0; x < w; ++x)
                font[static_cast<size_t>(y) * k_font_width + left + x] =
                    static_cast<uint8_t>(std::lround(cov.px[static_cast<size_t>(y) * w + x] * 255.0f));
    }
    return font;
}

std::vector<uint8_t> font_sheet_rgb(const std::vector<uint8_t>& font, int* width, int* height)
{
    const int big = 4, small = 2;
    const char* sample = "VOSK PLONKERTOD ZEPT WIBBLE Q MARROWVALE";
    int text_w = 0;
    for (const char* c = sample; *c; ++c) text_w += (*c == ' ') ? 8 : k_glyph_widths[*c - 'A'];
    const int w = std::max(k_font_width * big, text_w * small) + 16;
    const int h = k_font_height * big + k_font_height * small + 24;
    std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3, 16);
    auto put = [&](int x, int y, uint8_t bg_r, uint8_t bg_g, uint8_t bg_b, uint8_t a) {
        uint8_t* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
        p[0] = static_cast<uint8_t>(bg_r + (255 - bg_r) * a / 255);
        p[1] = static_cast<uint8_t>(bg_g + (255 - bg_g) * a / 255);
        p[2] = static_cast<uint8_t>(bg_b + (255 - bg_b) * a / 255);
    };
    for (int g = 0; g < 26; ++g) {
        const int left = glyph_left(g);
        const uint8_t tint = (g & 1) ? 70 : 40;
        for (int y = 0; y < k_font_height * big; ++y)
            for (int x = 0; x < k_glyph_widths[g] * big; ++x)
                put(8 + left * big + x, 8 + y, tint / 2, tint / 2, tint,
                    font[static_cast<size_t>(y / big) * k_font_width + left + x / big]);
    }
    int pen = 8;
    const int top = 16 + k_font_height * big;
    for (const char* c = sample; *c; ++c) {
        if (*c == ' ') {
            pen += 8 * small;
            continue;
        }
        const int g = *c - 'A', left = glyph_left(g);
        for (int y = 0; y < k_font_height * small; ++y)
            for (int x = 0; x < k_glyph_widths[g] * small; ++x)
                put(pen + x, top + y, 16, 16, 16, font[static_cast<size_t>(y / small) * k_font_width + left + x / small]);
        pen += k_glyph_widths[g] * small;
    }
    *width = w;
    *height = h;
    return rgb;
}
