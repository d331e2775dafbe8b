// The title picture "marrowvale" (a dusk vale: a striped sun over a far range and two near
// slopes, a river winding across a glowing floor grid, chrome lettering) and its night-time
// companion: the same vale under an aurora, whose lower part stays dark for the dot-matrix display
// drawn over it. Edges are anti-aliased from sub-pixel samples or exact coverage.
#include <algorithm>
#include <cmath>

#include "assets.h"

namespace {

constexpr int W = 512, H = 384;

size_t at(int x, int y) { return static_cast<size_t>(y) * W + x; }

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

// Bilinear read with the position clamped to the picture; (x, y) in pixel coordinates, pixel
// centres at half-integers.
Colour sample(const RgbPicture& p, double x, double y)
{
    x = std::clamp(x - 0.5, 0.0, W - 1.0);
    y = std::clamp(y - 0.5, 0.0, H - 1.0);
    const int x0 = std::min(static_cast<int>(x), W - 2), y0 = std::min(static_cast<int>(y), H - 2);
    const double fx = x - x0, fy = y - y0;
    const Colour top = colour_mix(p.px[at(x0, y0)], p.px[at(x0 + 1, y0)], fx);
    const Colour bottom = colour_mix(p.px[at(x0, y0 + 1)], p.px[at(x0 + 1, y0 + 1)], fx);
    return colour_mix(top, bottom, fy);
}

// Exact coverage of the band [a, b] over pixel row y.
double row_overlap(double a, double b, int y) { return std::max(0.0, std::min(b, y + 1.0) - std::max(a, static_cast<double>(y))); }

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
                Colour& c = pic.px[at(px, py)];
                c.r += v * 0.9f;
                c.g += v * 0.9f;
                c.b += v;
            }
    }
}

// The vale, shared by both pictures: ridge heights above the horizon for the far range and the two
// near slopes, and a river on the floor in ground coordinates (x across, z away from the viewer).
double far_ridge(double x) { return 18 + 78 * std::pow(fbm(x * 0.0105, 3.7, 5, 41), 1.6) * 1.9; }
double near_ridge(double x)
{
    const double d = std::fabs(x - 256) / 256;
    return 4 + 95 * std::pow(d, 1.6) + 22 * (fbm(x * 0.03, 9.1, 4, 77) - 0.5);
}

// A floor row s pixels below the horizon lies at depth k_depth / s; one ground unit across spans
// s / k_across pixels there.
constexpr double k_depth = 200, k_across = 4;
constexpr double k_river_half = 2.1;
// The river's mirror image is drawn a little taller than the sky it shows, so the sun's striped
// lower half fills the far water and the dark sky the near.
constexpr double k_mirror = 1.5;
double river_centre(double z) { return 1.7 * std::sin(0.5 * z + 0.9) + 0.6 * std::sin(1.37 * z + 2.0); }

bool in_river(double x, double s)
{
    const double z = k_depth / s, gx = (x - 256) / s * k_across;
    return std::fabs(gx - river_centre(z)) < k_river_half;
}

// Coverage of a range whose crest stands ridge(x) above the horizon, down to the horizon: 16
// sub-columns a pixel, each covered exactly over its rows.
GreyPicture ridge_cover(double horizon, double (*ridge)(double))
{
    GreyPicture m = grey_create(W, H, 0.0f);
    constexpr int sub = 16;
    for (int x = 0; x < W; ++x)
        for (int s = 0; s < sub; ++s) {
            const double top = horizon - ridge(x + (s + 0.5) / sub);
            for (int y = std::max(0, static_cast<int>(std::floor(top))); y < horizon && y < H; ++y)
                m.px[at(x, y)] += static_cast<float>(row_overlap(top, horizon, y) / sub);
        }
    return m;
}

