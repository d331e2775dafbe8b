// Font and text; raw picture loaders and the two preparations, with missing and short files.
#include <algorithm>

#include "common/test_util.h"
#include "draw2d/font.h"
#include "draw2d/pictures.h"

namespace {

int stderr_lines(const std::string& s) { return static_cast<int>(std::count(s.begin(), s.end(), '\n')); }

TEST(Font, WidthsCaseAndGreyRamp)
{
    TempDir dir("q_draw2d");
    ASSERT_EQ(font_load(dir.write("f.raw", ramp_bytes(209 * 25, 7)).c_str(), 8, 25), 1);
    const std::pair<const char*, int> widths[] = {{"", 0}, {"A", 8}, {"a b", 24}, {"\xC4", 8}, {"7", 8},
                                                  {"ABCDEFGHIJKLMNOPQRSTUVWXYZ", 209}, {"abcdefghijklmnopqrstuvwxyz", 209}};
    for (const auto& w : widths) EXPECT_EQ(text_width(w.first), w.second) << w.first;

    PaddedSurface upper(60, 26, 0, 64), lower(60, 26, 0, 64);
    draw_text(&upper.s, "MAZ 9", 3, 1, 0x00FFFFFFu);
    draw_text(&lower.s, "maz 9", 3, 1, 0x00FFFFFFu);
    EXPECT_EQ(upper.words, lower.words);
    // A follows M's 14 columns; its row 1, column 5 is file byte 209 + 5.
    EXPECT_EQ(upper.at(3 + 14 + 5, 2), static_cast<uint32_t>((209 + 5) * 7 + 1) % 256 * 0x010101u);
    EXPECT_TRUE(upper.pad_intact());

    // White over black gives the coverage as grey; coverage 0 keeps the pixel but clears its top byte.
    uint8_t cov[256];
    for (int a = 0; a < 256; ++a) cov[a] = static_cast<uint8_t>(a);
    const Glyph ramp = {256, 0, cov};
    PaddedSurface g(258, 2, 0, 382);
    glyph_blend(&g.s, 1, 1, &ramp, 1, 0xFFFFFFFFu);
    for (int a = 0; a < 256; ++a) ASSERT_EQ(g.at(1 + a, 1), static_cast<uint32_t>(a) * 0x010101u) << a;
    EXPECT_TRUE(g.at(257, 1) == 0 && g.at(0, 1) == 0);
    EXPECT_TRUE(g.pad_intact());
    PaddedSurface h(256, 1, 0xC8C8C8C8u, 16);
    glyph_blend(&h.s, 0, 0, &ramp, 1, 0x00123456u);
    EXPECT_EQ(h.at(0, 0), 0x00C8C8C8u);
    EXPECT_EQ(h.at(255, 0), 0x00123456u);
}

TEST(Font, MissingAndShortFiles)
{
    TempDir dir("q_draw2d");
    const Font* before = g_font;
    testing::internal::CaptureStderr();
    EXPECT_EQ(font_load((dir.path + "/none.raw").c_str(), 8, 25), 0);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("/none.raw"), std::string::npos);
    EXPECT_EQ(stderr_lines(err), 1);
    EXPECT_EQ(g_font, before);

    // A short file is refused with its size and the size needed; the font stays as it was.
    testing::internal::CaptureStderr();
    const std::string short_file = dir.write("short.raw", std::string(220, '\xFF'));
    EXPECT_EQ(font_load(short_file.c_str(), 8, 25), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "quorvelle: " + short_file + " is too short: 220 bytes, 5225 expected\n");
    EXPECT_EQ(g_font, before);
}

