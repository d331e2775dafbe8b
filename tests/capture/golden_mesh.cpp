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
        // The short entry: both entries restart the animation, so their first frames agree.
        {"--from 27068 --to 28223 --frames 0,1,30,68",
         {"000000 f93d9161e149fa46", "000001 027d907cc6f74513", "000030 8b84d26a705b7213",
          "000068 345cc99e75c5401a"}},
        {"--from 147943 --to 154700 --frames 0,1,100,400",
         {"000000 f93d9161e149fa46", "000001 027d907cc6f74513", "000100 0894a7d9f7adcd71",
          "000400 5ccfc6750b4b1b8e"}},
    };
    for (const Case& c : cases) {
        const CaptureResult r = capture_hashes(c.args);
        ASSERT_EQ(r.exit_code, 0) << c.args;
        std::vector<std::string> got;   // frame number and hash, without what the tool adds after them
        for (const std::string& line : r.lines) got.push_back(line.substr(0, 23));
        EXPECT_EQ(got, c.hashes) << c.args;
    }
}