// The sun's disc with the banded cuts of its lower half, each band's rows covered exactly.
GreyPicture sun_cover(double cx, double cy, double r)
{
    std::vector<std::pair<double, double>> cuts;
    double band = cy - 58;
    for (int k = 0; band < cy + r; ++k) {
        const double gap = 1.5 + k * 1.3;
        cuts.push_back({band, band + gap});
        band += gap + 12 - k * 0.8;
    }
    GreyPicture m = grey_create(W, H, 0.0f);
    for (int y = std::max(0, static_cast<int>(cy - r - 2)); y < std::min(H, static_cast<int>(cy + r + 2)); ++y) {
        double cut = 0;
        for (const auto& c : cuts) cut += row_overlap(c.first, c.second, y);
        for (int x = 0; x < W; ++x) {
            const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
            m.px[at(x, y)] = static_cast<float>(std::clamp(r - d + 0.5, 0.0, 1.0) * (1.0 - cut));
        }
    }
    return m;
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
    SuperMask m = supermask_create(W, H, 6);
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

// A rule under the word: a sliver that swells from hairline ends to two pixels at its middle,
// where a small four-pointed spark sits, all with a soft glow.
void draw_rule(RgbPicture& pic, double cy)
{
    GreyPicture line = grey_create(W, H, 0.0f);
    const double cx = 256, reach = 150;
    for (int x = static_cast<int>(cx - reach); x < static_cast<int>(cx + reach); ++x) {
        const double t = (x + 0.5 - cx) / reach, body = 1.0 - t * t;
        const double half = 0.25 + 0.8 * body, bright = std::pow(body, 1.3);
        for (int y = static_cast<int>(cy - 3); y <= static_cast<int>(cy + 3); ++y)
            line.px[at(x, y)] = static_cast<float>(row_overlap(cy - half, cy + half, y) * bright);
    }
    SuperMask spark = supermask_create(W, H, 8);
    const double arm = 11, waist = 1.6;
    supermask_polygon(spark, {{cx - arm, cy}, {cx - waist, cy - waist}, {cx, cy - arm * 0.55}, {cx + waist, cy - waist},
                              {cx + arm, cy}, {cx + waist, cy + waist}, {cx, cy + arm * 0.55}, {cx - waist, cy + waist}});
    const GreyPicture s = supermask_resolve(spark);
    for (size_t i = 0; i < line.px.size(); ++i) line.px[i] = std::max(line.px[i], s.px[i]);
    GreyPicture glow = line;
    grey_blur(glow, 4);
    add(pic, glow, Colour{1.0f, 0.3f, 0.8f}, 1.3f);
    add(pic, line, Colour{1.0f, 0.85f, 0.95f}, 1.0f);
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
        for (int x = 0; x < W; ++x) pic.px[at(x, y)] = colour_mix(pic.px[at(x, y)], c, face.px[at(x, y)]);
    }
    draw_rule(pic, top + height + 20.5);
}

