// The plane resources and scenes: the dissolve's static and levels, the order of the preparation's
// random draws, the sky colours, the shared motion across the clocks, the long-gap return and the
// half-black sky view with its stars.
#include <cstring>
#include <limits>
#include <vector>

#include "common/test_util.h"
#include "procedural/height_field.h"
#include "procedural/texture_grid.h"
#include "scenes/plane/noise_dissolve.h"
#include "scenes/plane/plane_resources.h"
#include "scenes/plane/plane_scenes.h"
#include "scenes/plane/star_field.h"
#include "shell/random.h"

namespace {

uint32_t ch(uint32_t p, int shift)
{
    return (p >> shift) & 0xFFu;
}

bool grey(uint32_t p)
{
    return ch(p, 0) == ch(p, 8) && ch(p, 8) == ch(p, 16);
}

// Fresh resources and clocks, as at the start of a run.
class PlaneScenes : public testing::Test {
protected:
    void SetUp() override
    {
        demo_srand(77);
        ASSERT_EQ(plane_scenes_prepare(), 1);
        std::memset(g_terrain_clocks, 0, sizeof g_terrain_clocks);
    }
    void TearDown() override { plane_scenes_release(); }
    PlaneSceneData& d = g_plane_scene;
    Frame f;
};

}  // namespace

TEST(NoiseDissolve, StaticAtLevelZeroNearSourceAt254SourceAt255)
{
    Image* src = image_create(16, 8);
    for (int i = 0; i < 128; ++i) src->pixels[i] = 0xA5000000u | (i * 0x020103u);
    NoiseDissolve* d = dissolve_create(src);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(dissolve_create(nullptr), nullptr);
    struct Case {
        float delta;
        int reset;
        float level;
    } cases[] = {{5, 1, 0}, {-254, 1, 254}, {std::numeric_limits<float>::quiet_NaN(), 0, 0}, {-1000, 0, 255}, {3.5f, 0, 251.5f}};
    for (const Case& c : cases) {
        demo_srand(9);
        dissolve_advance(d, c.delta, c.reset);
        EXPECT_EQ(d->level, c.level) << c.delta;
        const uint32_t b = static_cast<uint32_t>(c.level);
        demo_srand(9);
        for (int i = 0; i < 128; ++i) {
            const uint32_t s = src->pixels[i], w = d->work->pixels[i];
            // One number per texel, in order, below the full level; the top byte does not show.
            const uint32_t n = b == 255 ? 0 : demo_rand() % 255u;
            for (int shift : {0, 8, 16}) {
                const uint32_t want = b == 255 ? ch(s, shift) : ((ch(s, shift) * (b + 1)) >> 8) + ((n * (256 - b)) >> 8);
                ASSERT_EQ(ch(w, shift), want) << c.delta << " texel " << i;
            }
            ASSERT_EQ(w >> 24, b == 255 ? 0xA5u : 0u);
        }
        EXPECT_EQ(g_rand_state == 9u, b == 255);
    }
    dissolve_free(d);
    image_free(src);
}

TEST_F(PlaneScenes, PreparationDrawsSkySeedGroundSeedThenStars)
{
    demo_srand(77);
    std::vector<uint8_t> cells(65536);
    ByteMap map = {cells.data(), 256, 256, 256, 8};
    fill_height_field(&map, 32768, demo_rand());
    for (int i = 0; i < 65536; ++i) {
        // Per channel (255 (a + 1) >> 8) + (low (256 - a) >> 8): light blue at height 0, white at 255.
        const uint32_t a = cells[i], p = d.sky_texture->pixels[i], hi = 255 * (a + 1) >> 8;
        ASSERT_EQ(p, (hi + (0x50 * (256 - a) >> 8)) << 16 | (hi + (0x80 * (256 - a) >> 8)) << 8 | 255) << i;
        ASSERT_TRUE(ch(p, 16) >= 80 && ch(p, 8) >= 128) << i;
    }
    fill_height_field(&map, 4096, demo_rand());
    for (int i = 0; i < 65536; ++i) {
        const uint32_t a = cells[i];
        ASSERT_EQ(d.ground_source->pixels[i], a << 24 | a << 16 | (a >> 2) << 8) << i;
    }
    StarCloud* stars = star_cloud_create(1024);
    EXPECT_EQ(std::memcmp(stars->points, d.stars->points, 1024 * sizeof(Vec4)), 0);
    star_cloud_free(stars);
    EXPECT_EQ(d.ground_grid->texture, d.ground_dissolve->work);
    EXPECT_EQ(d.sky_grid->texture, d.sky_texture);
    expect_near(d.camera, {0, -256, 0, 1}, 0);
}

