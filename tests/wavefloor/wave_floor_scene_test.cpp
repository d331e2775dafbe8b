// The wave-floor scene: the flight and the pitch cycle across frames and entries.
#include "common/test_util.h"
#include "scenes/wavefloor/wave_floor.h"
#include "scenes/wavefloor/wave_floor_scene.h"

TEST(WaveFloorScene, FlightAndPitchCycle)
{
    ASSERT_EQ(wave_floor_prepare(), 1);
    g_wave_floor_state = {};
    const float rest = 11.7809715f;
    struct Step {
        float start, offset;   // now - start
        float position, pitch, timer;
    } steps[] = {
        {1000, 10, -256, rest, 0},   // the first call: delta 0
        {1000, 190, -2416, rest, 180},
        {1000, 191, -2428, rest, 181},   // still level at exactly 180
        {1000, 192, -2440, rest - 0.05f, 181},   // the loop begins
        {1000, 316, -3928, rest - 6.25f, 181},   // 5.5309715: not yet round
        {1000, 317, -3940, rest, 0},   // 5.4809715: round, back to rest
        {1000, 498, -6112, rest, 181},
        {1000, 499, -6124, rest - 0.05f, 181},
        {1000, 699, -8524, rest, 0},   // one long frame turns past the end at once
        // A later entry restarts from -256 and the rest pose, but its first step is measured from
        // the last time of the earlier entry.
        {5000, 5, -256 + 12 * 694, rest, -694},
        {4000, 6, -256 + 12 * 693, rest, -693},   // an earlier start is no new entry
    };
    Frame f;
    for (const Step& s : steps) {
        scene_wave_floor(&f.s, s.start + s.offset, s.start);
        const WaveFloorState& st = g_wave_floor_state;
        EXPECT_EQ(st.position, s.position) << s.offset;
        EXPECT_NEAR(st.pitch, s.pitch, 2e-6) << s.offset;
        EXPECT_EQ(st.pitch_timer, s.timer) << s.offset;
    }
    EXPECT_TRUE(f.pad_intact());
}