// The floor below the horizon at dusk: the river mirrors `sky` with ripples that break the
// reflection into streaks, the land carries a grid whose lines fade into the horizon haze before
// they crowd closer than the pixels can show. Each pixel averages 6 x 6 samples.
void draw_dusk_floor(RgbPicture& pic, const RgbPicture& sky, double horizon)
{
    constexpr int ss = 6;
    GreyPicture grid = grey_create(W, H, 0.0f), land = grey_create(W, H, 0.0f);
    const Colour deep{0.05f, 0.02f, 0.13f}, haze{0.85f, 0.32f, 0.45f};
    for (int y = static_cast<int>(horizon); y < H; ++y)
        for (int x = 0; x < W; ++x) {
            double r = 0, g = 0, b = 0, lines = 0, ground = 0;
            for (int j = 0; j < ss; ++j)
                for (int i = 0; i < ss; ++i) {
                    const double sx = x + (i + 0.5) / ss, sy = y + (j + 0.5) / ss, s = sy - horizon;
                    const double near = s / (H - horizon);
                    Colour c;
                    if (in_river(sx, s)) {
                        const double amp = 0.2 + 1.6 * near;
                        const double wave = std::sin(sy * 1.9 + 2.6 * std::sin(sx * 0.043 + sy * 0.11));
                        // Crests tilted towards the viewer mirror sky from higher up, so glints
                        // of the sun trail below its reflection.
                        const double crest = std::pow(0.5 + 0.5 * std::sin(sy * 2.3 + 5.0 * value_noise(sx * 0.07, sy * 0.35, 9)), 8.0);
                        const Colour mirror = sample(sky, sx + 0.8 * amp * std::sin(sy * 0.7 + sx * 0.02),
                                                     horizon - k_mirror * s + amp * wave - 14 * near * crest);
                        // Less light comes off the water near the viewer than at a grazing angle
                        // far off.
                        const Colour tinted{mirror.r * 0.95f, mirror.g * 0.8f, mirror.b * 0.9f};
                        const double light = 0.95 - 0.6 * std::pow(near, 0.8);
                        c = colour_mix(deep, tinted, light);
                    } else {
                        c = colour_mix(Colour{0.13f, 0.03f, 0.20f}, Colour{0.03f, 0.0f, 0.07f}, std::sqrt(near));
                        const double z = k_depth / s, gx = (sx - 256) / s * k_across;
                        const double hw = 0.45 + 0.6 * near;
                        const double row_px = std::fabs(z - std::floor(z + 0.5)) * s * s / k_depth;
                        // Rays are measured across their own direction: off to the sides they
                        // lie almost flat and crowd sooner than their horizontal spacing says.
                        const double across = s / std::hypot(s, sx - 256);
                        const double ray_px = std::fabs(gx - std::floor(gx + 0.5)) * s / k_across * across;
                        const double row_line = (1.0 - smoothstep(hw - 0.5, hw + 0.5, row_px)) * smoothstep(2.0, 6.0, s * s / k_depth);
                        const double ray_line = (1.0 - smoothstep(hw - 0.5, hw + 0.5, ray_px)) * smoothstep(2.5, 7.0, s / k_across * across);
                        lines += std::max(row_line, ray_line);
                        ground += 1;
                    }
                    // Haze thickens towards the horizon.
                    c = colour_mix(c, haze, std::exp(-s / 7.0) * 0.85);
                    r += c.r;
                    g += c.g;
                    b += c.b;
                }
            const double n = ss * ss;
            pic.px[at(x, y)] = Colour{static_cast<float>(r / n), static_cast<float>(g / n), static_cast<float>(b / n)};
            grid.px[at(x, y)] = static_cast<float>(lines / n);
            land.px[at(x, y)] = static_cast<float>(ground / n);
        }
    // The lines' glow stays on the land, so the banks stay clean.
    GreyPicture glow = grid;
    grey_blur(glow, 3);
    for (size_t i = 0; i < glow.px.size(); ++i) glow.px[i] *= land.px[i];
    add(pic, glow, Colour{1.0f, 0.2f, 0.8f}, 0.9f);
    add(pic, grid, Colour{1.0f, 0.5f, 0.9f}, 0.6f);
}

// One curtain of the aurora, slanting across the sky from left_y to right_y: a lower edge that
// wavers and folds, rays of varied brightness and length rising from it and fading out upwards,
// green at the foot turning violet at the top.
// Four sub-columns a pixel keep the thin rays from aliasing.
void add_curtain(RgbPicture& pic, double left_y, double right_y, double height, double gain, uint32_t seed)
{
    constexpr int sub = 4;
    for (int x = 0; x < W; ++x)
        for (int k = 0; k < sub; ++k) {
            const double sx = x + (k + 0.5) / sub;
            const double base = left_y + (right_y - left_y) * sx / W + 8 * std::sin(sx * 0.034 + seed + 2.0 * std::sin(sx * 0.011 + seed)) +
                                3 * std::sin(sx * 0.11 + seed) + 10 * (fbm(sx * 0.015, 1.5, 3, seed) - 0.5);
            const double tall = height * (0.5 + 1.0 * value_noise(sx * 0.05, 2.0, seed + 11));
            const double rays = 0.2 + 1.2 * std::pow(0.55 * value_noise(sx * 0.23, 0.5, seed + 1) +
                                                    0.45 * value_noise(sx * 0.51, 4.5, seed + 2), 2.0) +
                                0.9 * std::pow(value_noise(sx * 0.08, 7.5, seed + 3), 4.0);
            // Bright stretches and near gaps along the curtain.
            const double swell = 1.7 * std::pow(smoothstep(0.25, 0.75, fbm(sx * 0.007, 3.3, 3, seed + 4)), 1.5) + 0.12;
            for (int y = std::max(0, static_cast<int>(base - 3 * tall)); y < std::min(H, static_cast<int>(base + 24)); ++y) {
                const double e = base - (y + 0.5);   // pixels above the lower edge
                const double lift = std::max(e, 0.0);
                const double below = e < 0 ? 0.22 * std::exp(e / 7.0) : 0.0;
                const double edge = smoothstep(-1.2, 1.2, e);
                const double rise = std::exp(-lift / tall) * (0.5 + 0.8 * std::exp(-lift / 4.0));
                const double streak = 0.8 + 0.4 * value_noise(sx * 0.3, y * 0.04, seed + 5);
                const double v = gain * swell * (edge * rise * rays * streak + below) / sub;
                const double up = smoothstep(0.2 * tall, 1.5 * tall, lift);
                Colour& c = pic.px[at(x, y)];
                c.r += static_cast<float>(v * (0.12 + 0.55 * up));
                c.g += static_cast<float>(v * (0.95 - 0.75 * up));
                c.b += static_cast<float>(v * (0.45 + 0.45 * up));
            }
        }
}

