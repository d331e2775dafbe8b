// The frame loop and the start-up and shutdown order, on the scripted backend.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "common/test_util.h"
#include "display/surface.h"
#include "fake_platform.h"
#include "shell/demo.h"
#include "shell/timeline.h"

namespace {

struct Call {
    int scene;
    float now, start;
};
std::vector<Call> s_calls;

template <int N>
void recording_scene(Surface*, float now, float start)
{
    s_calls.push_back({N, now, start});
}

// Three entries ending at 100, 200 and 300 ms, then the terminator.
const TimelineEntry k_script[] = {
    {recording_scene<0>, 100}, {recording_scene<1>, 200}, {recording_scene<2>, 300}, {nullptr, 0}};

void loop_run(std::vector<uint32_t> clock, int quit_on_pass = -1, std::vector<int> lock_fails = {})
{
    fake_reset();
    s_calls.clear();
    g_fake.clock = std::move(clock);
    g_fake.quit_on_pass = quit_on_pass;
    g_fake.lock_fails = std::move(lock_fails);
    frame_loop_run(k_script, nullptr);
}

}  // namespace

TEST(FrameUnits, MillisecondsTimesSinglePrecisionPointZeroSix)
{
    // 0.06f is exactly 0.0599999986588954925537109375. The product is taken in double and rounded
    // once: a float product would differ here.
    for (uint32_t ms : {0u, 1217u, 43109u, 147943u, 183981u, 4294967295u}) {
        EXPECT_EQ(ms_to_frames(ms), static_cast<float>(static_cast<double>(ms) * 0.0599999986588954925537109375));
    }
    EXPECT_NE(ms_to_frames(16777217u), static_cast<float>(16777217u) * 0.06f);
}

TEST(FrameLoop, WalksEntriesJumpsEndsAndSkipsFailedLocks)
{
    struct Case {
        const char* what;
        std::vector<uint32_t> clock;   // ms, one a pass
        int quit_on_pass;
        std::vector<int> lock_fails;
        std::vector<Call> calls;       // scene, now and start, in ms
        int locks;
    } cases[] = {
        {"in order, to the terminator", {0, 50, 100, 150, 250, 300}, -1, {},
         {{0, 0, 0}, {0, 50, 0}, {0, 100, 0}, {1, 150, 100}, {1, 250, 100}, {2, 300, 200}}, 6},
        // A jump past several ends calls each skipped entry once, already beyond its end.
        {"a jump", {10, 5000}, -1, {}, {{0, 10, 0}, {0, 5000, 0}, {1, 5000, 100}, {2, 5000, 200}}, 4},
        // The pass that sees the window destroyed still draws.
        {"destroyed", {0}, 2, {}, {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}, 3},
        // Pass 0 (entry 0, past its end) draws nothing but moves on.
        {"a failed lock", {150, 250, 350}, -1, {0}, {{1, 250, 100}, {2, 350, 200}}, 3},
    };
    for (const Case& c : cases) {
        loop_run(c.clock, c.quit_on_pass, c.lock_fails);
        ASSERT_EQ(s_calls.size(), c.calls.size()) << c.what;
        for (size_t i = 0; i < c.calls.size(); ++i) {
            EXPECT_EQ(s_calls[i].scene, c.calls[i].scene) << c.what << " " << i;
            EXPECT_EQ(s_calls[i].now, ms_to_frames(static_cast<uint32_t>(c.calls[i].now))) << c.what << " " << i;
            EXPECT_EQ(s_calls[i].start, ms_to_frames(static_cast<uint32_t>(c.calls[i].start))) << c.what << " " << i;
        }
        EXPECT_EQ(fake_count("present"), static_cast<int>(c.calls.size())) << c.what;
        EXPECT_EQ(fake_count("lock"), c.locks) << c.what;
        // Each pass tells the platform the entry it draws, failed locks included.
        ASSERT_EQ(g_fake.entries.size(), static_cast<size_t>(c.locks)) << c.what;
        for (size_t i = 0, k = 0; i < g_fake.entries.size(); ++i) {
            if (std::find(c.lock_fails.begin(), c.lock_fails.end(), static_cast<int>(i)) != c.lock_fails.end())
                continue;
            EXPECT_EQ(g_fake.entries[i], c.calls[k++].scene) << c.what << " " << i;
        }
    }
}

// demo_main with the real Timeline and preparations, in a directory whose data/ is the build's.
class DemoMain : public ::testing::Test {
protected:
    static void data_write()
    {
        std::filesystem::remove_all("data");
        std::filesystem::create_directory_symlink(QUORVELLE_BINARY_DIR "/data", "data");
    }
    TempDir dir_{"quorvelle-shell"};
    DirScope inside_{dir_.path};
};

// What the start-up opens, the run closes, in reverse order: every closing call must match the
// latest opening one still open, and nothing may stay open at the end.
::testing::AssertionResult opened_closed_in_reverse(const std::vector<std::string>& log)
{
    const std::vector<std::pair<std::string, std::string>> pairs = {{"window_create", "window_destroy"},
                                                                    {"display_open", "display_close"},
                                                                    {"cursor_hide", "cursor_show"},
                                                                    {"open music.mp3", "close"}};
    std::vector<std::string> open;
    for (const std::string& call : log) {
        for (const auto& p : pairs) {
            if (call == p.first) open.push_back(p.second);
            if (call != p.second) continue;
            if (open.empty() || open.back() != call) return ::testing::AssertionFailure() << call << " out of order";
            open.pop_back();
        }
    }
    if (!open.empty()) return ::testing::AssertionFailure() << "never closed: " << open.back();
    return ::testing::AssertionSuccess();
}

size_t log_index(const std::string& call)
{
    return static_cast<size_t>(std::find(g_fake.log.begin(), g_fake.log.end(), call) - g_fake.log.begin());
}

TEST_F(DemoMain, RunsStartUpLoopAndShutdownInOrder)
{
    data_write();
    fake_reset();
    g_fake.clock = {0, 200000};
    EXPECT_EQ(demo_main(), 0);
    // Every one of the 92 entries draws once: the first at 0 ms, the rest on the jump past the end.
    EXPECT_EQ(fake_count("present"), 93);
    EXPECT_TRUE(opened_closed_in_reverse(g_fake.log));
    // The music starts after the cursor is hidden and the four-second pause, before the first frame.
    EXPECT_LT(log_index("cursor_hide"), log_index("sleep 4000"));
    EXPECT_LT(log_index("sleep 4000"), log_index("play"));
    EXPECT_LT(log_index("play"), log_index("present"));
}

TEST_F(DemoMain, FailedStartUpsUndoWhatTheyDidAndReturnMinusOne)
{
    struct Case {
        const char* what;
        bool data, display_fails, sound_fails;
    };
    const Case cases[] = {{"display", true, true, false}, {"preparation", false, false, false}, {"sound", true, false, true}};
    for (const Case& c : cases) {
        if (c.data) data_write();
        else std::filesystem::remove_all("data");
        fake_reset();
        g_fake.display_fails = c.display_fails;
        g_fake.sound_fails = c.sound_fails;
        testing::internal::CaptureStderr();
        EXPECT_EQ(demo_main(), -1) << c.what;
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_TRUE(opened_closed_in_reverse(g_fake.log)) << c.what;
        EXPECT_EQ(fake_count("present"), 0) << c.what;
        EXPECT_EQ(fake_count("play"), 0) << c.what;
        // Exactly one line on stderr, naming what failed.
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << c.what << ": " << err;
    }
}
