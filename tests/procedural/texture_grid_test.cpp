// Texture grids: the pinch warp's nodes, the one-pixel shift of the undistorted grid, mirrored
// fetches and the shade factors of both draw routines.
#include "common/test_util.h"
#include "procedural/texture_grid.h"

namespace {

Image* pattern_texture(int w, int h)
{
    Image* img = image_create(w, h);
    for (int i = 0; i < w * h; ++i) img->pixels[i] = 0xAB000000u | ((i % w) * 0x010307u + (i / w) * 0x130501u) % 0x1000000u;
    return img;
}

}  // namespace

TEST(TextureGrid, UndistortedGridTilesShiftedByOnePixel)
{
    Image* tex = pattern_texture(256, 256);
    TextureGrid* g = grid_create(32, 24, tex);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->cols * 100 + g->rows, 3325);
    EXPECT_EQ(g->cell_w * 100 + g->cell_h, 1616);
    EXPECT_EQ(grid_create(0, 24, tex), nullptr);
    // The pinch: node (0, 0) has di = -12, dj = -16, so u = trunc(-0.5 * -16 * 144 / 16) and
    // v = trunc(-0.5 * -12 * 256 / 12); the centre node stays on the screen centre.
    grid_warp_pinch(g, 0.5);
    EXPECT_EQ(g->nodes[0].u * 1000 + g->nodes[0].v, 72128);
    EXPECT_EQ(g->nodes[24 * 33 + 32].u * 1000 + g->nodes[24 * 33 + 32].v, 440256);
    EXPECT_EQ(g->nodes[12 * 33 + 16].u * 1000 + g->nodes[12 * 33 + 16].v, 256192);
    grid_warp_pinch(g, 0.0);
    Frame f;
    grid_draw(g, &f.s);
    for (int y = 0; y < 384; ++y)
        for (int x = 0; x < 512; ++x)
            ASSERT_EQ(f.at(x, y), tex->pixels[(y % 256) * 256 + (x + 1) % 256] & 0xFFFFFFu) << x << "," << y;
    EXPECT_TRUE(f.pad_intact());
    grid_free(g);
    image_free(tex);
}

TEST(TextureGrid, MirroredFetchAndShadeFactors)
{
    Image* tex = pattern_texture(64, 32);
    TextureGrid* g = grid_create(32, 24, tex);
    const uint32_t texel = 0xC2DBB2u, back = 0x204060u;   // texel (61, 7)
    ASSERT_EQ(tex->pixels[7 * 64 + 61] & 0xFFFFFFu, texel);
    Frame bg;
    std::fill(bg.words.begin(), bg.words.end(), 0x7F000000u | back);
    struct Case {
        int u, v, shade;
        bool blend;
        uint32_t expect;
    // grid_draw makes each channel (ch * (shade + 2)) >> 8, black for shade 0; grid_draw_blend adds
    // (ch * (shade + 1)) >> 8 to (background * (256 - shade)) >> 8.
    } cases[] = {
        {61, 7, 255, false, texel},
        {-61, -7, 255, false, texel},   // negative coordinates mirror about 0
        {61 + 64 * 5, 7 + 32 * 3, 254, false, texel},
        {61, 7, 1, false, 0x020202u},
        {61, 7, 100, false, 0x4D5746u},
        {61, 7, 0, false, 0u},
        {-61, 7, 0, true, back},
        {-61, 7, 255, true, texel},
        {-61, 7, 128, true, 0x616E59u + 0x102030u},
    };
    for (const Case& c : cases) {
        for (int i = 0; i < g->cols * g->rows; ++i) g->nodes[i] = {c.u, c.v, static_cast<uint8_t>(c.shade)};
        Frame f;
        if (c.blend) grid_draw_blend(g, &f.s, &bg.s);
        else grid_draw(g, &f.s);
        for (auto [x, y] : {std::pair{0, 0}, std::pair{511, 383}, std::pair{200, 100}})
            EXPECT_EQ(f.at(x, y), c.expect) << c.u << " " << c.shade << " " << c.blend;
    }
    grid_free(g);
    image_free(tex);
}
