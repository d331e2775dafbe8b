// The title picture "marrowvale" (a dusk vale: striped sun, ridges, a river and a glowing grid
// under chrome lettering) and its night-time companion, whose lower part stays dark for the
// dot-matrix display drawn over it.
#include <algorithm>
#include <cmath>

#include "assets.h"

namespace {

constexpr int W = 512, H = 384;

void paint(RgbPicture& pic, const GreyPicture& mask, Colour c, float alpha)
{
    for (size_t i = 0; i < pic.px.size(); ++i) {
        const float a = mask.px[i] * alpha;
        pic.px[i] = colour_mix(pic.px[i], c, a);
    }
}

void add(RgbPicture& pic, const GreyPicture& mask, Colour c, float gain)
{
    for (size_t i = 0; i < pic.px.size(); ++i) {
        const float a = mask.px[i] * gain;
        pic.px[i].r += c.r * a;
        pic.px[i].g += c.g * a;
        pic.px[i].b += c.b * a;
    }
}

Colour gradient(const double* stops_y, const Colour* stops, int n, double y)
{
    if (y <= stops_y[0]) return stops[0];
    for (int i = 1; i < n; ++i)
        if (y <= stops_y[i]) return colour_mix(stops[i - 1], stops[i], smoothstep(stops_y[i - 1], stops_y[i], y));
    return stops[n - 1];
}

void add_stars(RgbPicture& pic, AssetRng& rng, int count, double bottom, float gain)
{
    for (int s = 0; s < count; ++s) {
        const double x = rng_range(rng, 0, W), y = rng_range(rng, 0, bottom);
        const double b = std::pow(rng_unit(rng), 3.0) * gain * (1.0 - y / bottom);
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                const int px = static_cast<int>(x) + dx, py = static_cast<int>(y) + dy;
                if (px < 0 || px >= W || py < 0 || py >= H) continue;
                const double ex = px + 0.5 - x, ey = py + 0.5 - y;
                const float v = static_cast<float>(b * std::exp(-(ex * ex + ey * ey) * 2.2));
                Colour& c = pic.px[static_cast<size_t>(py) * W + px];
                c.r += v * 0.9f;
                c.g += v * 0.9f;
                c.b += v;
            }
    }
}

// Ridge heights above the horizon for the far range and the two near slopes of the vale.
double far_ridge(double x) { return 18 + 78 * std::pow(fbm(x * 0.0105, 3.7, 5, 41), 1.6) * 1.9; }
double near_ridge(double x)
{
    const double d = std::fabs(x - 256) / 256;
    return 4 + 95 * std::pow(d, 1.6) + 22 * (fbm(x * 0.03, 9.1, 4, 77) - 0.5);
}

GreyPicture ridge_mask(double horizon, double (*ridge)(double), double scale)
{
    SuperMask m = supermask_create(W, H, 4);
    std::vector<Point2> poly;
    for (int x = -2; x <= W + 2; x += 2) poly.push_back({static_cast<double>(x), horizon - ridge(x) * scale});
    poly.push_back({W + 2.0, horizon + 1});
    poly.push_back({-2.0, horizon + 1});
    supermask_polygon(m, poly);
    return supermask_resolve(m);
}

// The word in the display proportions of the title, sheared slightly forward.
GreyPicture lettering_mask(const char* text, double top, double height, double radius, double grow)
{
    static const double ratio[26] = {0.72, 0.62, 0.6, 0.66, 0.55, 0.55, 0.68, 0.66, 0.3, 0.55, 0.6, 0.5, 0.95,
                                     0.7,  0.66, 0.6, 0.7,  0.62, 0.6, 0.66, 0.66, 0.72, 1.0, 0.7, 0.72, 0.66};
    const double gap = height * 0.13;
    double total = 0;
    for (const char* c = text; *c; ++c) total += ratio[*c - 'A'] * height + (c[1] ? gap : 0);
    double pen = (W - total) * 0.5;
    SuperMask m = supermask_create(W, H, 4);
    for (const char* c = text; *c; ++c) {
        const double w = ratio[*c - 'A'] * height;
        for (Segment s : glyph_strokes(*c, w, height, radius)) {
            const double shear = 0.16;
            s.x0 += pen + (height - s.y0) * shear;
            s.x1 += pen + (height - s.y1) * shear;
            s.y0 += top;
            s.y1 += top;
            supermask_capsule(m, s.x0, s.y0, s.x1, s.y1, radius + grow);
        }
        pen += w + gap;
    }
    return supermask_resolve(m);
}