// The floor at night: dark ground and the river mirroring the sky dimly, both sinking into black
// within a few rows below the horizon. Each pixel averages 4 x 4 samples.
void draw_night_floor(RgbPicture& pic, const RgbPicture& sky, double horizon)
{
    constexpr int ss = 4;
    for (int y = static_cast<int>(horizon); y < H; ++y)
        for (int x = 0; x < W; ++x) {
            double r = 0, g = 0, b = 0;
            for (int j = 0; j < ss; ++j)
                for (int i = 0; i < ss; ++i) {
                    const double sx = x + (i + 0.5) / ss, sy = y + (j + 0.5) / ss, s = sy - horizon;
                    const double fade = 1.0 - smoothstep(0.0, 16.0, s);
                    Colour c{0.015f, 0.025f, 0.045f};
                    if (in_river(sx, s)) {
                        const double wave = std::sin(sy * 2.3 + 2.0 * std::sin(sx * 0.05));
                        c = colour_mix(Colour{0.0f, 0.01f, 0.03f}, sample(sky, sx, 2 * horizon - sy + 0.6 * wave), 0.7);
                    }
                    r += c.r * fade;
                    g += c.g * fade;
                    b += c.b * fade;
                }
            const double n = ss * ss;
            pic.px[at(x, y)] = Colour{static_cast<float>(r / n), static_cast<float>(g / n), static_cast<float>(b / n)};
        }
}

}  // namespace