TEST_F(PlaneScenes, MotionCarriesAcrossScenesAndClocksKeepTheirFirstStart)
{
    // First frame: no step, and the plane shows pure static.
    scene_terrain_3(&f.s, 1000, 990);
    EXPECT_TRUE(d.camera.z == 0.0f && d.theta == 0.0f && d.ground_dissolve->level == 0.0f);
    for (int y = 0; y < 384; y += 7)
        for (int x = 0; x < 512; x += 5) ASSERT_TRUE(grey(f.at(x, y))) << x << "," << y;
    scene_terrain_3(&f.s, 1010, 990);
    EXPECT_TRUE(d.camera.z == -10.0f && d.theta == 0.05f && d.ground_dissolve->level == 20.0f);
    expect_near(d.angles, {0.05f, 0, 0.5f, 1}, 1e-7);
    // Another scene starts its own clock on the same camera; its fade darkens by 2 a frame unit.
    scene_terrain_2(&f.s, 2000, 1990);
    scene_terrain_2(&f.s, 2100, 1990);
    EXPECT_TRUE(d.camera.z == -110.0f && g_terrain_fade == 200.0f);
    scene_terrain_2(&f.s, 2200, 1990);
    EXPECT_EQ(g_terrain_fade, 255.0f);
    // Past -512 the camera jumps back by one texture width.
    scene_terrain_1(&f.s, 3000, 2990);
    scene_terrain_1(&f.s, 3310, 2990);
    EXPECT_EQ(d.camera.z, -520.0f + 256.0f);
    // A later entry of scene_terrain_3 keeps the first start: the whole gap is one step, the angle
    // and the camera come back over several frames, and the ground shows without static.
    const float before = d.theta;
    scene_terrain_3(&f.s, 9000, 8000);
    // The full turn is the double 6.2831855, subtracted before the angle is rounded again.
    const float grown = static_cast<float>(before + 0.005 * (9000.0 - 1000.0 - 10.0));
    EXPECT_EQ(d.theta, static_cast<float>(grown - 6.2831855));
    EXPECT_EQ(d.ground_dissolve->level, 255.0f);
    EXPECT_EQ(std::memcmp(d.ground_dissolve->work->pixels, d.ground_source->pixels, 65536 * 4), 0);
    for (int i = 1; d.camera.z <= -512.0f; ++i) {
        const float z = d.camera.z;
        ASSERT_LT(i, 40);
        scene_terrain_3(&f.s, 9000 + i, 8000);
        EXPECT_EQ(d.camera.z, z - 1 + 256) << i;
    }
    for (int i = 0; d.theta >= 6.2831855f; ++i) {
        ASSERT_LT(i, 6);
        scene_terrain_3(&f.s, 9100, 8000);
    }
    EXPECT_TRUE(f.pad_intact());
}

TEST_F(PlaneScenes, SkyViewIsHalfBlackWithStarsOnlyThere)
{
    scene_terrain_4(&f.s, 5000, 4990);   // angles 0: the plane lies to the right
    int stars = 0, sky = 0;
    for (int y = 0; y < 384; ++y) {
        for (int x = 0; x < 512; ++x) {
            const uint32_t p = f.at(x, y);
            if (x < 240) {
                ASSERT_TRUE(grey(p)) << x << "," << y;
            }
            stars += x < 240 && p != 0;
            sky += x >= 256 && ch(p, 0) > ch(p, 16);
        }
    }
    EXPECT_GT(stars, 20);
    EXPECT_GT(sky, 10000);
    EXPECT_TRUE(f.pad_intact());
}
