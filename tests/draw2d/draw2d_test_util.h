// Shared pieces of the 2D tests: a Surface with a wide pitch and guard bytes past each row, and a
// temp directory (with data/) in which the tests write the input files they need.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "display/surface.h"

struct GuardedSurface {
    std::vector<uint8_t> bytes;
    Surface s;
    GuardedSurface(int width, int height, int extra = 512, uint8_t fill = 0x5A)
        : bytes(static_cast<size_t>(width * 4 + extra) * height, 0xA5)
    {
        s = {reinterpret_cast<uint32_t*>(bytes.data()), width, height, width * 4 + extra, 0};
        for (int y = 0; y < height; ++y) std::fill_n(&bytes[static_cast<size_t>(y) * s.pitch], width * 4, fill);
    }
    uint32_t at(int x, int y) const { return surface_row(&s, y)[x]; }
    bool guards_intact() const
    {
        for (int y = 0; y < s.height; ++y)
            for (int x = s.width * 4; x < s.pitch; ++x)
                if (bytes[static_cast<size_t>(y) * s.pitch + x] != 0xA5) return false;
        return true;
    }
};

struct TempDir {
    std::string path;
    TempDir()
    {
        char tmpl[] = "/tmp/q_draw2d_XXXXXX";
        path = ::mkdtemp(tmpl);
        std::filesystem::create_directories(path + "/data");
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    std::string write(const std::string& name, const std::vector<uint8_t>& content) const
    {
        const std::string file = path + "/" + name;
        std::FILE* f = std::fopen(file.c_str(), "wb");
        if (!content.empty()) std::fwrite(content.data(), 1, content.size(), f);
        std::fclose(f);
        return file;
    }
};

// Byte i is i * mul (mod 256): pictures and a font whose glyphs all differ.
inline std::vector<uint8_t> ramp_bytes(size_t n, unsigned mul)
{
    std::vector<uint8_t> b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(i * mul + i / 209);
    return b;
}
