// Shared by the differential path tests: the canvas both twins draw on (a surface with `pad` spare
// words after each row, filled from a random stream; copies give both twins the same start, spare
// words included), and a scope that restores the path choice and the random state.
#pragma once
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "display/render_paths.h"
#include "display/surface.h"
#include "shell/random.h"

struct Canvas {
    std::vector<uint32_t> words;
    Surface s;
    Canvas(int w, int h, int pad, uint32_t seed) : words(static_cast<size_t>(w + pad) * h + 1)
    {
        std::mt19937 rng(seed);
        for (uint32_t& word : words) word = rng();
        s = {words.data(), w, h, (w + pad) * 4, 32};
    }
    Canvas(const Canvas& other) : words(other.words), s(other.s) { s.pixels = words.data(); }
    Canvas& operator=(const Canvas&) = delete;
};

// Restores the path choice and the random state whatever a test does.
struct Scope {
    int paths = g_plain_paths;
    int avx2 = g_avx2_paths;
    uint32_t state = g_rand_state;
    ~Scope()
    {
        g_plain_paths = paths;
        g_avx2_paths = avx2;
        g_rand_state = state;
    }
};

constexpr float k_nan = std::numeric_limits<float>::quiet_NaN();