void draw_title(RgbPicture& pic)
{
    const double top = 44, height = 50, radius = 4.8;
    GreyPicture outline = lettering_mask("MARROWVALE", top, height, radius, 3.0);
    GreyPicture glow = outline;
    grey_blur(glow, 9);
    add(pic, glow, Colour{1.0f, 0.25f, 0.75f}, 0.9f);
    paint(pic, outline, Colour{0.06f, 0.01f, 0.10f}, 1.0f);
    const GreyPicture face = lettering_mask("MARROWVALE", top, height, radius, 0.0);
    for (int y = 0; y < H; ++y) {
        const double t = (y - (top - radius)) / (height + 2 * radius);
        Colour c;
        if (t < 0.5)
            c = colour_mix(Colour{0.30f, 0.50f, 0.95f}, Colour{0.97f, 0.99f, 1.0f}, smoothstep(0.0, 0.5, t));
        else
            c = colour_mix(Colour{0.28f, 0.08f, 0.22f}, Colour{1.0f, 0.72f, 0.42f}, smoothstep(0.5, 1.0, t));
        for (int x = 0; x < W; ++x) {
            const size_t i = static_cast<size_t>(y) * W + x;
            pic.px[i] = colour_mix(pic.px[i], c, face.px[i]);
        }
    }
    // A thin bright rule under the word.
    SuperMask rule = supermask_create(W, H, 4);
    supermask_capsule(rule, 136, top + height + 20, 376, top + height + 20, 0.9);
    GreyPicture r = supermask_resolve(rule);
    add(pic, r, Colour{1.0f, 0.8f, 0.9f}, 0.9f);
    grey_blur(r, 4);
    add(pic, r, Colour{1.0f, 0.3f, 0.8f}, 1.2f);
}

}  // namespace

