// Pixel designs of the 25-row font. Stems are two pixels wide and bars two rows high, both on
// whole pixels so their edges stay crisp; only diagonals and rounded corners are anti-aliased.
// Every glyph wide enough keeps its last column empty, so letters set side by side do not touch.
#include <algorithm>
#include <cmath>

#include "assets.h"
#include "base/angles.h"

namespace {

constexpr int k_rows = 25;
constexpr int k_ss = 16;

// Corner radii of a rounded rectangle: top-left, top-right, bottom-right, bottom-left.
struct Corners {
    double tl, tr, br, bl;
};

std::vector<Point2> rounded_rect(double x0, double y0, double x1, double y1, Corners r)
{
    std::vector<Point2> poly;
    auto corner = [&](double cx, double cy, double radius, double deg0) {
        if (radius <= 0) {
            poly.push_back({cx, cy});
            return;
        }
        const double ox = cx + (deg0 == 180 || deg0 == 90 ? radius : -radius);
        const double oy = cy + (deg0 == 180 || deg0 == 270 ? radius : -radius);
        for (int s = 0; s <= 12; ++s) {
            const double a = (deg0 + 90.0 * s / 12) * k_pi / 180;
            poly.push_back({ox + radius * std::cos(a), oy + radius * std::sin(a)});
        }
    };
    corner(x0, y0, r.tl, 180);
    corner(x1, y0, r.tr, 270);
    corner(x1, y1, r.br, 0);
    corner(x0, y1, r.bl, 90);
    return poly;
}

struct Glyph {
    int width;
    SuperMask mask;

    explicit Glyph(int w) : width(w), mask(supermask_create(w, k_rows, k_ss)) {}

    void box(double x0, double y0, double x1, double y1) { supermask_polygon(mask, {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}}); }

    // A stroke from centre xa on row edge ya to centre xb on row edge yb, cut square to the rows,
    // `thick` pixels across its own direction.
    void diagonal(double xa, double ya, double xb, double yb, double thick = 2.0)
    {
        const double dx = xb - xa, dy = yb - ya;
        const double half = 0.5 * thick * std::sqrt(dx * dx + dy * dy) / std::fabs(dy);
        supermask_polygon(mask, {{xa - half, ya}, {xa + half, ya}, {xb + half, yb}, {xb - half, yb}});
    }

    // A rounded frame two pixels thick, less the parts inside the cut rectangles.
    void frame(double x0, double y0, double x1, double y1, Corners r, std::initializer_list<Segment> cuts = {})
    {
        SuperMask part = supermask_create(width, k_rows, k_ss);
        supermask_polygon(part, rounded_rect(x0, y0, x1, y1, r));
        const Corners in{std::max(0.0, r.tl - 2), std::max(0.0, r.tr - 2), std::max(0.0, r.br - 2), std::max(0.0, r.bl - 2)};
        if (x1 - x0 > 4 && y1 - y0 > 4) supermask_polygon(part, rounded_rect(x0 + 2, y0 + 2, x1 - 2, y1 - 2, in), false);
        for (const Segment& c : cuts)
            supermask_polygon(part, {{c.x0, c.y0}, {c.x1, c.y0}, {c.x1, c.y1}, {c.x0, c.y1}}, false);
        for (size_t i = 0; i < mask.bits.size(); ++i) mask.bits[i] |= part.bits[i];
    }
};

