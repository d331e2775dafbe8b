// Shared records of the asset generator: its random generator, float pictures, supersampled
// coverage masks, noise, and the entry points of each generator and file writer.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// xorshift64* seeded per picture, so every run of the tool writes the same bytes.
struct AssetRng {
    uint64_t state;
};
inline uint32_t rng_next(AssetRng& rng)
{
    rng.state ^= rng.state >> 12;
    rng.state ^= rng.state << 25;
    rng.state ^= rng.state >> 27;
    return static_cast<uint32_t>((rng.state * 2685821657736338717ull) >> 32);
}
inline double rng_unit(AssetRng& rng) { return rng_next(rng) * (1.0 / 4294967296.0); }
inline double rng_range(AssetRng& rng, double lo, double hi) { return lo + (hi - lo) * rng_unit(rng); }

struct Colour {
    float r, g, b;
};
struct RgbPicture {
    int width, height;
    std::vector<Colour> px;
};
// Grey levels or coverage, 0..1 (values outside are clamped when written).
struct GreyPicture {
    int width, height;
    std::vector<float> px;
};
struct Point2 {
    double x, y;
};
struct Segment {
    double x0, y0, x1, y1;
};

RgbPicture rgb_create(int width, int height, Colour fill);
GreyPicture grey_create(int width, int height, float fill);

// A binary mask at `ss` x `ss` samples per pixel; shapes set (or clear) samples, resolve averages
// them into anti-aliased coverage.
struct SuperMask {
    int width, height, ss;
    std::vector<uint8_t> bits;
};
SuperMask supermask_create(int width, int height, int ss);
void supermask_capsule(SuperMask& m, double x0, double y0, double x1, double y1, double radius, bool set = true);
void supermask_segments(SuperMask& m, const std::vector<Segment>& segments, double radius, bool set = true);
void supermask_polygon(SuperMask& m, const std::vector<Point2>& poly, bool set = true);
void supermask_ellipse(SuperMask& m, double cx, double cy, double rx, double ry, bool set = true);
GreyPicture supermask_resolve(const SuperMask& m);

// Separable blur of three box passes (close to a Gaussian of sigma ~ radius * 0.8).
void grey_blur(GreyPicture& p, int radius);
void rgb_blur(RgbPicture& p, int radius);

// Smooth value noise in 0..1 and its fractal sum (also 0..1).
double value_noise(double x, double y, uint32_t seed);
double fbm(double x, double y, int octaves, uint32_t seed);

// Catmull-Rom curve through the control points, `per_span` points per span.
std::vector<Point2> curve_through(const std::vector<Point2>& pts, int per_span);

double smoothstep(double e0, double e1, double x);
Colour colour_mix(Colour a, Colour b, double t);

// File images of the two raw formats, with a tiny ordered dither against banding.
std::vector<uint8_t> rgb_to_raw32(const RgbPicture& p);
std::vector<uint8_t> grey_to_raw8(const GreyPicture& p);
std::vector<uint8_t> raw32_to_rgb24(const std::vector<uint8_t>& raw);

bool file_write(const std::string& path, const void* data, size_t size);
bool png_write(const std::string& path, int width, int height, int channels, const uint8_t* pixels);

// The generators. Each returns the file's bytes.
extern const int k_glyph_widths[26];
std::vector<Segment> glyph_strokes(int letter, double width, double height, double radius);
GreyPicture font_glyph(int letter, int width);
std::vector<uint8_t> font_build();
std::vector<uint8_t> font_sheet_rgb(const std::vector<uint8_t>& font, int* width, int* height);
std::vector<uint8_t> title_build();
std::vector<uint8_t> title_again_build();
std::vector<uint8_t> fuzzyballs_build();
std::vector<uint8_t> plumhelm_build();
std::vector<uint8_t> gloomfield_build();
std::string octopus_build();
std::vector<uint8_t> octopus_wire_rgb(int width, int height);
std::vector<uint8_t> icon_build_rgb(int* size);
