// Golden frame hashes of the wave-floor flight: level flight, frames inside both pitch loops
// (the sky frame that shows only the caption repeats exactly) and the last frame of the entry.
// They depend on the random state the earlier preparations leave and on the font; to re-record:
//   cd build && ./quorvelle-capture --from 51963 --to 63963
//     --frames 3119,3120,3219,3330,3360,3410,3650,3700,3837 --format hash --out -
// (one command line).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/capture_run.h"

TEST(GoldenWaveFloor, FlightAndLoopsDrawTheSameFramesAsRecorded)
{
    const char* args = "--from 51963 --to 63963 --frames 3119,3120,3219,3330,3360,3410,3650,3700,3837";
    const std::vector<std::string> hashes = {
        "003119 5b1df8bfe37b33c4",   // the first frame: position -256, level, delta 0
        "003120 2c1d2cb252ede8fb",
        "003219 89a9520a1e86b14e",   // level flight
        "003330 c43315f65a4bad1e",   // the first loop, turning up
        "003360 f88ea12157234de8",   // the first loop, only sky below the caption
        "003410 dfb067a64d28fc6b",   // the first loop, the floor coming back
        "003650 e2f2d2917980129f",   // the second loop
        "003700 f88ea12157234de8",   // the second loop's sky: the same frame as the first's
        "003837 9f3a06b894278270",   // the last frame of the entry
    };
    const CaptureResult r = capture_hashes(args);
    ASSERT_EQ(r.exit_code, 0);
    std::vector<std::string> got;   // frame number and hash, without what the tool adds after them
    for (const std::string& line : r.lines) got.push_back(line.substr(0, 23));
    EXPECT_EQ(got, hashes);
}
