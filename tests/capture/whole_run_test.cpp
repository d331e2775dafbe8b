// The whole demo captured at 60 fps, as a user exports it: the capture completes with every row's
// padding intact, every Timeline entry gets frames, and every entry whose scene is not the plain
// black one shows a picture in at least one of them.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>
#include <string>

#include "common/capture_run.h"
#include "shell/scene_list.h"
#include "shell/timeline.h"

TEST(WholeRun, EveryEntryDrawsItsOwnSceneAndNothingWritesPastARow)
{
    // The tool fails the capture (exit 1) when a scene writes into a row's padding.
    const CaptureResult r = capture_hashes("--fps 60");
    ASSERT_EQ(r.exit_code, 0);
    ASSERT_EQ(r.lines.size(), 11039u + 1);   // frames 0 .. 183981 * 60 / 1000

    TimelineEntry timeline[k_timeline_entries + 1];
    timeline_build(timeline);
    const std::string black = "3b2dc8fe17122325";   // the hash of an all-black frame
    std::map<int, int> frames;                          // entry -> frames drawn
    std::set<int> lit;                                  // entries with a frame that is not black
    for (const std::string& line : r.lines) {
        std::istringstream in(line);
        int frame = 0, entry = -1;
        std::string hash;
        in >> frame >> hash >> entry;
        ASSERT_GE(entry, 0) << line;
        ASSERT_LT(entry, k_timeline_entries) << line;
        ++frames[entry];
        if (hash != black) lit.insert(entry);
    }
    for (int e = 0; e < k_timeline_entries; ++e) {
        EXPECT_GT(frames[e], 0) << "entry " << e;
        if (timeline[e].scene == scene_black)
            EXPECT_EQ(lit.count(e), 0u) << "entry " << e << " is black";
        else
            EXPECT_EQ(lit.count(e), 1u) << "entry " << e << " shows only black";
    }
}
