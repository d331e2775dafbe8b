// The flat scenes walked frame by frame through the first 21 seconds of the script, and the picture
// fades; the frame has a 2560-byte pitch whose bytes past 2048 must stay untouched.
#include "common/test_util.h"
#include "draw2d/flat_scenes.h"
#include "draw2d/font.h"
#include "draw2d/pictures.h"
#include "shell/random.h"
#include "shell/timeline.h"

namespace {

class FlatScenes : public testing::Test {
protected:
    // The pictures and the font stay in memory: their files are needed only here.
    static void SetUpTestSuite()
    {
        TempDir dir("q_draw2d");
        dir.write("data/plumhelm234x257.raw", ramp_bytes(234 * 257, 1));
        dir.write("data/gloomfield97x73.raw", ramp_bytes(97 * 73, 5));
        dir.write("data/marrowvale512x384x32.raw", ramp_bytes(512 * 384 * 4, 3));
        ASSERT_EQ(font_load(dir.write("font.raw", ramp_bytes(209 * 25, 7)).c_str(), 8, 25), 1);
        DirScope inside(dir.path);
        ASSERT_EQ(pictures_prepare(), 1);
    }
    void SetUp() override
    {
        g_static_flicker_state = g_name_strobe_state = {};
        g_name_fade_state = {};
        g_fade_plumhelm_state = g_fade_title_state = g_fade_gloomfield_state = {};
        g_name_index = 0;
        demo_srand(1);
    }
};

// 'B' black, '0'..'4' that name in white (or, in a fade, in the grey of the current level),
// 'S' static (greys in all four bytes), '?' anything else.
char classify(const Frame& frame, Frame& scratch, bool fade)
{
    bool black = true, grey = true;
    for (int y = 0; y < 384; ++y)
        for (int x = 0; x < 512; ++x) {
            const uint32_t p = frame.at(x, y);
            black = black && p == 0;
            grey = grey && p == (p & 0xFF) * 0x01010101u;
        }
    if (black) return 'B';
    for (int i = 0; i < g_name_count; ++i) {
        surface_clear(&scratch.s);
        const uint32_t colour = fade ? static_cast<uint32_t>(g_name_fade_state.level) * 0x01010101u : 0xFFFFFFFFu;
        draw_text(&scratch.s, g_names[i], 256 - (text_width(g_names[i]) >> 1), 179, colour);
        if (scratch.words == frame.words) return static_cast<char>('0' + i);
    }
    return grey ? 'S' : '?';
}

TEST_F(FlatScenes, FirstTwentyOneSeconds)
{
    const struct {
        SceneFn scene;
        uint32_t end_ms;
    } script[] = {{scene_static_flicker, 1217}, {scene_black, 3036}, {scene_static_flicker, 4185},
                  {scene_black, 6024},          {scene_name_strobe, 7194}, {scene_name_fade, 9051},
                  {scene_name_strobe, 10225},   {scene_name_fade, 12049},  {scene_name_strobe, 13189},
                  {scene_name_fade, 15018},     {scene_name_strobe, 16167}, {scene_name_fade, 18030},
                  {scene_name_strobe, 19215},   {scene_name_fade, 21025}};
    Frame frame, scratch;
    std::string seen[14];
    float last_level[14] = {};
    // As the frame loop does: draw with the current entry, then pass it once its end is reached.
    for (uint32_t t = 0, e = 0; e < 14; t += 20) {
        script[e].scene(&frame.s, ms_to_frames(t), ms_to_frames(e ? script[e - 1].end_ms : 0));
        const bool fade = script[e].scene == scene_name_fade;
        if (fade && seen[e].empty()) {
            EXPECT_EQ(g_name_fade_state.level, 255.0f);
        }
        seen[e] += classify(frame, scratch, fade);
        last_level[e] = g_name_fade_state.level;
        if (t >= script[e].end_ms) ++e;
    }
    EXPECT_TRUE(frame.pad_intact());

    // Flicker: static on the very first call, then 3.75-unit phases from black; later entries black first.
    EXPECT_EQ(seen[0].substr(0, 8), "SBBBSSSB");
    EXPECT_EQ(seen[2][0], 'B');
    for (int e : {0, 2}) EXPECT_EQ(seen[e].find_first_not_of("SB"), std::string::npos);
    for (int e : {1, 3}) EXPECT_EQ(seen[e].find_first_not_of("B"), std::string::npos);
    for (int k = 0; k < 5; ++k) {
        const std::string name(1, static_cast<char>('0' + k)), &strobe = seen[4 + 2 * k];
        EXPECT_EQ(strobe.substr(0, 3), k == 0 ? "S" + name + name : name + "S" + name) << k;
        EXPECT_EQ(strobe.find_first_not_of("S" + name), std::string::npos) << strobe;
        EXPECT_NE(strobe.find("S" + name + name + name + "SSS"), std::string::npos) << strobe;
        // The fade shows the strobe's name, from white, two levels per frame unit (within a frame).
        EXPECT_EQ(seen[5 + 2 * k].find_first_not_of(name), std::string::npos) << seen[5 + 2 * k];
        EXPECT_NEAR(last_level[5 + 2 * k], 255.0f - 2 * 0.06f * (script[5 + 2 * k].end_ms - script[4 + 2 * k].end_ms), 5.0f);
    }
}

TEST_F(FlatScenes, PictureFadesAndNameFadeFloor)
{
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

}  // namespace
