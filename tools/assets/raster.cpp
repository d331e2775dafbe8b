// Drawing helpers of the asset generator: supersampled masks, blurs, value noise, curves and the
// conversion of float pictures into the raw file formats.
#include <algorithm>
#include <cmath>

#include "assets.h"

RgbPicture rgb_create(int width, int height, Colour fill)
{
    return RgbPicture{width, height, std::vector<Colour>(static_cast<size_t>(width) * height, fill)};
}

GreyPicture grey_create(int width, int height, float fill)
{
    return GreyPicture{width, height, std::vector<float>(static_cast<size_t>(width) * height, fill)};
}

SuperMask supermask_create(int width, int height, int ss)
{
    return SuperMask{width, height, ss, std::vector<uint8_t>(static_cast<size_t>(width) * ss * height * ss, 0)};
}

namespace {

// Sample (i, j) of the mask sits at pixel coordinates ((i + 0.5) / ss, (j + 0.5) / ss).
inline double sample_pos(int i, int ss) { return (i + 0.5) / ss; }

void clamp_range(double lo, double hi, int limit, int ss, int* first, int* last)
{
    *first = std::max(0, static_cast<int>(std::floor(lo * ss)));
    *last = std::min(limit * ss - 1, static_cast<int>(std::ceil(hi * ss)));
}

}  // namespace

void supermask_capsule(SuperMask& m, double x0, double y0, double x1, double y1, double radius, bool set)
{
    int i0, i1, j0, j1;
    clamp_range(std::min(x0, x1) - radius, std::max(x0, x1) + radius, m.width, m.ss, &i0, &i1);
    clamp_range(std::min(y0, y1) - radius, std::max(y0, y1) + radius, m.height, m.ss, &j0, &j1);
    const double dx = x1 - x0, dy = y1 - y0, len2 = dx * dx + dy * dy, r2 = radius * radius;
    const int stride = m.width * m.ss;
    for (int j = j0; j <= j1; ++j) {
        const double py = sample_pos(j, m.ss) - y0;
        for (int i = i0; i <= i1; ++i) {
            const double px = sample_pos(i, m.ss) - x0;
            double t = len2 > 0 ? (px * dx + py * dy) / len2 : 0.0;
            t = std::clamp(t, 0.0, 1.0);
            const double ex = px - t * dx, ey = py - t * dy;
            if (ex * ex + ey * ey <= r2) m.bits[static_cast<size_t>(j) * stride + i] = set ? 1 : 0;
        }
    }
}

void supermask_segments(SuperMask& m, const std::vector<Segment>& segments, double radius, bool set)
{
    for (const Segment& s : segments) supermask_capsule(m, s.x0, s.y0, s.x1, s.y1, radius, set);
}

void supermask_polygon(SuperMask& m, const std::vector<Point2>& poly, bool set)
{
    if (poly.size() < 3) return;
    const int stride = m.width * m.ss;
    std::vector<double> xs;
    for (int j = 0; j < m.height * m.ss; ++j) {
        const double y = sample_pos(j, m.ss);
        xs.clear();
        for (size_t k = 0; k < poly.size(); ++k) {
            const Point2& a = poly[k];
            const Point2& b = poly[(k + 1) % poly.size()];
            if ((a.y <= y && b.y > y) || (b.y <= y && a.y > y))
                xs.push_back(a.x + (y - a.y) * (b.x - a.x) / (b.y - a.y));
        }
        std::sort(xs.begin(), xs.end());
        for (size_t k = 0; k + 1 < xs.size(); k += 2) {
            // Samples whose centre lies inside [xs[k], xs[k+1]).
            const int i0 = std::max(0, static_cast<int>(std::ceil(xs[k] * m.ss - 0.5)));
            const int i1 = std::min(stride - 1, static_cast<int>(std::ceil(xs[k + 1] * m.ss - 0.5)) - 1);
            for (int i = i0; i <= i1; ++i) m.bits[static_cast<size_t>(j) * stride + i] = set ? 1 : 0;
        }
    }
}

