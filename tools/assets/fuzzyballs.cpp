// The fuzzy-ball picture: out-of-focus discs of light on a dark ground, in three related cool hues.
// Depth sets the look: far behind the focus the discs are large, dim and soft; near it they are
// small, bright and crisp, with the slightly brighter rim of a defocused highlight.
#include <algorithm>
#include <cmath>

#include "assets.h"

namespace {

constexpr int W = 512, H = 384;

// Adds one disc of light: flat body, brighter rim, an edge blurred over `soft` pixels.
void add_disc(RgbPicture& pic, double cx, double cy, double r, double soft, Colour c, double gain)
{
    const int x0 = std::max(0, static_cast<int>(cx - r - soft - 1)), x1 = std::min(W - 1, static_cast<int>(cx + r + soft + 1));
    const int y0 = std::max(0, static_cast<int>(cy - r - soft - 1)), y1 = std::min(H - 1, static_cast<int>(cy + r + soft + 1));
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
            const double body = 1.0 - smoothstep(r - soft, r + soft, d);
            if (body <= 0) continue;
            const double rim = std::exp(-std::pow((d - (r - 0.6 * soft - 0.8)) / (0.5 * soft + 0.9), 2.0)) * 0.45;
            const double centre = 0.8 + 0.2 * (d / r);
            const float v = static_cast<float>(gain * body * (centre + rim));
            Colour& p = pic.px[static_cast<size_t>(y) * W + x];
            p.r += c.r * v;
            p.g += c.g * v;
            p.b += c.b * v;
        }
}

}  // namespace

std::vector<uint8_t> fuzzyballs_build()
{
    RgbPicture pic = rgb_create(W, H, Colour{0, 0, 0});
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const double dx = (x - 256.0) / 256, dy = (y - 170.0) / 192;
            const float v = static_cast<float>(0.08 * std::exp(-(dx * dx + dy * dy) * 1.3));
            pic.px[static_cast<size_t>(y) * W + x] = Colour{v * 0.35f, v * 0.3f, v};
        }
    // Teal, azure and violet; a disc's hue is a blend of two neighbours, leaning violet far off.
    static const Colour hues[] = {{0.15f, 0.85f, 0.9f}, {0.25f, 0.5f, 1.0f}, {0.6f, 0.38f, 1.0f}};
    AssetRng rng{0xF023u};
    constexpr int count = 110;
    for (int k = 0; k < count; ++k) {
        // depth 0 is far behind the focus, 1 at it; far discs are drawn first.
        const double depth = std::pow(static_cast<double>(k) / (count - 1), 0.8);
        const double r = (1.0 - depth) * (26 + 38 * rng_unit(rng)) + depth * (3 + 7 * rng_unit(rng)) + 2;
        // The lights gather loosely along a gentle diagonal sweep.
        const double cx = rng_range(rng, -30, W + 30);
        const double along = 200 - 0.28 * (cx - 256) + 60 * std::sin(cx * 0.012);
        const double cy = along + rng_range(rng, -1, 1) * (110 + 90 * rng_unit(rng));
        const double h = std::clamp(2.0 * (1.0 - depth) * 0.8 + rng_range(rng, -0.6, 0.6) + 0.2, 0.0, 1.999);
        const int hi = static_cast<int>(h);
        const Colour c = colour_mix(hues[hi], hues[std::min(hi + 1, 2)], h - hi);
        const double gain = (0.10 + 0.55 * depth * depth) * (0.75 + 0.5 * rng_unit(rng));
        const double soft = 0.55 + r * 0.16 * (1.0 - depth);
        add_disc(pic, cx, cy, r, soft, c, gain);
    }
    // A few pin-sharp sparks at the focus.
    for (int k = 0; k < 30; ++k) {
        const double cx = rng_range(rng, 0, W), cy = rng_range(rng, 0, H);
        const Colour c = colour_mix(hues[0], Colour{0.9f, 0.95f, 1.0f}, rng_unit(rng));
        add_disc(pic, cx, cy, 0.8 + 1.2 * rng_unit(rng), 0.5, c, 0.5 + 0.4 * rng_unit(rng));
    }
    // Soft highlight roll-off instead of hard clipping where discs pile up.
    for (Colour& p : pic.px) {
        p.r = static_cast<float>(1.0 - std::exp(-p.r * 1.3));
        p.g = static_cast<float>(1.0 - std::exp(-p.g * 1.3));
        p.b = static_cast<float>(1.0 - std::exp(-p.b * 1.3));
    }
    return rgb_to_raw32(pic);
}
