// Whole frames on every path: row bands cover every row of a job once whatever the threads; the
// scenes that fall back from their bands on frames of other sizes (the mesh, plane and wave-floor
// scenes) draw the same words and leave the same random state on the plain paths and on the fast
// ones with one thread and with two; and the whole script captured on every path and thread count
// gives the same frame hashes (which covers every scene at the frame's own size).
#include <sys/stat.h>

#include <cstring>
#include <string>

#include "common/capture_run.h"
#include "paths/paths_harness.h"
#include "scenes/mesh/mesh_scene.h"
#include "scenes/plane/plane_resources.h"
#include "scenes/plane/plane_scenes.h"
#include "scenes/wavefloor/wave_floor.h"
#include "scenes/wavefloor/wave_floor_scene.h"
#include "shell/timeline.h"

namespace {

bool present(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

void rows_count(void* ctx, int y0, int y1)
{
    for (int y = y0; y < y1; ++y) ++(*static_cast<std::vector<int>*>(ctx))[y];
}

// The words and the random state of a run of frames of one scene from fresh state: steady 60 Hz
// steps, long gaps, and a second entry that starts later.
std::vector<uint32_t> scene_run(SceneFn scene, int plain, int threads, int w, int h)
{
    Scope scope;
    g_plain_paths = plain;
    g_threads = threads;
    demo_srand(1234);
    EXPECT_EQ(plane_scenes_prepare(), 1);
    EXPECT_EQ(wave_floor_prepare(), 1);
    std::memset(g_terrain_clocks, 0, sizeof g_terrain_clocks);
    g_terrain_fade = 0.0f;
    std::memset(&g_wave_floor_state, 0, sizeof g_wave_floor_state);
    g_mesh_state = {0, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1};
    Canvas frame(w, h, 37, 99);
    std::vector<uint32_t> out;
    const float steps[] = {1.0f, 1.0f, 0.98f, 37.5f, 1.02f, 9.5f, 130.0f, 1.0f};
    for (const float start : {100.0f, 5100.25f}) {
        float now = start;
        for (float step : steps) {
            now += step;
            scene(&frame.s, now, start);
            out.insert(out.end(), frame.words.begin(), frame.words.end());
        }
    }
    out.push_back(g_rand_state);
    plane_scenes_release();
    return out;
}

}  // namespace

TEST(PathsFrames, EveryRowOfAJobIsDrawnOnce)
{
    Scope scope;
    struct Case {
        int threads, height, bands;
    } cases[] = {{1, 384, 1}, {2, 384, 6}, {2, 1, 6}, {2, 7, 3}, {3, 384, 9}, {2, 384, 384}, {8, 50, 100}, {0, 5, 2}};
    for (const Case& c : cases) {
        g_threads = c.threads;
        for (int job = 0; job < 200; ++job) {
            std::vector<int> rows(static_cast<size_t>(c.height) + 1, 0);
            if (job % 2) band_run(rows_count, &rows, c.height);
            else band_run_split(rows_count, &rows, c.height, c.bands);
            rows.back() = 1;   // past the job: never drawn
            ASSERT_EQ(rows, std::vector<int>(rows.size(), 1)) << c.threads << " threads, " << c.height << " rows";
        }
    }
    std::vector<int> none(1, 0);
    band_run(rows_count, &none, 0);   // nothing to draw is no work at all
    EXPECT_EQ(none[0], 0);
}

// A job whose top rows take all the time: its cuts move up until the two threads share it, and
// every row is still drawn once.
struct TopHeavy {
    std::vector<int> rows = std::vector<int>(384, 0);
    int first_end = 0;
};

void top_heavy_rows(void* ctx, int y0, int y1)
{
    TopHeavy* job = static_cast<TopHeavy*>(ctx);
    if (y0 == 0) job->first_end = y1;
    volatile unsigned spin = 0;
    for (int y = y0; y < y1; ++y) {
        ++job->rows[static_cast<size_t>(y)];
        if (y < 32)
            for (int i = 0; i < 20000; ++i) spin = spin + 1;
    }
}

TEST(PathsFrames, RecurringJobsAreCutWhereTheWorkIsShared)
{
    Scope scope;
    g_threads = 2;
    TopHeavy job;
    for (int frame = 0; frame < 60; ++frame) band_run(top_heavy_rows, &job, 384);
    EXPECT_EQ(job.rows, std::vector<int>(384, 60));
    EXPECT_LT(job.first_end, 96) << "the first band still ends at row " << job.first_end;
    EXPECT_EQ(job.first_end % 4, 0);
}

TEST(PathsFrames, ScenesOnOtherFrameSizesSameOnEveryPath)
{
    if (!present("data/octopus.ase")) GTEST_SKIP() << "no generated data in the working folder";
    ASSERT_EQ(mesh_scene_prepare(), 1);
    const SceneFn scenes[] = {scene_mesh,      scene_terrain_1, scene_terrain_2,
                              scene_terrain_3, scene_terrain_4, scene_wave_floor};
    const int sizes[][2] = {{600, 420}, {300, 200}};
    for (size_t which = 0; which < sizeof scenes / sizeof scenes[0]; ++which)
        for (const auto& size : sizes) {
            const std::vector<uint32_t> plain = scene_run(scenes[which], 1, 1, size[0], size[1]);
            for (int threads = 1; threads <= 2; ++threads)
                EXPECT_TRUE(scene_run(scenes[which], 0, threads, size[0], size[1]) == plain)
                    << "scene " << which << " " << size[0] << "x" << size[1] << " threads " << threads;
        }
}

TEST(PathsFrames, WholeRunSameOnEveryPathAndThreadCount)
{
    if (!present(std::string(QUORVELLE_BINARY_DIR) + "/data/octopus.ase")) GTEST_SKIP() << "no generated data";
    // Five frames a second keeps the run short and still visits every entry of the script.
    const CaptureResult fast = capture_hashes("--fps 5");
    ASSERT_EQ(fast.exit_code, 0);
    ASSERT_GT(fast.lines.size(), 900u);
    for (const char* args : {"--fps 5 --plain", "--fps 5 --threads 2", "--fps=5 --threads=2 --plain"}) {
        const CaptureResult other = capture_hashes(args);
        ASSERT_EQ(other.exit_code, 0) << args;
        EXPECT_EQ(other.lines, fast.lines) << args;
    }
    // The environment chooses the plain paths as --plain does.
    setenv("QUORVELLE_PLAIN", "1", 1);
    const CaptureResult from_environment = capture_hashes("--fps 5 --threads 2 --to 40000");
    unsetenv("QUORVELLE_PLAIN");
    ASSERT_EQ(from_environment.exit_code, 0);
    ASSERT_LE(from_environment.lines.size(), fast.lines.size());
    for (size_t i = 0; i < from_environment.lines.size(); ++i) EXPECT_EQ(from_environment.lines[i], fast.lines[i]);
    // Thread counts outside 1 to 8 are refused as bad arguments.
    for (const char* args : {"--threads 0", "--threads 9", "--threads x"})
        EXPECT_EQ(capture_hashes(args).exit_code, 2) << args;
}
