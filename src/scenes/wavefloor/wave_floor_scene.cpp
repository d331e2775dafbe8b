// The wave-floor scene: level flight for 3 s, then a full loop of the camera, over and over, at 12
// forward units per frame unit. State values are floats; the arithmetic that updates them runs in
// double and is rounded as each value is stored. On the fast paths each row band of the frame is
// cleared, cast and drawn apart, after the state has moved on the main thread.
#include "scenes/wavefloor/wave_floor_scene.h"

#include <cstring>

#include "display/band_worker.h"
#include "display/render_paths.h"
#include "display/surface.h"
#include "draw2d/font.h"
#include "scenes/wavefloor/wave_floor.h"
#include "scenes/wavefloor/wave_floor_twins.h"

WaveFloorState g_wave_floor_state = {0, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};

namespace {

const char k_caption[] = "w e   k n o w";
constexpr int k_caption_row = 180;
constexpr float k_rest_pitch = 11.7809715f;   // 3.75 pi: level, looking the way 1.75 pi does
constexpr double k_loop_end = 5.497787;       // 1.75 pi: one full turn below the rest pitch
constexpr double k_level_time = 180.0;        // frame units of level flight per cycle
constexpr double k_turn_rate = 0.05;          // radians per frame unit while looping
constexpr double k_speed = 12.0;              // forward units per frame unit
constexpr double k_start_position = -256.0;

// One band of the frame on the fast paths: its rows cleared, cast and drawn. The bands write
// disjoint rows of the frame and of the floor's row table.
struct FloorJob {
    Surface* frame;
    WaveFloor* floor;
    double pitch;
    double position;
};

void floor_band_draw(void* ctx, int y0, int y1)
{
    const FloorJob* job = static_cast<const FloorJob*>(ctx);
    const size_t row_bytes = static_cast<size_t>(job->frame->width) * 4;
    for (int y = y0; y < y1; ++y) std::memset(surface_row(job->frame, y), 0, row_bytes);
    if (!job->floor) return;
    wave_floor_cast_fast(job->floor, g_wave_profile, wave_profile_length, job->pitch, job->position, y0, y1);
    wave_floor_draw_fast(job->floor, job->frame, y0, y1);
}

}  // namespace

int scene_wave_floor(Surface* frame, float now, float start)
{
    WaveFloorState& st = g_wave_floor_state;
    double previous_position = st.position;
    if (!st.started || start > st.saved_start) {
        // A new entry starts from the rest pose. Only the very first call sets the clock, so the
        // first frame of a later entry steps from where the earlier entry's clock stopped.
        previous_position = k_start_position;
        st.pitch_timer = 0.0f;
        st.pitch = k_rest_pitch;
        st.saved_start = start;
        if (!st.started) {
            st.current_time = static_cast<float>(static_cast<double>(now) - start);
            st.started = 1;
        }
    }
    st.previous_time = st.current_time;
    st.current_time = static_cast<float>(static_cast<double>(now) - start);
    const double delta = static_cast<double>(st.current_time) - st.previous_time;

    st.position = static_cast<float>(previous_position - k_speed * delta);
    if (st.pitch_timer <= k_level_time) {
        st.pitch_timer = static_cast<float>(st.pitch_timer + delta);
        st.pitch = k_rest_pitch;
    } else {
        // One long frame may turn far at once; the loop ends on the first frame that reaches its end.
        st.pitch = static_cast<float>(st.pitch - k_turn_rate * delta);
        if (st.pitch <= k_loop_end) {
            st.pitch_timer = 0.0f;
            st.pitch = k_rest_pitch;
        }
    }

    WaveFloor* floor = g_wave_floor;
    if (!g_plain_paths && frame->height >= k_floor_rows) {
        FloorJob job = {frame, floor, st.pitch, st.position};
        band_run(floor_band_draw, &job, frame->height);
    } else {
        surface_clear(frame);
        if (floor) {
            wave_floor_cast(floor, g_wave_profile, wave_profile_length, st.pitch, st.position);
            wave_floor_draw(floor, frame);
        }
    }
    // The caption is centred on the fixed 512 x 384 screen.
    if (frame->width >= k_floor_columns && frame->height >= k_floor_rows) {
        const int x = 256 - (text_width(k_caption) >> 1);
        draw_text(frame, k_caption, x, k_caption_row, 0xFFFFFFFFu);
    }
    return 1;
}
