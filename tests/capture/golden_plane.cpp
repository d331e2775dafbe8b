// Golden frame hashes of the four plane scenes: the first frames of each entry and frames inside
// them in one run, and the two short returns of scene_terrain_3 near the end of the script. The
// dissolve and the static continue the random sequence that the start-up preparations leave, so
// these hashes are recorded again whenever a preparation's random draws change: in the build
// directory run `./quorvelle-capture ARGS --format hash --out -` for each row and paste the first
// 23 characters of each line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/capture_run.h"

TEST(GoldenPlane, EntriesAndReturnsDrawTheSameFramesAsRecorded)
{
    struct Case {
        const char* args;
        std::vector<std::string> hashes;
    } cases[] = {
        // At 60 fps the loop reaches each entry one frame after its start time: 3839 is the first
        // frame of scene_terrain_1 (the static plane over static), 3929 of scene_terrain_2 (the
        // static fades to black), 4019 of scene_terrain_3 (pure static, then the red ground from
        // about 4147 on) and 4558 of scene_terrain_4 (the sky plane with stars in its black half).
        {"--from 63963 --to 87948 --frames 3839,3840,3885,3929,3930,3975,4019,4020,4150,4300,4557,4558,4559,4800,5276",
         {"003839 b82aec51778b2602", "003840 ccc94af222200679", "003885 15307581e604c4db",
          "003929 5a918768ecf3643d", "003930 e4b5283a810fd3b6", "003975 62d76f73c5058615",
          "004019 d6f61db2f47aef88", "004020 b90183d57c6221c6", "004150 b69ed798d1088e21",
          "004300 df8faf59f99af4db", "004557 45dc1e05bd54003a", "004558 09de672fc77f4c97",
          "004559 50f73058aabc1130", "004800 2570bbb4149fc145", "005276 e8e173c96fddc87f"}},
        // The whole run at 8 fps: the returns of entries 83 (from 181005 ms) and 89 (from 181755 ms),
        // each reached one frame late at this rate, take the gap as one step and show the ground
        // without static.
        {"--fps 8 --to 182004 --frames 1450,1456", {"001450 767dc34697f57f75", "001456 bc3bf6f3cab4d8e9"}},
    };
    for (const Case& c : cases) {
        const CaptureResult r = capture_hashes(c.args);
        ASSERT_EQ(r.exit_code, 0) << c.args;
        std::vector<std::string> got;   // frame number and hash, without what the tool adds after them
        for (const std::string& line : r.lines) got.push_back(line.substr(0, 23));
        EXPECT_EQ(got, c.hashes) << c.args;
    }
}
