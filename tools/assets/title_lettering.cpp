// Stroke designs of the 26 capitals for the title lettering. Each glyph is a set of pen strokes
// in a unit box (u across, v down), placed so that a round pen of the given radius just fills the
// glyph's box. (The 25-row font has pixel designs of its own.)
#include <cmath>

#include "assets.h"
#include "base/angles.h"

const int k_glyph_widths[26] = {8, 8, 5, 7, 7, 9, 9, 8, 4, 8, 6, 2, 14, 7, 6, 7, 8, 8, 7, 11, 7, 8, 8, 8, 12, 17};

namespace {

struct Pen {
    double width, height, radius;
    std::vector<Segment> out;

    double x(double u) const { return width > 2 * radius ? radius + u * (width - 2 * radius) : width * 0.5; }
    double y(double v) const { return radius + v * (height - 2 * radius); }

    void line(double u0, double v0, double u1, double v1) { out.push_back({x(u0), y(v0), x(u1), y(v1)}); }

    void path(std::initializer_list<Point2> pts)
    {
        const Point2* prev = nullptr;
        for (const Point2& p : pts) {
            if (prev) line(prev->x, prev->y, p.x, p.y);
            prev = &p;
        }
    }

    // Elliptical arc around (cu, cv) from deg0 to deg1 (either direction); 0 degrees points right
    // and 90 degrees down.
    void arc(double cu, double cv, double ru, double rv, double deg0, double deg1)
    {
        const int steps = 24;
        double pu = 0, pv = 0;
        for (int s = 0; s <= steps; ++s) {
            const double a = (deg0 + (deg1 - deg0) * s / steps) * k_pi / 180.0;
            const double u = cu + ru * std::cos(a), v = cv + rv * std::sin(a);
            if (s > 0) line(pu, pv, u, v);
            pu = u;
            pv = v;
        }
    }
};

// An upright rounded bowl (the O family): ends of radius `rv` in v.
void stadium(Pen& p, double rv)
{
    p.arc(0.5, rv, 0.5, rv, 180, 360);
    p.line(0, rv, 0, 1 - rv);
    p.line(1, rv, 1, 1 - rv);
    p.arc(0.5, 1 - rv, 0.5, rv, 0, 180);
}

void draw_letter(Pen& p, int letter)
{
    switch (letter) {
    case 'A':
        p.path({{0, 1}, {0.36, 0}, {0.64, 0}, {1, 1}});
        p.line(0.18, 0.6, 0.82, 0.6);
        break;
    case 'B':
        p.line(0, 0, 0, 1);
        p.line(0, 0, 0.55, 0);
        p.arc(0.55, 0.235, 0.4, 0.235, -90, 90);
        p.line(0.55, 0.47, 0, 0.47);
        p.line(0.55, 0.47, 0.6, 0.47);
        p.arc(0.6, 0.735, 0.4, 0.265, -90, 90);
        p.line(0.6, 1, 0, 1);
        break;
    case 'C':
        p.arc(0.5, 0.22, 0.5, 0.22, 180, 340);
        p.line(0, 0.22, 0, 0.78);
        p.arc(0.5, 0.78, 0.5, 0.22, 20, 180);
        break;
    case 'D':
        p.line(0, 0, 0, 1);
        p.line(0, 0, 0.4, 0);
        p.arc(0.4, 0.3, 0.6, 0.3, 270, 360);
        p.line(1, 0.3, 1, 0.7);
        p.arc(0.4, 0.7, 0.6, 0.3, 0, 90);
        p.line(0.4, 1, 0, 1);
        break;
    case 'E':
        p.line(0, 0, 0, 1);
        p.line(0, 0, 1, 0);
        p.line(0, 0.47, 0.8, 0.47);
        p.line(0, 1, 1, 1);
        break;
    case 'F':  // a wide F: a long flag with a turned-down tip and a foot serif
        p.line(0.12, 0, 0.12, 1);
        p.line(0.12, 0, 1, 0);
        p.line(1, 0, 1, 0.14);
        p.line(0.12, 0.47, 0.72, 0.47);
        p.line(0.72, 0.4, 0.72, 0.54);
        p.line(0, 1, 0.36, 1);
        break;
    case 'G':
        p.arc(0.5, 0.25, 0.5, 0.25, 180, 345);
        p.line(0, 0.25, 0, 0.75);
        p.arc(0.5, 0.75, 0.5, 0.25, 0, 180);
        p.line(1, 0.75, 1, 0.55);
        p.line(0.52, 0.55, 1, 0.55);
        break;
    case 'H':
        p.line(0, 0, 0, 1);
        p.line(1, 0, 1, 1);
        p.line(0, 0.47, 1, 0.47);
        break;
    case 'I':
        p.line(0.5, 0, 0.5, 1);
        p.line(0, 0, 1, 0);
        p.line(0, 1, 1, 1);
        break;
    case 'J':
        p.line(0.2, 0, 1, 0);
        p.line(0.75, 0, 0.75, 0.76);
        p.arc(0.4, 0.76, 0.35, 0.24, 0, 180);
        p.line(0.05, 0.76, 0.05, 0.66);
        break;
    case 'K':
        p.line(0, 0, 0, 1);
        p.line(1, 0, 0, 0.6);
        p.line(0.32, 0.42, 1, 1);
        break;
    case 'L':
        p.line(0, 0, 0, 1);
        if (p.width > 3.5 * p.radius) p.line(0, 1, 1, 1);
        break;
    case 'M':  // splayed outer legs and a deep middle vee
        p.path({{0, 1}, {0.06, 0}, {0.5, 0.72}, {0.94, 0}, {1, 1}});
        break;
    case 'N':
        p.path({{0, 1}, {0, 0}, {1, 1}, {1, 0}});
        break;
    case 'O':
        stadium(p, 0.22);
        break;
    case 'P':
        p.line(0, 0, 0, 1);
        p.line(0, 0, 0.45, 0);
        p.arc(0.45, 0.27, 0.55, 0.27, 270, 450);
        p.line(0.45, 0.54, 0, 0.54);
        break;
    case 'Q':
        stadium(p, 0.24);
        p.line(0.55, 0.74, 1, 1);
        break;
    case 'R':
        p.line(0, 0, 0, 1);
        p.line(0, 0, 0.45, 0);
        p.arc(0.45, 0.26, 0.55, 0.26, 270, 450);
        p.line(0.45, 0.52, 0, 0.52);
        p.line(0.42, 0.52, 1, 1);
        break;
    case 'S':
        p.arc(0.5, 0.25, 0.5, 0.25, 340, 90);
        p.arc(0.5, 0.75, 0.5, 0.25, 270, 520);
        break;
    case 'T':  // a wide beam with dropped ends and a foot serif
        p.line(0, 0, 1, 0);
        p.line(0, 0, 0, 0.12);
        p.line(1, 0, 1, 0.12);
        p.line(0.5, 0, 0.5, 1);
        p.line(0.34, 1, 0.66, 1);
        break;
    case 'U':
        p.line(0, 0, 0, 0.75);
        p.line(1, 0, 1, 0.75);
        p.arc(0.5, 0.75, 0.5, 0.25, 0, 180);
        break;
    case 'V':
        p.path({{0, 0}, {0.5, 1}, {1, 0}});
        break;
    case 'W':
        p.path({{0, 0}, {0.22, 1}, {0.5, 0.36}, {0.78, 1}, {1, 0}});
        break;
    case 'X':
        p.line(0, 0, 1, 1);
        p.line(1, 0, 0, 1);
        break;
    case 'Y':  // curved arms meeting over a serifed stem
        p.line(0, 0, 0.2, 0);
        p.line(0.8, 0, 1, 0);
        p.arc(0.5, 0.0, 0.4, 0.5, 180, 90);
        p.arc(0.5, 0.0, 0.4, 0.5, 0, 90);
        p.line(0.5, 0.5, 0.5, 1);
        p.line(0.3, 1, 0.7, 1);
        break;
    case 'Z':  // a broad Z with a crossbar and turned ends
        p.line(0, 0, 1, 0);
        p.line(0, 0, 0, 0.13);
        p.line(1, 0, 0, 1);
        p.line(0, 1, 1, 1);
        p.line(1, 1, 1, 0.87);
        p.line(0.3, 0.5, 0.7, 0.5);
        break;
    default:
        break;
    }
}

}  // namespace

std::vector<Segment> glyph_strokes(int letter, double width, double height, double radius)
{
    Pen pen{width, height, radius, {}};
    draw_letter(pen, letter);
    return pen.out;
}
