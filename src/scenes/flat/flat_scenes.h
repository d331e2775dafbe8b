// The flat scenes: black, static, flickering static, the name strobe and fade, the picture fades,
// and the state they carry from one call to the next, process-wide and never reset, so that it
// spans separate Timeline entries of the same scene (and the polygon scenes that draw through them).
#pragma once
#include <cstdint>

struct Surface;

void scene_black(Surface* frame, float now, float start);
void scene_static(Surface* frame, float now, float start);
void scene_static_flicker(Surface* frame, float now, float start);
void scene_name_strobe(Surface* frame, float now, float start);
void scene_name_fade(Surface* frame, float now, float start);
void scene_fade_plumhelm(Surface* frame, float now, float start);
void scene_fade_title(Surface* frame, float now, float start);
void scene_fade_gloomfield(Surface* frame, float now, float start);

// Static flicker and name strobe: the sum of frame deltas decides static or the other picture.
struct FlickerState {
    int32_t armed;
    float last_start;   // the strobe's only
    float prev_d;
    float cur_d;
    float acc;
};

struct NameFadeState {
    int32_t armed;
    float last_start;
    float prev_d;
    float cur_d;
    float level;
};

struct PictureFadeState {
    int32_t armed;
    float prev_d;
    float cur_d;
};

extern FlickerState g_static_flicker_state;
extern FlickerState g_name_strobe_state;
extern NameFadeState g_name_fade_state;
extern PictureFadeState g_fade_plumhelm_state;
extern PictureFadeState g_fade_title_state;
extern PictureFadeState g_fade_gloomfield_state;

// scene_fade_title in two steps for drawing in row bands: the state change (on the main thread,
// once per frame) returns the picture's level; the rows are then drawn on the fast path as the
// scene draws them.
uint32_t scene_fade_title_advance(float now, float start);
void scene_fade_title_rows(Surface* frame, uint32_t level, int row_from, int row_to);
