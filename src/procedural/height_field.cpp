// Height-field generation. The recursion order below decides the order of the random draws, and so
// every generated texture; change nothing about it.
#include "procedural/height_field.h"

#include "base/random.h"
#include "display/surface.h"

namespace {

inline uint8_t& cell(ByteMap* map, int x, int y)
{
    return bytemap_row(map, y % map->height)[x % map->width];
}

// A product in wrapping signed 32-bit arithmetic.
inline int32_t mul32(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

}  // namespace

int displace_midpoint(int a, int b, int32_t r, int32_t length)
{
    const int32_t s = mul32(r, length) >> 10;
    int m = (a + b) >> 1;
    if (s > 0) {
        const uint32_t q = 0xFFFFFFFFu / static_cast<uint32_t>(s);
        const uint32_t d = demo_rand() / q;   // 0..s
        m = m + static_cast<int>(d) - (s >> 1);
    }
    if (m < 0) return 0;
    return m > 255 ? 255 : m;
}

void subdivide_row(ByteMap* map, int32_t r, int y, int x0, int x1)
{
    while (x1 - x0 > 1) {
        const int mid = (x0 + x1) >> 1;
        cell(map, mid, y) = static_cast<uint8_t>(displace_midpoint(cell(map, x0, y), cell(map, x1, y), r, x1 - x0));
        subdivide_row(map, r, y, x0, mid);
        x0 = mid;
    }
}

void subdivide_column(ByteMap* map, int32_t r, int x, int y0, int y1)
{
    while (y1 - y0 > 1) {
        const int mid = (y0 + y1) >> 1;
        cell(map, x, mid) = static_cast<uint8_t>(displace_midpoint(cell(map, x, y0), cell(map, x, y1), r, y1 - y0));
        subdivide_column(map, r, x, y0, mid);
        y0 = mid;
    }
}

void subdivide_square(ByteMap* map, int32_t r, int x0, int y0, int x1, int y1)
{
    // Each quarter is entered only once all four of its edges are subdivided.
    while (x1 - x0 > 1 && y1 - y0 > 1) {
        const int mx = (x0 + x1) >> 1;
        const int my = (y0 + y1) >> 1;
        cell(map, mx, my) = static_cast<uint8_t>(
            (cell(map, x0, y1) + cell(map, x1, y0) + cell(map, x1, y1) + cell(map, x0, y0)) >> 2);
        subdivide_row(map, r, my, x0, mx);
        subdivide_row(map, r, my, mx, x1);
        subdivide_column(map, r, mx, y0, my);
        subdivide_column(map, r, mx, my, y1);
        subdivide_square(map, r, x0, y0, mx, my);
        subdivide_square(map, r, mx, y0, x1, my);
        subdivide_square(map, r, x0, my, mx, y1);
        x0 = mx;
        y0 = my;
    }
}

void fill_height_field(ByteMap* map, int32_t k, uint32_t seed)
{
    if (map->width < 1 || map->height < 1) return;   // nothing to fill, and no remainder by 0
    const int32_t r = mul32(k, 1024) / 1000;
    demo_srand(seed);
    cell(map, 0, 0) = static_cast<uint8_t>(demo_rand() & 0xff);
    subdivide_row(map, r, 0, 0, map->width);
    subdivide_column(map, r, 0, 0, map->height);
    subdivide_square(map, r, 0, 0, map->width, map->height);
}
