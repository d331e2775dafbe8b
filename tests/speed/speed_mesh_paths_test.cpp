// The fast drawing paths of lines, curves, glow dots and texture grids against their plain twins,
// word for word, on random and edge-case input: every width class, tiny and axis-aligned segments,
// ends off the surface, on its edges and NaN, odd surface sizes and pitches; and the row-band
// variants, which must add up to the whole.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "display/render_paths.h"
#include "display/surface.h"
#include "geom3d/curves.h"
#include "geom3d/lines.h"
#include "procedural/texture_grid.h"
#include "speed/speed_canvas.h"

namespace {

struct Size {
    int w, h, pad;
};
const Size k_sizes[] = {{512, 384, 128}, {1, 1, 0}, {3, 7, 1}, {37, 23, 3}, {64, 48, 0}, {200, 5, 7}};

// Cases where the plain twin changed at least one word: the tests check that most do.
int g_cases_drawn = 0;

// Draws `draw` on the plain path and on the fast path, each on a copy of `base`, and on the fast
// path again band by band; all three must be equal word for word.
template <typename Draw, typename DrawRows>
void expect_twins_equal(const Canvas& base, uint32_t seed, Draw draw, DrawRows draw_rows, const char* what, int index)
{
    Scope scope;
    Canvas plain(base), fast(base), banded(base), sse2(base);
    const int w = base.s.width, h = base.s.height;
    g_plain_paths = 1;
    draw(&plain.s);
    g_plain_paths = 0;
    draw(&fast.s);
    // The code every processor runs, beside the AVX2 twin this processor may have taken.
    g_avx2_paths = 0;
    draw(&sse2.s);
    g_avx2_paths = scope.avx2;
    // Uneven bands, including empty ones and one past the bottom.
    std::mt19937 rng(seed);
    int y = 0;
    while (y < h) {
        const int next = std::min(h + 3, y + static_cast<int>(rng() % 9));
        draw_rows(&banded.s, y, next);
        y = next;
    }
    if (plain.words != base.words) ++g_cases_drawn;
    if (fast.words == plain.words && banded.words == plain.words && sse2.words == plain.words) return;
    for (size_t i = 0; i < plain.words.size(); ++i) {
        ASSERT_EQ(fast.words[i], plain.words[i]) << what << " case " << index << ": word " << i << " of a " << w
                                                  << "x" << h << " surface (fast)";
        ASSERT_EQ(banded.words[i], plain.words[i]) << what << " case " << index << ": word " << i << " of a " << w
                                                    << "x" << h << " surface (bands)";
        ASSERT_EQ(sse2.words[i], plain.words[i]) << what << " case " << index << ": word " << i << " of a " << w
                                                  << "x" << h << " surface (SSE2)";
    }
}

const float k_inf = std::numeric_limits<float>::infinity();

// A coordinate along an axis of length n: mostly near the surface, sometimes on its edges, exactly
// on a pixel or the clip margin, far away, huge or not a number.
float coordinate(std::mt19937& rng, int n)
{
    const float span = static_cast<float>(n);
    switch (rng() % 16) {
    case 0: return -1.0f;
    case 1: return span;
    case 2: return static_cast<float>(static_cast<int>(rng() % (n + 2)) - 1);
    case 3: return std::uniform_real_distribution<float>(-3 * span - 40, 4 * span + 40)(rng);
    case 4: return (rng() & 1 ? 1 : -1) * std::uniform_real_distribution<float>(1e6f, 1e30f)(rng);
    case 5: return rng() % 4 ? 0.5f * static_cast<float>(rng() % (2 * n + 2)) : (rng() & 1 ? k_nan : k_inf);
    // Fractions of 1/255 and 1/256 put coverage and fades on exact integers, such as a coverage of 1.
    case 6: return static_cast<float>(rng() % (n + 1)) + static_cast<float>(rng() % 256) / 255.0f;
    case 7: return static_cast<float>(rng() % (n + 1)) + static_cast<float>(rng() % 256) / 256.0f;
    default: return std::uniform_real_distribution<float>(-8.0f, span + 8.0f)(rng);
    }
}

float width(std::mt19937& rng)
{
    static const float widths[] = {1.0f, 1.0f, 1.0f, 0.0f, 0.25f, 0.5f, 2.5f, 10.0f, 63.9f, 64.0f, 64.5f, 300.0f,
                                   -1.0f, 1.0f / 3.0f, 1e-7f};
    if (rng() % 40 == 0) return k_nan;
    return widths[rng() % (sizeof widths / sizeof widths[0])];
}

uint32_t colour(std::mt19937& rng)
{
    static const uint32_t fixed[] = {0xFFFEFEFFu, 0xFF000000u, 0x00000000u, 0x00FFFFFFu, 0x80808080u, 0x01FF00FFu};
    return rng() % 3 ? static_cast<uint32_t>(rng()) : fixed[rng() % 6];
}

// A pair of ends: random, tiny (below a pixel or below float resolution), or axis-aligned.
void segment(std::mt19937& rng, const Size& size, Vec4* p, Vec4* q)
{
    *p = {coordinate(rng, size.w), coordinate(rng, size.h), 0.0f, 0.0f};
    *q = {coordinate(rng, size.w), coordinate(rng, size.h), 0.0f, 0.0f};
    switch (rng() % 6) {
    case 0: q->y = p->y; break;                      // horizontal
    case 1: q->x = p->x; break;                      // vertical
    case 2:                                           // tiny
        q->x = p->x + std::uniform_real_distribution<float>(-0.7f, 0.7f)(rng);
        q->y = p->y + (rng() & 1 ? 1e-6f : std::uniform_real_distribution<float>(-0.7f, 0.7f)(rng));
        break;
    case 3: *q = *p; break;                           // a point
    default: break;
    }
}

}  // namespace

