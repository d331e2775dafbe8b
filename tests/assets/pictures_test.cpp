// The pictures: each one is designed content, not a flat fill, and keeps to what its scene needs
// (a dark ground under the fuzzy balls, the emblem centred on black, a sky above the field).
#include <gtest/gtest.h>

#include <cmath>

#include "asset_files.h"

namespace {

struct Grey {
    int w, h;
    std::vector<double> v;   // 0..255
    double at(int x, int y) const { return v[static_cast<size_t>(y) * w + x]; }
};

Grey load(const char* name, int w, int h, bool rgb)
{
    const std::vector<unsigned char> b = read_bytes(build_path(name));
    Grey g{w, h, {}};
    if (b.size() != static_cast<size_t>(w) * h * (rgb ? 4 : 1)) return g;
    for (int i = 0; i < w * h; ++i)
        g.v.push_back(rgb ? (b[i * 4] + b[i * 4 + 1] + b[i * 4 + 2]) / 3.0 : b[i]);
    return g;
}

double mean(const Grey& g, int x0, int y0, int x1, int y1)
{
    double s = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) s += g.at(x, y);
    return s / ((x1 - x0) * (y1 - y0));
}

}  // namespace

TEST(AssetPictures, EachPictureHasContrastAndDetail)
{
    const struct {
        const char* name;
        int w, h;
        bool rgb;
    } pictures[] = {{"data/marrowvale512x384x32.raw", 512, 384, true},
                    {"data/marrowvaleagain512x384x32.raw", 512, 384, true},
                    {"data/fuzzyballs512x384x32.raw", 512, 384, true},
                    {"data/plumhelm234x257.raw", 234, 257, false},
                    {"data/gloomfield97x73.raw", 97, 73, false}};
    for (const auto& p : pictures) {
        const Grey g = load(p.name, p.w, p.h, p.rgb);
        ASSERT_FALSE(g.v.empty()) << p.name;
        double lo = 255, hi = 0, edges = 0;
        for (int y = 0; y < g.h; ++y)
            for (int x = 0; x < g.w; ++x) {
                lo = std::min(lo, g.at(x, y));
                hi = std::max(hi, g.at(x, y));
                if (x > 0) edges += std::fabs(g.at(x, y) - g.at(x - 1, y)) > 12;
            }
        EXPECT_GT(hi - lo, 120) << p.name;
        EXPECT_GT(edges / (g.w * g.h), 0.002) << p.name << " looks flat";
    }
}

TEST(AssetPictures, SceneRequirementsHold)
{
    // Fuzzy balls glow on a dark ground: most of the picture is dim, some of it bright.
    const Grey fuzzy = load("data/fuzzyballs512x384x32.raw", 512, 384, true);
    ASSERT_FALSE(fuzzy.v.empty());
    int dark = 0, bright = 0;
    for (double v : fuzzy.v) {
        dark += v < 40;
        bright += v > 90;
    }
    EXPECT_GT(dark, 512 * 384 / 4);
    EXPECT_GT(bright, 512 * 384 / 50);

    // The helmet emblem sits in the middle, on black corners.
    const Grey helm = load("data/plumhelm234x257.raw", 234, 257, false);
    ASSERT_FALSE(helm.v.empty());
    EXPECT_LT(mean(helm, 0, 0, 8, 8) + mean(helm, 226, 249, 234, 257), 4);
    EXPECT_GT(mean(helm, 77, 88, 157, 168), 60);

    // The field lies under a heavy sky that is still lighter than the ground.
    const Grey field = load("data/gloomfield97x73.raw", 97, 73, false);
    ASSERT_FALSE(field.v.empty());
    EXPECT_GT(mean(field, 0, 10, 97, 40), mean(field, 0, 55, 97, 73));
    EXPECT_LT(mean(field, 0, 0, 97, 73), 128);
}
