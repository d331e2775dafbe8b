// Object scenes: the star's centre, where the cloud display's dots start and stop, which drum
// strokes are drawn and where, and the frame contract of all four scenes (every pixel written,
// nothing past a row, the line width at rest, the draws per frame).
#include <gtest/gtest.h>

#include "base/random.h"
#include "display/surface.h"
#include "objects/object_test_util.h"
#include "scenes/objects/object_prepare.h"
#include "scenes/objects/object_scenes.h"

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

TEST_F(ObjectScenes, LedCloudsDrawOneNumberAndStopAtTheFrameEdge)
{
    Frame f;
    demo_srand(3);
    EXPECT_EQ(draw_led_clouds(&f.s, 30.0f, 220.0f, 0.0f), 0);
    EXPECT_EQ(g_rand_state, state_after(3, 1));   // the palette's rounding offset, once per call
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

TEST_F(ObjectScenes, EveryScenePaintsTheWholeFrameAndLeavesTheLineWidthAtRest)
{
    struct Case {
        void (*scene)(Surface*, float, float);
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
