// The wave-floor renderer: the prepared profile, the ray march (hits at the first and
// the last step, rows that never hit, the mirrored profile behind 0) and the strips it draws.
#include <climits>
#include <cmath>
#include <vector>

#include "common/test_util.h"
#include "scenes/wavefloor/wave_floor.h"

namespace {

// The camera geometry in closed form; every cast here is level (pitch 0).
const double k_d = 20.0 / std::tan(0.7853981256484985);
const double k_len = std::sqrt(k_d * k_d + 625.0);

WaveFloor* cast(const std::vector<int32_t>& profile, double position = 0.0)
{
    static WaveFloor floor;
    wave_floor_cast(&floor, profile.data(), static_cast<int32_t>(profile.size()), 0.0, position);
    return &floor;
}

bool same(const FloorRow& a, const FloorRow& b)
{
    return a.u_left == b.u_left && a.u_right == b.u_right && a.v == b.v && a.hit == b.hit && a.shade == b.shade;
}

}  // namespace

TEST(WaveFloor, PreparedProfileHitsAtFirstAndLastStepAndMisses)
{
    // Everything below 300: every row starts under the floor.
    for (const FloorRow& r : cast({300})->rows) EXPECT_TRUE(same(r, {-20, 20, 1, 1, 256}));
    // The top row's ray starts exactly at height 295: touching the floor is a hit.
    EXPECT_TRUE(same(cast({295})->rows[0], {-20, 20, 1, 1, 256}));
    EXPECT_EQ(cast({294})->rows[0].shade, 0);

    // A descending row and a flat floor height that its ray reaches only on the 1024th step.
    int found = 0;
    for (int j = 1; j < 192 && !found; ++j) {
        const double a = -15.0 + 30.0 * j / 384.0;
        const double last = 280.0 + a * (1.0 + 1023.0 / k_len);
        const double before = 280.0 + a * (1.0 + 1022.0 / k_len);
        const int32_t p = static_cast<int32_t>(std::ceil(last + 1e-6));
        if (p > before - 1e-6) continue;
        found = j;
        const int32_t v = static_cast<int32_t>(1.0 + 1023.0 * k_d / k_len);
        const int32_t edge = static_cast<int32_t>(20.0 + 1023.0 * 20.0 / k_len);
        EXPECT_TRUE(same(cast({p})->rows[384 - j], {-edge, edge, v, 1, 0}));
        EXPECT_TRUE(same(cast({p - 1})->rows[384 - j], {0, 0, v, 0, 0}));
    }
    EXPECT_NE(found, 0);

    // The prepared profile's summed single-precision step falls just short of pi / 2 at 96 and of pi
    // at 192. Level or rising rays (rows 0 to 192 at pitch 0) never meet that floor; lower rows may.
    ASSERT_EQ(wave_floor_prepare(), 1);
    struct { int i, height; } heights[] = {{0, 0}, {64, 31}, {96, 63}, {192, 127}, {288, 64}, {320, 32}, {383, 0}};
    for (auto h : heights) EXPECT_EQ(g_wave_profile[h.i], h.height) << h.i;
    const std::vector<int32_t> profile(g_wave_profile, g_wave_profile + wave_profile_length);
    const WaveFloor* f = cast(profile);
    for (int k = 0; k <= 192; ++k) EXPECT_EQ(f->rows[k].hit, 0) << k;
    EXPECT_EQ(f->rows[383].hit, 1);
    wave_floor_cast(g_wave_floor, nullptr, 0, 0.0, 0.0);   // no profile, no floor
    for (const FloorRow& r : g_wave_floor->rows) EXPECT_EQ(r.hit, 0);
}

TEST(WaveFloor, ProfileIsMirroredBehindZero)
{
    struct Case {
        double position;   // the ray starts at forward 1 - position
        int wall;          // the one profile cell that reaches above the camera
        bool first_step;   // whether every row hits at once
        int32_t v;
    } cases[] = {
        {-400.5, 17, true, 401},        // 401 wraps to 17
        {1.5, 0, true, 0},              // -0.5 truncates toward zero
        {50.5, 49, true, -49},          // -49 mirrors to 49 ...
        {50.5, 335, false, 0},          // ... not to 384 - 49
        {434.5, 49, true, -433},        // -433 mirrors to 433, which wraps to 49
        {-2147483000.0 * 4, 0, false, 0},   // far beyond 32 bits: saturates, no overflow
    };
    for (const Case& c : cases) {
        std::vector<int32_t> profile(384, -1000);
        profile[c.wall] = 100000;
        const WaveFloor* f = cast(profile, c.position);
        for (const FloorRow& r : f->rows) {
            EXPECT_EQ(r.shade == 256, c.first_step) << c.position << " " << c.wall;
            if (c.first_step) {
                EXPECT_EQ(r.v, c.v) << c.position;
            }
        }
    }
}

TEST(WaveFloor, DrawsShadedMirroredStrips)
{
    WaveFloor floor = {};
    floor.texture = image_create(256, 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) floor.texture->pixels[y * 256 + x] = 0x00A00000u | y << 8 | x;
    floor.rows[0] = {-20, 20, 1, 1, 256};
    floor.rows[1] = {-20, 20, 1, 1, 0};
    floor.rows[2] = {-20, 20, 1, 0, 256};
    floor.rows[3] = {0, 512, -1, 1, 128};
    floor.rows[4] = {INT_MIN, INT_MAX, INT_MIN, 1, 256};
    floor.rows[5] = {300, 300, 300, 1, 256};
    floor.rows[383] = {-256, 0, -256, 1, 256};
    Frame fr;
    wave_floor_draw(&floor, &fr.s);

    struct Pixel { int x, y; uint32_t want; } pixels[] = {
        {0, 0, 0xA00114},   {255, 0, 0xA00100}, {300, 0, 0xA00103}, {511, 0, 0xA00113},   // -20 mirrors to 20
        {0, 1, 0},          {511, 2, 0xDEADBEEF},   // shade 0 is black; no hit, untouched
        {300, 3, 0x500016}, {0, 4, 0xA00000},   {511, 4, 0xA000FF}, {0, 5, 0xA02C2C},
        {1, 383, 0xA000FF}, {510, 383, 0xA00001},
    };
    for (const Pixel& p : pixels) EXPECT_EQ(fr.at(p.x, p.y), p.want) << p.x << "," << p.y;
    for (int y = 6; y < 383; ++y)
        for (int x = 0; x < 512; ++x) ASSERT_EQ(fr.at(x, y), 0xDEADBEEFu);
    EXPECT_TRUE(fr.pad_intact());

    // A smaller surface is clipped, not overrun.
    PaddedSurface small(100, 3, 0x12345678u);
    wave_floor_draw(&floor, &small.s);
    EXPECT_EQ(small.at(0, 0), 0xA00114u);
    EXPECT_EQ(small.at(99, 2), 0x12345678u);
    EXPECT_TRUE(small.pad_intact());
    image_free(floor.texture);
}
