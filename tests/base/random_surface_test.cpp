// The random generator's vectors and the pixel buffer makers and clear.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "display/surface.h"
#include "shell/random.h"

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
        {false, 0, {0x7454FAC0u, 0x3951C4DBu}},   // from the load-time state
    };
    for (const Case& c : cases) {
        if (c.seeded) demo_srand(c.seed);
        else g_rand_state = 0x8372D8DAu;
        for (size_t i = 0; i < c.values.size(); ++i) EXPECT_EQ(demo_rand(), c.values[i]) << "seed " << c.seed << " value " << i;
    }
}

TEST(Random, AdditionWrapsAround)
{
    // A state of 0xFFFFFFFF adds to 0x3DB7E628 before the multiply.
    demo_srand(0xFFFFFFFFu);
    const uint64_t p = 0x3DB7E628ull * 0x3DB7E62Aull;
    EXPECT_EQ(demo_rand(), static_cast<uint32_t>(p) ^ static_cast<uint32_t>(p >> 32));
}

TEST(Surface, MakersSetPitchAndClearImages)
{
    Surface* s = surface_create(512, 384);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->pitch, 2048);
    surface_free(s);
    ByteMap* m = bytemap_create(97, 73);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->pitch, 97);
    bytemap_free(m);
    Image* img = image_create(234, 257);
    ASSERT_NE(img, nullptr);
    for (int i = 0; i < 234 * 257; ++i) ASSERT_EQ(img->pixels[i], 0u);
    image_free(img);
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
