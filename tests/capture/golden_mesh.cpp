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
        {"--frames 1626,1627,1656,1693",
         {"001626 f93d9161e149fa46", "001627 027d907cc6f74513", "001656 751cbf2b764452eb",
          "001693 08c7ae845aa5b44a"}},
        {"--frames 8878,8879,8978,9278",
         {"008878 f93d9161e149fa46", "008879 c77c7b068f54f289", "008978 b1cdd5af3f259edc",
          "009278 fa4a519f02fa5e7b"}},
    };
    for (const Case& c : cases) {
        const CaptureResult r = capture_hashes(c.args);
        ASSERT_EQ(r.exit_code, 0) << c.args;
        std::vector<std::string> got;   // frame number and hash, without what the tool adds after them
        for (const std::string& line : r.lines) got.push_back(line.substr(0, 23));
        EXPECT_EQ(got, c.hashes) << c.args;
    }
}
