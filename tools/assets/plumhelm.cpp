// The plumed-helmet emblem: a crested helmet in profile (domed bowl, brow ridge, outlined eye slot,
// nose guard, cheek piece and flared neck guard) under a horse-hair plume drawn strand by strand,
// inside a bevelled ring, in grey on black. The light comes from the upper left.
#include <algorithm>
#include <cmath>

#include "assets.h"
#include "base/angles.h"

namespace {

constexpr int W = 234, H = 257;
constexpr double cx = 117, cy = 128.5;   // centre of the ring

size_t at(int x, int y) { return static_cast<size_t>(y) * W + x; }

// A polyline painted over the picture: its coverage is gathered first (the nearest segment decides
// each pixel's grey), so joints do not double up. Radius and grey run from the first point's
// values to the last's.
void stroke_paint(GreyPicture& p, const std::vector<Point2>& line, double r0, double r1, float g0, float g1, float alpha)
{
    const size_t n = line.size();
    if (n < 2) return;
    double lo_x = 1e9, lo_y = 1e9, hi_x = -1e9, hi_y = -1e9;
    for (const Point2& q : line) {
        lo_x = std::min(lo_x, q.x);
        lo_y = std::min(lo_y, q.y);
        hi_x = std::max(hi_x, q.x);
        hi_y = std::max(hi_y, q.y);
    }
    const double rmax = std::max(r0, r1) + 1.5;
    const int x0 = std::max(0, static_cast<int>(lo_x - rmax)), x1 = std::min(W - 1, static_cast<int>(hi_x + rmax));
    const int y0 = std::max(0, static_cast<int>(lo_y - rmax)), y1 = std::min(H - 1, static_cast<int>(hi_y + rmax));
    const int bw = x1 - x0 + 1;
    std::vector<float> cover(static_cast<size_t>(bw) * (y1 - y0 + 1), 0.0f), grey(cover.size(), 0.0f);
    for (size_t k = 0; k + 1 < n; ++k) {
        const Point2 a = line[k], b = line[k + 1];
        const double ta = static_cast<double>(k) / (n - 1), tb = static_cast<double>(k + 1) / (n - 1);
        const double ra = r0 + (r1 - r0) * ta, rb = r0 + (r1 - r0) * tb;
        const int sx0 = std::max(x0, static_cast<int>(std::min(a.x, b.x) - rmax)), sx1 = std::min(x1, static_cast<int>(std::max(a.x, b.x) + rmax));
        const int sy0 = std::max(y0, static_cast<int>(std::min(a.y, b.y) - rmax)), sy1 = std::min(y1, static_cast<int>(std::max(a.y, b.y) + rmax));
        const double dx = b.x - a.x, dy = b.y - a.y, len2 = std::max(1e-9, dx * dx + dy * dy);
        for (int y = sy0; y <= sy1; ++y)
            for (int x = sx0; x <= sx1; ++x) {
                const double px = x + 0.5 - a.x, py = y + 0.5 - a.y;
                const double t = std::clamp((px * dx + py * dy) / len2, 0.0, 1.0);
                const double d = std::hypot(px - t * dx, py - t * dy);
                const double r = ra + (rb - ra) * t;
                // Lines thinner than a pixel fade rather than break up.
                const double c = std::clamp(r + 0.5 - d, 0.0, 1.0) * std::min(1.0, 2 * r);
                const size_t i = static_cast<size_t>(y - y0) * bw + (x - x0);
                if (c > cover[i]) {
                    cover[i] = static_cast<float>(c);
                    grey[i] = static_cast<float>(g0 + (g1 - g0) * (ta + (tb - ta) * t));
                }
            }
    }
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            const size_t i = static_cast<size_t>(y - y0) * bw + (x - x0);
            if (cover[i] > 0) p.px[at(x, y)] += (grey[i] - p.px[at(x, y)]) * cover[i] * alpha;
        }
}