void draw(Glyph& g, int letter)
{
    const double B = k_rows;   // the baseline: glyphs fill all 25 rows
    const Corners round{3, 3, 3, 3};
    switch (letter) {
    case 'A':
        g.diagonal(1, B, 3, 0);
        g.diagonal(6, B, 4, 0);
        g.box(1.6, 15, 5.4, 17);
        break;
    case 'B':   // a narrower upper bowl, both bowls rounded deep into the waist so that it pinches
        g.frame(0, 0, 5, 13, {0, 2.5, 3, 0});
        g.frame(0, 11, 7, B, {0, 4, 3, 0});
        break;
    case 'C':
        g.frame(0, 0, 6, B, {3, 0, 0, 3}, {{4, 0, 6, B}});
        g.box(3, 2, 4, 4);
        g.box(3, 21, 4, 23);
        break;
    case 'D':
        g.frame(0, 0, 6, B, {0, 3, 3, 0});
        break;
    case 'E':   // bars a row heavier than elsewhere, so the arms hold their own beside the stem
        g.box(0, 0, 2, B);
        g.box(0, 0, 6, 3);
        g.box(0, 11, 5, 14);
        g.box(0, 22, 6, B);
        break;
    case 'F':   // a long flag with a turned-down tip, a notched arm and a foot serif
        g.box(1, 0, 3, B);
        g.box(1, 0, 8, 2);
        g.box(6, 0, 8, 5);
        g.box(1, 11, 6, 13);
        g.box(4, 9, 6, 15);
        g.box(0, 23, 4, B);
        break;
    case 'G':
        g.frame(0, 0, 8, B, round, {{6, 5, 8, 12}});
        g.box(4, 12, 8, 14);
        break;
    case 'H':
        g.box(0, 0, 2, B);
        g.box(5, 0, 7, B);
        g.box(0, 11, 7, 13);
        break;
    case 'I':
        g.box(1, 0, 3, B);
        break;
    case 'J':
        g.box(1, 0, 7, 2);
        g.frame(0, -4, 6, B, {0, 0, 3, 3}, {{0, -4, 2, 17}, {2, -4, 4, 23}});
        break;
    case 'K':   // arms stepped on whole pixels, one pixel thin where they lean, meeting the stem only
                // at its middle so that a clear gap stays open above and below
        g.box(0, 0, 2, B);
        g.box(3, 0, 5, 4);
        g.box(3, 4, 4, 9);
        g.box(2, 9, 3, 16);
        g.box(3, 16, 4, 21);
        g.box(3, 21, 5, B);
        break;
    case 'L':   // the glyph is only two pixels wide: a one-pixel stem on a foot six rows deep
        g.box(0, 0, 1, B);
        g.box(0, 19, 2, B);
        break;
    case 'M':   // upright outer stems and a deep middle vee
        g.box(0, 0, 2, B);
        g.box(11, 0, 13, B);
        g.diagonal(1.1, 0, 6.5, 19, 2.1);
        g.diagonal(11.9, 0, 6.5, 19, 2.1);
        break;
    case 'N':
        g.box(0, 0, 2, B);
        g.box(4, 0, 6, B);
        g.diagonal(1, 0, 5, B, 1.9);
        break;
    case 'O':
        g.frame(0, 0, 5, B, {2.5, 2.5, 2.5, 2.5});
        break;
    case 'P':
        g.box(0, 0, 2, B);
        g.frame(0, 0, 6, 14, {0, 3, 3, 0});
        break;
    case 'Q':   // a bowl short of the baseline, and a tail from inside it out past its lower right
        g.frame(0, 0, 6, 23, {2.5, 2.5, 2.5, 2.5});
        g.diagonal(3.4, 15, 6.0, B, 2.0);
        break;
    case 'R':
        g.box(0, 0, 2, B);
        g.frame(0, 0, 7, 14, {0, 3, 3, 0});
        g.diagonal(3.5, 13, 6, B);
        break;
    case 'S':
        g.frame(0, 0, 6, 13, {3, 3, 0, 3}, {{4, 2, 6, 11}});
        g.frame(0, 11, 6, B, {3, 3, 3, 3}, {{0, 13, 2, 23}});
        g.box(4, 2, 6, 4);
        g.box(0, 21, 2, 23);
        break;
    case 'T':   // a wide beam with dropped ends and a foot serif
        g.box(0, 0, 10, 2);
        g.box(0, 0, 2, 4);
        g.box(8, 0, 10, 4);
        g.box(4, 0, 6, B);
        g.box(3, 23, 7, B);
        break;
    case 'U':
        g.frame(0, -4, 6, B, {0, 0, 3, 3}, {{2, -4, 4, 23}});
        break;
    case 'V':
        g.diagonal(1, 0, 3, B);
        g.diagonal(6, 0, 4, B);
        break;
    case 'W':   // two narrow Vs on whole pixels: the shared middle stroke stops a third of the way
                // down, and each V comes to its own point at the baseline
        g.box(0, 0, 2, 16);
        g.box(5, 0, 7, 16);
        g.box(1, 16, 2, B);
        g.box(5, 16, 6, B);
        g.box(3, 8, 4, 21);
        g.box(2, 21, 3, B);
        g.box(4, 21, 5, B);
        break;
    case 'X':
        g.diagonal(1, 0, 6, B, 1.9);
        g.diagonal(6, 0, 1, B, 1.9);
        break;
    case 'Y':   // arms meeting over a stem with a foot serif
        g.diagonal(2.1, 0, 6, 13);
        g.diagonal(9.9, 0, 6, 13);
        g.box(5, 12, 7, B);
        g.box(3, 23, 9, B);
        break;
    case 'Z':   // a broad Z with a crossbar and turned ends
        g.box(1, 0, 16, 2);
        g.box(1, 0, 3, 4);
        g.diagonal(14.8, 2, 2.2, 23, 2.0);
        g.box(1, 23, 16, B);
        g.box(14, 21, 16, B);
        g.box(5, 11, 12, 13);
        break;
    default:
        break;
    }
}

}  // namespace

GreyPicture font_glyph(int letter, int width)
{
    Glyph g(width);
    draw(g, letter);
    return supermask_resolve(g.mask);
}
