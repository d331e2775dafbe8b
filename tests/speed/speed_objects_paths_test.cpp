// The row-band paths of the object and polygon scenes against the plain routines, word for word: the
// dot matrix, the glow dot, the column and the faded picture drawn band by band over random cuts of
// the rows equal one plain call (spare words after each row untouched); and the scenes' frames are
// the same on the plain paths and on the fast ones with one thread and with two.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "display/band_worker.h"
#include "display/render_paths.h"
#include "display/surface.h"
#include "draw2d/flat_scenes.h"
#include "draw2d/font.h"
#include "draw2d/pictures.h"
#include "draw2d/primitives.h"
#include "scenes/objects/column_renderer.h"
#include "scenes/objects/dot_fillers.h"
#include "scenes/objects/object_prepare.h"
#include "scenes/objects/object_scenes.h"
#include "scenes/objects/polygon_scenes.h"
#include "shell/timeline.h"
#include "speed/speed_canvas.h"

namespace {

float pick(std::mt19937& rng, float lo, float hi)
{
    return std::uniform_real_distribution<float>(lo, hi)(rng);
}

// The whole plain call against the fast rows drawn band by band: whole, halves, and random cuts
// (some bands empty, one past the surface). Returns true when the plain call changed something.
bool bands_equal(const Canvas& base, const std::function<void(Surface*)>& plain_draw,
                 const std::function<void(Surface*, int, int)>& rows_draw, std::mt19937& rng, const char* what,
                 int index)
{
    Scope scope;
    Canvas plain(base);
    g_plain_paths = 1;
    plain_draw(&plain.s);
    g_plain_paths = 0;
    const int h = base.s.height;
    std::vector<std::vector<int>> splits = {{0, h}, {0, h / 2, h}, {0, 1, h - 1, h + 5}};
    std::vector<int> cuts = {0};
    while (cuts.back() < h) cuts.push_back(std::min(h, cuts.back() + static_cast<int>(rng() % 97)));
    splits.push_back(cuts);
    for (size_t k = 0; k < splits.size(); ++k) {
        Canvas fast(base);
        const std::vector<int>& c = splits[k];
        for (size_t b = 0; b + 1 < c.size(); ++b) rows_draw(&fast.s, c[b], c[b + 1]);
        EXPECT_TRUE(plain.words == fast.words) << what << " case " << index << " split " << k;
    }
    return plain.words != base.words;
}

}  // namespace

TEST(SpeedObjectsPaths, DotMatrixRowsMatchPlain)
{
    std::mt19937 rng(41);
    struct Case {
        int src_w, src_h, dst_w, dst_h, pad;
        float x, y, spacing, hardness;
        int alpha;
    };
    std::vector<Case> cases = {
        {80, 15, 512, 384, 0, 30.0f, 220.0f, 3.5f, 0.0f, 192},   // the display as the scene draws it
        {80, 15, 512, 384, 16, 27.3f, 224.9f, 3.5f, 69.9f, 192},
        {80, 15, 512, 384, 0, -3.2f, -2.0f, 3.5f, 99.0f, 255},   // centres below 1 and off the left
        {80, 15, 300, 100, 3, 0.4f, 0.0f, 3.5f, 20.0f, 192},     // right edge inside a group of four
        {4, 4, 64, 48, 0, 10.0f, 10.0f, 0.0f, 0.0f, 128},        // radius 0 draws nothing
        {3, 3, 512, 384, 0, 200.0f, 200.0f, 40.0f, 30.0f, 200},  // more rows than the row table holds
        {6, 2, 100, 60, 0, k_nan, 10.0f, 3.0f, 0.0f, 255},
        {6, 2, 100, 60, 0, 10.0f, 10.0f, 3.0f, k_nan, 255},
        {6, 2, 100, 60, 0, 10.0f, 10.0f, 3.0f, 100.0f, 255},     // infinite hardness factor
        {6, 2, 100, 60, 0, 1.6e7f, 10.0f, 3.0f, 0.0f, 255},
        {6, 2, 100, 60, 0, 10.0f, 10.0f, 3.0f, 0.0f, 0},
    };
    for (int i = 0; i < 40; ++i)
        cases.push_back({1 + static_cast<int>(rng() % 30), 1 + static_cast<int>(rng() % 12),
                         1 + static_cast<int>(rng() % 300), 1 + static_cast<int>(rng() % 200),
                         static_cast<int>(rng() % 4), pick(rng, -50.0f, 250.0f), pick(rng, -50.0f, 200.0f),
                         pick(rng, 0.3f, 9.0f), pick(rng, 0.0f, 99.0f), static_cast<int>(rng() % 300) - 20});
    for (size_t index = 0; index < cases.size(); ++index) {
        const Case& c = cases[index];
        Canvas src(c.src_w, c.src_h, 0, static_cast<uint32_t>(2000 + index));
        for (uint32_t& p : src.words)
            if (rng() % 4) p &= 0x00FFFFFFu;
        Canvas base(c.dst_w, c.dst_h, c.pad, static_cast<uint32_t>(index));
        bands_equal(
            base, [&](Surface* s) { draw_dot_matrix(s, &src.s, c.x, c.y, c.spacing, c.hardness, c.alpha); },
            [&](Surface* s, int y0, int y1) {
                draw_dot_matrix_rows(s, &src.s, c.x, c.y, c.spacing, c.hardness, c.alpha, y0, y1);
            },
            rng, "dot matrix", static_cast<int>(index));
    }
}

