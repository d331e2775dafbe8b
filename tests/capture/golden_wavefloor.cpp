// Golden frame hashes of the wave-floor flight: level flight, frames inside both pitch loops
// (the sky frame that shows only the caption repeats exactly) and the last frame of the entry.
// They depend on the random state the earlier preparations leave and on the font; to re-record:
//   cd build && ./quorvelle-capture --from 51963 --to 63963
//     --frames 3119,3120,3219,3330,3360,3410,3650,3700,3837 --format hash --out -
// (one command line). Recorded again for the redrawn font of the caption.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/capture_run.h"

TEST(GoldenWaveFloor, FlightAndLoopsDrawTheSameFramesAsRecorded)
{
    const char* args = "--from 51963 --to 63963 --frames 3119,3120,3219,3330,3360,3410,3650,3700,3837";
    const std::vector<std::string> hashes = {
        "003119 b1ac3b333953d7c9",   // the first frame: position -256, level, delta 0
        "003120 cec51df3f91770ef",
        "003219 2ffaafc6a391bfcb",   // level flight
        "003330 08042732a009f026",   // the first loop, turning up
        "003360 46e73c81b927217d",   // the first loop, only sky below the caption
        "003410 0b20a13c1ec05bfa",   // the first loop, the floor coming back
        "003650 7d810cd04a5bc916",   // the second loop
        "003700 46e73c81b927217d",   // the second loop's sky: the same frame as the first's
        "003837 1c4c1b9df40d246a",   // the last frame of the entry
    };
    const CaptureResult r = capture_hashes(args);
    ASSERT_EQ(r.exit_code, 0);
    std::vector<std::string> got;   // frame number and hash, without what the tool adds after them
    for (const std::string& line : r.lines) got.push_back(line.substr(0, 23));
    EXPECT_EQ(got, hashes);
}