void supermask_ellipse(SuperMask& m, double cx, double cy, double rx, double ry, bool set)
{
    int i0, i1, j0, j1;
    clamp_range(cx - rx, cx + rx, m.width, m.ss, &i0, &i1);
    clamp_range(cy - ry, cy + ry, m.height, m.ss, &j0, &j1);
    const int stride = m.width * m.ss;
    for (int j = j0; j <= j1; ++j) {
        const double v = (sample_pos(j, m.ss) - cy) / ry;
        for (int i = i0; i <= i1; ++i) {
            const double u = (sample_pos(i, m.ss) - cx) / rx;
            if (u * u + v * v <= 1.0) m.bits[static_cast<size_t>(j) * stride + i] = set ? 1 : 0;
        }
    }
}

GreyPicture supermask_resolve(const SuperMask& m)
{
    GreyPicture out = grey_create(m.width, m.height, 0.0f);
    const int stride = m.width * m.ss;
    const float scale = 1.0f / static_cast<float>(m.ss * m.ss);
    for (int y = 0; y < m.height; ++y)
        for (int x = 0; x < m.width; ++x) {
            int count = 0;
            for (int j = 0; j < m.ss; ++j) {
                const uint8_t* row = &m.bits[static_cast<size_t>(y * m.ss + j) * stride + x * m.ss];
                for (int i = 0; i < m.ss; ++i) count += row[i];
            }
            out.px[static_cast<size_t>(y) * m.width + x] = count * scale;
        }
    return out;
}

namespace {

// One box pass along a line of `n` values `step` apart, edges clamped.
void box_line(float* data, int n, int step, int radius, std::vector<float>& tmp)
{
    tmp.resize(n);
    for (int i = 0; i < n; ++i) tmp[i] = data[static_cast<size_t>(i) * step];
    double sum = 0;
    for (int k = -radius; k <= radius; ++k) sum += tmp[std::clamp(k, 0, n - 1)];
    const double inv = 1.0 / (2 * radius + 1);
    for (int i = 0; i < n; ++i) {
        data[static_cast<size_t>(i) * step] = static_cast<float>(sum * inv);
        sum += tmp[std::min(i + radius + 1, n - 1)] - tmp[std::max(i - radius, 0)];
    }
}

void blur_plane(float* data, int width, int height, int stride_px, int radius)
{
    std::vector<float> tmp;
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < height; ++y) box_line(data + static_cast<size_t>(y) * width * stride_px, width, stride_px, radius, tmp);
        for (int x = 0; x < width; ++x) box_line(data + static_cast<size_t>(x) * stride_px, height, width * stride_px, radius, tmp);
    }
}

}  // namespace

void grey_blur(GreyPicture& p, int radius)
{
    if (radius > 0) blur_plane(p.px.data(), p.width, p.height, 1, radius);
}

void rgb_blur(RgbPicture& p, int radius)
{
    if (radius <= 0) return;
    float* base = &p.px[0].r;
    for (int c = 0; c < 3; ++c) blur_plane(base + c, p.width, p.height, 3, radius);
}

namespace {

inline uint32_t hash3(int32_t x, int32_t y, uint32_t seed)
{
    uint32_t h = seed * 0x9E3779B9u ^ static_cast<uint32_t>(x) * 0x85EBCA6Bu ^ static_cast<uint32_t>(y) * 0xC2B2AE35u;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h;
}

inline double lattice(int32_t x, int32_t y, uint32_t seed) { return hash3(x, y, seed) * (1.0 / 4294967295.0); }

}  // namespace

double value_noise(double x, double y, uint32_t seed)
{
    const double fx = std::floor(x), fy = std::floor(y);
    const int32_t ix = static_cast<int32_t>(fx), iy = static_cast<int32_t>(fy);
    const double tx = x - fx, ty = y - fy;
    const double sx = tx * tx * (3 - 2 * tx), sy = ty * ty * (3 - 2 * ty);
    const double a = lattice(ix, iy, seed), b = lattice(ix + 1, iy, seed);
    const double c = lattice(ix, iy + 1, seed), d = lattice(ix + 1, iy + 1, seed);
    return (a + (b - a) * sx) + ((c + (d - c) * sx) - (a + (b - a) * sx)) * sy;
}

