// The differential harness of the drawing paths: a routine's public entry on the plain path, on the
// fast path and on the fast path kept to SSE2, and its fast twin in uneven row bands on one thread
// and as a job on two, each from the same canvas and random state, must leave the same words (spare
// words after each row and the guard word after the last included) and the same random state.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "base/random.h"
#include "common/test_util.h"
#include "display/band_worker.h"
#include "display/render_paths.h"
#include "display/surface.h"

// A random padded surface (tests/common) with a guard word after the last row as well.
struct Canvas : PaddedSurface {
    Canvas(int w, int h, int pad, uint32_t seed) : PaddedSurface(random(w, h, pad, seed))
    {
        words.push_back(~words.back());
        s.pixels = words.data();
    }
};

// Restores the path choice, the thread count and the random state whatever a test does.
struct Scope {
    int paths = g_plain_paths;
    int avx2 = g_avx2_paths;
    int threads = g_threads;
    uint32_t state = g_rand_state;
    ~Scope()
    {
        g_plain_paths = paths;
        g_avx2_paths = avx2;
        g_threads = threads;
        g_rand_state = state;
    }
};

constexpr float k_nan = std::numeric_limits<float>::quiet_NaN();
constexpr float k_inf = std::numeric_limits<float>::infinity();

using Draw = std::function<void(Surface*)>;
using DrawRows = std::function<void(Surface*, int, int)>;

inline float pick(std::mt19937& rng, float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); }

// One case; `rows` is empty for a routine without a band twin. True when the plain run changed a word.
inline bool paths_agree(const std::string& what, const Canvas& base, const Draw& draw, const DrawRows& rows = nullptr)
{
    Scope scope;
    const uint32_t state = g_rand_state;
    Canvas plain(base);
    g_plain_paths = 1;
    draw(&plain.s);
    const uint32_t plain_state = g_rand_state;
    g_plain_paths = 0;
    auto expect_same = [&](const Canvas& run, const char* how) {
        const auto diff = std::mismatch(plain.words.begin(), plain.words.end(), run.words.begin());
        EXPECT_TRUE(diff.first == plain.words.end())
            << what << " (" << how << "): word " << (diff.first - plain.words.begin()) << " of a " << base.s.width
            << "x" << base.s.height << " surface with pitch " << base.s.pitch;
        return diff.first == plain.words.end();
    };
    for (const int avx2 : {scope.avx2, 0}) {
        g_avx2_paths = avx2;
        g_rand_state = state;
        Canvas fast(base);
        draw(&fast.s);
        EXPECT_EQ(g_rand_state, plain_state) << what << " (random state)";
        if (!expect_same(fast, avx2 ? "fast" : "SSE2")) return false;
    }
    g_avx2_paths = scope.avx2;
    if (rows) {
        // Uneven bands, empty ones and one past the bottom included.
        std::mt19937 rng(base.words.back());
        Canvas uneven(base);
        for (int y = 0; y < base.s.height;) {
            const int next = std::min(base.s.height + 3, y + static_cast<int>(rng() % (base.s.height < 64 ? 5 : 23)));
            rows(&uneven.s, y, next);
            y = next;
        }
        if (!expect_same(uneven, "bands")) return false;
        struct Job {
            const DrawRows* rows;
            Surface* s;
        };
        g_threads = 2;
        Canvas banded(base);
        Job job = {&rows, &banded.s};
        band_run([](void* ctx, int y0, int y1) { (*static_cast<Job*>(ctx)->rows)(static_cast<Job*>(ctx)->s, y0, y1); },
                 &job, banded.s.height);
        expect_same(banded, "two threads");
    }
    return plain.words != base.words;
}
