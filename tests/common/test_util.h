// Shared pieces of the unit tests: a Surface whose pitch exceeds its width (the words past each row
// must never change), a hash of a buffer's rows, near-equality of points, a temp directory (with
// data/) that is removed again when the test ends, and patterned file contents.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "display/surface.h"
#include "geom3d/matrix.h"

struct PaddedSurface {
    static constexpr uint32_t k_pad = 0x5A5A5A5Au;
    int stride;   // words per row
    std::vector<uint32_t> words;
    Surface s;
    PaddedSurface(int w, int h, uint32_t fill, int pad = 16)
        : stride(w + pad), words(static_cast<size_t>(stride) * h, k_pad), s{words.data(), w, h, stride * 4, 32}
    {
        for (int y = 0; y < h; ++y) std::fill_n(&words[y * stride], w, fill);
    }
    // A copy draws on words of its own, from the same start.
    PaddedSurface(const PaddedSurface& o) : stride(o.stride), words(o.words), s(o.s) { s.pixels = words.data(); }
    PaddedSurface& operator=(const PaddedSurface&) = delete;
    // Every word, spare words included, from a random stream: a start no routine can rely on.
    static PaddedSurface random(int w, int h, int pad, uint32_t seed)
    {
        PaddedSurface r(w, h, 0, pad);
        std::mt19937 rng(seed);
        for (uint32_t& word : r.words) word = rng();
        return r;
    }
    uint32_t at(int x, int y) const { return words[y * stride + x]; }
    bool pad_intact() const
    {
        for (size_t i = 0; i < words.size(); ++i)
            if (static_cast<int>(i % stride) >= s.width && words[i] != k_pad) return false;
        return true;
    }
};

// The 512 x 384 frame with the capture tool's 2560-byte pitch, every word preset to 0xDEADBEEF.
struct Frame : PaddedSurface {
    Frame() : PaddedSurface(512, 384, 0xDEADBEEFu, 128) {}
};

inline void expect_near(const Vec4& got, const Vec4& want, double tolerance)
{
    EXPECT_NEAR(got.x, want.x, tolerance);
    EXPECT_NEAR(got.y, want.y, tolerance);
    EXPECT_NEAR(got.z, want.z, tolerance);
    EXPECT_NEAR(got.w, want.w, tolerance);
}

// A fresh directory named after `prefix`, with data/ inside; removed with everything in it.
struct TempDir {
    std::string path;
    explicit TempDir(const std::string& prefix) : path("/tmp/" + prefix + "_XXXXXX")
    {
        if (!::mkdtemp(path.data())) throw std::runtime_error("cannot make " + path);
        std::filesystem::create_directories(path + "/data");
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    // Writes `bytes` (any, NULs included) to the file `name` inside and returns its path.
    std::string write(const std::string& name, const std::string& bytes) const
    {
        const std::string file = path + "/" + name;
        std::FILE* f = std::fopen(file.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        return file;
    }
};

// Makes `dir` the working directory until the end of the scope, however the scope is left.
struct DirScope {
    const std::filesystem::path previous = std::filesystem::current_path();
    explicit DirScope(const std::string& dir) { std::filesystem::current_path(dir); }
    ~DirScope() { std::filesystem::current_path(previous); }
};

// 64-bit FNV-1a over `rows` rows of `row_bytes` bytes, `pitch` bytes apart.
inline uint64_t rows_hash(const void* base, int rows, int row_bytes, int pitch, uint64_t h = 0xCBF29CE484222325ull)
{
    const unsigned char* p = static_cast<const unsigned char*>(base);
    for (int y = 0; y < rows; ++y)
        for (int i = 0; i < row_bytes; ++i) h = (h ^ p[static_cast<size_t>(y) * pitch + i]) * 0x100000001B3ull;
    return h;
}

// The hash of a Surface's visible pixels, row by row.
inline uint64_t surface_hash(const Surface& s) { return rows_hash(s.pixels, s.height, s.width * 4, s.pitch); }

// Byte i is i * mul + i / 209 (mod 256): pictures and a font whose glyphs all differ.
inline std::string ramp_bytes(size_t n, unsigned mul)
{
    std::string b(n, '\0');
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<char>(i * mul + i / 209);
    return b;
}
