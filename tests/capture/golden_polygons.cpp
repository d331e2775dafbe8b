// Golden frame hashes of the polygon scenes: the orbs circling the glass column over each of their
// backgrounds, the ripples of the 21 short entries, and the one-frame captioned entry near the end.
// Frame numbers count from the start of the script (frame j is at j * 1000 / fps ms). To re-record,
// run each case's arguments from the build directory:
//     ./quorvelle-capture ARGS --format hash --out -
// and paste the first 23 characters of each line (frame number and hash) into the table. Recorded
// again for the redrawn title card, fuzzy balls and font, and for the random state of the finished
// start-up under the flickering static.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/capture_run.h"

TEST(GoldenPolygons, FramesAsRecorded)
{
    struct Case {
        const char* args;
        std::vector<std::string> hashes;   // "NNNNNN HHHHHHHHHHHHHHHH"
    } cases[] = {
        // Over flickering static (the noise depends on the random state left by the start-up).
        {"--from 21025 --to 22141 --frames 1263,1264,1292,1328",
         {"001263 4657a8bbcc7c5e50", "001264 c6a436e270a809a6", "001292 f4084020f086cba8",
          "001328 f5d33c7c2af19a14"}},
        // Over the fading title: 2588 is the first frame of the second entry, with its new ripple;
        // by 3009 all 21 ripples rest at the top.
        {"--from 41973 --to 50161 --frames 2520,2521,2587,2588,2720,3009",
         {"002520 978bc695f464ca81", "002521 0458ecf8ca05c7c8", "002587 ff3f54bc99ceda34",
          "002588 ce37e7c36f4ec07d", "002720 655eeac917d5cd4b", "003009 0312ee3bf4c67453"}},
        // Over the fuzzy balls, 12 s.
        {"--from 87948 --to 99948 --frames 5278,5279,5577,5996",
         {"005278 20e5e96bbc303fc9", "005279 47ef95f91e6bb48a", "005577 6c344ab67ee14bd6",
          "005996 f7d37d22946645d1"}},
        // The whole run at 8 fps: frame 1452 is the only frame of the captioned entry that begins at
        // 181255 ms.
        {"--fps 8 --frames 1452", {"001452 02a31047dc86bd32"}},
    };
    for (const Case& c : cases) {
        const CaptureResult r = capture_hashes(c.args);
        ASSERT_EQ(r.exit_code, 0) << c.args;
        std::vector<std::string> got;
        for (const std::string& line : r.lines) got.push_back(line.substr(0, 23));
        EXPECT_EQ(got, c.hashes) << c.args;
    }
}
