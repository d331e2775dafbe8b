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
        "003119 4fd93436bd6c1cf6",   // the first frame: position -256, level, delta 0
        "003120 a7143bf782fc0b56",
        "003219 8175fa5f5ec36b4f",   // level flight
        "003330 f3124ff34c5056ec",   // the first loop, turning up
        "003360 9834de327a140d94",   // the first loop, only sky below the caption
        "003410 57b3d7f984e3b617",   // the first loop, the floor coming back
        "003650 8c011a81d047e61b",   // the second loop
        "003700 9834de327a140d94",   // the second loop's sky: the same frame as the first's
        "003837 30955c78892bf8ac",   // the last frame of the entry
    };
    const CaptureResult r = capture_hashes(args);
    ASSERT_EQ(r.exit_code, 0);
    std::vector<std::string> got;   // frame number and hash, without what the tool adds after them
    for (const std::string& line : r.lines) got.push_back(line.substr(0, 23));
    EXPECT_EQ(got, hashes);
}
