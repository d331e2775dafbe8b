// The pictures: each one has contrast and detail (not a flat fill or a blank), and keeps to what its
// scene needs: a dark ground under the fuzzy balls, the emblem centred on black, a sky above the
// field, dark rows under the dot-matrix display, fine patterns that fade instead of aliasing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "asset_files.h"

namespace {

struct Picture {
    const char* name;
    int w, h;
    bool rgb;
    std::vector<double> grey, peak;   // per pixel: the mean and the largest of its channels
    double at(int x, int y) const { return grey[static_cast<size_t>(y) * w + x]; }
};

Picture load(const char* name)
{
    const Picture sizes[] = {{"data/marrowvale512x384x32.raw", 512, 384, true, {}, {}},
                             {"data/marrowvaleagain512x384x32.raw", 512, 384, true, {}, {}},
                             {"data/fuzzyballs512x384x32.raw", 512, 384, true, {}, {}},
                             {"data/plumhelm234x257.raw", 234, 257, false, {}, {}},
                             {"data/gloomfield97x73.raw", 97, 73, false, {}, {}}};
    Picture p = *std::find_if(std::begin(sizes), std::end(sizes), [&](const Picture& s) { return !std::strcmp(s.name, name); });
    const std::vector<unsigned char> b = read_bytes(build_path(name));
    if (b.size() != static_cast<size_t>(p.w) * p.h * (p.rgb ? 4 : 1)) return p;
    for (int i = 0; i < p.w * p.h; ++i) {
        const unsigned char* c = p.rgb ? &b[i * 4] : &b[i];
        p.grey.push_back(p.rgb ? (c[0] + c[1] + c[2]) / 3.0 : c[0]);
        p.peak.push_back(p.rgb ? std::max({c[0], c[1], c[2]}) : c[0]);
    }
    return p;
}

enum Measure { k_mean, k_peak, k_dark_share, k_bright_share, k_roughness };

// The measure over columns x0..x1-1 of rows y0..y1-1. Roughness is the mean |second difference|
// along the rows: high where fine patterns beat.
double measure(const Picture& p, Measure m, int x0, int y0, int x1, int y1)
{
    double s = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const double v = p.at(x, y);
            if (m == k_mean) s += v;
            if (m == k_peak) s = std::max(s, p.peak[static_cast<size_t>(y) * p.w + x]);
            if (m == k_dark_share) s += v < 40;
            if (m == k_bright_share) s += v > 90;
            if (m == k_roughness && x >= x0 + 2) s += std::fabs(v - 2 * p.at(x - 1, y) + p.at(x - 2, y));
        }
    return m == k_peak ? s : s / ((x1 - x0 - (m == k_roughness ? 2 : 0)) * (y1 - y0));
}

}  // namespace

TEST(AssetPictures, EachPictureHasContrastAndDetail)
{
    for (const char* name : {"data/marrowvale512x384x32.raw", "data/marrowvaleagain512x384x32.raw",
                             "data/fuzzyballs512x384x32.raw", "data/plumhelm234x257.raw", "data/gloomfield97x73.raw"}) {
        const Picture p = load(name);
        ASSERT_FALSE(p.grey.empty()) << name << " is missing or has the wrong size";
        const auto [lo, hi] = std::minmax_element(p.grey.begin(), p.grey.end());
        double edges = 0;
        for (int y = 0; y < p.h; ++y)
            for (int x = 1; x < p.w; ++x) edges += std::fabs(p.at(x, y) - p.at(x - 1, y)) > 12;
        EXPECT_GT(*hi - *lo, 120) << name;
        EXPECT_GT(edges / (p.w * p.h), 0.002) << name << " looks flat";
    }
}

TEST(AssetPictures, EachSceneGetsWhatItNeeds)
{
    const struct {
        const char* name;
        const char* need;
        int x0, y0, x1, y1;
        Measure m;
        bool below;
        double limit;
    } needs[] = {
        {"data/fuzzyballs512x384x32.raw", "a dark ground", 0, 0, 512, 384, k_dark_share, false, 0.25},
        {"data/fuzzyballs512x384x32.raw", "bright balls", 0, 0, 512, 384, k_bright_share, false, 0.02},
        {"data/plumhelm234x257.raw", "a black top-left corner", 0, 0, 8, 8, k_mean, true, 4},
        {"data/plumhelm234x257.raw", "a black bottom-right corner", 226, 249, 234, 257, k_mean, true, 4},
        {"data/plumhelm234x257.raw", "the emblem in the middle", 77, 88, 157, 168, k_mean, false, 60},
        {"data/gloomfield97x73.raw", "a gloomy field", 0, 0, 97, 73, k_mean, true, 128},
        {"data/gloomfield97x73.raw", "far furrows that do not alias", 0, 47, 97, 53, k_roughness, true, 8},
        {"data/marrowvale512x384x32.raw", "a floor grid fading without moire", 0, 264, 180, 300, k_roughness, true, 5},
        {"data/marrowvaleagain512x384x32.raw", "dark rows under the dot-matrix display", 0, 216, 512, 326, k_peak, true, 48},
    };
    for (const auto& n : needs) {
        const Picture p = load(n.name);
        ASSERT_FALSE(p.grey.empty()) << n.name;
        const double v = measure(p, n.m, n.x0, n.y0, n.x1, n.y1);
        EXPECT_TRUE(n.below ? v < n.limit : v > n.limit) << n.name << ": " << n.need << " (" << v << ")";
    }
    // The field lies under a heavy sky that is still lighter than the ground.
    const Picture field = load("data/gloomfield97x73.raw");
    EXPECT_GT(measure(field, k_mean, 0, 10, 97, 40), measure(field, k_mean, 0, 55, 97, 73));
}
