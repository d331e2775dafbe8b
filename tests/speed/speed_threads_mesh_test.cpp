// Row bands on more than one thread: every row of a job is drawn exactly once whatever the number of
// threads and bands, and the mesh scene's frames are the same on the plain paths, on the fast paths
// with one thread and with two, over runs of the scene and on a surface too small for the grid.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <vector>

#include "display/band_worker.h"
#include "display/render_paths.h"
#include "display/surface.h"
#include "scenes/mesh/mesh_scene.h"

namespace {

struct ThreadsScope {
    int saved_threads = g_threads;
    int saved_plain = g_plain_paths;
    ~ThreadsScope()
    {
        g_threads = saved_threads;
        g_plain_paths = saved_plain;
    }
};

struct RowCount {
    std::vector<int> rows;
    int calls;
};

void rows_count(void* ctx, int y0, int y1)
{
    RowCount* c = static_cast<RowCount*>(ctx);
    for (int y = y0; y < y1; ++y) ++c->rows[y];
}

uint64_t surface_hash(const Surface& s)
{
    uint64_t h = 0xcbf29ce484222325ull;
    for (int y = 0; y < s.height; ++y) {
        const uint8_t* row = reinterpret_cast<const uint8_t*>(surface_row(&s, y));
        for (int i = 0; i < s.pitch; ++i) h = (h ^ row[i]) * 0x100000001b3ull;
    }
    return h;
}

bool data_present()
{
    struct stat st;
    return stat("data/octopus.ase", &st) == 0;
}

// The hashes of `frames` frames of the mesh scene in two runs, drawn from a fresh state, with the
// given paths and threads; the pitch leaves spare words after each row, which must stay as set. A
// frame larger than the grid keeps a cleared margin right of it and below it.
std::vector<uint64_t> mesh_frames(int plain, int threads, int width, int height, int frames)
{
    g_plain_paths = plain;
    g_threads = threads;
    g_mesh_state = {0, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1};
    const int pitch_words = width + 37;
    std::vector<uint32_t> words(static_cast<size_t>(pitch_words) * height, 0xDEADBEEFu);
    Surface s = {words.data(), width, height, pitch_words * 4, 32};
    std::vector<uint64_t> hashes;
    for (int run = 0; run < 2; ++run) {
        const float start = 1000.0f + 5000.0f * run;
        for (int i = 0; i < frames; ++i) {
            // Mostly steady frames, some long ones, so the pulse turns and the strands move far.
            scene_mesh(&s, start + i * (i % 7 == 3 ? 9.5f : 1.0f) + (run ? 0.25f : 0.0f), start);
            hashes.push_back(surface_hash(s));
        }
    }
    return hashes;
}

}  // namespace

TEST(SpeedThreads, EveryRowOfAJobIsDrawnOnce)
{
    ThreadsScope scope;
    struct Case {
        int threads, height, bands;
    } cases[] = {{1, 384, 1}, {2, 384, 6}, {2, 1, 6}, {2, 7, 3}, {3, 384, 9}, {2, 384, 384}, {8, 50, 100}, {0, 5, 2}};
    for (const Case& c : cases) {
        g_threads = c.threads;
        for (int job = 0; job < 200; ++job) {
            RowCount count = {std::vector<int>(c.height, 0), 0};
            if (job % 2) band_run(rows_count, &count, c.height);
            else band_run_split(rows_count, &count, c.height, c.bands);
            for (int y = 0; y < c.height; ++y)
                ASSERT_EQ(count.rows[y], 1) << c.threads << " threads, " << c.height << " rows, job " << job;
        }
    }
    // Nothing to draw is no work at all.
    RowCount none = {std::vector<int>(1, 0), 0};
    band_run(rows_count, &none, 0);
    EXPECT_EQ(none.rows[0], 0);
}

TEST(SpeedThreads, MeshFramesSameOnEveryPathAndThreadCount)
{
    if (!data_present()) GTEST_SKIP() << "no data/octopus.ase in the working folder";
    ThreadsScope scope;
    ASSERT_EQ(mesh_scene_prepare(), 1);
    struct Size {
        int w, h, frames;
    } sizes[] = {{512, 384, 12}, {600, 420, 3}, {300, 200, 4}};
    for (const Size& size : sizes) {
        const std::vector<uint64_t> plain = mesh_frames(1, 1, size.w, size.h, size.frames);
        for (int threads = 1; threads <= 3; ++threads)
            EXPECT_EQ(mesh_frames(0, threads, size.w, size.h, size.frames), plain)
                << size.w << "x" << size.h << ", " << threads << " threads";
    }
}
