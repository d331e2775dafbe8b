// The capture backend's guard bytes past each row: a whole capture, driven by the frame loop, fails
// when a scene writes past a row.
#include <gtest/gtest.h>

#include "display/surface.h"
#include "platform/capture.h"
#include "platform/platform.h"
#include "shell/demo.h"
#include "shell/timeline.h"

namespace {

void overrunning_scene(Surface* frame, float, float)
{
    surface_row(frame, 7)[512] = 1;   // one word past the row
}

int record(const CaptureFrame*, void*) { return 1; }

}  // namespace

TEST(CaptureBackend, WritingPastARowFailsTheCapture)
{
    const TimelineEntry script[] = {{overrunning_scene, 1000}, {nullptr, 0}};
    CaptureConfig config = {60, 0, UINT32_MAX, UINT64_MAX, 2560, record, nullptr};
    ASSERT_TRUE(capture_configure(&config));
    window_create("test");
    ASSERT_TRUE(display_open());
    frame_loop_run(script, sound_stream_open("music.mp3"));
    display_close();
    EXPECT_FALSE(capture_succeeded());
    EXPECT_NE(std::string(capture_error()).find("row 7"), std::string::npos) << capture_error();
}
