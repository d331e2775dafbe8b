// Golden frame hashes of the mesh scene in both of its Timeline entries: the spinning octopus over
// its warping texture must stay bit-identical through any optimisation.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/capture_run.h"

TEST(GoldenMesh, BothEntriesDrawTheSameFramesAsRecorded)
{
    struct Case {
        const char* args;
        std::vector<std::string> hashes;
    } cases[] = {
        // Frames are numbered from 0 ms, as in a whole capture; 1626 and 8878 are the first frames
        // of the two entries (the frame before each still draws the entry that ends there). Both
        // entries restart the animation, so their first frames agree. Recorded again when captures
        // began to render every frame before the first one written: the frames now lie on the whole
        // run's clock (147966, 147983 ms, ...) rather than on one counted from the entry's start.
        // Recorded again when the glow dot's row and pixel values and the pulse step were kept in
        // double (a dot pixel after the cancellation in q truncates one level lower), and again
        // for the redrawn octopus.
        {"--frames 1626,1627,1656,1693",
         {"001626 7e565330969f23b6", "001627 700b234253118c21", "001656 0e7b70b370b06835",
          "001693 54ed51b732a761d0"}},
        {"--frames 8878,8879,8978,9278",
         {"008878 7e565330969f23b6", "008879 529ca5138e710a89", "008978 e54676585997c6ad",
          "009278 e002f9a6042e6fce"}},
    };
    for (const Case& c : cases) {
        const CaptureResult r = capture_hashes(c.args);
        ASSERT_EQ(r.exit_code, 0) << c.args;
        std::vector<std::string> got;   // frame number and hash, without what the tool adds after them
        for (const std::string& line : r.lines) got.push_back(line.substr(0, 23));
        EXPECT_EQ(got, c.hashes) << c.args;
    }
}
