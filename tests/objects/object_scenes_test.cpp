// Object scenes: the star's centre, the cloud pattern at t = 0, which drum strokes are drawn and
// where, the shake and turn of scene_objects_1 across entries, and the frame contract of all four
// scenes (every pixel written, nothing past a row, the line width at rest, the draws per frame).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "display/surface.h"
#include "objects/object_test_util.h"
#include "scenes/objects/object_prepare.h"
#include "scenes/objects/object_scenes.h"
#include "shell/random.h"

namespace {

class ObjectScenes : public testing::Test {
protected:
    void SetUp() override
    {
        demo_srand(24236);
        ASSERT_EQ(objects_prepare_1(), 1);
        ASSERT_EQ(objects_prepare_2(), 1);
    }
    ValeDir dir_;
};

// Intensity-weighted centre of the blue channel of a black-ground picture.
void centroid(const PaddedSurface& s, double* cx, double* cy)
{
    double sum = 0, sx = 0, sy = 0;
    for (int y = 0; y < s.s.height; ++y)
        for (int x = 0; x < s.s.width; ++x) {
            const double v = s.at(x, y) & 0xFFu;
            sum += v, sx += v * x, sy += v * y;
        }
    *cx = sx / sum;
    *cy = sy / sum;
}

}  // namespace

TEST_F(ObjectScenes, StarIsCentredOnTheTargetPlusItsOffset)
{
    struct Case {
        float dx, dy, angle;
    } cases[] = {{0, 0, 0}, {30, -20, 0}, {-50.5f, 40, 1.1f}};
    for (const Case& c : cases) {
        PaddedSurface s(512, 384, 0);
        EXPECT_EQ(draw_star(&s.s, c.dx, c.dy, c.angle, 100.0f, 0xFFFFFFFFu, 0xFFFFFFFFu), 0);
        double cx, cy;
        centroid(s, &cx, &cy);
        EXPECT_NEAR(cx, 256 + c.dx, 0.5) << c.dx;
        EXPECT_NEAR(cy, 192 + c.dy, 0.5) << c.dy;
        // The lines pass about 5.8 pixels from the centre, leaving it empty.
        EXPECT_EQ(s.at(static_cast<int>(256 + c.dx), static_cast<int>(192 + c.dy)), 0u);
        EXPECT_TRUE(s.pad_intact());
    }
}

TEST_F(ObjectScenes, LedCloudsAtTimeZeroCombineTheUnshiftedMaps)
{
    Frame f;
    demo_srand(3);
    EXPECT_EQ(draw_led_clouds(&f.s, 30.0f, 220.0f, 0.0f), 0);
    EXPECT_EQ(g_rand_state, state_after(3, 1));   // the palette's rounding offset, once per call
    for (int y = 0; y < k_cloud_height; ++y)
        for (int x = 0; x < k_cloud_width; ++x) {
            const int a = bytemap_row(g_cloud_map[0], y)[x];
            const int b = bytemap_row(g_cloud_map[1], y)[x];
            const int c = bytemap_row(g_cloud_map[2], y)[x];
            ASSERT_EQ(bytemap_row(g_cloud_sum, y)[x], std::abs(std::abs(a - b) - c)) << x << "," << y;
            // One layer keeps red and green, the other green and blue, of the same colour.
            const uint32_t p = surface_row(g_led_layer[0], y)[x];
            const uint32_t q = surface_row(g_led_layer[1], y)[x];
            ASSERT_EQ(p & 0xFFu, 0u);
            ASSERT_EQ(q & 0xFF0000u, 0u);
            ASSERT_EQ(p & 0xFF00u, q & 0xFF00u);
        }
    // The dots start half a spacing left of and above (30, 220) and stop at the frame's edge.
    EXPECT_NE(f.at(30, 220), 0xDEADBEEFu);
    EXPECT_NE(f.at(511, 220), 0xDEADBEEFu);
    EXPECT_EQ(f.at(26, 220), 0xDEADBEEFu);
    EXPECT_EQ(f.at(30, 216), 0xDEADBEEFu);
    EXPECT_TRUE(f.pad_intact());
}

