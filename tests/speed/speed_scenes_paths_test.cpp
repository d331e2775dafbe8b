// The fast paths of the wave floor, the column renderer, the glow dot, the dot matrix, the noise
// dissolve, the static and the picture fade against their plain twins, word for word, on random and edge-case input:
// odd sizes and pitches (the spare words after each row must stay untouched), positions off the
// surface, on its edges, huge and NaN, every pitch of the wave-floor camera; and the random state
// that the static and the dissolve leave behind.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "display/render_paths.h"
#include "display/surface.h"
#include "draw2d/pictures.h"
#include "draw2d/primitives.h"
#include "scenes/objects/column_renderer.h"
#include "scenes/objects/dot_fillers.h"
#include "scenes/plane/noise_dissolve.h"
#include "scenes/wavefloor/wave_floor.h"
#include "shell/random.h"
#include "speed/speed_canvas.h"

namespace {

// Runs `draw` on the plain and on the fast path from the same canvas and random state; the words
// (spare ones included) and the random state left behind must be equal. True when the plain
// twin changed something.
template <typename Draw>
bool twins_equal(const Canvas& base, Draw draw, const char* what, int index)
{
    Scope scope;
    const uint32_t seed = g_rand_state;
    Canvas plain(base), fast(base);
    g_plain_paths = 1;
    draw(&plain.s);
    const uint32_t plain_state = g_rand_state;
    g_rand_state = seed;
    g_plain_paths = 0;
    draw(&fast.s);
    EXPECT_EQ(plain_state, g_rand_state) << what << " case " << index;
    size_t first = plain.words.size();
    for (size_t i = 0; i < plain.words.size() && first == plain.words.size(); ++i)
        if (plain.words[i] != fast.words[i]) first = i;
    EXPECT_EQ(first, plain.words.size()) << what << " case " << index << ": first differing word " << first;
    return plain.words != base.words;
}

float pick(std::mt19937& rng, float lo, float hi)
{
    return std::uniform_real_distribution<float>(lo, hi)(rng);
}

TEST(SpeedScenesPaths, WaveFloorCastMatchesPlainForEveryPitchAndProfile)
{
    Scope scope;
    demo_srand(7);
    ASSERT_EQ(wave_floor_prepare(), 1);
    std::mt19937 rng(11);
    // The demo's profile, and odd ones: short, one entry, negative and above the eye.
    std::vector<std::vector<int32_t>> profiles = {{g_wave_profile, g_wave_profile + wave_profile_length}};
    profiles.push_back({40});
    profiles.push_back({});
    for (int n : {7, 256, 1000}) {
        std::vector<int32_t> p(static_cast<size_t>(n));
        for (int32_t& v : p) v = static_cast<int32_t>(rng() % 400) - 100;
        profiles.push_back(p);
    }
    profiles.push_back(std::vector<int32_t>(384, 300));   // above the camera: every row hits at once
    std::vector<double> pitches = {0.0, 11.7809715, 5.497787, 3.14159265, 1.5707963, -2.0, 1e6, std::nan("")};
    for (int i = 0; i < 10; ++i) pitches.push_back(pick(rng, -1.0f, 13.0f));
    const double positions[] = {-256.0, 0.0, 1e4, -7777.5, 3e9, -3e9, std::nan("")};
    static WaveFloor plain, fast;
    int index = 0;
    for (const auto& profile : profiles) {
        const int32_t n = static_cast<int32_t>(profile.size());
        for (double pitch : pitches) {
            for (double position : positions) {
                g_plain_paths = 1;
                wave_floor_cast(&plain, profile.data(), n, pitch, position);
                g_plain_paths = 0;
                wave_floor_cast(&fast, profile.data(), n, pitch, position);
                ASSERT_EQ(std::memcmp(plain.rows, fast.rows, sizeof plain.rows), 0)
                    << "n " << n << " pitch " << pitch << " position " << position << " case " << index;
                ++index;
            }
        }
    }
}

TEST(SpeedScenesPaths, WaveFloorDrawMatchesPlainOnAnyRows)
{
    Scope scope;
    demo_srand(9);
    ASSERT_EQ(wave_floor_prepare(), 1);
    std::mt19937 rng(13);
    Image odd_texture = {100, 50, nullptr};
    std::vector<uint32_t> odd_texels(100 * 50);
    for (uint32_t& t : odd_texels) t = rng();
    odd_texture.pixels = odd_texels.data();
    Image* demo_texture = g_wave_floor->texture;
    const int32_t extremes[] = {INT32_MIN, INT32_MAX, 0, -1, 255, 256, -256};
    static WaveFloor floor;
    struct Target {
        int w, h, pad;
    };
    const Target targets[] = {{512, 384, 128}, {512, 384, 0}, {300, 200, 5}, {600, 400, 0}};
    for (int index = 0; index < 24; ++index) {
        for (FloorRow& row : floor.rows) {
            const bool wild = rng() % 4 == 0;
            row.u_left = wild ? extremes[rng() % 7] : static_cast<int32_t>(rng() % 4000) - 2000;
            row.u_right = wild ? extremes[rng() % 7] : static_cast<int32_t>(rng() % 4000) - 2000;
            row.v = wild ? extremes[rng() % 7] : static_cast<int32_t>(rng() % 2000) - 1000;
            row.hit = rng() % 3 != 0;
            row.shade = static_cast<int32_t>(rng() % 257);
        }
        if (index % 6 == 5) floor.rows[rng() % k_floor_rows].shade = 300;   // out of range: the plain path
        floor.texture = index % 4 == 3 ? &odd_texture : demo_texture;
        const Target& t = targets[index % 4];
        Canvas base(t.w, t.h, t.pad, static_cast<uint32_t>(index));
        EXPECT_TRUE(twins_equal(base, [&](Surface* s) { wave_floor_draw(&floor, s); }, "wave_floor_draw", index));
    }
}

TEST(SpeedScenesPaths, ColumnMatchesPlainForAnyHeights)
{
    std::mt19937 rng(17);
    Canvas background(512, 384, 0, 1), glow(512, 384, 16, 2), glow_everywhere(glow);
    // Sparse coverage as the glow dots leave it, with full and partial values; and coverage in
    // every pixel, so that the glow layer's edges are read wherever the samples reach.
    for (int y = 0; y < 384; ++y)
        for (int x = 0; x < 512; ++x) {
            uint32_t& p = surface_row(&glow.s, y)[x];
            p = (x - 300) * (x - 300) + (y - 192) * (y - 192) < 9000 ? p : p & 0x00FFFFFFu;
        }
    std::vector<float> heights(385);
    for (int index = 0; index < 30; ++index) {
        for (size_t i = 0; i < heights.size(); ++i) {
            switch (index % 6) {
            case 0: heights[i] = pick(rng, -200.0f, 200.0f); break;                        // any sign
            case 1: heights[i] = 64.0f + 60.0f * std::sin(0.05f * static_cast<float>(i)); break;
            case 2: heights[i] = 0.0f; break;                                              // a plain copy
            case 3: heights[i] = 10.0f; break;                                             // slope 0
            case 4: heights[i] = pick(rng, 250.0f, 300.0f); break;                         // the frame's edge
            default: heights[i] = static_cast<float>(rng() % 257) + 0.5f * static_cast<float>(rng() % 2); break;
            }
        }
        // Half-widths past the frame and past what the fast rows take (the reference rows draw
        // them); heights that are not numbers are outside what the renderer defines.
        if (index % 5 == 4) {
            heights[rng() % 385] = 5000.0f;
            heights[rng() % 385] = -4096.5f;
            heights[rng() % 385] = 1000.0f;
        }
        const uint32_t tint = index % 2 ? 0xFFFF8000u : rng();
        Canvas base(512, 384, index % 3 ? 64 : 0, static_cast<uint32_t>(100 + index));
        const Surface* cover = index % 3 == 2 ? &glow_everywhere.s : &glow.s;
        EXPECT_TRUE(twins_equal(base, [&](Surface* s) { render_column(heights.data(), &background.s, cover, s, tint); },
                                "render_column", index));
    }
}

TEST(SpeedScenesPaths, GlowDotMatchesPlainEverywhere)
{
    std::mt19937 rng(19);
    struct Dot {
        float cx, cy, r;
        uint32_t colour;
    };
    std::vector<Dot> dots = {
        {300.0f, 192.0f, 96.0f, 0xFFFFFFFFu}, {600.0f, 200.0f, 100.0f, 0xFFFFFFFFu}, {-30.0f, -30.0f, 40.0f, 0x80FF8040u},
        {511.5f, 383.5f, 3.0f, 0xFF123456u},  {10.0f, 20.0f, 0.0f, 0xFFFFFFFFu},     {10.0f, 20.0f, 0.4f, 0xFFFFFFFFu},
        {256.0f, 192.0f, 1000.0f, 0x7Fu << 24}, {256.0f, 192.0f, 50.0f, 0x00FFFFFFu}, {k_nan, 100.0f, 30.0f, 0xFFFFFFFFu},
        {100.0f, k_nan, 30.0f, 0xFFFFFFFFu},  {100.0f, 100.0f, k_nan, 0xFFFFFFFFu},   {3e9f, 100.0f, 30.0f, 0xFFFFFFFFu},
        {1e8f, 100.0f, 2e8f, 0xFFFFFFFFu},    {100.0f, 100.0f, 5000.0f, 0xFFFFFFFFu},
    };
    for (int i = 0; i < 120; ++i)
        dots.push_back({pick(rng, -60.0f, 580.0f), pick(rng, -60.0f, 450.0f), pick(rng, 0.0f, 120.0f),
                        i % 3 ? 0xFFFFFFFFu : static_cast<uint32_t>(rng())});
    for (size_t index = 0; index < dots.size(); ++index) {
        const Dot& d = dots[index];
        Canvas base(512, 384, index % 2 ? 32 : 0, static_cast<uint32_t>(index));
        if (index % 3 == 0) std::memset(base.words.data(), 0, base.words.size() * 4);   // black and clear top bytes
        twins_equal(base, [&](Surface* s) { draw_glow_dot_add(s, d.cx, d.cy, d.r, d.colour); }, "glow dot",
                    static_cast<int>(index));
    }
}

TEST(SpeedScenesPaths, DotMatrixMatchesPlain)
{
    std::mt19937 rng(23);
    struct Case {
        int src_w, src_h, dst_w, dst_h, pad;
        float x, y, spacing, hardness;
        int alpha;
    };
    std::vector<Case> cases = {
        {80, 15, 512, 384, 128, 30.0f, 220.0f, 3.5f, 0.0f, 192},     // the display as the scene draws it
        {80, 15, 512, 384, 0, 33.7f, 217.1f, 3.5f, 70.0f, 192},
        {80, 15, 512, 384, 0, -20.0f, -10.0f, 3.5f, 99.0f, 255},
        {1, 1, 7, 5, 1, 3.0f, 2.0f, 2.0f, 50.0f, 300},
        {5, 3, 37, 23, 3, 0.0f, 0.0f, 4.0f, 10.0f, -5},
        {4, 4, 64, 48, 0, 10.0f, 10.0f, 0.0f, 0.0f, 128},            // radius 0 draws nothing
        {3, 3, 512, 384, 0, 200.0f, 200.0f, 40.0f, 30.0f, 200},      // more rows than the row table holds
        {6, 2, 100, 60, 0, k_nan, 10.0f, 3.0f, 0.0f, 255},
        {6, 2, 100, 60, 0, 10.0f, 1e9f, 3.0f, 0.0f, 255},
    };
    for (int i = 0; i < 30; ++i)
        cases.push_back({1 + static_cast<int>(rng() % 30), 1 + static_cast<int>(rng() % 12), 1 + static_cast<int>(rng() % 300),
                         1 + static_cast<int>(rng() % 200), static_cast<int>(rng() % 4), pick(rng, -50.0f, 250.0f),
                         pick(rng, -50.0f, 200.0f), pick(rng, 0.3f, 9.0f), pick(rng, 0.0f, 99.0f),
                         static_cast<int>(rng() % 300) - 20});
    for (size_t index = 0; index < cases.size(); ++index) {
        const Case& c = cases[index];
        Canvas src(c.src_w, c.src_h, 0, static_cast<uint32_t>(1000 + index));
        // Mostly clear top bytes, as the display's layers have them; some set.
        for (uint32_t& p : src.words)
            if (rng() % 4) p &= 0x00FFFFFFu;
        Canvas base(c.dst_w, c.dst_h, c.pad, static_cast<uint32_t>(index));
        twins_equal(base, [&](Surface* s) { draw_dot_matrix(s, &src.s, c.x, c.y, c.spacing, c.hardness, c.alpha); },
                    "dot matrix", static_cast<int>(index));
    }
}

TEST(SpeedScenesPaths, NoiseDissolveMatchesPlainAtEveryLevel)
{
    Scope scope;
    std::mt19937 rng(29);
    for (const int size : {256, 3, 17}) {
        std::vector<uint32_t> texels(static_cast<size_t>(size) * size);
        for (uint32_t& t : texels) t = rng();
        Image source = {size, size, texels.data()};
        NoiseDissolve* plain = dissolve_create(&source);
        NoiseDissolve* fast = dissolve_create(&source);
        ASSERT_TRUE(plain && fast);
        // Deltas that reset, hold, raise through every band and overshoot, and one that is NaN.
        const float deltas[] = {0.0f, -1.0f, -0.5f, -100.0f, -153.9f, -1.0f, -0.2f, 5.0f, k_nan, -300.0f, 40.0f};
        demo_srand(static_cast<uint32_t>(size));
        for (size_t i = 0; i < sizeof deltas / sizeof deltas[0]; ++i) {
            const int reset = i == 0 || i == 8;
            const uint32_t seed = g_rand_state;
            g_plain_paths = 1;
            dissolve_advance(plain, deltas[i], reset);
            const uint32_t after = g_rand_state;
            g_rand_state = seed;
            g_plain_paths = 0;
            dissolve_advance(fast, deltas[i], reset);
            EXPECT_EQ(after, g_rand_state) << "size " << size << " step " << i;
            EXPECT_EQ(std::memcmp(&plain->level, &fast->level, sizeof(float)), 0) << "size " << size << " step " << i;
            EXPECT_EQ(std::memcmp(plain->work->pixels, fast->work->pixels, texels.size() * 4), 0)
                << "size " << size << " step " << i << " level " << plain->level;
        }
        dissolve_free(plain);
        dissolve_free(fast);
    }
}

TEST(SpeedScenesPaths, StaticMatchesPlainForAnyWidthAndBias)
{
    Scope scope;
    struct Case {
        int w, h, pad;
        uint32_t first, end;
        int32_t bias;
    };
    const Case cases[] = {
        {512, 384, 128, 0, 384, 0}, {512, 384, 0, 0, 384, 100}, {512, 384, 0, 10, 20, 254}, {512, 384, 0, 5, 5, 0},
        {1, 9, 1, 0, 9, 0},         {11, 4, 0, 0, 4, -5},       {12, 4, 0, 1, 3, 300},      {13, 6, 2, 0, 6, 0},
        {37, 23, 3, 2, 21, 7},      {200, 5, 7, 0, 5, INT32_MIN},
    };
    int index = 0;
    for (const Case& c : cases) {
        demo_srand(static_cast<uint32_t>(0x1234 + index));
        Canvas base(c.w, c.h, c.pad, static_cast<uint32_t>(index));
        twins_equal(base, [&](Surface* s) { noise_rows(s, c.first, c.end, c.bias); }, "noise_rows", index);
        ++index;
    }
}

TEST(SpeedScenesPaths, PictureFadeMatchesPlainAtEveryLevel)
{
    Scope scope;
    std::mt19937 rng(31);
    struct Case {
        int w, h, x, y;
    };
    const Case cases[] = {{512, 384, 0, 0}, {234, 257, 139, 64}, {97, 73, 208, 156}, {1, 1, 5, 5}, {3, 2, 0, 0}, {7, 5, 500, 370}};
    int index = 0;
    for (const Case& c : cases) {
        std::vector<uint32_t> picture(static_cast<size_t>(c.w) * c.h), backdrop(picture.size());
        for (uint32_t& p : picture) p = rng();
        for (uint32_t& b : backdrop) b = index % 2 ? rng() : 0u;
        Image pic = {c.w, c.h, picture.data()}, back = {c.w, c.h, backdrop.data()};
        // Steps that reset to full, hold, fade through the middle, overshoot both ends.
        const float steps[] = {0.0f, 1.0f, 127.5f, 0.75f, 300.0f, -40.0f, -1000.0f};
        for (float step : steps) {
            for (const int reset : {0, 1}) {
                FadePicture plain_fade = {&pic, &back, 200.0f}, fast_fade = plain_fade;
                Canvas base(512, 384, 64, static_cast<uint32_t>(index));
                Canvas plain(base), fast(base);
                g_plain_paths = 1;
                fade_blit(&plain.s, c.x, c.y, step, reset, 255.0f, &plain_fade);
                g_plain_paths = 0;
                fade_blit(&fast.s, c.x, c.y, step, reset, 255.0f, &fast_fade);
                EXPECT_EQ(plain.words, fast.words) << "case " << index << " step " << step << " reset " << reset;
                EXPECT_EQ(plain_fade.level, fast_fade.level);
            }
        }
        ++index;
    }
}

}  // namespace