std::vector<uint8_t> title_build()
{
    const double horizon = 262;
    RgbPicture pic = rgb_create(W, H, Colour{0, 0, 0});
    const double sy[] = {0, 110, 200, horizon};
    const Colour sc[] = {{0.03f, 0.02f, 0.10f}, {0.14f, 0.04f, 0.26f}, {0.52f, 0.11f, 0.40f}, {1.0f, 0.48f, 0.36f}};
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) pic.px[static_cast<size_t>(y) * W + x] = gradient(sy, sc, 4, y);
    AssetRng rng{0x5EED0001u};
    add_stars(pic, rng, 260, 190, 1.0f);

    // Sun with the banded cuts of its lower half, and its glow.
    const double scx = 256, scy = 238, sr = 104;
    SuperMask sun = supermask_create(W, H, 4);
    supermask_ellipse(sun, scx, scy, sr, sr);
    double band = scy - 58;
    for (int k = 0; band < scy + sr; ++k) {
        const double gap = 1.5 + k * 1.3;
        supermask_polygon(sun, {{0, band}, {W, band}, {W, band + gap}, {0, band + gap}}, false);
        band += gap + 12 - k * 0.8;
    }
    const GreyPicture sun_mask = supermask_resolve(sun);
    GreyPicture sun_glow = sun_mask;
    grey_blur(sun_glow, 22);
    add(pic, sun_glow, Colour{1.0f, 0.35f, 0.45f}, 0.8f);
    for (int y = 0; y < H; ++y) {
        const Colour c = colour_mix(Colour{1.0f, 0.95f, 0.55f}, Colour{1.0f, 0.22f, 0.55f},
                                    smoothstep(scy - sr, scy + sr * 0.6, y));
        for (int x = 0; x < W; ++x) {
            const size_t i = static_cast<size_t>(y) * W + x;
            pic.px[i] = colour_mix(pic.px[i], c, sun_mask.px[i]);
        }
    }

    // Far range in haze, then the dark near slopes with a lit rim.
    const GreyPicture far = ridge_mask(horizon, far_ridge, 1.0);
    paint(pic, far, Colour{0.36f, 0.10f, 0.40f}, 0.85f);
    const GreyPicture near = ridge_mask(horizon, near_ridge, 1.0);
    GreyPicture rim = ridge_mask(horizon - 1.5, near_ridge, 1.0);
    for (size_t i = 0; i < rim.px.size(); ++i) rim.px[i] = std::max(0.0f, rim.px[i] - near.px[i]);
    paint(pic, near, Colour{0.07f, 0.02f, 0.12f}, 1.0f);
    add(pic, rim, Colour{1.0f, 0.45f, 0.6f}, 0.9f);

    // Below the horizon: a river mirroring the sky, on a dark floor ruled by a glowing grid.
    const RgbPicture sky = pic;
    GreyPicture grid = grey_create(W, H, 0.0f);
    for (int y = static_cast<int>(horizon); y < H; ++y) {
        const double depth = (y - horizon + 0.5) / (H - horizon);   // 0 far .. 1 near
        const double centre = 256 + 50 * std::sin(depth * 5.0) * depth;
        const double half = 3 + 120 * std::pow(depth, 1.4);
        const double z = 1.6 / (depth + 0.03);
        const double row_line = std::fabs(z - std::floor(z + 0.5));
        for (int x = 0; x < W; ++x) {
            const size_t i = static_cast<size_t>(y) * W + x;
            const double water = 1.0 - smoothstep(half - 1.5, half + 1.5, std::fabs(x + 0.5 - centre));
            const double ripple = 2.0 * std::sin(y * 1.7 + std::sin(x * 0.05) * 2.0) * depth;
            const int ry = std::clamp(static_cast<int>(2 * horizon - y + ripple), 0, H - 1);
            Colour refl = sky.px[static_cast<size_t>(ry) * W + x];
            refl = colour_mix(Colour{0.03f, 0.02f, 0.10f}, refl, 0.8 - 0.35 * depth);
            const Colour floor = colour_mix(Colour{0.10f, 0.02f, 0.16f}, Colour{0.03f, 0.0f, 0.06f}, depth);
            pic.px[i] = colour_mix(floor, refl, water);
            // Grid: depth rows and rays from the vanishing point, only on land.
            const double ray = (x + 0.5 - 256) / (y - horizon + 0.5) * 4.0;
            const double ray_line = std::fabs(ray - std::floor(ray + 0.5)) * (y - horizon + 0.5) / 4.0;
            const double row_px = row_line * (depth + 0.03) * (depth + 0.03) * (H - horizon) / 1.6;
            const double line = std::max(1.0 - smoothstep(0.3, 1.1, row_px),
                                         1.0 - smoothstep(0.3, 1.1, ray_line));
            grid.px[i] = static_cast<float>(line * (1.0 - water) * smoothstep(0.0, 0.4, depth));
        }
    }
    GreyPicture grid_glow = grid;
    grey_blur(grid_glow, 3);
    add(pic, grid_glow, Colour{1.0f, 0.2f, 0.8f}, 0.9f);
    add(pic, grid, Colour{1.0f, 0.5f, 0.9f}, 0.55f);
    draw_title(pic);
    return rgb_to_raw32(pic);
}

