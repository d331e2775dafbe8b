// Column renderer: copies outside the span, the span's extent, the tint and glow extremes, the
// reflected and wrapped refracted rows, and a frame whose pitch exceeds its width.
#include <gtest/gtest.h>

#include <vector>

#include "common/test_util.h"
#include "display/blend.h"
#include "scenes/objects/column_renderer.h"

namespace {

constexpr uint32_t k_tint = 0xFFFF8000u;

// Every pixel distinct, with a top byte the column never writes.
struct Background : PaddedSurface {
    Background() : PaddedSurface(512, 384, 0, 0)
    {
        for (int y = 0; y < 384; ++y)
            for (int x = 0; x < 512; ++x) words[y * stride + x] = 0xA5000000u | static_cast<uint32_t>(y << 10 | x);
    }
};

struct Column {
    Background bg;
    PaddedSurface glow{512, 384, 0, 0};
    Frame out;   // the capture's 2560-byte pitch, preset to 0xDEADBEEF
    std::vector<float> h = std::vector<float>(385, 0.0f);
    void render() { render_column(h.data(), &bg.s, &glow.s, &out.s, k_tint); }
};

// The in-span pixel for a sample p, tint weight m, shade factor k and no glow.
uint32_t shaded(uint32_t p, uint32_t m, uint32_t k) { return scale_rgb(blend_rgb_split(k_tint, p, m), k); }

}  // namespace

TEST(ColumnRenderer, SpanOfTheHalfWidthAndExactCopiesAroundIt)
{
    // Half-width 10 spans columns 246 to 265. Slope 0: the centre samples its own pixel with m = 10
    // and k = 64 + trunc(2r) + 1. Half-widths below 1 leave no span: the background exactly.
    const struct {
        float height;
        int first, last;
        uint32_t centre_shade;
    } cases[] = {{10.0f, 246, 265, 85}, {-10.5f, 246, 265, 86}, {0.0f, 1, 0, 0}, {-0.0f, 1, 0, 0},
                 {0.99f, 1, 0, 0},      {-0.5f, 1, 0, 0}};
    for (const auto& t : cases) {
        Column c;
        std::fill(c.h.begin(), c.h.end(), t.height);
        c.render();
        for (int y = 0; y < 384; ++y)
            for (int x = 0; x < 512; ++x) {
                const bool inside = x >= t.first && x <= t.last;
                // Copies keep the background's top byte; computed pixels have top byte 0.
                ASSERT_EQ(c.out.at(x, y) >> 24, inside ? 0u : 0xA5u) << t.height << " " << x << "," << y;
                if (!inside) {
                    ASSERT_EQ(c.out.at(x, y), c.bg.at(x, y)) << t.height << " " << x << "," << y;
                }
            }
        if (t.centre_shade) {
            EXPECT_EQ(c.out.at(256, 100), shaded(c.bg.at(256, 100), 10, t.centre_shade)) << t.height;
        }
        EXPECT_TRUE(c.out.pad_intact());
        // The rim j = -10 of r = 10: depth 0, so no displacement and the darkest shade, k = 65.
        if (t.height == 10.0f) {
            EXPECT_EQ(c.out.at(246, 100), shaded(c.bg.at(246, 100), 10, 65));
        }
    }
}

TEST(ColumnRenderer, TintAndGlowExtremes)
{
    // m = 0 keeps the sample; m = 255 is the tint exactly.
    EXPECT_EQ(blend_rgb_split(k_tint, 0x00123456u, 0), 0x00123456u);
    EXPECT_EQ(blend_rgb_split(k_tint, 0x00123456u, 255), 0x00FF8000u);
    // Half-width 255.5: m = 255, and at the centre s = r, so k = 256 and the tint comes out unshaded.
    Column c;
    std::fill(c.h.begin(), c.h.end(), 255.5f);
    c.render();
    EXPECT_EQ(c.out.at(256, 200), 0x00FF8000u);
    EXPECT_EQ(c.out.at(1, 200) >> 24, 0u);   // columns 1..510 computed
    EXPECT_EQ(c.out.at(0, 200), c.bg.at(0, 200));
    EXPECT_EQ(c.out.at(511, 200), c.bg.at(511, 200));
    // Glow coverage 255 turns every pixel whose glow sample lies off column 0 and row 0 to white;
    // row 0 of the layer is never read, so the frame's row 0 (slope 0) stays unglowed.
    Column w;
    std::fill(w.glow.words.begin(), w.glow.words.end(), 0xFF000000u);
    std::fill(w.h.begin(), w.h.end(), 40.0f);
    w.render();
    for (int x = 216; x < 296; ++x) {
        ASSERT_EQ(w.out.at(x, 200), 0x00FFFFFFu) << x;
        ASSERT_NE(w.out.at(x, 0), 0x00FFFFFFu) << x;
    }
}

TEST(ColumnRenderer, RefractedRowsReflectAtTheTopAndWrapAtTheBottom)
{
    Column c;
    std::fill(c.h.begin(), c.h.end(), 10.0f);
    // Row 0: slope 9.4f - 10 = -0.60000038, so trunc(0.5 * 10 * slope) = -3 and row 3 is read.
    c.h[1] = 9.4f;
    // Row 383: slope 1.5, so trunc(7.5) = 7: row 390 is row 6.
    c.h[384] = 11.5f;
    c.render();
    EXPECT_EQ(c.out.at(256, 0), shaded(c.bg.at(256, 3), 10, 85));
    EXPECT_EQ(c.out.at(256, 383), shaded(c.bg.at(256, 6), 10, 85));
}
