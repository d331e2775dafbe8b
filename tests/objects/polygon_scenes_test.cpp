// Polygon scenes: the orbs of the first call, phase steps and their single wrap, front and behind,
// the ripple table's launches and bumps, and a whole frame drawn over hand-made work buffers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "base/angles.h"
#include "common/test_util.h"
#include "display/surface.h"
#include "draw2d/pictures.h"
#include "scenes/objects/polygon_scenes.h"

namespace {

constexpr OrbRates k_rates = {0.15, 0.039, 0.06548454845484548};
constexpr double k_third = 1.04719756;

}  // namespace

TEST(Orbs, FirstCallPlacesAllBehindLaterOnesCountFromTheFirstStartAndWrapOnce)
{
    OrbState s = {};
    EXPECT_EQ(orbs_advance(&s, k_rates, 100.0f, 90.0f), 0.0f);
    EXPECT_EQ(s.first_start, 90.0f);
    EXPECT_EQ(s.a0, 0.0);
    EXPECT_EQ(s.a1, k_third);
    EXPECT_EQ(s.a2, 2.09439512);
    Orb o[3];
    orbs_place(&s, o);
    const long want_x[3] = {406, 331, 181};
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(std::lround(o[k].x), want_x[k]) << k;
        EXPECT_EQ(o[k].front, 0) << k;
    }
    EXPECT_EQ(o[0].y, 192.0f);
    EXPECT_EQ(o[0].r, 32.0f);
    EXPECT_NEAR(o[1].r, 25.07, 0.01);
    EXPECT_NEAR(o[2].y, 330.56, 0.01);
    // A later entry (start 100) still counts from the first start: elapsed 20, d = 10.
    EXPECT_EQ(orbs_advance(&s, k_rates, 110.0f, 100.0f), 10.0f);   // the first call's elapsed was 10
    EXPECT_DOUBLE_EQ(s.a0, 1.5);
    EXPECT_DOUBLE_EQ(s.b1, 0.6548454845484548);
    // A gap of 300 units: a0 = 46.5 loses one turn only, and stays past pi, so that orb is in front.
    EXPECT_EQ(orbs_advance(&s, k_rates, 410.0f, 400.0f), 300.0f);
    EXPECT_DOUBLE_EQ(s.a0, 46.5 - k_two_pi_9_digits);
    EXPECT_DOUBLE_EQ(s.a1, 46.5 + k_third - k_two_pi_9_digits);
    orbs_place(&s, o);
    EXPECT_EQ(o[0].front, 1);
    orbs_advance(&s, k_rates, 410.0f, 400.0f);   // d = 0: one more turn comes off
    EXPECT_DOUBLE_EQ(s.a0, 46.5 - 2 * k_two_pi_9_digits);
}

TEST(Orbs, BoundaryPhases)
{
    // d = 0 keeps the phases: a0 exactly pi is behind, a1 past it in front; a phase of exactly one
    // turn is kept for the orbits but wrapped for b0 and b1.
    OrbState s = {1, 0.0f, 5.0f, 5.0f, k_pi_9_digits_high, 0.0, 0.0, k_two_pi_9_digits, k_two_pi_9_digits};
    orbs_advance(&s, k_rates, 5.0f, 0.0f);
    Orb o[3];
    orbs_place(&s, o);
    EXPECT_EQ(o[0].front, 0);
    EXPECT_EQ(o[1].front, 1);
    EXPECT_EQ(s.b0, 0.0);
    EXPECT_EQ(s.b1, 0.0);
    s.a0 = k_two_pi_9_digits;
    orbs_advance(&s, k_rates, 5.0f, 0.0f);
    EXPECT_EQ(s.a0, k_two_pi_9_digits);
}

TEST(Ripples, LaunchOncePerEntryNeverPastTheTableClimbAndRestAtRow32)
{
    RippleState r = {0.0f, 0, {}};
    ripple_launch(&r, true, 50.0f);
    ripple_launch(&r, false, 50.0f);   // the same entry
    EXPECT_EQ(r.count, 1);
    EXPECT_EQ(r.rows[0], 400.0f);
    for (int e = 1; e < 30; ++e) ripple_launch(&r, false, 50.0f + e);
    EXPECT_EQ(r.count, k_ripple_capacity);
    EXPECT_EQ(r.last_start, 79.0f);
    struct Case {
        float row, d;
        int first, last;   // rows changed (half sine: its first row adds 0)
        float after;       // the ripple's row after the call
    } cases[] = {
        {400.0f, 10.0f, 337, 384, 340.0f},
        {33.0f, 1.0f, 0, 96, 32.0f},
        {32.0f, 5.0f, 0, 95, 32.0f},
    };
    for (const Case& c : cases) {
        RippleState one = {0.0f, 1, {c.row}};
        std::vector<float> h(385, 0.0f);
        ripples_apply(&one, h.data(), c.d);
        for (int i = 0; i < 385; ++i) ASSERT_EQ(h[i] > 0.0f, i >= c.first && i <= c.last) << c.row << " " << i;
        EXPECT_EQ(one.rows[0], c.after);
    }
    // 21 ripples at rest: the middle of the bump (row 32) grows by 21 * 8.
    r = {0.0f, 21, {}};
    for (int j = 0; j < 21; ++j) r.rows[j] = 32.0f;
    std::vector<float> h(385, 10.0f);
    ripples_apply(&r, h.data(), 1.0f);
    EXPECT_NEAR(h[32], 178.0f, 1e-3);
    EXPECT_EQ(h[96], 10.0f);
}

TEST(PolygonScenes, EveryPixelOfTheFrameIsWrittenAndNothingPast)
{
    // The buffers the start-up would make, over a generated backdrop instead of the picture file.
    g_fuzzy_table = static_cast<float*>(std::calloc(385, sizeof(float)));
    g_work_surface_a = surface_create(512, 384);
    g_work_surface_b = surface_create(512, 384);
    g_work_surface_c = surface_create(512, 384);
    g_fuzzyballs = surface_create(512, 384);
    g_fuzzy_tint = 0xFFFF8000u;
    for (int i = 0; i < 512 * 384; ++i) g_fuzzyballs->pixels[i] = static_cast<uint32_t>(i) * 2654435761u >> 8;

    Frame f;
    for (float now : {5000.0f, 5001.0f, 5400.0f}) {
        std::fill(f.words.begin(), f.words.end(), Frame::k_pad);
        scene_polygons_3(&f.s, now, 5000.0f);
        for (int y = 0; y < 384; ++y)
            for (int x = 0; x < 512; ++x) ASSERT_NE(f.at(x, y), Frame::k_pad) << now << " " << x << "," << y;
        EXPECT_TRUE(f.pad_intact());
        // The table holds the profile of the phases after this call, within the column's limit.
        for (int i = 0; i < 385; ++i) ASSERT_LE(std::fabs(g_fuzzy_table[i]), 124.0f);
    }
    EXPECT_EQ(g_polygons_3_orbs.cur_elapsed, 400.0f);
    fuzzyballs_release();
}
