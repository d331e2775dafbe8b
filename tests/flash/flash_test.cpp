// The flash report on made-up frame sequences with known flash counts, and the reduced-flashing
// filter on the same sequences: under three flashes a second wherever they flash, every frame as
// drawn wherever they do not.
#include <gtest/gtest.h>

#include <vector>

#include "display/flash_filter.h"
#include "display/surface.h"
#include "flash_report.h"

namespace {

struct Sequence {
    const char* name;
    uint32_t (*colour)(int x, int y, uint32_t t_ms);
    int general, red;   // the largest count of the report over 3 s at 60 fps
};

// Square waves: on for the first half of each period.
bool on(uint32_t t_ms, int hz)
{
    return t_ms * 2 * hz / 1000 % 2 == 0;
}

bool inside(int x, int y, int x0, int y0, int w, int h)
{
    return x >= x0 && x < x0 + w && y >= y0 && y < y0 + h;
}

const Sequence k_sequences[] = {
    {"full field, grey and black at 8 Hz", [](int, int, uint32_t t) { return on(t, 8) ? 0x808080u : 0u; }, 8, 0},
    {"full field, grey and black at 3 Hz", [](int, int, uint32_t t) { return on(t, 3) ? 0x808080u : 0u; }, 3, 0},
    {"white 64x64 square at 8 Hz, under a quarter of a 10-degree field",
     [](int x, int y, uint32_t t) { return on(t, 8) && inside(x, y, 200, 160, 64, 64) ? 0xFFFFFFu : 0u; }, 0, 0},
    {"white 96x64 rectangle at 8 Hz, over a quarter of a 10-degree field",
     [](int x, int y, uint32_t t) { return on(t, 8) && inside(x, y, 200, 160, 96, 64) ? 0xFFFFFFu : 0u; }, 8, 0},
    {"slow fade to white and back",
     [](int, int, uint32_t t) {
         const uint32_t v = t < 1500 ? t * 255 / 1500 : (3000 - t) * 255 / 1500;
         return v * 0x010101u;
     },
     1, 0},
    {"dark saturated red and black at 8 Hz, too dark for a general flash",
     [](int, int, uint32_t t) { return on(t, 8) ? 0x600000u : 0u; }, 0, 8},
};

// The report over 3 s at 60 fps of the sequence, through the filter when `filtered`; `changed`
// counts the frames the filter changed.
FlashReport sequence_report(const Sequence& s, bool filtered, int* changed)
{
    std::vector<uint32_t> pixels(512 * 384);
    Surface frame = {pixels.data(), 512, 384, 512 * 4, 32};
    FlashReport report;
    flash_filter_reset();
    *changed = 0;
    for (int j = 0; j < 180; ++j) {
        const uint32_t t = static_cast<uint32_t>(j * 1000 / 60);
        for (int y = 0; y < 384; ++y)
            for (int x = 0; x < 512; ++x) pixels[y * 512 + x] = s.colour(x, y, t);
        if (filtered) {
            flash_filter_apply(&frame, t);
            *changed += g_flash_filter_changed;
        }
        flash_report_add(&report, &frame, t);
    }
    return report;
}

int largest(const FlashReport& r, bool red)
{
    int most = 0;
    for (const FlashSecond& s : r.seconds) most = std::max(most, red ? s.red : s.general);
    return most;
}

}  // namespace

TEST(FlashReport, MadeUpSequencesCountTheirFlashesAndTheFilterKeepsThemUnderThree)
{
    for (const Sequence& s : k_sequences) {
        int changed = 0;
        const FlashReport raw = sequence_report(s, false, &changed);
        EXPECT_EQ(largest(raw, false), s.general) << s.name;
        EXPECT_EQ(largest(raw, true), s.red) << s.name;
        EXPECT_EQ(flash_report_seconds_over(&raw) > 0, s.general > 3 || s.red > 3) << s.name;

        const FlashReport out = sequence_report(s, true, &changed);
        EXPECT_LE(largest(out, false), 3) << s.name;
        EXPECT_LE(largest(out, true), 3) << s.name;
        EXPECT_EQ(flash_report_seconds_over(&out), 0) << s.name;
        // Frames pass as drawn below the threshold, and over it the filter acts.
        EXPECT_EQ(changed == 0, s.general < 3 && s.red < 3) << s.name;
    }
}
