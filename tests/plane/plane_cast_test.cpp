// Plane casting: the half-black single plane and the mirrored pair at angles 0, a camera on the
// plane, the fade to black at distance 255 and nodes whose coordinates do not fit an integer.
#include <limits>

#include "common/test_util.h"
#include "procedural/plane_cast.h"
#include "procedural/texture_grid.h"

namespace {

struct Grids {
    Image* tex = image_create(256, 256);
    TextureGrid* single = grid_create(32, 24, tex);
    TextureGrid* pair = grid_create(32, 24, tex);
    ~Grids() { grid_free(single), grid_free(pair), image_free(tex); }
    const GridNode& at(const TextureGrid* g, int i, int j) const { return g->nodes[i * g->cols + j]; }
};

}  // namespace

TEST(PlaneCast, AnglesZeroSingleIsHalfBlackPairMirrorsTheLeft)
{
    Grids g;
    for (int i = 0; i < 256 * 256; ++i) g.tex->pixels[i] = 0x00FFFFFFu;
    const Vec4 camera = {0, -256, 0, 1}, angles = {0, 0, 0, 1};
    grid_cast_plane(g.single, camera, angles, 45, 5);
    grid_cast_plane_pair(g.pair, camera, angles, 45, 5);
    for (int i = 0; i < 25; ++i) {
        for (int j = 0; j < 33; ++j) {
            const GridNode &s = g.at(g.single, i, j), &p = g.at(g.pair, i, j);
            // Column j < 16 has column 31 - j's ray with x negated: the same hit on the mirror.
            const GridNode& same = j <= 15 ? g.at(g.pair, i, 31 - j) : p;
            if (j <= 15) EXPECT_EQ(s.u | s.v | s.shade, 0) << i << "," << j;
            else EXPECT_TRUE(s.u == p.u && s.v == p.v && s.shade == p.shade) << i << "," << j;
            EXPECT_NEAR(p.shade, same.shade, 1) << i << "," << j;
            EXPECT_NEAR(p.v, same.v, 2) << i << "," << j;
        }
        EXPECT_EQ(g.at(g.single, i, 16).shade, 0);        // x = 8 / 427: t far beyond 255
        EXPECT_GT(g.at(g.single, i, 32).shade, 150);      // x = 264 / 427: t = 73
    }
    Frame f;
    grid_draw(g.single, &f.s);
    for (int y = 0; y < 384; ++y)
        for (int x = 0; x < 240; ++x) ASSERT_EQ(f.at(x, y), 0u) << x << "," << y;
    EXPECT_NE(f.at(500, 192), 0u);
    EXPECT_TRUE(f.pad_intact());
}

TEST(PlaneCast, CameraOnThePlaneSeesItsOwnPositionAtFullShade)
{
    Grids g;
    const Vec4 camera = {45, -256, 10.7f, 1}, angles = {0.3f, 0, 1.1f, 1};
    grid_cast_plane_pair(g.pair, camera, angles, 45, 5);
    grid_cast_plane(g.single, camera, angles, 45, 5);
    int cast = 0;
    for (int n = 0; n < 33 * 25; ++n) {
        const GridNode &p = g.pair->nodes[n], &s = g.single->nodes[n];
        EXPECT_TRUE(p.u == -53 && p.v == 1280 && p.shade == 255) << n;   // trunc(-10.7 * 5), 256 * 5
        EXPECT_TRUE(s.shade == 0 || (s.u == -53 && s.v == 1280 && s.shade == 255)) << n;
        cast += s.shade != 0;
    }
    EXPECT_GT(cast, 100);
    EXPECT_LT(cast, 33 * 25);
}

// One node of a 16-pixel cell: its ray is the top-right corner (1, -1, 1) / sqrt 3 turned by the
// angles, so at angles 0 t = D * sqrt 3, u = trunc(5 D) and v = trunc(-5 D).
TEST(PlaneCast, ShadeFadesToBlackAtDistance255AndHugeCoordinatesStayDefined)
{
    constexpr int32_t k_max = std::numeric_limits<int32_t>::max(), k_min = std::numeric_limits<int32_t>::min();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    Grids g;
    struct Case {
        float plane, angle_x, angle_z;
        int single_shade, pair_shade, u, v;
    } cases[] = {
        {0, 0, 0, 255, 255, 0, 0},         {100.5f, 0, 0, 80, 80, 502, -502},
        {146.1f, 0, 0, 1, 1, 730, -730},   {147.1f, 0, 0, 0, 0, 735, -735},
        {148.1f, 0, 0, 0, 0, 740, -740},   // t beyond 255: black, not wrapped round
        // Half a turn about z: the ray points away, black alone, the mirror image in the pair.
        {100.5f, 0, 3.1415927f, 0, 80, 502, 502},
        {3e38f, 0, 0, 0, 0, k_max, k_min},   // beyond the integer range: held at the limits
        {nan, 0, 0, 0, 0, 0, 0},             // no distance
        {45, nan, 0, 0, 0, 0, 0},            // rays that are not numbers
    };
    for (const Case& c : cases) {
        for (bool pair : {false, true}) {
            GridNode node = {7, 7, 7};
            TextureGrid one = {&node, 1, 1, 0, 0, 16, 16, g.tex};
            (pair ? grid_cast_plane_pair : grid_cast_plane)(&one, {0, 0, 0, 1}, {c.angle_x, 0, c.angle_z, 1}, c.plane, 5);
            EXPECT_EQ(node.shade, pair ? c.pair_shade : c.single_shade) << c.plane << " " << pair;
            if (pair || c.single_shade) {
                EXPECT_TRUE(node.u == c.u && node.v == c.v) << c.plane << ": " << node.u << " " << node.v;
            }
        }
        grid_cast_plane_pair(g.pair, {0, -256, 0, 1}, {c.angle_x, 0, 0.7f, 1}, c.plane, 5);
        Frame f;
        grid_draw(g.pair, &f.s);
        EXPECT_TRUE(f.pad_intact());
    }
}
