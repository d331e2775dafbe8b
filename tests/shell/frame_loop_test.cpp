// The frame loop and the start-up and shutdown order, on the scripted backend.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <vector>

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
int recording_scene(Surface*, float now, float start)
{
    s_calls.push_back({N, now, start});
    return 1;
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

TEST(FrameLoop, WalksEntriesInOrderAndEndsAtTheTerminator)
{
    loop_run({0, 50, 100, 150, 250, 300});
    ASSERT_EQ(s_calls.size(), 6u);
    EXPECT_EQ(s_calls[0].start, 0.0f);   // the first scene starts at 0
    const int scenes[] = {0, 0, 0, 1, 1, 2};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(s_calls[i].scene, scenes[i]) << i;
    EXPECT_EQ(s_calls[3].start, ms_to_frames(100));
    EXPECT_EQ(s_calls[5].now, ms_to_frames(300));
    EXPECT_EQ(fake_count("present"), 6);
}

TEST(FrameLoop, JumpPastSeveralEndsCallsEachSkippedEntryOnce)
{
    loop_run({10, 5000});
    ASSERT_EQ(s_calls.size(), 4u);
    for (int i = 1; i < 4; ++i) {
        EXPECT_EQ(s_calls[i].scene, i - 1);
        EXPECT_EQ(s_calls[i].now, ms_to_frames(5000));   // already beyond its end
    }
}

TEST(FrameLoop, DestroyEndsTheLoopAfterTheCurrentPass)
{
    loop_run({0}, 2);
    EXPECT_EQ(s_calls.size(), 3u);   // the pass that saw the destroy still draws
}

TEST(FrameLoop, FailedLockSkipsSceneAndPresentButAdvances)
{
    loop_run({150, 250, 350}, -1, {0});
    // Pass 0 (entry 0, past its end) draws nothing but moves on; entries 1 and 2 draw once each.
    ASSERT_EQ(s_calls.size(), 2u);
    EXPECT_EQ(s_calls[0].scene, 1);
    EXPECT_EQ(s_calls[1].scene, 2);
    EXPECT_EQ(fake_count("present"), 2);
    EXPECT_EQ(fake_count("lock"), 3);
}

// demo_main with the real Timeline and preparations, in a directory holding small data files.
class DemoMain : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/quorvelle-shell-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        ASSERT_NE(getcwd(old_cwd_, sizeof old_cwd_), nullptr);
        ASSERT_EQ(chdir(dir_.c_str()), 0);
    }
    void TearDown() override
    {
        ASSERT_EQ(chdir(old_cwd_), 0);
        std::string cmd = "rm -rf '" + dir_ + "'";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
    }
    static void data_write()
    {
        mkdir("data", 0777);
        const struct {
            const char* name;
            size_t size;
        } files[] = {{"data/font209x25.raw", 5225},          {"data/marrowvale512x384x32.raw", 786432},
                     {"data/marrowvaleagain512x384x32.raw", 786432}, {"data/fuzzyballs512x384x32.raw", 786432},
                     {"data/plumhelm234x257.raw", 60138},     {"data/gloomfield97x73.raw", 7081}};
        std::vector<char> bytes(786432, 0x40);
        for (const auto& f : files) {
            FILE* out = std::fopen(f.name, "wb");
            std::fwrite(bytes.data(), 1, f.size, out);
            std::fclose(out);
        }
        FILE* ase = std::fopen("data/octopus.ase", "w");
        std::fputs("*3DSMAX_ASCIIEXPORT\t200\n*GEOMOBJECT {\n\t*MESH {\n\t\t*MESH_NUMVERTEX 3\n"
                   "\t\t*MESH_NUMFACES 1\n\t\t*MESH_VERTEX_LIST {\n\t\t\t*MESH_VERTEX    0\t0.0\t0.0\t0.0\n"
                   "\t\t\t*MESH_VERTEX    1\t10.0\t0.0\t0.0\n\t\t\t*MESH_VERTEX    2\t0.0\t10.0\t0.0\n\t\t}\n"
                   "\t\t*MESH_FACE_LIST {\n\t\t\t*MESH_FACE    0:    A:    0 B:    1 C:    2 AB:    1 BC:    1 "
                   "CA:    1\t *MESH_SMOOTHING 1 \t*MESH_MTLID 0\n\t\t}\n\t}\n}\n",
                   ase);
        std::fclose(ase);
    }
    std::string dir_;
    char old_cwd_[4096];
};

TEST_F(DemoMain, RunsStartUpLoopAndShutdownInOrder)
{
    data_write();
    fake_reset();
    g_fake.clock = {0, 200000};
    EXPECT_EQ(demo_main(), 0);
    // Every one of the 92 entries draws once: the first at 0 ms, the rest on the jump past the end.
    EXPECT_EQ(fake_count("present"), 93);
    const std::vector<std::string> head = {"window_create", "display_open", "cursor_hide", "sound_init 44100",
                                           "open music.mp3", "sleep 4000", "play", "set_position 88484004"};
    ASSERT_GE(g_fake.log.size(), head.size());
    EXPECT_EQ(std::vector<std::string>(g_fake.log.begin(), g_fake.log.begin() + head.size()), head);
    const std::vector<std::string> tail = {"stop", "close", "cursor_show", "display_close", "window_destroy"};
    EXPECT_EQ(std::vector<std::string>(g_fake.log.end() - tail.size(), g_fake.log.end()), tail);
}

TEST_F(DemoMain, FailedStartUpsReturnMinusOneAfterTheirCleanUp)
{
    struct Case {
        const char* what;
        bool data, display_fails, sound_fails;
        std::vector<std::string> log;
    };
    const Case cases[] = {
        {"display", true, true, false, {"window_create", "display_open", "display_close"}},
        {"preparation", false, false, false, {"window_create", "display_open", "cursor_hide", "cursor_show", "display_close"}},
        {"sound", true, false, true,
         {"window_create", "display_open", "cursor_hide", "sound_init 44100", "cursor_show", "display_close"}},
    };
    for (const Case& c : cases) {
        if (c.data) data_write();
        else std::system("rm -rf data");
        fake_reset();
        g_fake.display_fails = c.display_fails;
        g_fake.sound_fails = c.sound_fails;
        testing::internal::CaptureStderr();
        EXPECT_EQ(demo_main(), -1) << c.what;
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(g_fake.log, c.log) << c.what;
        // Exactly one line on stderr, naming what failed.
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << c.what << ": " << err;
    }
}