double fbm(double x, double y, int octaves, uint32_t seed)
{
    double sum = 0, amp = 0.5, norm = 0;
    for (int o = 0; o < octaves; ++o) {
        sum += amp * value_noise(x, y, seed + 101u * o);
        norm += amp;
        x = x * 2.03 + 17.1;
        y = y * 2.03 + 5.3;
        amp *= 0.5;
    }
    return sum / norm;
}

std::vector<Point2> curve_through(const std::vector<Point2>& pts, int per_span)
{
    std::vector<Point2> out;
    const int n = static_cast<int>(pts.size());
    for (int k = 0; k + 1 < n; ++k) {
        const Point2& p0 = pts[std::max(k - 1, 0)];
        const Point2& p1 = pts[k];
        const Point2& p2 = pts[k + 1];
        const Point2& p3 = pts[std::min(k + 2, n - 1)];
        for (int s = 0; s < per_span; ++s) {
            const double t = static_cast<double>(s) / per_span, t2 = t * t, t3 = t2 * t;
            auto cr = [&](double a, double b, double c, double d) {
                return 0.5 * (2 * b + (c - a) * t + (2 * a - 5 * b + 4 * c - d) * t2 + (3 * b - a - 3 * c + d) * t3);
            };
            out.push_back({cr(p0.x, p1.x, p2.x, p3.x), cr(p0.y, p1.y, p2.y, p3.y)});
        }
    }
    if (n > 0) out.push_back(pts[n - 1]);
    return out;
}

double smoothstep(double e0, double e1, double x)
{
    const double t = std::clamp((x - e0) / (e1 - e0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

Colour colour_mix(Colour a, Colour b, double t)
{
    return Colour{static_cast<float>(a.r + (b.r - a.r) * t), static_cast<float>(a.g + (b.g - a.g) * t),
                  static_cast<float>(a.b + (b.b - a.b) * t)};
}

namespace {

// A 4x4 Bayer threshold in -0.5..0.5 of one level, so smooth gradients do not band.
inline float dither(int x, int y)
{
    static const int bayer[16] = {0, 8, 2, 10, 12, 4, 14, 6, 3, 11, 1, 9, 15, 7, 13, 5};
    return (bayer[(y & 3) * 4 + (x & 3)] + 0.5f) / 16.0f - 0.5f;
}

inline uint8_t to_byte(float v, float d)
{
    const float s = v * 255.0f + 0.5f + d;
    return static_cast<uint8_t>(std::clamp(s, 0.0f, 255.0f));
}

}  // namespace

std::vector<uint8_t> rgb_to_raw32(const RgbPicture& p)
{
    std::vector<uint8_t> out(static_cast<size_t>(p.width) * p.height * 4);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const size_t i = static_cast<size_t>(y) * p.width + x;
            const float d = dither(x, y);
            out[i * 4 + 0] = to_byte(p.px[i].b, d);
            out[i * 4 + 1] = to_byte(p.px[i].g, d);
            out[i * 4 + 2] = to_byte(p.px[i].r, d);
            out[i * 4 + 3] = 0;
        }
    return out;
}

std::vector<uint8_t> grey_to_raw8(const GreyPicture& p)
{
    std::vector<uint8_t> out(static_cast<size_t>(p.width) * p.height);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const size_t i = static_cast<size_t>(y) * p.width + x;
            out[i] = to_byte(p.px[i], dither(x, y));
        }
    return out;
}

std::vector<uint8_t> raw32_to_rgb24(const std::vector<uint8_t>& raw)
{
    std::vector<uint8_t> out(raw.size() / 4 * 3);
    for (size_t i = 0; i < raw.size() / 4; ++i) {
        out[i * 3 + 0] = raw[i * 4 + 2];
        out[i * 3 + 1] = raw[i * 4 + 1];
        out[i * 3 + 2] = raw[i * 4 + 0];
    }
    return out;
}