void stroke_paint(GreyPicture& p, const std::vector<Point2>& line, double radius, float grey, float alpha)
{
    stroke_paint(p, line, radius, radius, grey, grey, alpha);
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

std::vector<Point2> offset(std::vector<Point2> line, double dx, double dy)
{
    for (Point2& p : line) {
        p.x += dx;
        p.y += dy;
    }
    return line;
}

// A raised edge along a line: a dark seam with a lit lip just above and left of it.
void emboss(GreyPicture& p, const std::vector<Point2>& line, double radius, float depth)
{
    stroke_paint(p, offset(line, 0.7, 0.9), radius, 0.06f, depth);
    stroke_paint(p, offset(line, -0.5, -0.7), radius * 0.8, 0.92f, depth * 0.85f);
}

// The backing disc and the bevelled ring around it: the ring's cross-section is a rounded ridge,
// lit on its upper left outside and its lower right inside, with a thin bead inside it.
void draw_ring(GreyPicture& pic)
{
    const double r_in = 101, r_out = 113;
    const double lx = -0.55, ly = -0.65, lz = 0.52;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const double ex = x + 0.5 - cx, ey = y + 0.5 - cy, d = std::hypot(ex, ey);
            float& v = pic.px[at(x, y)];
            const double plate = std::clamp(r_in - d + 0.5, 0.0, 1.0);
            v = static_cast<float>(plate * (0.04 + 0.09 * (1 - d / r_in) * (1 - 0.4 * (ex + ey) / r_in)));
            const double cover = std::clamp(d - r_in + 0.5, 0.0, 1.0) * std::clamp(r_out - d + 0.5, 0.0, 1.0);
            if (cover <= 0) continue;
            const double u = std::clamp((d - r_in) / (r_out - r_in), 0.0, 1.0);
            const double slope = -1.6 * std::cos(k_pi * u);   // < 0 on the inner half: faces inwards
            const double nx = slope * ex / d, ny = slope * ey / d, nz = 1.0, nl = std::sqrt(nx * nx + ny * ny + nz * nz);
            const double lit = std::max(0.0, (nx * lx + ny * ly + nz * lz) / nl);
            const double hx = lx, hy = ly, hz = lz + 1.0, hl = std::sqrt(hx * hx + hy * hy + hz * hz);
            const double specular = std::pow(std::max(0.0, (nx * hx + ny * hy + nz * hz) / (nl * hl)), 24.0);
            const double shade = 0.1 + 0.62 * lit + 0.45 * specular;
            v += static_cast<float>((shade - v) * cover);
        }
    std::vector<Point2> bead;
    for (int s = 0; s <= 360; ++s) {
        const double a = s * 2 * k_pi / 360;
        bead.push_back({cx + 96.5 * std::cos(a), cy + 96.5 * std::sin(a)});
    }
    stroke_paint(pic, bead, 0.65, 0.42f, 1.0f);
}

// The plume: horse-hair strands rooted along the crest, rising, then sweeping back and falling
// behind the helmet. Strands further back are darker and drawn first; each is lit where it arches
// over and darkens towards its root and tip, and tapers to its tip.
void draw_plume(GreyPicture& pic, const std::vector<Point2>& crest)
{
    AssetRng rng{0x9108u};
    constexpr int strands = 320;
    for (int k = 0; k < strands; ++k) {
        const double layer = static_cast<double>(k) / (strands - 1);   // 0 back .. 1 front
        const double t = rng_unit(rng);                                 // along the crest, front to back
        const Point2 root = crest[static_cast<size_t>(t * (crest.size() - 1))];
        const double lift = 40 + 24 * std::sin(t * k_pi) + rng_range(rng, -5, 5);
        const Point2 p1{root.x - 16 + 30 * t + rng_range(rng, -4, 4), root.y - lift};
        const Point2 p2{158 + 44 * t + rng_range(rng, -7, 7), 8 + 26 * t + rng_range(rng, -5, 5)};
        const Point2 p3{194 + 12 * t + rng_range(rng, -4, 4), 92 + 88 * std::pow(t, 0.85) + rng_range(rng, -7, 7)};
        const std::vector<Point2> line = bezier(root, p1, p2, p3, 48);
        const float tone = static_cast<float>((0.3 + 0.55 * layer) * (0.8 + 0.35 * rng_unit(rng)));
        // Lit along the top of the arch: paint the strand in three stretches.
        const size_t a = line.size() / 4, b = line.size() * 3 / 5;
        const double r = 0.55 + 0.35 * rng_unit(rng);
        const std::vector<Point2> first(line.begin(), line.begin() + a + 1), middle(line.begin() + a, line.begin() + b + 1),
            last(line.begin() + b, line.end());
        stroke_paint(pic, first, r * 1.2, r, tone * 0.55f, tone, 0.95f);
        stroke_paint(pic, middle, r, r * 0.85, tone, std::min(1.0f, tone * 1.25f), 0.95f);
        stroke_paint(pic, last, r * 0.85, 0.2, std::min(1.0f, tone * 1.25f), tone * 0.5f, 0.95f);
    }
}

