// Every routine with a fast twin against its plain one, through the differential harness: a table of
// routines, each with its own generator of random input and of the edge cases of its arithmetic.
#include <cmath>
#include <cstring>

#include "draw2d/pictures.h"
#include "draw2d/primitives.h"
#include "draw2d/primitives_twins.h"
#include "geom3d/curves.h"
#include "geom3d/curves_twins.h"
#include "geom3d/lines.h"
#include "geom3d/lines_twins.h"
#include "paths/paths_harness.h"
#include "procedural/texture_grid.h"
#include "procedural/texture_grid_twins.h"
#include "scenes/objects/column_renderer.h"
#include "scenes/objects/column_renderer_twins.h"
#include "scenes/objects/dot_fillers.h"
#include "scenes/objects/dot_fillers_twins.h"
#include "scenes/plane/noise_dissolve.h"
#include "scenes/plane/plane_scenes_twins.h"
#include "scenes/plane/star_field.h"
#include "scenes/wavefloor/wave_floor.h"
#include "scenes/wavefloor/wave_floor_twins.h"

namespace {

struct Size {
    int w, h, pad;
};
const Size k_sizes[] = {{512, 384, 128}, {1, 1, 0}, {3, 7, 1}, {37, 23, 3}, {64, 48, 0}, {200, 5, 7}};

std::string name(const char* what, int index) { return what + std::to_string(index); }
int32_t any(std::mt19937& rng, int32_t lo, int32_t n) { return lo + static_cast<int32_t>(rng() % n); }

// A coordinate along an axis of length n: near the surface, on its edges, on a pixel or the clip
// margin, far away, huge, infinite or NaN; fractions of 1/255 and 1/256 put coverage and fades on
// exact integers.
float coordinate(std::mt19937& rng, int n)
{
    const float span = static_cast<float>(n);
    switch (rng() % 16) {
    case 0: return -1.0f;
    case 1: return span;
    case 2: return static_cast<float>(any(rng, -1, n + 2));
    case 3: return pick(rng, -3 * span - 40, 4 * span + 40);
    case 4: return (rng() & 1 ? 1 : -1) * pick(rng, 1e6f, 1e30f);
    case 5: return rng() % 4 ? 0.5f * static_cast<float>(rng() % (2 * n + 2)) : (rng() & 1 ? k_nan : k_inf);
    case 6: return static_cast<float>(rng() % (n + 1)) + static_cast<float>(rng() % 256) / 255.0f;
    case 7: return static_cast<float>(rng() % (n + 1)) + static_cast<float>(rng() % 256) / 256.0f;
    default: return pick(rng, -8.0f, span + 8.0f);
    }
}

uint32_t colour(std::mt19937& rng)
{
    static const uint32_t fixed[] = {0xFFFEFEFFu, 0xFF000000u, 0x00000000u, 0x00FFFFFFu, 0x80808080u, 0x01FF00FFu};
    return rng() % 3 ? static_cast<uint32_t>(rng()) : fixed[rng() % 6];
}

// Ends at random, level, upright, tiny (below a pixel or below float resolution) or one point.
void segment(std::mt19937& rng, const Size& size, Vec4* p, Vec4* q)
{
    *p = {coordinate(rng, size.w), coordinate(rng, size.h), 0.0f, 0.0f};
    *q = {coordinate(rng, size.w), coordinate(rng, size.h), 0.0f, 0.0f};
    switch (rng() % 6) {
    case 0: q->y = p->y; break;
    case 1: q->x = p->x; break;
    case 2: *q = {p->x + pick(rng, -0.7f, 0.7f), p->y + (rng() & 1 ? 1e-6f : pick(rng, -0.7f, 0.7f)), 0, 0}; break;
    case 3: *q = *p; break;
    default: break;
    }
}

// `per_size` cases on each size; most must draw, or the generator tests nothing.
void sized_cases(std::mt19937& rng, int per_size, const std::function<bool(const Canvas&, const Size&, int)>& one)
{
    int drawn = 0, index = 0;
    for (const Size& size : k_sizes) {
        const Canvas base(size.w, size.h, size.pad, rng());
        for (int n = 0; n < per_size && !testing::Test::HasFailure(); ++n, ++index) drawn += one(base, size, index);
    }
    EXPECT_GT(drawn, index / 4);
}

// Every width class: hairlines, the four-pixel limit of 64 and past it, negative, tiny and NaN.
void lines_check(std::mt19937& rng)
{
    static const float widths[] = {1, 1, 1, 0, 0.25f, 0.5f, 2.5f, 10, 63.9f, 64, 64.5f, 300, -1, 0.33f, 1e-7f, k_nan};
    sized_cases(rng, 900, [&](const Canvas& base, const Size& size, int index) {
        Vec4 p, q;
        segment(rng, size, &p, &q);
        const float w = widths[rng() % 16];
        const uint32_t cq = colour(rng), cp = rng() % 3 == 0 ? cq : colour(rng);
        return paths_agree(name("line ", index), base, [&](Surface* s) { draw_line_wide(s, p, q, cq, cp, w); },
                           [&](Surface* s, int y0, int y1) { draw_line_wide_fast(s, p, q, cq, cp, w, y0, y1); });
    });
}

// Straight ones among them; z and w ride along and never reach a pixel. Half the cases draw the
// pieces between the curve's shared points one by one, as the banded mesh scene does.
void curves_check(std::mt19937& rng)
{
    sized_cases(rng, 300, [&](const Canvas& base, const Size& size, int index) {
        Vec4 a, b, c = {coordinate(rng, size.w), coordinate(rng, size.h), 0.0f, 0.0f};
        segment(rng, size, &a, &b);
        if (index % 5 == 0) c = {0.5f * (a.x + b.x), 0.5f * (a.y + b.y), 0.0f, 0.0f};
        a.z = pick(rng, -5, 5);
        b.w = rng() % 8 ? 1.0f : k_nan;
        const uint32_t col = colour(rng);
        return paths_agree(name("curve ", index), base, [&](Surface* s) { draw_curve(s, a, b, c, col); },
                           [&](Surface* s, int y0, int y1) {
                               if (index % 2 == 0) return draw_curve_fast(s, a, b, c, col, y0, y1);
                               Vec4 pt[17];
                               curve_points_make(a, b, c, pt);
                               for (int i = 0; i < 16; ++i)
                                   draw_line_wide_fast(s, pt[i], pt[i + 1], col, col, 1, y0, y1);
                           });
    });
}

// The glow dot (curves) and the additive dot (dot fillers) on one generator: edge cases, then random
// dots over black and over any words; the glow dot also on surfaces larger and smaller than the
// 512 x 384 it keeps to, the additive one only on surfaces of at least that size.
void dots_check(std::mt19937& rng)
{
    struct Dot {
        float cx, cy, r;
        uint32_t colour;
    };
    const uint32_t white = 0xFFFFFFFFu;
    std::vector<Dot> dots = {{300, 192, 96, white},     {600, 200, 100, white},          {-30, -30, 40, 0x80FF8040u},
                             {511.5f, 383.5f, 3, 0xFF123456u}, {10, 20, 0, white},      {10, 20, 0.4f, white},
                             {256, 192, 1000, 0x7Fu << 24}, {256, 192, 50, 0x00FFFFFFu}, {k_nan, 100, 30, white},
                             {100, k_nan, 30, white},   {100, 100, k_nan, white},        {3e9f, 100, 30, white},
                             {1e8f, 100, 2e8f, white},  {100, 1e9f, 30, white},          {100, 100, 5000, white}};
    static const float radii[] = {4.0f, 3.6f, 4.4f, 0.0f, 0.5f, 10.0f, 40.0f, 1e-20f};
    static const Size sizes[] = {{512, 384, 128}, {512, 384, 0}, {600, 400, 1}, {37, 23, 3}};
    for (int i = 0; i < 600; ++i) {
        const bool edge = i % 2;
        const float cx = edge ? coordinate(rng, 512) : pick(rng, -60, 580);
        const float cy = edge ? coordinate(rng, 384) : pick(rng, -60, 450);
        dots.push_back({cx, cy, edge ? (rng() % 30 ? radii[rng() % 8] : k_nan) : pick(rng, 0, 120),
                        i % 3 ? white : colour(rng)});
    }
    int drawn = 0;
    for (size_t index = 0; index < dots.size(); ++index) {
        const Dot& d = dots[index];
        const Size& size = sizes[index % 4];
        Canvas base(size.w, size.h, size.pad, static_cast<uint32_t>(index));
        if (index % 3 == 0) std::fill(base.words.begin(), base.words.end(), 0u);
        drawn += paths_agree(
            name("glow dot ", index), base, [&](Surface* s) { draw_glow_dot(s, d.cx, d.cy, d.r, d.colour); },
            [&](Surface* s, int y0, int y1) { draw_glow_dot_fast(s, d.cx, d.cy, d.r, d.colour, y0, y1); });
        if (size.w < 512 || size.h < 384) continue;
        paths_agree(
            name("additive dot ", index), base, [&](Surface* s) { draw_glow_dot_add(s, d.cx, d.cy, d.r, d.colour); },
            [&](Surface* s, int y0, int y1) { draw_glow_dot_add_fast(s, d.cx, d.cy, d.r, d.colour, y0, y1); });
    }
    EXPECT_GT(drawn, static_cast<int>(dots.size()) / 4);
}

// Cells of power-of-two sides from 4 to 128 wide and 1 to 128 high, and any; textures of
// power-of-two sides and others; corners on both sides of the integer arithmetic's limit (2^22 for
// 16 x 16 cells) and of the unheld doubles' (2^29), and the ends of the int range; shades anything,
// one a node row, the edges, all 255, or a pinch warp; opaque and blended.
void grids_check(std::mt19937& rng)
{
    const int sides[][2] = {{256, 256}, {128, 128}, {1, 1}, {2, 8}, {64, 128}, {100, 77}, {3, 5}, {256, 100}};
    const int across[] = {128, 64, 32, 16, 4, 32, 128, 40}, down[] = {96, 48, 24, 12, 3, 24, 384, 24};
    const int32_t limits[] = {(1 << 22) - 1, 1 << 22, -(1 << 22), (1 << 23) - 1, 1 << 29, (1 << 29) + 1,
                              -(1 << 29) - 1, INT32_MAX, INT32_MIN, 0, -1};
    static const uint8_t edges[] = {0, 1, 2, 252, 253, 254, 255};
    const Canvas background(512, 384, 0, rng());
    int index = 0;
    for (const auto& side : sides) {
        Image* tex = image_create(side[0], side[1]);
        for (int i = 0; i < side[0] * side[1]; ++i) tex->pixels[i] = rng();
        for (int n = 0; n < 20 && !testing::Test::HasFailure(); ++n, ++index) {
            TextureGrid* g =
                grid_create(n >= 16 ? any(rng, 1, 40) : across[n % 8], n >= 16 ? any(rng, 1, 30) : down[n % 8], tex);
            const int kind = (n / 2) % 5;
            if (kind == 4) grid_warp_pinch(g, pick(rng, -1, 1));
            for (int i = 0; kind != 4 && i < g->cols * g->rows; ++i) {
                const uint32_t r = rng() % 10;
                const int32_t far = r == 2 ? static_cast<int32_t>(rng()) : any(rng, -1200, 2400);
                g->nodes[i].u = r == 0 ? limits[rng() % 11] : far;
                g->nodes[i].v = r == 1 ? limits[rng() % 11] : far;
                const uint8_t shades[] = {static_cast<uint8_t>(rng()), static_cast<uint8_t>(i / g->cols * 37),
                                          edges[rng() % 7], 255};
                g->nodes[i].shade = shades[kind];
            }
            const Canvas base(512, 384, n % 3 == 0 ? 128 : n % 3, rng());
            paths_agree(name("grid ", index), base, [&](Surface* s) { grid_draw(g, s); },
                        [&](Surface* s, int y0, int y1) { grid_draw_fast(g, s, y0, y1); });
            paths_agree(name("blended grid ", index), base, [&](Surface* s) { grid_draw_blend(g, s, &background.s); },
                        [&](Surface* s, int y0, int y1) { grid_draw_blend_fast(g, s, &background.s, y0, y1); });
            grid_free(g);
        }
        image_free(tex);
    }
}

// Stars on mostly black frames of several sizes, so that they land and overlap, some on lit pixels,
// which they skip, and some on the edges (at depth 150 a star projects to (160 + x, 120 + y)).
void stars_check(std::mt19937& rng)
{
    demo_srand(5);
    StarCloud* cloud = star_cloud_create(1024);
    const float xs[] = {-1.0f, -0.5f, 0.0f, 0.25f, 318.5f, 319.0f, 510.75f, 511.0f, 511.5f, 600.0f};
    const float ys[] = {-1.0f, -0.25f, 0.0f, 95.5f, 240.0f, 382.5f, 383.0f, 383.75f, -3.0f, 1e9f};
    for (int index = 0; index < 12; ++index) {
        Matrix4 m;
        mat_identity(&m);
        const float a = static_cast<float>(index) * 0.7f;
        mat_rotate_xyz(&m, {a, a * 0.3f, a * 2.0f, 1.0f});
        star_cloud_transform(cloud, &m);
        Canvas base(index % 2 ? 320 : 512, index % 3 ? 384 : 241, index % 4, rng());
        for (uint32_t& w : base.words) w = rng() % 5 ? w & 0xFF000000u : w;
        for (int i = 0; i < 40; ++i) cloud->work[rng() % 1024] = {xs[rng() % 10] - 160, ys[rng() % 10] - 120, 150, 255};
        paths_agree(name("stars ", index), base, [&](Surface* s) { star_cloud_draw(cloud, s); },
                    [&](Surface* s, int y0, int y1) { star_cloud_draw_rows(cloud, s, y0, y1); });
    }
    star_cloud_free(cloud);
}

// The cast's row table as the canvas, five words a row: the demo's profile and odd ones (short, one
// entry, none, negative, above the eye), every turn of the camera, positions far off and NaN.
void wave_casts_check(std::mt19937& rng)
{
    demo_srand(7);
    ASSERT_EQ(wave_floor_prepare(), 1);
    std::vector<std::vector<int32_t>> profiles = {{g_wave_profile, g_wave_profile + wave_profile_length}, {40}, {}};
    for (int n : {7, 256, 300, 1000}) {
        profiles.emplace_back(n);
        for (int32_t& v : profiles.back()) v = any(rng, -150, 500);
    }
    profiles.emplace_back(384, 300);
    std::vector<double> pitches = {0.0, 11.7809715, 5.497787, 8.0, 3.14159265, 1.5707963, 1.0, -2.0, 1e6, std::nan("")};
    for (int i = 0; i < 6; ++i) pitches.push_back(pick(rng, -1.0f, 13.0f));
    static_assert(sizeof(FloorRow) == 5 * sizeof(uint32_t), "a row is five words");
    int index = 0;
    for (const auto& profile : profiles)
        for (double pitch : pitches)
            for (double position : {-256.0, 0.0, 1e4, -5000.25, 3e9, -3e9, std::nan("")}) {
                const int32_t n = static_cast<int32_t>(profile.size());
                const auto whole = [&](Surface* s) {
                    static WaveFloor floor;
                    wave_floor_cast(&floor, profile.data(), n, pitch, position);
                    std::memcpy(s->pixels, floor.rows, sizeof floor.rows);
                };
                const auto rows = [&](Surface* s, int y0, int y1) {
                    static thread_local WaveFloor floor;
                    wave_floor_cast_fast(&floor, profile.data(), n, pitch, position, y0, y1);
                    y1 = std::min(y1, k_floor_rows);
                    if (y0 < y1) std::memcpy(surface_row(s, y0), floor.rows + y0, sizeof(FloorRow) * (y1 - y0));
                };
                paths_agree(name("cast ", index++), Canvas(5, k_floor_rows, 0, 1), whole, rows);
                if (testing::Test::HasFailure()) return;
            }
}

// Rows of real casts and rows of wild strips and shades (one out of range sends the fast draw to the
// plain rows), the demo's texture and an odd one, frames larger and smaller than the floor.
void wave_draws_check(std::mt19937& rng)
{
    demo_srand(9);
    ASSERT_EQ(wave_floor_prepare(), 1);
    std::vector<uint32_t> odd_texels(100 * 50);
    for (uint32_t& t : odd_texels) t = rng();
    Image odd_texture = {100, 50, odd_texels.data()};
    const int32_t extremes[] = {INT32_MIN, INT32_MAX, 0, -1, 255, 256, -256};
    const Size targets[] = {{512, 384, 128}, {512, 384, 0}, {300, 200, 5}, {600, 400, 0}};
    static WaveFloor floor;
    for (int index = 0; index < 32; ++index) {
        if (index % 2) {
            const double pitch = pick(rng, -1, 13), position = pick(rng, -6000, 100);
            wave_floor_cast_plain(&floor, g_wave_profile, wave_profile_length, pitch, position);
        } else {
            for (FloorRow& row : floor.rows) {
                const bool wild = rng() % 4 == 0;
                row.u_left = wild ? extremes[rng() % 7] : any(rng, -2000, 4000);
                row.u_right = wild ? extremes[rng() % 7] : any(rng, -2000, 4000);
                row.v = wild ? extremes[rng() % 7] : any(rng, -1000, 2000);
                row.hit = rng() % 3 != 0;
                row.shade = any(rng, 0, 257);
            }
            if (index % 6 == 4) floor.rows[rng() % k_floor_rows].shade = 300;
        }
        floor.texture = index % 8 == 6 ? &odd_texture : g_wave_floor->texture;
        const Size& t = targets[(index / 2) % 4];
        const bool drew = paths_agree(name("wave floor ", index), Canvas(t.w, t.h, t.pad, rng()),
                                      [&](Surface* s) { wave_floor_draw(&floor, s); },
                                      [&](Surface* s, int y0, int y1) { wave_floor_draw_fast(&floor, s, y0, y1); });
        EXPECT_TRUE(drew || index % 2);
    }
}

// Heights of any sign and size, 0 (a plain copy), level (slope 0), at the frame's edge, and half-widths
// past what the fast rows take (the plain rows draw them); glow coverage sparse, as the dots leave it,
// or everywhere, so that the glow layer's edges are read wherever the samples reach.
void columns_check(std::mt19937& rng)
{
    const Canvas background(512, 384, 0, 1), glow_everywhere(512, 384, 16, 2);
    Canvas glow(glow_everywhere);
    for (int y = 0; y < 384; ++y)
        for (int x = 0; x < 512; ++x)
            if ((x - 300) * (x - 300) + (y - 192) * (y - 192) >= 9000) surface_row(&glow.s, y)[x] &= 0x00FFFFFFu;
    std::vector<float> h(385);
    for (int index = 0; index < 36; ++index) {
        for (size_t i = 0; i < h.size(); ++i) {
            const float row = static_cast<float>(i);
            const float kinds[] = {pick(rng, -200, 200), 64 + 60 * std::sin(0.05f * row), 0, 10, pick(rng, 250, 300),
                                   static_cast<float>(rng() % 257) + 0.5f * static_cast<float>(rng() % 2)};
            h[i] = kinds[index % 6];
        }
        if (index % 5 == 4)
            for (float wide : {5000.0f, -4096.5f, 1000.0f}) h[rng() % 385] = wide;
        const uint32_t tint = index % 2 ? 0xFFFF8000u : rng();
        const Surface* glows = index % 3 == 2 ? &glow_everywhere.s : &glow.s;
        EXPECT_TRUE(paths_agree(
            name("column ", index), Canvas(512, 384, index % 3 ? 64 : 0, rng()),
            [&](Surface* s) { render_column(h.data(), &background.s, glows, s, tint); },
            [&](Surface* s, int y0, int y1) { render_column_fast(h.data(), &background.s, glows, s, tint, y0, y1); }));
    }
}

// The display as the scene draws it; centres below 1 and off the left; the right edge inside a group
// of four; radius 0; more rows than the row table holds; NaN; an infinite hardness factor; alphas
// out of range; and random cases, the source's top bytes mostly clear as the display's layers have
// them.
void dot_matrices_check(std::mt19937& rng)
{
    struct Case {
        int src_w, src_h, dst_w, dst_h, pad;
        float x, y, spacing, hardness;
        int alpha;
    };
    std::vector<Case> cases = {
        {80, 15, 512, 384, 128, 30, 220, 3.5f, 0, 192}, {80, 15, 512, 384, 16, 27.3f, 224.9f, 3.5f, 69.9f, 192},
        {80, 15, 512, 384, 0, -3.2f, -2, 3.5f, 99, 255}, {80, 15, 300, 100, 3, 0.4f, 0, 3.5f, 20, 192},
        {1, 1, 7, 5, 1, 3, 2, 2, 50, 300},               {5, 3, 37, 23, 3, 0, 0, 4, 10, -5},
        {4, 4, 64, 48, 0, 10, 10, 0, 0, 128},            {3, 3, 512, 384, 0, 200, 200, 40, 30, 200},
        {6, 2, 100, 60, 0, k_nan, 10, 3, 0, 255},        {6, 2, 100, 60, 0, 10, 10, 3, k_nan, 255},
        {6, 2, 100, 60, 0, 10, 10, 3, 100, 255},         {6, 2, 100, 60, 0, 1.6e7f, 10, 3, 0, 255},
        {6, 2, 100, 60, 0, 10, 1e9f, 3, 0, 255},         {6, 2, 100, 60, 0, 10, 10, 3, 0, 0}};
    for (int i = 0; i < 60; ++i)
        cases.push_back({any(rng, 1, 30), any(rng, 1, 12), any(rng, 1, 300), any(rng, 1, 200), any(rng, 0, 4),
                         pick(rng, -50, 250), pick(rng, -50, 200), pick(rng, 0.3f, 9), pick(rng, 0, 99),
                         any(rng, -20, 300)});
    for (size_t index = 0; index < cases.size(); ++index) {
        const Case& c = cases[index];
        Canvas src(c.src_w, c.src_h, 0, rng());
        for (uint32_t& p : src.words) p &= rng() % 4 ? 0x00FFFFFFu : 0xFFFFFFFFu;
        paths_agree(
            name("dot matrix ", index), Canvas(c.dst_w, c.dst_h, c.pad, rng()),
            [&](Surface* s) { draw_dot_matrix(s, &src.s, c.x, c.y, c.spacing, c.hardness, c.alpha); },
            [&](Surface* s, int y0, int y1) {
                draw_dot_matrix_fast(s, &src.s, c.x, c.y, c.spacing, c.hardness, c.alpha, y0, y1);
            });
    }
}

// Every level band of the dissolve (0, the middle, 254, 255 and past), resets and NaN, on textures of
// odd sizes; the work image is the canvas, and the random state must agree.
void dissolves_check(std::mt19937& rng)
{
    int index = 0;
    for (const int size : {256, 3, 17}) {
        std::vector<uint32_t> texels(static_cast<size_t>(size) * size);
        for (uint32_t& t : texels) t = rng();
        Image source = {size, size, texels.data()};
        for (float level : {0.0f, 1.0f, 0.5f, 100.0f, 253.9f, 254.9f, 255.0f, 200.0f})
            for (float delta : {0.0f, -1.0f, -0.5f, -100.0f, 5.0f, k_nan, -300.0f, 40.0f}) {
                demo_srand(static_cast<uint32_t>(index));
                const auto dissolve = [&](Surface* s) {
                    NoiseDissolve* d = dissolve_create(&source);
                    d->level = level;
                    dissolve_advance(d, delta, index % 5 == 0);
                    std::memcpy(s->pixels, d->work->pixels, texels.size() * 4);
                    dissolve_free(d);
                };
                EXPECT_TRUE(paths_agree(name("dissolve ", index++), Canvas(size, size, 0, rng()), dissolve));
            }
    }
}

// The static on any widths (runs of 5 to 12 against rows shorter than twelve), row ranges and biases.
void statics_check(std::mt19937&)
{
    struct Case {
        int w, h, pad;
        uint32_t first, end;
        int32_t bias;
    };
    const Case cases[] = {{512, 384, 128, 0, 384, 0}, {512, 384, 0, 0, 384, 100}, {512, 384, 0, 10, 20, 254},
                          {512, 384, 0, 5, 5, 0},     {1, 9, 1, 0, 9, 0},         {11, 4, 0, 0, 4, -5},
                          {12, 4, 0, 1, 3, 300},      {13, 6, 2, 0, 6, 0},        {37, 23, 3, 2, 21, 7},
                          {200, 5, 7, 0, 5, INT32_MIN}};
    for (int index = 0; index < 10; ++index) {
        const Case& c = cases[index];
        demo_srand(static_cast<uint32_t>(0x1234 + index));
        paths_agree(name("static ", index), Canvas(c.w, c.h, c.pad, static_cast<uint32_t>(index)),
                    [&](Surface* s) { noise_rows(s, c.first, c.end, c.bias); });
    }
}

// The picture fade over the frame, and over a cleared frame against the fast fade over black in row
// bands: levels reached by resets, holds, fades through the middle and overshoots; pictures whole,
// inset and in the corner; backdrops black or not.
void fades_check(std::mt19937& rng)
{
    const int cases[][4] = {{512, 384, 0, 0}, {234, 257, 139, 64}, {97, 73, 208, 156},
                            {1, 1, 511, 383}, {3, 2, 0, 0},        {7, 5, 500, 370}};
    for (int index = 0; index < 6; ++index) {
        const int w = cases[index][0], h = cases[index][1], x = cases[index][2], y = cases[index][3];
        std::vector<uint32_t> picture(static_cast<size_t>(w) * h), backdrop(picture.size());
        for (uint32_t& p : picture) p = rng();
        for (uint32_t& b : backdrop) b = index % 2 ? rng() : 0u;
        Image pic = {w, h, picture.data()}, back = {w, h, backdrop.data()};
        for (float step : {0.0f, 1.0f, 127.5f, 0.75f, 254.9f, 300.0f, -40.0f, -1000.0f})
            for (const int reset : {0, 1})
                for (const bool cleared : {false, true}) {
                    const FadePicture start = {&pic, &back, 200.0f};
                    FadePicture stepped = start;
                    const uint32_t e = fade_level_step(step, reset, 255.0f, &stepped);
                    const auto fade = [&](Surface* s) {
                        FadePicture f = start;
                        if (cleared) surface_clear(s);
                        fade_blit(s, x, y, step, reset, 255.0f, &f);
                    };
                    const auto rows = [&](Surface* s, int y0, int y1) {
                        fade_frame_rows(s, x, y, &stepped, e, y0, y1);
                    };
                    const Canvas base(512, 384, index % 2 ? 12 : 64, rng());
                    paths_agree(name(cleared ? "cleared fade " : "fade ", index), base, fade,
                                cleared ? DrawRows(rows) : nullptr);
                }
    }
}

struct Routine {
    const char* name;
    void (*check)(std::mt19937& rng);
};

const Routine k_routines[] = {
    {"Lines", lines_check},         {"Curves", curves_check},        {"Dots", dots_check},
    {"Grids", grids_check},         {"Stars", stars_check},          {"WaveCasts", wave_casts_check},
    {"WaveDraws", wave_draws_check}, {"Columns", columns_check},      {"DotMatrices", dot_matrices_check},
    {"Dissolves", dissolves_check}, {"Statics", statics_check},      {"Fades", fades_check}};

class Twins : public testing::TestWithParam<Routine> {};

TEST_P(Twins, FastMatchesPlainWordForWord)
{
    Scope scope;
    std::mt19937 rng(1401);
    GetParam().check(rng);
}

INSTANTIATE_TEST_SUITE_P(Paths, Twins, testing::ValuesIn(k_routines),
                         [](const testing::TestParamInfo<Routine>& info) { return std::string(info.param.name); });

}  // namespace
