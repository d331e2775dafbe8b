// The gloom-field picture: a small ploughed field under a low, heavy sky, with a pale break
// above the horizon, a far tree line and one bare tree.
#include <algorithm>
#include <cmath>

#include "assets.h"
#include "base/angles.h"

std::vector<uint8_t> gloomfield_build()
{
    constexpr int W = 97, H = 73;
    constexpr double horizon = 46;
    GreyPicture pic = grey_create(W, H, 0.0f);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            double v;
            if (y < horizon) {
                // Clouds stretched sideways, darkest overhead; a light seam just above the horizon.
                const double t = y / horizon;
                const double cloud = fbm(x * 0.07, y * 0.16, 5, 3);
                const double billow = fbm(x * 0.03 + 4, y * 0.08, 3, 8);
                const double seam = std::exp(-std::pow((horizon - 4 - y) / 3.5, 2.0)) * (0.5 + 0.5 * value_noise(x * 0.08, 1, 4));
                v = 0.09 + 0.22 * t + 0.3 * (cloud - 0.5) + 0.18 * (billow - 0.5) + 0.62 * seam;
            } else {
                // Furrows converge on a point on the horizon; far furrows fade into the haze. Each
                // pixel averages 4 x 4 samples, and every sample damps the furrow wave by how
                // fast it changes there, so furrows too fine for the pixels melt into their mean
                // grey instead of beating into moire.
                const double depth = (y - horizon + 0.5) / (H - horizon);
                double furrows = 0;
                for (int j = 0; j < 4; ++j)
                    for (int i = 0; i < 4; ++i) {
                        const double sx = x + (i + 0.5) / 4 - 60, s = y + (j + 0.5) / 4 - horizon + 1.0;
                        const double fx = 18.0 / s, fy = 18.0 * std::fabs(sx) / (s * s);   // radians per pixel
                        const double f = std::hypot(fx, fy);
                        const double damp = 1.0 - smoothstep(0.5 * k_pi, k_pi, f);
                        furrows += damp * std::sin(sx / s * 18.0) / 16;
                    }
                const double clod = fbm(x * 0.3, y * 0.3, 3, 21);
                v = 0.15 - 0.06 * depth + (0.03 + 0.09 * depth) * furrows + 0.06 * (clod - 0.5);
                v += 0.12 * (1.0 - smoothstep(0.0, 0.25, depth));
            }
            pic.px[static_cast<size_t>(y) * W + x] = static_cast<float>(std::clamp(v, 0.0, 1.0));
        }

    SuperMask dark = supermask_create(W, H, 8);
    // Far tree line along the horizon.
    std::vector<Point2> line;
    for (int x = 0; x <= W; ++x) line.push_back({static_cast<double>(x), horizon - 0.5 - 3.5 * std::pow(fbm(x * 0.25, 7, 3, 31), 2.0) * 2});
    line.push_back({W, horizon + 0.6});
    line.push_back({0, horizon + 0.6});
    supermask_polygon(dark, line);
    // A bare tree: trunk and forking branches.
    const double tx = 24, ty = 56;
    supermask_capsule(dark, tx, ty, tx + 0.6, ty - 16, 1.15);
    AssetRng rng{0x61003u};
    struct Branch {
        double x, y, angle, len, r;
        int depth;
    };
    std::vector<Branch> stack{{tx + 0.6, ty - 14, -1.57, 9, 0.75, 0}};
    while (!stack.empty()) {
        const Branch b = stack.back();
        stack.pop_back();
        const double ex = b.x + std::cos(b.angle) * b.len, ey = b.y + std::sin(b.angle) * b.len;
        supermask_capsule(dark, b.x, b.y, ex, ey, b.r);
        if (b.depth < 4)
            for (int k = 0; k < 2; ++k)
                stack.push_back({ex, ey, b.angle + (k ? 0.5 : -0.55) + rng_range(rng, -0.2, 0.2), b.len * 0.68,
                                 std::max(0.3, b.r * 0.7), b.depth + 1});
    }
    const GreyPicture m = supermask_resolve(dark);
    for (size_t i = 0; i < pic.px.size(); ++i) pic.px[i] += (0.0f - pic.px[i]) * m.px[i];
    return grey_to_raw8(pic);
}
