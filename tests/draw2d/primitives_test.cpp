// The 2D primitives: exact vectors from known random draws, limits, and rows kept within the pitch.
#include "base/random.h"
#include "common/test_util.h"
#include "draw2d/pictures.h"
#include "draw2d/primitives.h"

namespace {

// Seed 0 draws 0xABA2BF70, 0xB7479A15, 0x0A645E55, 0x275CF9F0 first.
constexpr uint32_t k_seed0[] = {0xABA2BF70u, 0xB7479A15u, 0x0A645E55u, 0x275CF9F0u};

TEST(Noise, RunsGreysAndRowEnds)
{
    PaddedSurface g(37, 6, 0x00C0FFEEu, 603);
    demo_srand(0);
    noise_rows(&g.s, 1, 5, 0);
    // Length, then grey, per run: 5 pixels, then 10.
    for (int x = 0; x < 15; ++x) ASSERT_EQ(g.at(x, 1), k_seed0[x < 5 ? 1 : 3] % 255 * 0x01010101u) << x;
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 37; ++x) {
            const uint32_t p = g.at(x, y);
            ASSERT_TRUE(y % 5 == 0 ? p == 0x00C0FFEEu : p == (p & 0xFF) * 0x01010101u && (p & 0xFF) <= 254);
        }
    noise_rows(&g.s, 0, 6, 300);   // a bias past every grey leaves black
    EXPECT_TRUE(g.at(36, 5) == 0 && g.at(0, 0) == 0);
    EXPECT_TRUE(g.pad_intact());   // runs near the right edge are cut
}

TEST(FadeBlit, Levels)
{
    Image* pic = image_create(3, 2);
    Image* back = image_create(8, 8);
    std::fill_n(pic->pixels, 6, 0xFF808080u);
    back->pixels[0] = 0x00102030u;
    FadePicture* fade = fade_picture_create(pic, back);
    const struct {
        float before;
        int reset;
        float step, level;
        uint32_t pixel;   // picture pixel (0, 0) over backdrop pixel (0, 0)
    } cases[] = {
        {0.0f, 1, 0.0f, 255.0f, 0x00808080u},                   // reset: the picture unchanged
        {230.0f, 0, -50.0f, 255.0f, 0x00808080u},               // raised, capped at 255
        {5.0f, 0, 10.0f, 0.0f, 0x00102030u},                    // never below 0: the backdrop
        {255.0f, 0, 7.5f, 247.5f, 0x007C7C7Cu + 0x00000101u},   // 128 * 248 / 256 + backdrop * 9 / 256
    };
    for (const auto& c : cases) {
        PaddedSurface g(16, 8, 0x77777777u, 624);
        fade->level = c.before;
        fade_blit(&g.s, 5, 4, c.step, c.reset, 255.0f, fade);
        EXPECT_EQ(fade->level, c.level);
        EXPECT_EQ(g.at(5, 4), c.pixel) << c.level;
        EXPECT_EQ(g.at(7, 5), ((0x80u * (static_cast<uint32_t>(c.level) + 1)) >> 8) * 0x010101u);
        const int outside[][2] = {{4, 4}, {8, 4}, {5, 6}};
        for (const auto& o : outside) EXPECT_EQ(g.at(o[0], o[1]), 0x77777777u);
        EXPECT_TRUE(g.pad_intact());
    }
    std::free(fade);
    image_free(pic);
    image_free(back);
}

TEST(Stretch, TwoValuedAndFlatMaps)
{
    std::vector<uint8_t> cells(16 * 4, 0xEE);   // 9 x 4 cells in rows of pitch 16
    ByteMap m = {cells.data(), 9, 4, 16, 0};
    for (int i = 0; i < 36; ++i) cells[i / 9 * 16 + i % 9] = i % 2 ? 255 : 0;
    demo_srand(5);
    bytemap_stretch(&m);
    for (int i = 0; i < 64; ++i) {
        const int v = cells[i];
        ASSERT_TRUE(i % 16 >= 9 ? v == 0xEE : ((i / 16 * 9 + i % 16) % 2 ? v >= 254 : v <= 1)) << i;
    }
    ByteMap flat = {cells.data(), 2, 2, 16, 0};
    cells[0] = cells[1] = cells[16] = cells[17] = 42;
    demo_srand(0);
    bytemap_stretch(&flat);   // a flat map becomes the draws' low bytes, row by row
    EXPECT_EQ(std::vector<uint8_t>({cells[0], cells[1], cells[16], cells[17]}), std::vector<uint8_t>({0x70, 0x15, 0x55, 0xF0}));
}

