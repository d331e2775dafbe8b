// The wave-floor scene: a 12-second flight over the rolling floor that loops the camera through a
// full turn every few seconds, under the caption "w e   k n o w".
#pragma once
#include <cstdint>

struct Surface;

// Animation state, kept between frames and between the scene's Timeline entries.
struct WaveFloorState {
    int32_t started;
    float saved_start;     // start time of the entry seen last
    float previous_time;   // entry-relative time in frame units
    float current_time;
    float pitch;           // radians; 11.7809715 at rest
    float pitch_timer;     // frame units spent level in this cycle
    float position;        // forward offset of the floor
};

extern WaveFloorState g_wave_floor_state;

void scene_wave_floor(Surface* frame, float now, float start);
