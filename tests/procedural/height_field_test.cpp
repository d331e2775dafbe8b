// Height fields: determinism, every cell written for the sizes in use, the flat case and tiling.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "base/random.h"
#include "display/surface.h"
#include "procedural/height_field.h"

namespace {

// A map whose pitch exceeds its width by 3 bytes; the padding must survive.
struct PaddedMap {
    std::vector<uint8_t> cells;
    ByteMap map;
    PaddedMap(int w, int h, uint8_t fill) : cells(static_cast<size_t>(w + 3) * h, fill), map{cells.data(), w, h, w + 3, 8} {}
    int at(int x, int y) const { return cells[static_cast<size_t>(y) * map.pitch + x]; }
};

const int k_sizes[][2] = {{256, 256}, {128, 128}, {80, 15}};

}  // namespace

TEST(HeightField, DeterministicEveryCellWrittenAndFlatWithoutOffsets)
{
    demo_srand(1234);
    const int first = demo_rand() & 0xff;
    for (const auto& size : k_sizes) {
        const int w = size[0], h = size[1];
        PaddedMap zeros(w, h, 0x00), ones(w, h, 0xFF), other(w, h, 0), flat(w, h, 0);
        fill_height_field(&zeros.map, 32768, 24236);
        const uint32_t after = g_rand_state;
        fill_height_field(&ones.map, 32768, 24236);
        EXPECT_EQ(g_rand_state, after);
        fill_height_field(&other.map, 32768, 24237);
        EXPECT_NE(other.cells, zeros.cells);
        // With every offset vanishing (k = 0) the whole map is the first random byte.
        fill_height_field(&flat.map, 0, 1234);
        // The same field whatever the cells held: every cell was written, and no padding byte.
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) ASSERT_TRUE(zeros.at(x, y) == ones.at(x, y) && flat.at(x, y) == first) << x << "," << y;
            for (int x = w; x < w + 3; ++x) ASSERT_EQ(ones.at(x, y), 0xFF);
        }
    }
}

TEST(HeightField, TilesAcrossBothSeamsBoundedMidpointsAndDegenerateSizes)
{
    // With gentle roughness the last column and row neighbour the first ones as closely as
    // interior cells neighbour theirs.
    PaddedMap m(128, 128, 0);
    fill_height_field(&m.map, 1950, 777);
    int interior = 0, seam = 0;
    for (int i = 0; i < 128; ++i) {
        for (int j = 0; j + 1 < 128; ++j)
            interior = std::max({interior, std::abs(m.at(j, i) - m.at(j + 1, i)), std::abs(m.at(i, j) - m.at(i, j + 1))});
        seam = std::max({seam, std::abs(m.at(127, i) - m.at(0, i)), std::abs(m.at(i, 127) - m.at(i, 0))});
    }
    EXPECT_LE(seam, interior);
    EXPECT_LE(interior, 12);
    // s = (2097 * 2) >> 10 = 4: a midpoint moves at most 2 from the mean. Maps of one row or no
    // column are filled without harm.
    demo_srand(9);
    for (int i = 0; i < 100; ++i) EXPECT_LE(std::abs(displace_midpoint(100, 101, 2097, 2) - 100), 2);
    PaddedMap line(16, 1, 0), none(0, 4, 7);
    fill_height_field(&line.map, 2048, 3);
    fill_height_field(&none.map, 2048, 3);
}
