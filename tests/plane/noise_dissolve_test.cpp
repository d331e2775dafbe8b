// The noise dissolve: static at level 0, the source at 255, the levels it clamps to and the random
// numbers it draws.
#include <limits>

#include "base/random.h"
#include "common/test_util.h"
#include "scenes/plane/noise_dissolve.h"

namespace {

uint32_t ch(uint32_t p, int shift)
{
    return (p >> shift) & 0xFFu;
}

}  // namespace

TEST(NoiseDissolve, StaticAtLevelZeroNearSourceAt254SourceAt255)
{
    Image* src = image_create(16, 8);
    for (int i = 0; i < 128; ++i) src->pixels[i] = 0xA5000000u | (i * 0x020103u);
    NoiseDissolve* d = dissolve_create(src);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(dissolve_create(nullptr), nullptr);
    struct Case {
        float delta;
        int reset;
        float level;
    } cases[] = {{5, 1, 0}, {-254, 1, 254}, {std::numeric_limits<float>::quiet_NaN(), 0, 0}, {-1000, 0, 255}, {-1, 0, 255},
                   {3.5f, 0, 251.5f}, {-9, 0, 255}};
    for (const Case& c : cases) {
        demo_srand(9);
        dissolve_advance(d, c.delta, c.reset);
        EXPECT_EQ(d->level, c.level) << c.delta;
        const uint32_t b = static_cast<uint32_t>(c.level);
        demo_srand(9);
        for (int i = 0; i < 128; ++i) {
            const uint32_t s = src->pixels[i], w = d->work->pixels[i];
            // One number per texel, in order, below the full level; the top byte does not show.
            const uint32_t n = b == 255 ? 0 : demo_rand() % 255u;
            for (int shift : {0, 8, 16}) {
                const uint32_t want = b == 255 ? ch(s, shift) : ((ch(s, shift) * (b + 1)) >> 8) + ((n * (256 - b)) >> 8);
                ASSERT_EQ(ch(w, shift), want) << c.delta << " texel " << i;
            }
            ASSERT_EQ(w >> 24, b == 255 ? 0xA5u : 0u);
        }
        EXPECT_EQ(g_rand_state == 9u, b == 255);
    }
    dissolve_free(d);
    image_free(src);
}
