// A test surface whose pitch exceeds its width; the words past each row must never change.
#pragma once
#include <vector>

#include "display/surface.h"

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
    uint32_t at(int x, int y) const { return words[y * stride + x]; }
    bool pad_intact() const
    {
        for (size_t i = 0; i < words.size(); ++i)
            if (static_cast<int>(i % stride) >= s.width && words[i] != k_pad) return false;
        return true;
    }
};