TEST(SpeedObjectsPaths, GlowDotColumnAndFadeRowsMatchPlain)
{
    std::mt19937 rng(43);
    const float dots[][3] = {{300.0f, 192.0f, 96.0f}, {-30.0f, -30.0f, 40.0f}, {511.5f, 383.5f, 3.0f},
                             {k_nan, 100.0f, 30.0f},  {100.0f, 1e9f, 30.0f},   {256.0f, 192.0f, 1000.0f}};
    for (int index = 0; index < 40; ++index) {
        const float* d = index < 6 ? dots[index] : nullptr;
        const float cx = d ? d[0] : pick(rng, -60.0f, 580.0f), cy = d ? d[1] : pick(rng, -60.0f, 450.0f),
                    r = d ? d[2] : pick(rng, 0.0f, 120.0f);
        const uint32_t colour = index % 3 ? 0xFFFFFFFFu : static_cast<uint32_t>(rng());
        Canvas base(512, 384, index % 2 ? 24 : 0, static_cast<uint32_t>(index));
        bands_equal(
            base, [&](Surface* s) { draw_glow_dot_add(s, cx, cy, r, colour); },
            [&](Surface* s, int y0, int y1) { draw_glow_dot_add_rows(s, cx, cy, r, colour, y0, y1); }, rng,
            "glow dot", index);
    }

    Canvas background(512, 384, 0, 5), glow(512, 384, 8, 6);
    std::vector<float> heights(385);
    for (int index = 0; index < 12; ++index) {
        for (size_t i = 0; i < heights.size(); ++i)
            heights[i] = index % 4 == 3 ? static_cast<float>(rng() % 300) : pick(rng, -150.0f, 150.0f);
        if (index % 4 == 2) heights[rng() % 385] = 5000.0f;   // a reference row among the fast ones
        const uint32_t tint = static_cast<uint32_t>(rng());
        Canvas base(512, 384, index % 2 ? 40 : 0, static_cast<uint32_t>(300 + index));
        EXPECT_TRUE(bands_equal(
            base, [&](Surface* s) { render_column(heights.data(), &background.s, &glow.s, s, tint); },
            [&](Surface* s, int y0, int y1) {
                render_column_rows(heights.data(), &background.s, &glow.s, s, tint, y0, y1);
            },
            rng, "column", index));
    }

    // The fade: a clear and the picture at every level, whole-width and inset, against the rows.
    struct Fade {
        int pw, ph, x, y;
    };
    const Fade fades[] = {{512, 384, 0, 0}, {97, 73, 208, 156}, {234, 257, 139, 64}, {1, 1, 511, 383}};
    for (int index = 0; index < 4; ++index) {
        const Fade& f = fades[index];
        Image pic = {f.pw, f.ph, nullptr}, back = {f.pw, f.ph, nullptr};
        Canvas pic_words(f.pw, f.ph, 0, 77u + index), back_words(f.pw, f.ph, 0, 78u + index);
        pic.pixels = pic_words.words.data();
        back.pixels = back_words.words.data();
        for (float level : {0.0f, 1.0f, 128.5f, 254.9f, 255.0f}) {
            FadePicture plain_fade = {&pic, &back, level};
            FadePicture fast_fade = plain_fade;
            const uint32_t e = fade_level_step(0.0f, 0, 255.0f, &fast_fade);
            Canvas base(512, 384, index % 2 ? 12 : 0, static_cast<uint32_t>(400 + index));
            bands_equal(
                base,
                [&](Surface* s) {
                    FadePicture copy = plain_fade;
                    surface_clear(s);
                    fade_blit(s, f.x, f.y, 0.0f, 0, 255.0f, &copy);
                },
                [&](Surface* s, int y0, int y1) { fade_frame_rows(s, f.x, f.y, &fast_fade, e, y0, y1); }, rng,
                "fade", index);
        }
    }
}

