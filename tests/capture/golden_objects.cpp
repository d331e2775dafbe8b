// Golden frame hashes of the object scenes: the shaking star, the turning drum alone and under the
// orange star, and the dot-matrix clouds over the night vale must stay bit-identical through any
// optimisation. The backdrops, clouds and drum follow the random sequence of the whole start-up, and
// the clouds draw one random number per frame, so a change to any earlier preparation's or scene's
// draws changes these hashes. To re-record the table, run from the build directory
//     ./quorvelle-capture --from 24038 --to 171965 --frames <the frames below> --format hash --out -
// and copy the first 23 characters (frame number and hash) of each line. Recorded again for the
// redrawn night vale under the dot-matrix display.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/capture_run.h"

TEST(GoldenObjects, EveryObjectSceneDrawsTheSameFramesAsRecorded)
{
    // Frame j is the moment j * 1000 / 60 ms; one capture renders them all.
    const std::vector<std::string> want = {
        // scene_objects_1, first entry (from 24038 ms): the first call arms the shake.
        "001444 849129786d2f3f0b", "001460 588f276314fcdbbd", "001500 a766a360adeef448", "001511 6da780b60f1679b2",
        // scene_objects_3 (from 33013 ms): the drum over backdrop B.
        "001982 f3dfadea21cba631", "002000 5d8e8cfb8fbc9602", "002040 74129d413d1cdacd",
        // scene_objects_1, second entry (from 36013 ms): the state carried over from the first.
        "002200 16516b013ec3d2d1",
        // scene_objects_4, first entry (from 102941 ms).
        "006178 9008f5c8601463c3", "006210 e712cf027ea8ad1e", "006243 7d6cc3486ae0fd32",
        // scene_objects_2 (from 123956 ms): the clouds over the night vale.
        "007439 eecba819bc7fb87a", "007500 36f6c4019c3cc36c", "008000 a77fca21b83378f8", "008876 f613a1bd335762e9",
        // scene_objects_4, last entry (from 159943 ms).
        "009598 e7feea5f907a8241", "009900 b997b312ac585908", "010300 bdf6524a8d70b1f7",
    };
    std::string frames;
    for (const std::string& w : want) frames += (frames.empty() ? "" : ",") + std::to_string(std::stoi(w.substr(0, 6)));
    const CaptureResult r = capture_hashes("--from 24038 --to 171965 --frames " + frames);
    ASSERT_EQ(r.exit_code, 0);
    std::vector<std::string> got;   // frame number and hash, without what the tool adds after them
    for (const std::string& line : r.lines) got.push_back(line.substr(0, 23));
    EXPECT_EQ(got, want);
}
