// The pictures: each one is designed content, not a flat fill, and keeps to what its scene needs
// (a dark ground under the fuzzy balls, the emblem centred on black, a sky above the field); and
// the faults they once had stay fixed (ghost bands, moire, confetti colours, a flat ring).
#include <gtest/gtest.h>

#include <algorithm>
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

// Mean |second difference| across rows y0..y1-1, columns x0..x1-1: high where fine patterns beat.
double roughness(const Grey& g, int x0, int y0, int x1, int y1)
{
    double s = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0 + 2; x < x1; ++x) s += std::fabs(g.at(x, y) - 2 * g.at(x - 1, y) + g.at(x - 2, y));
    return s / ((x1 - x0 - 2) * (y1 - y0));
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

TEST(AssetPictures, NightValeHasTheDuskVale)
{
    // Scanning up from just above each horizon (262 at dusk, 196 at night), the dark near slopes
    // end at the same height above the horizon in both pictures.
    const Grey dusk = load("data/marrowvale512x384x32.raw", 512, 384, true);
    const Grey night = load("data/marrowvaleagain512x384x32.raw", 512, 384, true);
    ASSERT_FALSE(dusk.v.empty() || night.v.empty());
    auto crest = [](const Grey& g, int x, int horizon, double dark) {
        int y = horizon - 3;
        while (y > 0 && g.at(x, y) < dark) --y;
        return horizon - y;
    };
    for (int x = 0; x < 512; x += 16) {
        if (x > 200 && x < 320) continue;   // the slopes dip to the river there
        EXPECT_NEAR(crest(dusk, x, 262, 40), crest(night, x, 196, 10), 1) << "column " << x;
    }
}

TEST(AssetPictures, TitleShowsNoGhostBandsOrMoire)
{
    const Grey title = load("data/marrowvale512x384x32.raw", 512, 384, true);
    ASSERT_FALSE(title.v.empty());
    // The far range in front of the sun is solid: down its body (a run of mid greys between the
    // bright sun above and the lit rim of the near slopes below, less two rows at each end where
    // the edges blend) no row jumps as the sun's bands once did through it.
    for (int x : {200, 220, 240, 300, 320}) {
        std::vector<double> run, body;
        for (int y = 200; y < 262; ++y) {
            const double v = title.at(x, y);
            if (v > 50 && v < 110) run.push_back(v);
            if ((!(v > 50 && v < 110) || y == 261) && !run.empty()) {
                if (run.size() > body.size()) body = run;
                run.clear();
            }
        }
        ASSERT_GT(body.size(), 12u) << "column " << x;
        double worst = 0;
        for (size_t i = 3; i + 3 < body.size(); ++i) worst = std::max(worst, std::fabs(body[i] - body[i - 1]));
        EXPECT_LE(worst, 2.5) << "column " << x;
    }
    // The floor grid fades into the haze instead of beating into dotted moire.
    EXPECT_LT(roughness(title, 0, 264, 180, 300), 5.0);
}

TEST(AssetPictures, FuzzyBallsKeepToRelatedCoolHues)
{
    const std::vector<unsigned char> b = read_bytes(build_path("data/fuzzyballs512x384x32.raw"));
    ASSERT_EQ(b.size(), 512u * 384 * 4);
    int cool = 0, coloured = 0;
    for (size_t i = 0; i < b.size(); i += 4) {
        const double bl = b[i], g = b[i + 1], r = b[i + 2];
        const double hi = std::max({r, g, bl}), lo = std::min({r, g, bl});
        if (hi - lo < 40) continue;
        double hue = hi == r ? 60 * (g - bl) / (hi - lo) : hi == g ? 60 * (bl - r) / (hi - lo) + 120 : 60 * (r - g) / (hi - lo) + 240;
        if (hue < 0) hue += 360;
        ++coloured;
        cool += hue >= 170 && hue <= 290;   // teal through violet
    }
    EXPECT_GT(coloured, 512 * 384 / 20);
    EXPECT_GE(cool, coloured * 99 / 100);
}

TEST(AssetPictures, HelmetRingIsBevelledAndFieldFurrowsDoNotAlias)
{
    const Grey helm = load("data/plumhelm234x257.raw", 234, 257, false);
    ASSERT_FALSE(helm.v.empty());
    // Mean grey of the ring between two radii, over the quarter facing the light (upper left) or
    // away from it (lower right).
    auto ring = [&](double r0, double r1, bool lit) {
        double s = 0;
        int n = 0;
        for (int y = 0; y < helm.h; ++y)
            for (int x = 0; x < helm.w; ++x) {
                const double dx = x + 0.5 - 117, dy = y + 0.5 - 128.5, r = std::hypot(dx, dy);
                if (r > r0 && r < r1 && (lit ? dx < -30 && dy < -30 : dx > 30 && dy > 30)) {
                    s += helm.at(x, y);
                    ++n;
                }
            }
        return s / n;
    };
    EXPECT_GT(ring(108, 112, true), ring(108, 112, false) + 60) << "outer bevel";
    EXPECT_GT(ring(102, 106, false), ring(102, 106, true) + 60) << "inner bevel";

    const Grey field = load("data/gloomfield97x73.raw", 97, 73, false);
    ASSERT_FALSE(field.v.empty());
    EXPECT_LT(roughness(field, 0, 47, 97, 53), 8.0) << "far furrows";
}