TEST(Gradient, RampsAndStoppingRules)
{
    const int rnd = static_cast<int>(k_seed0[0] & 0x3FF);   // the rounding offset drawn after seed 0
    GradientEntry out[260];
    const GradientKey grey[] = {{0, 0, 0, 0}, {256, 255, 255, 255}, {-1, 0, 0, 0}};
    demo_srand(0);
    gradient_build(out, 256, grey);
    for (int t = 0; t < 256; ++t) ASSERT_EQ(out[t].green, (255 * t + ((rnd * 256) >> 10)) / 256) << t;

    // No terminator: exactly three keys on the heap, so reading past them is caught.
    GradientKey* keys = new GradientKey[3]{{0, 0, 0, 0}, {192, 100, 50, 300}, {256, 300, 255, 600}};
    demo_srand(0);
    gradient_build(out, 256, keys);
    EXPECT_EQ(out[192].blue, 300);
    EXPECT_EQ(out[255].blue, (600 * 63 + 300 + ((rnd * 64) >> 10)) / 64);
    delete[] keys;

    // Before the first key its colour; after a terminator with entries left, the last key's.
    const GradientKey late[] = {{3, 10, 20, 30}, {5, 50, 60, 70}, {-1, 0, 0, 0}};
    std::fill_n(out, 9, GradientEntry{-7, -7, -7});
    gradient_build(out, 8, late);
    for (int i : {0, 2, 3}) EXPECT_EQ(out[i].red, 10) << i;
    for (int i : {5, 7}) EXPECT_EQ(out[i].blue, 70) << i;
    EXPECT_EQ(out[8].red, -7);
    const GradientKey negative[] = {{-1, 1, 2, 3}};
    gradient_build(out, 8, negative);
    EXPECT_EQ(out[0].red, 10);   // nothing written

    // The palette clamps each channel and writes through both pitches.
    const GradientKey wide[] = {{0, -50, 300, 128}, {256, -50, 300, 128}, {-1, 0, 0, 0}};
    std::vector<uint8_t> bytes = {0, 7, 255, 0xEE, 1, 2, 3, 0xEE};
    const ByteMap src = {bytes.data(), 3, 2, 4, 0};
    PaddedSurface g(3, 2, 0, 10);
    palette_map(&g.s, &src, wide);
    EXPECT_EQ(g.at(0, 0), 0x0000FF80u);
    EXPECT_EQ(g.at(2, 1), 0x0000FF80u);
    EXPECT_TRUE(g.pad_intact());
}

TEST(Shifted, WrapAroundCopiesAndDifference)
{
    const struct {
        int dx, dy;
        uint8_t row0[4], row1[4];   // from the source rows [1 2 30 4] and [5 6 7 8]
    } cases[] = {
        {-1, 0, {2, 30, 4, 1}, {6, 7, 8, 5}}, {1, 0, {4, 1, 2, 30}, {8, 5, 6, 7}},
        {5, 0, {4, 1, 2, 30}, {8, 5, 6, 7}},  {-7, 1, {8, 5, 6, 7}, {4, 1, 2, 30}},   // -7 wraps to 1
        {0, 0, {1, 2, 30, 4}, {5, 6, 7, 8}},
    };
    uint8_t src_bytes[] = {1, 2, 30, 4, 0xEE, 5, 6, 7, 8, 0xEE};
    const ByteMap src = {src_bytes, 4, 2, 5, 0};
    PaddedSurface src_s(4, 2, 0, 3);
    for (int i = 0; i < 8; ++i) surface_row(&src_s.s, i / 4)[i % 4] = src_bytes[i + i / 4] * 0x01000001u;
    for (const auto& c : cases) {
        std::vector<uint8_t> bytes(10, 0xEE);
        ByteMap dst = {bytes.data(), 4, 2, 5, 0};
        PaddedSurface dst_s(4, 2, 0xEEEEEEEEu, 3);
        bytemap_copy_shifted(&dst, &src, c.dx, c.dy);
        surface_copy_shifted(&dst_s.s, &src_s.s, c.dx, c.dy);
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(bytes[x], c.row0[x]) << c.dx << "," << c.dy;
            EXPECT_EQ(bytes[5 + x], c.row1[x]);
            EXPECT_EQ(dst_s.at(x, 1), c.row1[x] * 0x01000001u);
        }
        std::fill_n(bytes.begin(), 4, 10);
        bytemap_absdiff_shifted(&dst, &src, c.dx, c.dy);
        for (int x = 0; x < 4; ++x) EXPECT_EQ(bytes[x], c.row0[x] > 10 ? c.row0[x] - 10 : 10 - c.row0[x]);
        EXPECT_TRUE(bytes[4] == 0xEE && bytes[9] == 0xEE);
        EXPECT_TRUE(dst_s.pad_intact());
    }
    PaddedSurface g(5, 3, 0xF3F3F3F3u, 5);
    surface_and(&g.s, 0xFF00FFFFu);
    EXPECT_TRUE(g.at(0, 0) == 0xF300F3F3u && g.at(4, 2) == 0xF300F3F3u);
    EXPECT_TRUE(g.pad_intact());
}

}  // namespace