TEST(Pictures, Loaders)
{
    TempDir dir("q_draw2d");
    const struct {
        bool grey;
        std::vector<uint8_t> bytes;
        int width, height;
        std::vector<uint32_t> pixels;
    } cases[] = {
        {true, {0x00, 0x80}, 2, 1, {0x00000000u, 0x80808080u}},
        {false, {0x11, 0x22, 0x33, 0x44}, 1, 1, {0x44332211u}},
        {true, {0x7F, 0x01, 0x02, 0x09}, 3, 1, {0x7F7F7F7Fu, 0x01010101u, 0x02020202u}},   // extra bytes ignored
    };
    for (const auto& c : cases) {
        const std::string file = dir.write("pic.raw", std::string(c.bytes.begin(), c.bytes.end()));
        Image* img = (c.grey ? picture_load_grey : picture_load_rgb)(file.c_str(), c.width, c.height);
        ASSERT_NE(img, nullptr);
        EXPECT_EQ(std::vector<uint32_t>(img->pixels, img->pixels + c.width * c.height), c.pixels);
        image_free(img);
    }
    // Missing, short (even by part of a pixel) or empty: one line each, and no picture.
    const std::string short_file = dir.write("short.raw", {1, 2, 3, 4, 5});
    testing::internal::CaptureStderr();
    EXPECT_EQ(picture_load_grey((dir.path + "/no.raw").c_str(), 4, 4), nullptr);
    EXPECT_EQ(picture_load_rgb((dir.path + "/no.raw").c_str(), 4, 4), nullptr);
    EXPECT_EQ(picture_load_rgb(short_file.c_str(), 2, 1), nullptr);
    EXPECT_EQ(picture_load_grey(dir.write("empty.raw", "").c_str(), 2, 1), nullptr);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(stderr_lines(err), 4);
    EXPECT_NE(err.find(short_file + " is too short: 5 bytes, 8 expected\n"), std::string::npos) << err;
}

TEST(Pictures, PreparationsWithMissingAndShortFiles)
{
    TempDir dir("q_draw2d");
    DirScope inside(dir.path);
    dir.write("data/plumhelm234x257.raw", ramp_bytes(234 * 257, 3));
    testing::internal::CaptureStderr();
    EXPECT_EQ(pictures_prepare(), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "quorvelle: cannot open ./data/gloomfield97x73.raw: No such file or directory\n");
    ASSERT_NE(g_fade_plumhelm, nullptr);
    EXPECT_EQ(g_fade_plumhelm->picture->pixels[1], 0x03030303u);

    dir.write("data/gloomfield97x73.raw", ramp_bytes(97 * 73, 1));
    dir.write("data/marrowvale512x384x32.raw", ramp_bytes(512 * 384 * 4, 1));
    ASSERT_EQ(pictures_prepare(), 1);
    EXPECT_EQ(g_name_count, 5);
    EXPECT_EQ(g_name_index, 0);
    EXPECT_STREQ(g_names[3], "w i b b l e   q");
    EXPECT_STREQ(g_names[4], "m a r r o w v a l e");
    for (FadePicture* f : {g_fade_plumhelm, g_fade_gloomfield, g_fade_title}) {
        EXPECT_EQ(f->level, 0.0f);
        EXPECT_EQ(f->backdrop, g_fade_backdrop);
    }
    EXPECT_EQ(g_fade_title->picture->pixels[1], 0x07060504u);

    testing::internal::CaptureStderr();
    EXPECT_EQ(fuzzyballs_prepare(), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "quorvelle: cannot open ./data/fuzzyballs512x384x32.raw: No such file or directory\n");
    dir.write("data/fuzzyballs512x384x32.raw", ramp_bytes(512 * 384 * 4 - 1, 9));
    testing::internal::CaptureStderr();
    EXPECT_EQ(fuzzyballs_prepare(), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "quorvelle: ./data/fuzzyballs512x384x32.raw is too short: 786431 bytes, 786432 expected\n");
    dir.write("data/fuzzyballs512x384x32.raw", ramp_bytes(512 * 384 * 4, 9));
    ASSERT_EQ(fuzzyballs_prepare(), 1);
    EXPECT_EQ(g_fuzzy_tint, 0xFFFF8000u);
    EXPECT_EQ(g_fuzzyballs->pixels[0], 0x1B120900u);
    EXPECT_EQ(std::count(g_fuzzy_table, g_fuzzy_table + 385, 0.0f), 385);
    ASSERT_NE(g_work_surface_c, nullptr);
    fuzzyballs_release();
    EXPECT_EQ(g_fuzzy_table, nullptr);
}

}  // namespace