// The helmet's metal: a height field from the blurred outline gives rounded edges, a sphere
// around the bowl's centre gives the dome; both are lit from the upper left with a sharp
// highlight.
void shade_metal(GreyPicture& pic, const GreyPicture& mask)
{
    GreyPicture height = mask;
    grey_blur(height, 5);
    const double lx = -0.5, ly = -0.68, lz = 0.54;
    const double hx = lx, hy = ly, hz = lz + 1.0, hl = std::sqrt(hx * hx + hy * hy + hz * hz);
    for (int y = 1; y < H - 1; ++y)
        for (int x = 1; x < W - 1; ++x) {
            const size_t i = at(x, y);
            if (mask.px[i] <= 0) continue;
            const double gx = (height.px[at(x + 1, y)] - height.px[at(x - 1, y)]) * 9.0;
            const double gy = (height.px[at(x, y + 1)] - height.px[at(x, y - 1)]) * 9.0;
            // The dome: a sphere of radius 78 around (120, 122), flattened where it runs out.
            const double sx = (x + 0.5 - 120) / 78, sy = (y + 0.5 - 122) / 78, s2 = std::min(0.96, sx * sx + sy * sy);
            const double sz = std::sqrt(1 - s2);
            double nx = sx / sz * 0.7 - gx, ny = sy / sz * 0.7 - gy, nz = 1.0;
            const double nl = std::sqrt(nx * nx + ny * ny + nz * nz);
            nx /= nl;
            ny /= nl;
            nz /= nl;
            const double diffuse = std::max(0.0, nx * lx + ny * ly + nz * lz);
            const double specular = std::pow(std::max(0.0, (nx * hx + ny * hy + nz * hz) / hl), 40.0);
            const double rim = std::pow(std::max(0.0, 1 - nz), 3.0) * std::max(0.0, nx) * 0.5;   // back light on the far edge
            const double v = std::clamp(0.1 + 0.6 * diffuse + 0.75 * specular + rim, 0.0, 1.0);
            pic.px[i] += (static_cast<float>(v) - pic.px[i]) * mask.px[i];
        }
}

}  // namespace

std::vector<uint8_t> plumhelm_build()
{
    GreyPicture pic = grey_create(W, H, 0.0f);
    draw_ring(pic);

    const std::vector<Point2> crest = curve_through({{80, 82}, {98, 70}, {122, 65}, {146, 69}, {166, 82}}, 10);
    draw_plume(pic, crest);

    // The helmet's outline, facing left: brow, nose guard, the open notch of the face, cheek piece
    // down to the chin, the cut behind the cheek, and the flared neck guard.
    const std::vector<Point2> outline = curve_through(
        {{59, 116}, {64, 96}, {82, 77}, {108, 66}, {136, 66}, {160, 76}, {176, 96}, {181, 122}, {180, 146}, {182, 166},
         {190, 182}, {202, 196}, {186, 201}, {166, 197}, {154, 192}, {150, 182}, {144, 192}, {134, 206}, {116, 219},
         {96, 226}, {89, 218}, {88, 200}, {93, 180}, {97, 166}, {86, 164}, {76, 170}, {69, 180}, {63, 172}, {60, 150},
         {59, 130}, {59, 116}},
        10);
    SuperMask body = supermask_create(W, H, 4);
    supermask_polygon(body, outline);
    // The eye slot: an almond cut behind the nose guard.
    const std::vector<Point2> eye = curve_through({{70, 145}, {80, 137}, {95, 135}, {107, 140}, {96, 149}, {82, 151}, {70, 145}}, 8);
    supermask_polygon(body, eye, false);
    const GreyPicture mask = supermask_resolve(body);
    shade_metal(pic, mask);

    // Raised rims: around the eye slot, down the nose guard, along the brow and the neck guard's
    // rolled edge; the engraved line parting the cheek piece from the bowl.
    stroke_paint(pic, eye, 1.6, 0.03f, 1.0f);
    stroke_paint(pic, offset(std::vector<Point2>(eye.begin(), eye.begin() + eye.size() / 2), -0.3, -1.6), 0.7, 0.9f, 0.85f);
    stroke_paint(pic, offset(std::vector<Point2>(eye.begin() + eye.size() / 2, eye.end()), 0.3, 1.7), 0.6, 0.55f, 0.7f);
    const std::vector<Point2> brow = curve_through({{61, 124}, {78, 126}, {100, 125}, {124, 121}, {150, 121}, {178, 128}}, 10);
    emboss(pic, brow, 1.0, 0.9f);
    emboss(pic, curve_through({{66, 152}, {67, 164}, {70, 174}}, 8), 0.7, 0.6f);
    emboss(pic, curve_through({{108, 143}, {118, 158}, {132, 172}, {148, 182}}, 10), 0.9, 0.9f);
    emboss(pic, curve_through({{154, 188}, {168, 192}, {186, 196}, {198, 196}}, 8), 0.8, 0.7f);
    emboss(pic, curve_through({{92, 214}, {104, 214}, {120, 208}, {136, 198}}, 8), 0.7, 0.5f);
    // Rivets along the brow band.
    for (int r = 0; r < 6; ++r) {
        const Point2 q = brow[static_cast<size_t>((r + 1) * brow.size() / 7)];
        stroke_paint(pic, {{q.x + 0.6, q.y - 3.1}, {q.x + 0.7, q.y - 3.0}}, 1.4, 0.1f, 0.8f);
        stroke_paint(pic, {{q.x - 0.3, q.y - 4.0}, {q.x - 0.2, q.y - 3.9}}, 0.9, 1.0f, 1.0f);
    }
    // The crest holder: a raised ridge along the top of the bowl, where the plume is rooted.
    stroke_paint(pic, crest, 4.2, 0.16f, 1.0f);
    stroke_paint(pic, offset(crest, -0.6, -1.2), 1.8, 0.62f, 0.9f);
    stroke_paint(pic, offset(crest, -0.8, -1.8), 0.7, 0.95f, 0.9f);
    return grey_to_raw8(pic);
}
