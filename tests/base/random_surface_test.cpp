// The random generator's vectors and the pixel buffer clear.
#include <gtest/gtest.h>

#include <vector>

#include "base/random.h"
#include "display/surface.h"

TEST(Random, KnownSequences)
{
    struct Case {
        bool seeded;
        uint32_t seed;
        std::vector<uint32_t> values;
    };
    const Case cases[] = {
        {true, 0, {0xABA2BF70u, 0xB7479A15u, 0x0A645E55u, 0x275CF9F0u}},
        {true, 1, {0xEC1A592Eu, 0xC982ADBAu, 0x9F0113A2u, 0x60D4FF7Cu}},
        {true, 0xFFFFFFFFu, {0x696A955Au}},   // the state wraps round before the multiply
        {false, 0, {0x7454FAC0u, 0x3951C4DBu}},   // from the load-time state
    };
    for (const Case& c : cases) {
        if (c.seeded) demo_srand(c.seed);
        else g_rand_state = 0x8372D8DAu;
        for (size_t i = 0; i < c.values.size(); ++i) EXPECT_EQ(demo_rand(), c.values[i]) << "seed " << c.seed << " value " << i;
    }
}

TEST(Surface, ClearRespectsPitch)
{
    // Rows of 512 pixels, 2560 bytes apart: the 512 bytes past each row must survive.
    const int pitch = 2560;
    std::vector<uint8_t> memory(static_cast<size_t>(pitch) * 384, 0x5A);
    Surface s = {reinterpret_cast<uint32_t*>(memory.data()), 512, 384, pitch, 0};
    surface_clear(&s);
    for (int y = 0; y < 384; ++y) {
        const uint8_t* row = memory.data() + static_cast<size_t>(y) * pitch;
        for (int i = 0; i < 2048; ++i) ASSERT_EQ(row[i], 0) << "row " << y;
        for (int i = 2048; i < pitch; ++i) ASSERT_EQ(row[i], 0x5A) << "row " << y;
    }
    Surface empty = {nullptr, 512, 0, pitch, 0};   // height 0 touches nothing
    surface_clear(&empty);
}
