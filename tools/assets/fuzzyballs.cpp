// The fuzzy-ball picture: out-of-focus discs of light in a few related hues on a dark ground,
// each with the slightly brighter rim of a defocused highlight.
#include <algorithm>
#include <cmath>

#include "assets.h"

std::vector<uint8_t> fuzzyballs_build()
{
    constexpr int W = 512, H = 384;
    RgbPicture pic = rgb_create(W, H, Colour{0, 0, 0});
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const double dx = (x - 256.0) / 256, dy = (y - 170.0) / 192;
            const float v = static_cast<float>(0.07 * std::exp(-(dx * dx + dy * dy) * 1.2));
            pic.px[static_cast<size_t>(y) * W + x] = Colour{v * 0.55f, v * 0.35f, v};
        }
    static const Colour palette[] = {{0.2f, 0.85f, 1.0f}, {1.0f, 0.3f, 0.7f}, {1.0f, 0.65f, 0.2f},
                                     {0.45f, 0.4f, 1.0f}, {0.3f, 1.0f, 0.6f}, {0.95f, 0.9f, 1.0f}};
    AssetRng rng{0xF022u};
    // Far (small, dim, soft) discs first, near (large, faint, very soft) ones last.
    for (int k = 0; k < 90; ++k) {
        const double near = static_cast<double>(k) / 89;
        const double r = 6 + 10 * rng_unit(rng) + 50 * near * near * rng_unit(rng);
        const double cx = rng_range(rng, -20, W + 20), cy = rng_range(rng, -20, H + 20);
        const Colour c = palette[rng_next(rng) % 6];
        const double gain = (0.16 + 0.3 * rng_unit(rng)) * (1.0 - 0.55 * near);
        const double soft = 1.0 + r * (0.05 + 0.12 * near);
        const int x0 = std::max(0, static_cast<int>(cx - r - soft)), x1 = std::min(W - 1, static_cast<int>(cx + r + soft));
        const int y0 = std::max(0, static_cast<int>(cy - r - soft)), y1 = std::min(H - 1, static_cast<int>(cy + r + soft));
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) {
                const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
                const double body = 1.0 - smoothstep(r - soft, r + soft, d);
                const double rim = std::exp(-std::pow((d - (r - soft)) / (soft + 1.0), 2.0)) * 0.6;
                const double centre = 0.75 + 0.25 * (d / r);
                const float v = static_cast<float>(gain * body * (centre + rim));
                Colour& p = pic.px[static_cast<size_t>(y) * W + x];
                p.r += c.r * v;
                p.g += c.g * v;
                p.b += c.b * v;
            }
    }
    // A handful of tiny sharp sparks in front keep the depth readable.
    for (int k = 0; k < 40; ++k) {
        const double cx = rng_range(rng, 0, W), cy = rng_range(rng, 0, H);
        const double r = 1.2 + 1.5 * rng_unit(rng);
        const Colour c = palette[rng_next(rng) % 6];
        for (int y = std::max(0, static_cast<int>(cy - 4)); y <= std::min(H - 1, static_cast<int>(cy + 4)); ++y)
            for (int x = std::max(0, static_cast<int>(cx - 4)); x <= std::min(W - 1, static_cast<int>(cx + 4)); ++x) {
                const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
                const float v = static_cast<float>(0.6 * std::exp(-(d * d) / (r * r)));
                Colour& p = pic.px[static_cast<size_t>(y) * W + x];
                p.r += c.r * v;
                p.g += c.g * v;
                p.b += c.b * v;
            }
    }
    rgb_blur(pic, 1);
    // Soft highlight roll-off instead of hard clipping where discs pile up.
    for (Colour& p : pic.px) {
        p.r = static_cast<float>(1.0 - std::exp(-p.r * 1.3));
        p.g = static_cast<float>(1.0 - std::exp(-p.g * 1.3));
        p.b = static_cast<float>(1.0 - std::exp(-p.b * 1.3));
    }
    return rgb_to_raw32(pic);
}