TEST_F(ObjectScenes, DrumDrawsOnlyStrokesWithBothEndsAwayFromTheLensPlane)
{
    struct Case {
        const char* what;
        Vec4 p, q;
        bool drawn;
        int x0, x1, y0, y1;   // box of every changed pixel
    } cases[] = {
        {"in front, through the centre", {0, -5, 50, 1}, {0, 5, 50, 1}, true, 254, 258, 185, 199},
        {"both ends too close", {0, -5, 0.5f, 1}, {0, 5, 0.5f, 1}, false, 0, 0, 0, 0},
        {"one end too close", {0, -5, 50, 1}, {0, 5, 0.5f, 1}, false, 0, 0, 0, 0},
        {"behind, mirrored through the centre", {10, 0, -50, 1}, {10, 5, -50, 1}, true, 232, 236, 184, 194},
    };
    Vec4* const strokes = g_drum_strokes;
    Vec4* const work = g_drum_work;
    const int count = g_drum_count;
    for (const Case& c : cases) {
        Vec4 mine[2] = {c.p, c.q};
        Vec4 scratch[2];
        g_drum_strokes = mine;
        g_drum_work = scratch;
        g_drum_count = 2;
        PaddedSurface s(512, 384, 0);
        draw_drum(&s.s, 0.0f, 0xFFFFFFFFu, 0xFFFFFFFFu);
        int changed = 0;
        for (int y = 0; y < 384; ++y)
            for (int x = 0; x < 512; ++x) {
                if (!s.at(x, y)) continue;
                ++changed;
                EXPECT_TRUE(x >= c.x0 && x <= c.x1 && y >= c.y0 && y <= c.y1) << c.what << " at " << x << "," << y;
            }
        EXPECT_EQ(changed > 0, c.drawn) << c.what;
        EXPECT_EQ(mine[0].z, c.p.z);   // the strokes themselves are never transformed
    }
    g_drum_strokes = strokes;
    g_drum_work = work;
    g_drum_count = count;
}

TEST_F(ObjectScenes, StarSceneShakesInAlternateStretchesAndNeverResets)
{
    g_star_scene_state = {};
    struct Step {
        float start, e;
        float angle;
        int draws;   // random numbers drawn by this call
    } steps[] = {
        {100, 10, 0.0f, 2},      // first call: unturned, a first jitter
        {100, 11, 0.05f, 0},     // accumulator 1: k = 0, holds still
        {100, 14, 0.2f, 2},      // accumulator 4: k = 1, shakes
        {100, 18, 0.4f, 0},      // accumulator 8: k = 2
        {500, 0.5f, -0.475f, 0}, // a new entry: e drops, so does everything else; k = -2
        {500, 1.5f, -0.425f, 0}, // accumulator -8.5: k = -2
        {500, 4, -0.3f, 2},      // accumulator -6: k = -1 is odd too
    };
    demo_srand(42);
    int draws = 0;
    Frame f;
    for (const Step& s : steps) {
        const StarSceneState before = g_star_scene_state;
        EXPECT_EQ(scene_objects_1(&f.s, s.start + s.e, s.start), 1);
        draws += s.draws;
        const StarSceneState& st = g_star_scene_state;
        EXPECT_EQ(g_rand_state, state_after(42, draws)) << s.e;
        EXPECT_NEAR(st.angle, s.angle, 1e-5) << s.e;
        EXPECT_TRUE(st.jx >= -128 && st.jx < 128 && st.jy >= -128 && st.jy < 128);
        if (s.draws == 0) {
            EXPECT_TRUE(st.jx == before.jx && st.jy == before.jy) << s.e;
        }
    }
    EXPECT_TRUE(f.pad_intact());
}

TEST_F(ObjectScenes, EveryScenePaintsTheWholeFrameAndLeavesTheLineWidthAtRest)
{
    struct Case {
        int (*scene)(Surface*, float, float);
        int draws;   // random numbers per frame
    } cases[] = {{scene_objects_2, 1}, {scene_objects_3, 0}, {scene_objects_4, 0}, {scene_objects_1, -1}};
    for (const Case& c : cases) {
        Frame f;
        demo_srand(8);
        c.scene(&f.s, 7000.0f, 6900.0f);
        if (c.draws >= 0) {
            EXPECT_EQ(g_rand_state, state_after(8, c.draws));
        }
        EXPECT_EQ(g_star_line_width, 1.5f);
        int unwritten = 0;
        for (int y = 0; y < 384; ++y)
            for (int x = 0; x < 512; ++x) unwritten += f.at(x, y) == 0xDEADBEEFu;
        EXPECT_EQ(unwritten, 0);
        EXPECT_TRUE(f.pad_intact());
    }
}