TEST(SpeedLines, FastAndBandedMatchPlain)
{
    std::mt19937 rng(1401);
    int index = 0;
    g_cases_drawn = 0;
    for (const Size& size : k_sizes) {
        const Canvas base(size.w, size.h, size.pad, rng());
        for (int n = 0; n < (size.w >= 512 ? 1500 : 700); ++n, ++index) {
            Vec4 p, q;
            segment(rng, size, &p, &q);
            const float w = width(rng);
            const uint32_t cq = colour(rng);
            const uint32_t cp = rng() % 3 == 0 ? cq : colour(rng);
            expect_twins_equal(
                base, rng(), [&](Surface* s) { draw_line_wide(s, p, q, cq, cp, w); },
                [&](Surface* s, int y0, int y1) { draw_line_wide_rows(s, p, q, cq, cp, w, y0, y1); }, "line", index);
            if (HasFatalFailure()) return;
        }
    }
    EXPECT_GT(g_cases_drawn, index / 4);
}

TEST(SpeedCurves, FastAndBandedMatchPlain)
{
    std::mt19937 rng(1402);
    int index = 0;
    g_cases_drawn = 0;
    for (const Size& size : k_sizes) {
        const Canvas base(size.w, size.h, size.pad, rng());
        for (int n = 0; n < 300; ++n, ++index) {
            Vec4 a, b, c;
            segment(rng, size, &a, &b);
            c = {coordinate(rng, size.w), coordinate(rng, size.h), 0.0f, 0.0f};
            if (n % 5 == 0) c = {0.5f * (a.x + b.x), 0.5f * (a.y + b.y), 0.0f, 0.0f};   // straight
            // z and w ride along and never reach a pixel.
            a.z = std::uniform_real_distribution<float>(-5, 5)(rng);
            b.w = rng() % 8 ? 1.0f : k_nan;
            const uint32_t col = colour(rng);
            expect_twins_equal(
                base, rng(), [&](Surface* s) { draw_curve(s, a, b, c, col); },
                [&](Surface* s, int y0, int y1) {
                    // Half the cases draw the pieces between the curve's shared points one by one.
                    Vec4 points[17];
                    if (index % 2 == 0) {
                        draw_curve_rows(s, a, b, c, col, y0, y1);
                        return;
                    }
                    curve_points_make(a, b, c, points);
                    for (int i = 0; i < 16; ++i) draw_line_wide_rows(s, points[i], points[i + 1], col, col, 1.0f, y0, y1);
                },
                "curve", index);
            if (HasFatalFailure()) return;
        }
    }
    EXPECT_GT(g_cases_drawn, index / 4);
}

