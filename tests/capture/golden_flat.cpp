// Golden frame hashes of the flat scenes: the first 21 seconds (flickering static, the five names
// strobing and fading) and the closing picture fades must stay bit-identical through any optimisation.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/capture_run.h"

namespace {

struct Case {
    const char* args;
    std::vector<std::string> hashes;   // "NNNNNN HHHHHHHHHHHHHHHH"
};

void expect_frames(const Case* cases, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        const CaptureResult r = capture_hashes(cases[i].args);
        ASSERT_EQ(r.exit_code, 0) << cases[i].args;
        std::vector<std::string> got;
        for (const std::string& line : r.lines) got.push_back(line.substr(0, 23));
        EXPECT_EQ(got, cases[i].hashes) << cases[i].args;
    }
}

}  // namespace

// Black, names and picture fades: these depend on the data files only (recorded again for the
// redrawn font, helmet emblem and field).
TEST(GoldenFlat, NamesAndPictureFades)
{
    const Case cases[] = {
        // 2 and 100: black; 364: the first name in white; 440, 500: its fade; 545: the next strobe's
        // first frame already shows the second name; then fades and strobes of the later names.
        {"--from 0 --to 21025 --frames 2,100,364,440,500,545,700,900,1000,1100,1201,1260",
         {"000002 3b2dc8fe17122325", "000100 3b2dc8fe17122325", "000364 5b26ced9d76ee422",
          "000440 66329258b3b1a02d", "000500 cb34ff499f62e551", "000545 cd14fbef3ee539f0",
          "000700 6cd8baca0a3dca42", "000900 9c6fde9f58b3907d", "001000 a55f11fa56e9e87b",
          "001100 0fa06c9ddb3b324c", "001201 a4e27fc2d79b94bc", "001260 6893d20b2c1f2d08"}},
        // Frames are numbered from 0 ms, as in a whole capture, wherever a capture starts. The two
        // short plumhelm entries, each from full strength (10854 and 10885 are their first frames),
        // then the closing gloomfield fade from its first frame, black after about 1.42 s. Recorded
        // again when captures began to render every frame before the first one written: the
        // numbers changed, and 10888 now lies 86 ms into its entry where it used to lie 83 ms in.
        {"--frames 10854,10856,10885,10888,10922,10952,10982,11012",
         {"010854 1397adcb557d8fb8", "010856 a8a70f9a27c08de9", "010885 20db510ef44bda90",
          "010888 71e5e07ef20ee8d9", "010922 1e46dc9d448f0000", "010952 3b834ab999d643fa",
          "010982 b60ad4daa05d8598", "011012 3b2dc8fe17122325"}},
    };
    expect_frames(cases, sizeof cases / sizeof cases[0]);
}

// Static frames continue the random sequence that the start-up preparations leave behind, so these
// hashes must be recorded again whenever a preparation that draws random numbers joins the start-up
// or changes its draws. Recorded again when the wave-floor, plane and object preparations joined
// the start-up with their draws: the static now continues from where the last of them leaves off.
TEST(GoldenFlat, StaticFrames)
{
    const Case cases[] = {
        // 0: the flicker's first call; 5: its first static phase; 363: the strobe arming; 368, 546,
        // 560: strobe static phases.
        {"--from 0 --to 21025 --frames 0,5,363,368,546,560",
         {"000000 79f2c0abd6c1e3d5", "000005 74c6627d929099ed", "000363 4d9d8900b4018dc1",
          "000368 9f63b7f8036ef161", "000546 8d481e741c35a2cd", "000560 da4cc14a4f124c61"}},
    };
    expect_frames(cases, sizeof cases / sizeof cases[0]);
}