std::vector<uint8_t> title_build()
{
    const double horizon = 262;
    RgbPicture pic = rgb_create(W, H, Colour{0, 0, 0});
    const double sy[] = {0, 110, 200, horizon};
    const Colour sc[] = {{0.03f, 0.02f, 0.10f}, {0.14f, 0.04f, 0.26f}, {0.52f, 0.11f, 0.40f}, {1.0f, 0.48f, 0.36f}};
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) pic.px[at(x, y)] = gradient(sy, sc, 4, y);
    AssetRng rng{0x5EED0001u};
    add_stars(pic, rng, 260, 190, 1.0f);

    // Sun with the banded cuts of its lower half, and its glow.
    const double scx = 256, scy = 238, sr = 104;
    const GreyPicture sun = sun_cover(scx, scy, sr);
    GreyPicture sun_glow = sun;
    grey_blur(sun_glow, 22);
    add(pic, sun_glow, Colour{1.0f, 0.35f, 0.45f}, 0.8f);
    for (int y = 0; y < H; ++y) {
        const Colour c = colour_mix(Colour{1.0f, 0.95f, 0.55f}, Colour{1.0f, 0.22f, 0.55f}, smoothstep(scy - sr, scy + sr * 0.6, y));
        for (int x = 0; x < W; ++x) pic.px[at(x, y)] = colour_mix(pic.px[at(x, y)], c, sun.px[at(x, y)]);
    }

    // The river mirrors the sky and the sun with its stripes; the ranges stand too far back to
    // show in it.
    const RgbPicture mirror = pic;

    // The far range stands solid in front of the sun, lit along its crest and hazier at its foot;
    // then the dark near slopes with a lit rim.
    const GreyPicture far = ridge_cover(horizon, far_ridge);
    const GreyPicture far_rim = ridge_cover(horizon - 1.2, far_ridge);
    for (int y = 0; y < H; ++y) {
        const Colour c = colour_mix(Colour{0.25f, 0.06f, 0.33f}, Colour{0.55f, 0.16f, 0.42f}, smoothstep(horizon - 90, horizon, y));
        for (int x = 0; x < W; ++x) {
            const size_t i = at(x, y);
            pic.px[i] = colour_mix(pic.px[i], c, far.px[i]);
            const float rim = std::max(0.0f, far_rim.px[i] - far.px[i]);
            pic.px[i] = colour_mix(pic.px[i], Colour{0.95f, 0.45f, 0.6f}, rim * 0.7f);
        }
    }
    const GreyPicture near = ridge_cover(horizon, near_ridge);
    GreyPicture rim = ridge_cover(horizon - 1.5, near_ridge);
    for (size_t i = 0; i < rim.px.size(); ++i) rim.px[i] = std::max(0.0f, rim.px[i] - near.px[i]);
    paint(pic, near, Colour{0.07f, 0.02f, 0.12f}, 1.0f);
    add(pic, rim, Colour{1.0f, 0.45f, 0.6f}, 0.9f);

    draw_dusk_floor(pic, mirror, horizon);
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
        for (int x = 0; x < W; ++x) pic.px[at(x, y)] = gradient(sy, sc, 3, y);
    AssetRng rng{0x5EED0002u};
    add_stars(pic, rng, 420, 180, 1.2f);
    add_curtain(pic, 34, 70, 34, 0.45, 17);   // a far, faint fold behind
    add_curtain(pic, 56, 126, 58, 1.15, 5);

    // Moon with faint maria and a halo.
    const double mx = 404, my = 58, mr = 24;
    SuperMask moon = supermask_create(W, H, 8);
    supermask_ellipse(moon, mx, my, mr, mr);
    const GreyPicture moon_mask = supermask_resolve(moon);
    GreyPicture halo = moon_mask;
    grey_blur(halo, 16);
    add(pic, halo, Colour{0.5f, 0.65f, 0.9f}, 0.7f);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const size_t i = at(x, y);
            if (moon_mask.px[i] <= 0) continue;
            const float m = static_cast<float>(0.78 + 0.22 * fbm(x * 0.12, y * 0.12, 4, 13));
            pic.px[i] = colour_mix(pic.px[i], Colour{0.86f * m, 0.9f * m, 0.98f * m}, moon_mask.px[i]);
        }

    const RgbPicture mirror = pic;

    // The same ranges as at dusk, dark against the night sky: the far range catches the aurora
    // along its crest, the near slopes a cold rim of moonlight.
    const GreyPicture far = ridge_cover(horizon, far_ridge);
    const GreyPicture far_rim = ridge_cover(horizon - 1.0, far_ridge);
    for (size_t i = 0; i < pic.px.size(); ++i) {
        pic.px[i] = colour_mix(pic.px[i], Colour{0.025f, 0.05f, 0.09f}, far.px[i]);
        pic.px[i] = colour_mix(pic.px[i], Colour{0.10f, 0.26f, 0.26f}, std::max(0.0f, far_rim.px[i] - far.px[i]) * 0.6f);
    }
    const GreyPicture near = ridge_cover(horizon, near_ridge);
    GreyPicture rim = ridge_cover(horizon - 1.2, near_ridge);
    for (size_t i = 0; i < rim.px.size(); ++i) rim.px[i] = std::max(0.0f, rim.px[i] - near.px[i]);
    paint(pic, near, Colour{0.0f, 0.008f, 0.025f}, 1.0f);
    add(pic, rim, Colour{0.35f, 0.45f, 0.6f}, 0.45f);

    draw_night_floor(pic, mirror, horizon);
    return rgb_to_raw32(pic);
}
