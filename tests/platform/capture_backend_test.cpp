// The capture backend's guard bytes past each row: a whole capture, driven by the frame loop, fails
// when a scene writes past a row.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "display/surface.h"
#include "platform/capture.h"
#include "platform/platform.h"
#include "shell/demo.h"
#include "shell/timeline.h"

namespace {

// The row and the byte past its start that the scene overwrites.
int g_bad_row = 0, g_bad_byte = 0;

void overrunning_scene(Surface* frame, float, float)
{
    reinterpret_cast<uint8_t*>(surface_row(frame, g_bad_row))[g_bad_byte] ^= 1;
}

int record(const CaptureFrame*, void*) { return 1; }

}  // namespace

TEST(CaptureBackend, WritingPastARowFailsTheCapture)
{
    // The first guard byte after a row, and the last guard byte of the last row.
    for (const auto& [row, byte] : {std::pair{7, 2048}, std::pair{383, 2559}}) {
        g_bad_row = row;
        g_bad_byte = byte;
        g_quit = 0;   // the failed capture before stopped the loop
        const TimelineEntry script[] = {{overrunning_scene, 1000}, {nullptr, 0}};
        CaptureConfig config = {60, 0, UINT32_MAX, UINT64_MAX, 2560, record, nullptr};
        ASSERT_TRUE(capture_configure(&config));
        window_create("test");
        ASSERT_TRUE(display_open());
        frame_loop_run(script, sound_stream_open("music.mp3"));
        display_close();
        EXPECT_FALSE(capture_succeeded());
        EXPECT_NE(std::string(capture_error()).find("row " + std::to_string(row)), std::string::npos)
            << capture_error();
    }
}
