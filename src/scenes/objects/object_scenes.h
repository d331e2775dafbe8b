// The object scenes: a shaking 27-pointed star on black, a dot-matrix display of drifting clouds
// over the night vale, and a turning drum of strokes (alone, or under an orange star). All draw
// from what objects_prepare_1 and objects_prepare_2 made.
#pragma once
#include <cstdint>

struct Surface;

// State of scene_objects_1, armed by its first call and kept for the whole run, across its
// Timeline entries.
struct StarSceneState {
    int32_t initialised;
    float previous_time;   // time spent in the entry, frame units
    float current_time;
    float angle;           // radians
    float accumulator;     // frame units since the first call; its 3.75-unit stretches gate the shake
    float jx;              // offset of the centre, pixels
    float jy;
};

extern StarSceneState g_star_scene_state;

// The star polygon {27/13} of the ring scaled by `scale` and turned by `angle` about the target's
// centre moved by (dx, dy), in lines of half-width g_star_line_width; each line runs from
// colour_at_p at its start to colour_at_q at its end. Returns 0.
int draw_star(Surface* target, float dx, float dy, float angle, float scale, uint32_t colour_at_q,
              uint32_t colour_at_p);
// The three cloud maps scrolled by t and combined by absolute differences, coloured and drawn as
// two overlapping layers of 80 x 15 soft dots 7 pixels apart, the first centred at (x, y).
// Returns 0.
int draw_led_clouds(Surface* target, float x, float y, float t);
// The drum strokes turned about the x axis by 0.05 * t radians and projected in perspective.
void draw_drum(Surface* target, float t, uint32_t colour_at_q, uint32_t colour_at_p);

void scene_objects_1(Surface* frame, float now, float start);
void scene_objects_2(Surface* frame, float now, float start);
void scene_objects_3(Surface* frame, float now, float start);
void scene_objects_4(Surface* frame, float now, float start);
