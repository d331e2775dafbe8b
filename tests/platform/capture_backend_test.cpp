// The capture backend's virtual clock and its guard bytes past each row, driven by the frame loop.
#include <gtest/gtest.h>

#include <vector>

#include "display/surface.h"
#include "platform/capture.h"
#include "platform/platform.h"
#include "shell/demo.h"
#include "shell/timeline.h"

namespace {

std::vector<uint32_t> s_delivered_ms;
std::vector<int> s_delivered_entry;
std::vector<uint64_t> s_delivered_index;
std::vector<float> s_scene_now;   // every call's `now`, seeking passes included
int s_scene_calls;

int plain_scene(Surface* frame, float now, float)
{
    ++s_scene_calls;
    s_scene_now.push_back(now);
    surface_clear(frame);
    return 1;
}

int overrunning_scene(Surface* frame, float, float)
{
    surface_row(frame, 7)[512] = 1;   // one word past the row
    return 1;
}

int record(const CaptureFrame* frame, void*)
{
    if (frame->seeking) return 1;
    s_delivered_index.push_back(frame->index);
    s_delivered_ms.push_back(frame->t_ms);
    s_delivered_entry.push_back(frame->entry);
    return 1;
}

void capture_run(const TimelineEntry* script, uint32_t from, uint32_t to, int fps)
{
    s_delivered_ms.clear();
    s_delivered_entry.clear();
    s_delivered_index.clear();
    s_scene_now.clear();
    s_scene_calls = 0;
    g_quit = 0;
    CaptureConfig config = {fps, from, to, UINT64_MAX, 2560, record, nullptr};
    ASSERT_TRUE(capture_configure(&config));
    window_create("test");
    ASSERT_TRUE(display_open());
    frame_loop_run(script, sound_stream_open("music.mp3"));
    display_close();
}

}  // namespace

TEST(CaptureBackend, APartialCaptureSeesTheSameCallsAsAWholeOne)
{
    const TimelineEntry script[] = {{plain_scene, 100}, {plain_scene, 200}, {plain_scene, 1000}, {nullptr, 0}};
    capture_run(script, 0, 300, 30);
    const std::vector<float> whole = s_scene_now;
    const std::vector<uint32_t> whole_ms = s_delivered_ms;
    capture_run(script, 200, 300, 30);
    // Every pass of the 30 fps clock from 0 runs; those before 200 ms are not handed over.
    EXPECT_EQ(s_scene_now, whole);
    EXPECT_EQ(s_scene_calls, 9);   // 0, 33, 66, ..., 266
    EXPECT_EQ(s_delivered_index, (std::vector<uint64_t>{6, 7, 8}));
    EXPECT_EQ(s_delivered_ms, (std::vector<uint32_t>{200, 233, 266}));   // 300 is not run
    EXPECT_EQ(std::vector<uint32_t>(whole_ms.end() - 3, whole_ms.end()), s_delivered_ms);
    EXPECT_EQ(s_delivered_entry, (std::vector<int>{1, 2, 2}));   // 200 still draws entry 1, then moves on
    EXPECT_TRUE(capture_succeeded());
}

TEST(CaptureBackend, WholeScriptEndsAtTheTerminator)
{
    const TimelineEntry script[] = {{plain_scene, 50}, {plain_scene, 100}, {nullptr, 0}};
    capture_run(script, 0, UINT32_MAX, 60);
    // 0, 16, 33 in entry 0; 50 moves on; 66, 83 in entry 1; 100 moves to the terminator.
    EXPECT_EQ(s_delivered_ms, (std::vector<uint32_t>{0, 16, 33, 50, 66, 83, 100}));
}

TEST(CaptureBackend, WritingPastARowFailsTheCapture)
{
    const TimelineEntry script[] = {{overrunning_scene, 1000}, {nullptr, 0}};
    capture_run(script, 0, UINT32_MAX, 60);
    EXPECT_FALSE(capture_succeeded());
    EXPECT_NE(std::string(capture_error()).find("row 7"), std::string::npos) << capture_error();
}
