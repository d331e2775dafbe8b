// The picture fades (placement, rate, floor, a later entry's restart) and what a whole run never
// reaches: the name fade at 0, a strobe past the last name. The words past each row stay untouched.
#include "common/test_util.h"
#include "draw2d/font.h"
#include "draw2d/pictures.h"
#include "scenes/flat/flat_scenes.h"
#include "shell/timeline.h"

TEST(FlatScenes, PictureFadesAndNameFadeFloor)
{
    TempDir dir("q_draw2d");
    dir.write("data/plumhelm234x257.raw", ramp_bytes(234 * 257, 1));
    dir.write("data/gloomfield97x73.raw", ramp_bytes(97 * 73, 5));
    dir.write("data/marrowvale512x384x32.raw", ramp_bytes(512 * 384 * 4, 3));
    ASSERT_EQ(font_load(dir.write("font.raw", ramp_bytes(209 * 25, 7)).c_str(), 8, 25), 1);
    {
        DirScope inside(dir.path);
        ASSERT_EQ(pictures_prepare(), 1);
    }
    PaddedSurface frame(512, 384, 0x33333333u, 128);
    const float s1 = ms_to_frames(182004), s2 = ms_to_frames(190000);
    scene_fade_plumhelm(&frame.s, s1 + 0.5f, s1);   // the very first call: full strength
    EXPECT_EQ(frame.at(139 + 5, 64 + 1), 0x00F0F0F0u);   // file byte 239 holds 240
    for (const auto& out : {std::make_pair(138, 64), std::make_pair(139 + 234, 64), std::make_pair(139, 64 + 257)})
        EXPECT_EQ(frame.at(out.first, out.second), 0u);
    const std::pair<float, float> steps[] = {{s1 + 10.5f, 215.0f}, {s1 + 70.5f, 0.0f}};   // 4 levels a unit
    for (const auto& st : steps) {
        scene_fade_plumhelm(&frame.s, st.first, s1);
        EXPECT_EQ(g_fade_plumhelm->level, st.second);
    }
    // A later entry of 125 ms starts from 255 again and ends near 225.
    scene_fade_plumhelm(&frame.s, s2, s2);
    EXPECT_EQ(g_fade_plumhelm->level, 255.0f);
    scene_fade_plumhelm(&frame.s, ms_to_frames(190125), s2);
    EXPECT_NEAR(g_fade_plumhelm->level, 225.0f, 0.01f);

    scene_fade_gloomfield(&frame.s, s1, s1);
    EXPECT_EQ(frame.at(208 + 1, 156), 0x00050505u);
    scene_fade_title(&frame.s, s1, s1);
    EXPECT_EQ(frame.at(0, 0), 0x00060300u);   // file bytes 0, 3, 6, 9: the top byte cleared
    scene_fade_title(&frame.s, s1 + 10.0f, s1);
    EXPECT_EQ(g_fade_title->level, 195.0f);   // 6 levels a unit

    // The name fade stops at 0: black on black.
    scene_name_fade(&frame.s, s1, s1);
    scene_name_fade(&frame.s, s1 + 130.0f, s1);
    EXPECT_EQ(g_name_fade_state.level, 0.0f);
    EXPECT_EQ(frame.at(256, 190), 0u);
    // A later strobe entry moves past the last name to the first.
    g_name_index = 4;
    scene_name_strobe(&frame.s, s1, s1);
    scene_name_strobe(&frame.s, s2, s2);
    EXPECT_EQ(g_name_index, 0);
    EXPECT_TRUE(frame.pad_intact());
}