TEST(SpeedDots, FastAndBandedMatchPlain)
{
    std::mt19937 rng(1403);
    int index = 0;
    const Size sizes[] = {{512, 384, 128}, {600, 400, 1}, {37, 23, 3}};   // the dot keeps to 512 x 384
    g_cases_drawn = 0;
    for (const Size& size : sizes) {
        const Canvas base(size.w, size.h, size.pad, rng());
        for (int n = 0; n < 600; ++n, ++index) {
            const float cx = coordinate(rng, size.w), cy = coordinate(rng, size.h);
            static const float radii[] = {4.0f, 3.6f, 4.4f, 0.0f, 0.5f, 10.0f, 40.0f, 1e-20f};
            const float r = rng() % 30 ? radii[rng() % 8] : k_nan;
            const uint32_t col = colour(rng);
            expect_twins_equal(
                base, rng(), [&](Surface* s) { draw_glow_dot(s, cx, cy, r, col); },
                [&](Surface* s, int y0, int y1) { draw_glow_dot_rows(s, cx, cy, r, col, y0, y1); }, "dot", index);
            if (HasFatalFailure()) return;
        }
    }
    EXPECT_GT(g_cases_drawn, index / 4);
}

TEST(SpeedGrid, FastAndBandedMatchPlain)
{
    std::mt19937 rng(1404);
    struct Texture {
        int w, h;
    } textures[] = {{128, 128}, {256, 256}, {1, 1}, {2, 8}, {100, 77}, {3, 5}, {256, 100}};
    int index = 0;
    for (const Texture& t : textures) {
        Image* tex = image_create(t.w, t.h);
        for (int i = 0; i < t.w * t.h; ++i) tex->pixels[i] = rng();
        for (int n = 0; n < 12; ++n, ++index) {
            const int across = n < 6 ? 32 : 1 + static_cast<int>(rng() % 40);
            const int down = n < 6 ? 24 : 1 + static_cast<int>(rng() % 30);
            TextureGrid* g = grid_create(across, down, tex);
            ASSERT_NE(g, nullptr);
            const int kind = n % 6;
            // One shade a node row: every row of its cells has one shade from end to end.
            uint8_t row_shades[64];
            for (int i = 0; i < 64; ++i) row_shades[i] = static_cast<uint8_t>(i < 7 ? 250 + i : rng());
            if (kind == 0) grid_warp_pinch(g, std::uniform_real_distribution<double>(-1, 1)(rng));
            for (int i = 0; kind != 0 && i < g->cols * g->rows; ++i) {
                GridNode& node = g->nodes[i];
                // Coordinates near the texture, far beyond it and at the ends of the int range;
                // shades all 255, constant along rows, zero, or anything.
                const uint32_t pick = rng() % 10;
                node.u = pick == 0 ? (rng() & 1 ? INT32_MAX : INT32_MIN) : pick < 3 ? static_cast<int32_t>(rng())
                                                                          : static_cast<int32_t>(rng() % 1200) - 600;
                node.v = pick == 1 ? (rng() & 1 ? INT32_MAX : INT32_MIN) : pick < 3 ? static_cast<int32_t>(rng())
                                                                          : static_cast<int32_t>(rng() % 1200) - 600;
                static const uint8_t edges[] = {0, 1, 2, 252, 253, 254, 255};
                node.shade = kind == 1 ? 255 : kind == 2 ? row_shades[i / g->cols]
                                             : kind == 3 ? edges[rng() % 7] : static_cast<uint8_t>(rng());
            }
            const Canvas base(512, 384, n % 3 == 0 ? 128 : n % 3, rng());
            const Canvas background(512, 384, 0, rng());
            expect_twins_equal(
                base, rng(), [&](Surface* s) { grid_draw(g, s); },
                [&](Surface* s, int y0, int y1) { grid_draw_rows(g, s, y0, y1); }, "grid", index);
            expect_twins_equal(
                base, rng(), [&](Surface* s) { grid_draw_blend(g, s, &background.s); },
                [&](Surface* s, int y0, int y1) { grid_draw_blend_rows(g, s, &background.s, y0, y1); }, "blend grid",
                index);
            grid_free(g);
            if (HasFatalFailure()) break;
        }
        image_free(tex);
        if (HasFatalFailure()) return;
    }
}
