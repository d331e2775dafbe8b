// The tileable random height field: midpoint subdivision along edges with a random offset that
// grows with the segment length, plain averages at square centres, on a map that wraps both ways.
#pragma once
#include <cstdint>

struct ByteMap;

// Reseeds the demo generator with `seed` and fills every cell of `map` with heights 0..255.
// Roughness k: k = 32768 gives steep fields, k = 0 a flat one. Allocates nothing.
void fill_height_field(ByteMap* map, int32_t k, uint32_t seed);

// The steps of the fill, in the order that fixes the random draws. r is the roughness
// (k * 1024) / 1000; coordinates wrap (coordinate `width` is column 0).
// The mean of a and b displaced by a random offset of up to (r * length) >> 10, held to 0..255.
int displace_midpoint(int a, int b, int32_t r, int32_t length);
void subdivide_row(ByteMap* map, int32_t r, int y, int x0, int x1);
void subdivide_column(ByteMap* map, int32_t r, int x, int y0, int y1);
void subdivide_square(ByteMap* map, int32_t r, int x0, int y0, int x1, int y1);
