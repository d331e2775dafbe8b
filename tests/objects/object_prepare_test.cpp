// Object-scene preparations: the missing picture, edge streaks and their random draws, the band and
// picture of backdrop A, the star ring and the drum strokes.
#include <gtest/gtest.h>

#include <cmath>

#include "objects/object_test_util.h"
#include "scenes/objects/object_prepare.h"
#include "shell/random.h"
#include "shell/report.h"

namespace {

// a - b brought into [-pi, pi].
double angle_between(double a, double b)
{
    return std::remainder(a - b, 2 * M_PI);
}

}  // namespace

TEST(ObjectsPrepare, MissingPictureFailsBeforeAnyCloudMapOrDraw)
{
    ValeDir dir(false);
    g_failure_reported = 0;
    demo_srand(77);
    testing::internal::CaptureStderr();
    EXPECT_EQ(objects_prepare_1(), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "quorvelle: cannot open ./data/marrowvaleagain512x384x32.raw: No such file or directory\n");
    EXPECT_EQ(g_failure_reported, 1);
    EXPECT_EQ(g_cloud_map[0], nullptr);
    EXPECT_EQ(g_rand_state, 77u);
}

TEST(EdgeStreaks, DrawThreeNumbersPerLineAndStayNearTheEdges)
{
    struct Case {
        int count;
        float spread;
    } cases[] = {{0, 20.0f}, {1, 20.0f}, {60, 20.0f}, {200, 6.0f}};
    for (const Case& c : cases) {
        PaddedSurface s(200, 100, 0xFFFFFFFFu);
        demo_srand(1234);
        EXPECT_EQ(draw_edge_streaks(&s.s, c.count, c.spread, 0xFF000000u, 0xFF000000u), 0);
        EXPECT_EQ(g_rand_state, state_after(1234, 3 * c.count)) << c.count;
        // Each end lies within half a spread of its edge; the band adds its half-width of 1 and the
        // pixel box half a pixel more.
        const int reach = static_cast<int>(c.spread) + 2;
        int changed = 0;
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 200; ++x) {
                if (s.at(x, y) == 0xFFFFFFFFu) continue;
                ++changed;
                const bool near_edge = x <= reach || x >= 199 - reach || y <= reach || y >= 99 - reach;
                ASSERT_TRUE(near_edge) << c.count << " at " << x << "," << y;
            }
        EXPECT_EQ(changed > 0, c.count > 0) << c.count;
        EXPECT_TRUE(s.pad_intact());
    }
}

TEST(ObjectsPrepare, BackdropAHoldsThePictureAndTheBandDarkensTowardsTheLeft)
{
    ValeDir dir;
    demo_srand(5);
    ASSERT_EQ(objects_prepare_1(), 1);
    // Away from the edges' streaks and the band the picture is as read, row by row.
    for (int y : {30, 200, 300, 350})
        for (int x : {40, 256, 470}) EXPECT_EQ(surface_row(g_backdrop_a, y)[x], vale_pixel(x, y)) << x << "," << y;
    // On row 325 the band is opaque black at the left end and fades out towards the right.
    auto green = [](int x) { return (surface_row(g_backdrop_a, 325)[x] >> 8 & 0xFFu) + 0.0; };
    auto original = [](int x) { return (vale_pixel(x, 325) >> 8 & 0xFFu) + 0.0; };
    EXPECT_LE(green(40), original(40) * 0.2 + 1);
    EXPECT_NEAR(green(256) / (original(256) + 1), 0.5, 0.1);
    EXPECT_GE(green(470), original(470) * 0.85 - 1);
    EXPECT_EQ(g_star_line_width, 1.5f);
}

TEST(ObjectsPrepare, RingAndDrumGeometry)
{
    ValeDir dir;
    demo_srand(9);
    ASSERT_EQ(objects_prepare_1(), 1);
    ASSERT_EQ(objects_prepare_2(), 1);
    ASSERT_EQ(g_star_count, 27);
    ASSERT_EQ(g_drum_count, 300);

    // Star point i sits on the unit circle i spacings round (so the last pair, closing the ring, is
    // even too); drum stroke k runs on the radius-50 drum from k steps round for ten steps.
    const double spacing = 6.28318536 / 27, step = static_cast<float>(6.28318536 / 300);
    for (int i = 0; i < 27; ++i) {
        const Vec4& p = g_star_ring[i];
        EXPECT_TRUE(p.z == 10.0f && p.w == 1.0f && std::fabs(std::hypot(p.x, p.y) - 1.0) < 1e-6) << i;
        EXPECT_NEAR(angle_between(std::atan2(p.y, p.x), i * spacing), 0.0, 1e-6) << i;
    }
    EXPECT_TRUE(g_star_ring[0].x == 1.0f && g_star_ring[0].y == 0.0f);
    for (int k = 0; k < 150; ++k) {
        const Vec4 &p = g_drum_strokes[2 * k], &q = g_drum_strokes[2 * k + 1];
        EXPECT_TRUE(p.x == q.x && p.x >= -100.0f && p.x < 100.0f && p.w == 1.0f && q.w == 1.0f) << k;
        EXPECT_NEAR(std::hypot(p.y, p.z), 50.0, 1e-4) << k;
        EXPECT_NEAR(std::hypot(q.y, q.z), 50.0, 1e-4) << k;
        EXPECT_NEAR(angle_between(std::atan2(p.y, p.z), k * step), 0.0, 1e-4) << k;
        EXPECT_NEAR(angle_between(std::atan2(q.y, q.z), (k + 10) * step), 0.0, 1e-4) << k;
    }
}
