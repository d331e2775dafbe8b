// Object-scene preparations: the missing picture, and edge streaks with their random draws.
#include <gtest/gtest.h>

#include "base/random.h"
#include "base/report.h"
#include "objects/object_test_util.h"
#include "scenes/objects/object_prepare.h"

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