namespace {

bool object_data_present()
{
    struct stat st;
    return stat("data/marrowvaleagain512x384x32.raw", &st) == 0 && stat("data/fuzzyballs512x384x32.raw", &st) == 0 &&
           stat("data/marrowvale512x384x32.raw", &st) == 0;
}

// Everything the eight scenes carry from one call to the next.
struct SceneStates {
    StarSceneState star = g_star_scene_state;
    OrbState orbs[4] = {g_polygons_1_orbs, g_polygons_2_orbs, g_polygons_3_orbs, g_polygons_4_orbs};
    RippleState ripples = g_polygons_4_ripples;
    FlickerState flicker = g_static_flicker_state;
    PictureFadeState fade = g_fade_title_state;
    float fade_level = g_fade_title->level;
    uint32_t rand_state = g_rand_state;
    void restore() const
    {
        g_star_scene_state = star;
        g_polygons_1_orbs = orbs[0];
        g_polygons_2_orbs = orbs[1];
        g_polygons_3_orbs = orbs[2];
        g_polygons_4_orbs = orbs[3];
        g_polygons_4_ripples = ripples;
        g_static_flicker_state = flicker;
        g_fade_title_state = fade;
        g_fade_title->level = fade_level;
        g_rand_state = rand_state;
    }
};

}  // namespace

TEST(SpeedObjectsPaths, SceneFramesSameOnEveryPathAndThreadCount)
{
    if (!object_data_present()) GTEST_SKIP() << "no generated data in the working folder";
    Scope scope;
    const int threads = g_threads;
    demo_srand(5);
    ASSERT_EQ(pictures_prepare(), 1);
    ASSERT_EQ(font_load("./data/font209x25.raw", 8, 25), 1);
    ASSERT_EQ(fuzzyballs_prepare(), 1);
    ASSERT_EQ(objects_prepare_1(), 1);
    ASSERT_EQ(objects_prepare_2(), 1);
    const SceneStates states;
    const SceneFn scenes[] = {scene_objects_1,  scene_objects_2,  scene_objects_3,  scene_objects_4,
                              scene_polygons_1, scene_polygons_2, scene_polygons_3, scene_polygons_4};
    // Steady frames, long ones, and a second entry that starts later (a new ripple, a fade reset).
    auto frames = [&](int plain, int n_threads) {
        g_plain_paths = plain;
        g_threads = n_threads;
        states.restore();
        const int pitch_words = 512 + 9;
        std::vector<uint32_t> words(static_cast<size_t>(pitch_words) * 384, 0xDEADBEEFu);
        Surface s = {words.data(), 512, 384, pitch_words * 4, 32};
        std::vector<std::vector<uint32_t>> out;
        for (SceneFn scene : scenes)
            for (int entry = 0; entry < 2; ++entry)
                for (int i = 0; i < 12; ++i) {
                    const float start = 2000.0f + 700.0f * entry;
                    scene(&s, start + 1.3f * i + (i % 5 == 4 ? 40.0f : 0.0f), start);
                    out.push_back(words);
                }
        return out;
    };
    const auto plain = frames(1, 1);
    EXPECT_TRUE(plain == frames(0, 1));
    EXPECT_TRUE(plain == frames(0, 2));
    g_threads = threads;
    states.restore();
    fuzzyballs_release();
}