std::vector<uint8_t> title_again_build()
{
    const double horizon = 196;
    RgbPicture pic = rgb_create(W, H, Colour{0, 0, 0});
    const double sy[] = {0, 120, horizon};
    const Colour sc[] = {{0.0f, 0.01f, 0.05f}, {0.02f, 0.05f, 0.13f}, {0.06f, 0.14f, 0.22f}};
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) pic.px[static_cast<size_t>(y) * W + x] = gradient(sy, sc, 3, y);
    AssetRng rng{0x5EED0002u};
    add_stars(pic, rng, 420, 180, 1.2f);

    // Aurora: a wavering curtain of vertical rays, green below and violet above.
    for (int y = 0; y < horizon; ++y)
        for (int x = 0; x < W; ++x) {
            const double centre = 92 + 34 * std::sin(x * 0.011 + 0.6) + 30 * (fbm(x * 0.006, 2.0, 3, 5) - 0.5);
            const double d = (y - centre) / 38.0;
            const double curtain = std::exp(-d * d) * (d > 0 ? 1.0 : 0.8);
            const double rays = 0.35 + 0.65 * std::pow(fbm(x * 0.09, y * 0.004, 3, 9), 1.5) * 1.6;
            const double v = curtain * rays * 0.55;
            const double up = smoothstep(0.6, -1.6, d);
            Colour& c = pic.px[static_cast<size_t>(y) * W + x];
            c.r += static_cast<float>(v * (0.05 + 0.55 * up));
            c.g += static_cast<float>(v * (0.85 - 0.65 * up));
            c.b += static_cast<float>(v * (0.55 + 0.2 * up));
        }

    // Moon with faint maria and a halo.
    const double mx = 404, my = 58, mr = 24;
    SuperMask moon = supermask_create(W, H, 4);
    supermask_ellipse(moon, mx, my, mr, mr);
    const GreyPicture moon_mask = supermask_resolve(moon);
    GreyPicture halo = moon_mask;
    grey_blur(halo, 16);
    add(pic, halo, Colour{0.5f, 0.65f, 0.9f}, 0.7f);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const size_t i = static_cast<size_t>(y) * W + x;
            if (moon_mask.px[i] <= 0) continue;
            const float m = static_cast<float>(0.78 + 0.22 * fbm(x * 0.12, y * 0.12, 4, 13));
            pic.px[i] = colour_mix(pic.px[i], Colour{0.86f * m, 0.9f * m, 0.98f * m}, moon_mask.px[i]);
        }

    // The same ranges as the title, black against the night sky.
    const GreyPicture far = ridge_mask(horizon, far_ridge, 0.85);
    paint(pic, far, Colour{0.03f, 0.06f, 0.11f}, 1.0f);
    const GreyPicture near = ridge_mask(horizon, near_ridge, 0.85);
    paint(pic, near, Colour{0.0f, 0.01f, 0.03f}, 1.0f);

    // A still lake that mirrors a little of the sky and the moon, going black towards the bottom.
    const RgbPicture sky = pic;
    for (int y = static_cast<int>(horizon); y < H; ++y) {
        const double depth = (y - horizon + 0.5) / (H - horizon);
        const float keep = static_cast<float>(0.35 * (1.0 - smoothstep(0.0, 0.28, depth)));
        for (int x = 0; x < W; ++x) {
            const double ripple = 1.5 * std::sin(y * 2.1 + x * 0.02);
            const int ry = std::clamp(static_cast<int>(2 * horizon - y + ripple), 0, H - 1);
            const Colour r = sky.px[static_cast<size_t>(ry) * W + x];
            const double streak = std::exp(-std::pow((x - mx) / (8 + 40 * depth), 2.0)) *
                                  (0.5 + 0.5 * std::sin(y * 1.3 + std::sin(x * 0.3))) * 0.12 *
                                  (1.0 - smoothstep(0.05, 0.55, depth));
            pic.px[static_cast<size_t>(y) * W + x] =
                Colour{r.r * keep + static_cast<float>(streak * 0.8), r.g * keep + static_cast<float>(streak * 0.9),
                       r.b * keep + static_cast<float>(streak)};
        }
    }
    return rgb_to_raw32(pic);
}
