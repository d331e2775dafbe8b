// The plumed-helmet emblem: a crested helmet in profile, its feathered plume sweeping back,
// set inside a double ring, in grey on black.
#include <algorithm>
#include <cmath>

#include "assets.h"

namespace {

constexpr int W = 234, H = 257;

// Anti-aliased stroke painted over the picture with the given grey: the coverage of the whole
// polyline is gathered first (max over its segments) so its joints do not double up.
void stroke_paint(GreyPicture& p, const std::vector<Point2>& line, double radius, float grey, float alpha)
{
    std::vector<float> cover(p.px.size(), 0.0f);
    for (size_t k = 0; k + 1 < line.size(); ++k) {
        const Point2 a = line[k], b = line[k + 1];
        const int x0 = std::max(0, static_cast<int>(std::min(a.x, b.x) - radius - 1));
        const int x1 = std::min(W - 1, static_cast<int>(std::max(a.x, b.x) + radius + 1));
        const int y0 = std::max(0, static_cast<int>(std::min(a.y, b.y) - radius - 1));
        const int y1 = std::min(H - 1, static_cast<int>(std::max(a.y, b.y) + radius + 1));
        const double dx = b.x - a.x, dy = b.y - a.y, len2 = std::max(1e-9, dx * dx + dy * dy);
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) {
                const double px = x + 0.5 - a.x, py = y + 0.5 - a.y;
                const double t = std::clamp((px * dx + py * dy) / len2, 0.0, 1.0);
                const double d = std::hypot(px - t * dx, py - t * dy);
                float& c = cover[static_cast<size_t>(y) * W + x];
                c = std::max(c, static_cast<float>(std::clamp(radius + 0.5 - d, 0.0, 1.0)));
            }
    }
    for (size_t i = 0; i < cover.size(); ++i)
        if (cover[i] > 0) p.px[i] += (grey - p.px[i]) * cover[i] * alpha;
}

std::vector<Point2> bezier(Point2 p0, Point2 p1, Point2 p2, Point2 p3, int steps)
{
    std::vector<Point2> out;
    for (int s = 0; s <= steps; ++s) {
        const double t = static_cast<double>(s) / steps, u = 1 - t;
        out.push_back({u * u * u * p0.x + 3 * u * u * t * p1.x + 3 * u * t * t * p2.x + t * t * t * p3.x,
                       u * u * u * p0.y + 3 * u * u * t * p1.y + 3 * u * t * t * p2.y + t * t * t * p3.y});
    }
    return out;
}

}  // namespace

std::vector<uint8_t> plumhelm_build()
{
    GreyPicture pic = grey_create(W, H, 0.0f);
    const double cx = 117, cy = 128.5;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy) / 104;
            pic.px[static_cast<size_t>(y) * W + x] = d < 1 ? static_cast<float>(0.12 * (1 - d * d)) : 0.0f;
        }

    // The plume: strands rooted along the crest, rising and falling away behind the helmet.
    AssetRng rng{0x9107u};
    const std::vector<Point2> crest = curve_through({{78, 80}, {100, 66}, {124, 62}, {148, 68}, {164, 80}}, 8);
    for (int k = 0; k < 160; ++k) {
        const double t = static_cast<double>(k) / 159;
        const Point2 base = crest[static_cast<size_t>(t * (crest.size() - 1))];
        const double lift = 40 + 22 * std::sin(t * 3.14159265);
        const Point2 p1{base.x - 6 + 20 * t + rng_range(rng, -4, 4), base.y - lift - rng_range(rng, 0, 10)};
        const Point2 p2{168 + 34 * t + rng_range(rng, -6, 6), 6 + 30 * t + rng_range(rng, -6, 6)};
        const Point2 p3{206 + 12 * t + rng_range(rng, -5, 5), 100 + 100 * std::pow(t, 0.8) + rng_range(rng, -8, 8)};
        const float grey = static_cast<float>(0.45 + 0.5 * rng_unit(rng) * (1.0 - 0.4 * t));
        stroke_paint(pic, bezier(base, p1, p2, p3, 40), 0.8 + 1.0 * rng_unit(rng), grey, 0.85f);
    }

    // Helmet body: dome, flared neck guard, cheek piece and nose guard, with the eye cut out.
    const std::vector<Point2> outline = curve_through(
        {{58, 120}, {70, 92}, {96, 74}, {124, 68}, {152, 76}, {172, 98}, {180, 128}, {180, 160}, {188, 180},
         {200, 196}, {180, 199}, {160, 192}, {146, 204}, {126, 218}, {100, 224}, {80, 214}, {80, 192}, {92, 180},
         {70, 184}, {58, 178}, {54, 150}, {58, 120}},
        10);
    SuperMask body = supermask_create(W, H, 4);
    supermask_polygon(body, outline);
    supermask_polygon(body, curve_through({{66, 147}, {82, 137}, {104, 141}, {98, 152}, {78, 153}, {66, 147}}, 6), false);
    const GreyPicture mask = supermask_resolve(body);
    GreyPicture inner = mask;
    grey_blur(inner, 4);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const size_t i = static_cast<size_t>(y) * W + x;
            if (mask.px[i] <= 0) continue;
            const double hx = (x - 100.0) / 48, hy = (y - 96.0) / 40;
            const double light = 0.32 + 0.55 * std::exp(-(hx * hx + hy * hy)) + 0.12 * std::sin(x * 0.05 + y * 0.02);
            const double edge = 0.55 + 0.45 * smoothstep(0.45, 1.0, inner.px[i]);
            const float v = static_cast<float>(std::clamp(light * edge, 0.0, 1.0));
            pic.px[i] = pic.px[i] + (v - pic.px[i]) * mask.px[i];
        }

    // Brow band with rivets, the crest holder, and the seam of the cheek piece.
    const std::vector<Point2> band = curve_through({{60, 126}, {100, 114}, {140, 114}, {178, 130}}, 10);
    std::vector<Point2> band_low = band;
    for (Point2& p : band_low) p.y += 3;
    stroke_paint(pic, band, 1.3, 0.08f, 1.0f);
    stroke_paint(pic, band_low, 0.8, 0.95f, 0.8f);
    for (int r = 0; r < 5; ++r) {
        const Point2 p = band[static_cast<size_t>((r + 1) * band.size() / 6)];
        stroke_paint(pic, {{p.x, p.y + 7}, {p.x + 0.1, p.y + 7}}, 1.6, 0.95f, 1.0f);
    }
    stroke_paint(pic, crest, 4.0, 0.28f, 1.0f);
    stroke_paint(pic, crest, 1.4, 0.75f, 0.9f);
    stroke_paint(pic, curve_through({{104, 150}, {122, 166}, {142, 172}, {170, 168}}, 10), 1.0, 0.12f, 0.9f);

    // Double ring.
    std::vector<Point2> ring_outer, ring_inner;
    for (int s = 0; s <= 180; ++s) {
        const double a = s * 2 * 3.14159265358979 / 180;
        ring_outer.push_back({cx + 112 * std::cos(a), cy + 112 * std::sin(a)});
        ring_inner.push_back({cx + 106 * std::cos(a), cy + 106 * std::sin(a)});
    }
    stroke_paint(pic, ring_outer, 1.6, 0.85f, 1.0f);
    stroke_paint(pic, ring_inner, 0.6, 0.55f, 1.0f);
    return grey_to_raw8(pic);
}
