// The fast paths of the plane and wave-floor scenes against their plain twins, word for word: the
// texture grid's four-pixel drawing (cells and textures of every power-of-two size, corners on
// both sides of the limits where it changes its arithmetic), the banded star plot, the banded
// wave-floor cast and draw, and whole runs of the five scenes on one and on two threads, with
// the random state each leaves behind.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "display/band_worker.h"
#include "display/render_paths.h"
#include "display/surface.h"
#include "geom3d/matrix.h"
#include "procedural/texture_grid.h"
#include "scenes/plane/plane_resources.h"
#include "scenes/plane/plane_scenes.h"
#include "scenes/plane/star_field.h"
#include "scenes/wavefloor/wave_floor.h"
#include "scenes/wavefloor/wave_floor_scene.h"
#include "shell/random.h"
#include "speed/speed_canvas.h"

namespace {

// The first differing word of two canvases, or their size when they agree.
size_t first_difference(const Canvas& a, const Canvas& b)
{
    for (size_t i = 0; i < a.words.size(); ++i)
        if (a.words[i] != b.words[i]) return i;
    return a.words.size();
}

// Draws on the plain path, on the fast one, and in uneven bands (empty ones and one past the bottom
// included) on one and on two threads; all must agree word for word, spare words included.
template <typename Draw, typename DrawRows>
void expect_same(const Canvas& base, uint32_t seed, Draw draw, DrawRows rows, const char* what, int index)
{
    Scope scope;
    const int threads = g_threads;
    Canvas plain(base), fast(base);
    g_plain_paths = 1;
    draw(&plain.s);
    g_plain_paths = 0;
    draw(&fast.s);
    EXPECT_EQ(first_difference(plain, fast), plain.words.size()) << what << " case " << index << " (fast)";
    std::mt19937 rng(seed);
    Canvas uneven(base);
    for (int y = 0; y < base.s.height;) {
        const int next = y + static_cast<int>(rng() % 23);
        rows(&uneven.s, y, next < base.s.height + 3 ? next : base.s.height + 3);
        y = next;
    }
    EXPECT_EQ(first_difference(plain, uneven), plain.words.size()) << what << " case " << index << " (bands)";
    struct Job {
        DrawRows* rows;
        Surface* s;
    };
    for (int t = 1; t <= 2; ++t) {
        g_threads = t;
        Canvas banded(base);
        Job job = {&rows, &banded.s};
        band_run([](void* ctx, int y0, int y1) { (*static_cast<Job*>(ctx)->rows)(static_cast<Job*>(ctx)->s, y0, y1); },
                 &job, banded.s.height);
        EXPECT_EQ(first_difference(plain, banded), plain.words.size()) << what << " case " << index << " threads " << t;
    }
    g_threads = threads;
}

TEST(SpeedPlanePaths, GridFourPixelDrawingMatchesPlain)
{
    std::mt19937 rng(1414);
    // Cell counts giving power-of-two cells from 4 to 128 pixels wide and 1 to 128 high (and one
    // that is not).
    const int across[] = {128, 64, 32, 16, 4, 32, 128, 40};
    const int down[] = {96, 48, 24, 12, 3, 24, 384, 24};
    const int sides[][2] = {{256, 256}, {1, 1}, {2, 8}, {64, 128}, {100, 77}};
    // Both sides of the integer arithmetic's limit for 16 x 16 cells (2^22), of the unheld
    // doubles' (2^29), and the ends of the range.
    const int32_t limits[] = {(1 << 22) - 1, 1 << 22, -(1 << 22), (1 << 23) - 1, (1 << 29), (1 << 29) + 1, -(1 << 29) - 1,
                              INT32_MAX, INT32_MIN, 0, -1};
    int index = 0;
    for (const auto& side : sides) {
        Image* tex = image_create(side[0], side[1]);
        ASSERT_NE(tex, nullptr);
        for (int i = 0; i < side[0] * side[1]; ++i) tex->pixels[i] = rng();
        for (int n = 0; n < 16; ++n, ++index) {
            const int pick = n % 8;
            TextureGrid* g = grid_create(across[pick], down[pick], tex);
            ASSERT_NE(g, nullptr);
            const int kind = (n / 2) % 4;   // shades: anything, one a node row, the edges, all 255
            for (int i = 0; i < g->cols * g->rows; ++i) {
                GridNode& node = g->nodes[i];
                const uint32_t r = rng() % 8;
                node.u = r == 0 ? limits[rng() % 11] : static_cast<int32_t>(rng() % 2400) - 1200;
                node.v = r == 1 ? limits[rng() % 11] : static_cast<int32_t>(rng() % 2400) - 1200;
                static const uint8_t edges[] = {0, 1, 2, 253, 254, 255};
                node.shade = kind == 0 ? static_cast<uint8_t>(rng())
                             : kind == 1 ? static_cast<uint8_t>(i / g->cols * 37)
                             : kind == 2 ? edges[rng() % 6] : 255;
            }
            const Canvas base(512, 384, n % 3 == 0 ? 7 : 0, rng());
            const Canvas background(512, 384, 0, rng());
            expect_same(base, rng(), [&](Surface* s) { grid_draw(g, s); },
                        [&](Surface* s, int y0, int y1) { grid_draw_rows(g, s, y0, y1); }, "grid", index);
            expect_same(base, rng(), [&](Surface* s) { grid_draw_blend(g, s, &background.s); },
                        [&](Surface* s, int y0, int y1) { grid_draw_blend_rows(g, s, &background.s, y0, y1); },
                        "blend grid", index);
            grid_free(g);
            if (HasFailure()) break;
        }
        image_free(tex);
    }
}

TEST(SpeedPlanePaths, BandedStarsMatchTheWholePlot)
{
    Scope scope;
    demo_srand(5);
    StarCloud* cloud = star_cloud_create(1024);
    ASSERT_NE(cloud, nullptr);
    std::mt19937 rng(77);
    for (int index = 0; index < 12; ++index) {
        Matrix4 m;
        mat_identity(&m);
        const float a = static_cast<float>(index) * 0.7f;
        mat_rotate_xyz(&m, {a, a * 0.3f, a * 2.0f, 1.0f});
        star_cloud_transform(cloud, &m);
        // Mostly black, so that the stars land and overlap; some pixels lit, which they skip.
        Canvas base(index % 2 ? 320 : 512, index % 3 ? 384 : 241, index % 4, rng());
        for (uint32_t& w : base.words) w = rng() % 5 ? w & 0xFF000000u : w;
        // Some stars on the edges: at depth 150 a star projects to (160 + x, 120 + y).
        const float xs[] = {-1.0f, -0.5f, 0.0f, 0.25f, 318.5f, 319.0f, 510.75f, 511.0f, 511.5f, 600.0f};
        const float ys[] = {-1.0f, -0.25f, 0.0f, 95.5f, 240.0f, 382.5f, 383.0f, 383.75f, -3.0f, 1e9f};
        for (int i = 0; i < 40; ++i)
            cloud->work[rng() % 1024] = {xs[rng() % 10] - 160.0f, ys[rng() % 10] - 120.0f, 150.0f, 255.0f};
        expect_same(base, rng(), [&](Surface* s) { star_cloud_draw(cloud, s); },
                    [&](Surface* s, int y0, int y1) { star_cloud_draw_rows(cloud, s, y0, y1); }, "stars", index);
    }
    star_cloud_free(cloud);
}

TEST(SpeedPlanePaths, BandedWaveFloorMatchesPlain)
{
    Scope scope;
    demo_srand(3);
    ASSERT_EQ(wave_floor_prepare(), 1);
    std::vector<int32_t> wild(300);
    std::mt19937 rng(21);
    for (int32_t& v : wild) v = static_cast<int32_t>(rng() % 500) - 150;
    const double pitches[] = {11.7809715, 5.497787, 8.0, 3.14159265, 1.0, 1e6, std::nan("")};
    const double positions[] = {-256.0, -5000.25, 3e9, std::nan("")};
    static WaveFloor plain, banded;
    int index = 0;
    for (int p = 0; p < 2; ++p) {
        const int32_t* profile = p ? wild.data() : g_wave_profile;
        const int32_t n = p ? static_cast<int32_t>(wild.size()) : wave_profile_length;
        for (double pitch : pitches) {
            for (double position : positions) {
                g_plain_paths = 1;
                wave_floor_cast(&plain, profile, n, pitch, position);
                for (int y = 0; y < k_floor_rows;) {
                    const int next = y + 1 + static_cast<int>(rng() % 40);
                    wave_floor_cast_rows(&banded, profile, n, pitch, position, y, next);
                    y = next;
                }
                ASSERT_EQ(std::memcmp(plain.rows, banded.rows, sizeof plain.rows), 0)
                    << "pitch " << pitch << " position " << position << " case " << index;
                plain.texture = banded.texture = g_wave_floor->texture;
                const Canvas base(512, 384, index % 3, rng());
                expect_same(base, rng(), [&](Surface* s) { wave_floor_draw(&plain, s); },
                            [&](Surface* s, int y0, int y1) { wave_floor_draw_rows(&plain, s, y0, y1); }, "wave floor",
                            index);
                ++index;
            }
        }
    }
}

// A run of frames of one scene from freshly prepared resources and clocks: every frame's words and
// the random state at the end.
struct SceneRun {
    std::vector<uint32_t> words;
    uint32_t state;
};

SceneRun scenes_run(bool plain, int threads, int w, int h, int which)
{
    Scope scope;
    const int saved_threads = g_threads;
    g_plain_paths = plain ? 1 : 0;
    g_threads = threads;
    demo_srand(1234);
    SceneRun run = {{}, 0};
    EXPECT_EQ(plane_scenes_prepare(), 1);
    EXPECT_EQ(wave_floor_prepare(), 1);
    std::memset(g_terrain_clocks, 0, sizeof g_terrain_clocks);
    g_terrain_fade = 0.0f;
    std::memset(&g_wave_floor_state, 0, sizeof g_wave_floor_state);
    Canvas frame(w, h, 3, 99);
    typedef int (*Scene)(Surface*, float, float);
    const Scene scenes[] = {scene_terrain_1, scene_terrain_2, scene_terrain_3, scene_terrain_4, scene_wave_floor};
    // Steps of a 60 Hz run, a long gap and a first frame past its start.
    const float steps[] = {1.0f, 1.0f, 0.98f, 37.5f, 1.02f, 1.0f, 130.0f, 1.0f};
    float now = 100.0f;
    for (float step : steps) {
        now += step;
        scenes[which](&frame.s, now, 100.0f);
        run.words.insert(run.words.end(), frame.words.begin(), frame.words.end());
    }
    run.state = g_rand_state;
    plane_scenes_release();
    g_threads = saved_threads;
    return run;
}

TEST(SpeedPlanePaths, ScenesMatchPlainOnOneAndTwoThreads)
{
    const int sizes[][2] = {{512, 384}, {600, 400}, {300, 200}};
    for (int which = 0; which < 5; ++which) {
        for (const auto& size : sizes) {
            const SceneRun plain = scenes_run(true, 1, size[0], size[1], which);
            for (int threads = 1; threads <= 2; ++threads) {
                const SceneRun fast = scenes_run(false, threads, size[0], size[1], which);
                EXPECT_EQ(plain.state, fast.state) << "scene " << which << " threads " << threads;
                EXPECT_TRUE(plain.words == fast.words)
                    << "scene " << which << " " << size[0] << "x" << size[1] << " threads " << threads;
            }
        }
    }
}

}  // namespace
