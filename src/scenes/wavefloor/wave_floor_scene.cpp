// The wave-floor scene: level flight for 3 s, then a full loop of the camera, over and over, at 12
// forward units per frame unit. State values are floats; the arithmetic that updates them runs in
// double and is rounded as each value is stored. The state moves here; the frame is drawn by the
// plain twin below or by the fast one in wave_floor_scene_fast.cpp.
#include "scenes/wavefloor/wave_floor_scene.h"

#include "display/render_paths.h"
#include "display/surface.h"
#include "draw2d/font.h"
#include "scenes/wavefloor/wave_floor.h"
#include "scenes/wavefloor/wave_floor_scene_twins.h"

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

}  // namespace

void wave_floor_frame_plain(Surface* frame, WaveFloor* floor, double pitch, double position)
{
    surface_clear(frame);
    if (!floor) return;
    wave_floor_cast(floor, g_wave_profile, wave_profile_length, pitch, position);
    wave_floor_draw(floor, frame);
}

void scene_wave_floor(Surface* frame, float now, float start)
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
    if (g_plain_paths) wave_floor_frame_plain(frame, floor, st.pitch, st.position);
    else wave_floor_frame_fast(frame, floor, st.pitch, st.position);
    // The caption is centred on the fixed 512 x 384 screen.
    if (frame->width >= k_floor_columns && frame->height >= k_floor_rows) {
        const int x = 256 - (text_width(k_caption) >> 1);
        draw_text(frame, k_caption, x, k_caption_row, 0xFFFFFFFFu);
    }
}
