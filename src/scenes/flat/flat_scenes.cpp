// The flat scenes and their process-wide animation state.
//
// Time: d = now - start is the time spent in the current entry in 60 Hz frame units. Sums and
// differences of frame times are taken in double and rounded to float only where they are stored
// (prev_d, cur_d, acc, level, the fade step parameter); the flicker phase is read from the sum
// before it is rounded into acc.
#include "scenes/flat/flat_scenes.h"

#include "display/frame_size.h"
#include "display/surface.h"
#include "draw2d/font.h"
#include "draw2d/pictures.h"
#include "draw2d/primitives.h"
#include "draw2d/primitives_twins.h"

FlickerState g_static_flicker_state = {0, 0.0f, 0.0f, 0.0f, 0.0f};
FlickerState g_name_strobe_state = {0, 0.0f, 0.0f, 0.0f, 0.0f};
NameFadeState g_name_fade_state = {0, 0.0f, 0.0f, 0.0f, 0.0f};
PictureFadeState g_fade_plumhelm_state = {0, 0.0f, 0.0f};
PictureFadeState g_fade_title_state = {0, 0.0f, 0.0f};
PictureFadeState g_fade_gloomfield_state = {0, 0.0f, 0.0f};

namespace {

constexpr int k_name_row = 179;
constexpr int k_centre_column = 256;

// Time in the current entry, exact in double; callers round it by storing it in a float.
double entry_time(float now, float start) { return static_cast<double>(now) - static_cast<double>(start); }

// Adds the latest frame delta to acc and tells whether this frame shows static. A phase lasts
// 3.75 frame units (62.5 ms): the phase number is the unrounded sum times the float 4/15,
// truncated toward zero; odd phases are static.
bool flicker_static_phase(FlickerState& s)
{
    const double sum = (static_cast<double>(s.cur_d) - static_cast<double>(s.prev_d)) + static_cast<double>(s.acc);
    s.acc = static_cast<float>(sum);   // rounded here, where it is stored
    const int64_t k = static_cast<int64_t>(sum * static_cast<double>(0.26666668f));
    return (k & 1) != 0;
}

void name_draw(Surface* frame, uint32_t colour)
{
    const char* name = g_names[g_name_index];
    draw_text(frame, name, k_centre_column - (text_width(name) >> 1), k_name_row, colour);
}

// The three picture fades: full strength on the very first call, then `factor` levels per frame
// unit towards the backdrop. A later entry makes d drop, so the step turns large and negative and
// the level jumps back to its cap of 255.
void picture_fade(PictureFadeState& s, FadePicture* fade, int x, int y, double factor, Surface* frame, float now,
                  float start)
{
    const float d = static_cast<float>(entry_time(now, start));
    if (!s.armed) {
        s.armed = 1;
        s.prev_d = s.cur_d = d;
        surface_clear(frame);
        fade_blit(frame, x, y, 0.0f, 1, 255.0f, fade);
        return;
    }
    s.prev_d = s.cur_d;
    s.cur_d = d;
    surface_clear(frame);
    // The step is rounded to float as it is passed.
    const float step = static_cast<float>((static_cast<double>(s.cur_d) - static_cast<double>(s.prev_d)) * factor);
    fade_blit(frame, x, y, step, 0, 255.0f, fade);
}

// picture_fade's state change alone, for a caller that draws the picture itself: returns the level
// the picture is drawn with.
uint32_t picture_fade_advance(PictureFadeState& s, FadePicture* fade, double factor, float now, float start)
{
    const float d = static_cast<float>(entry_time(now, start));
    if (!s.armed) {
        s.armed = 1;
        s.prev_d = s.cur_d = d;
        return fade_level_step(0.0f, 1, 255.0f, fade);
    }
    s.prev_d = s.cur_d;
    s.cur_d = d;
    const float step = static_cast<float>((static_cast<double>(s.cur_d) - static_cast<double>(s.prev_d)) * factor);
    return fade_level_step(step, 0, 255.0f, fade);
}

}  // namespace

uint32_t scene_fade_title_advance(float now, float start)
{
    return picture_fade_advance(g_fade_title_state, g_fade_title, 6.0, now, start);
}

void scene_fade_title_rows(Surface* frame, uint32_t level, int row_from, int row_to)
{
    fade_frame_rows(frame, 0, 0, g_fade_title, level, row_from, row_to);
}

void scene_black(Surface* frame, float, float)
{
    surface_clear(frame);
}

void scene_static(Surface* frame, float, float)
{
    noise_rows(frame, 0, k_frame_height, 0);
}

void scene_static_flicker(Surface* frame, float now, float start)
{
    FlickerState& s = g_static_flicker_state;
    const float d = static_cast<float>(entry_time(now, start));
    if (!s.armed) {
        s.prev_d = s.cur_d = d;
        noise_rows(frame, 0, k_frame_height, 0);
        s.acc = 0.0f;
        s.armed = 1;
        return;
    }
    // The deltas add up across entries, so every later entry begins near acc 0: black first.
    s.prev_d = s.cur_d;
    s.cur_d = d;
    if (flicker_static_phase(s))
        noise_rows(frame, 0, k_frame_height, 0);
    else
        surface_clear(frame);
}

void scene_name_strobe(Surface* frame, float now, float start)
{
    FlickerState& s = g_name_strobe_state;
    const float d = static_cast<float>(entry_time(now, start));
    if (!s.armed) {
        if (s.last_start == 0.0f) s.last_start = start;   // the very first call only
        s.armed = 1;
        s.prev_d = s.cur_d = d;
        noise_rows(frame, 0, k_frame_height, 0);
        s.acc = 0.0f;
        return;
    }
    s.prev_d = s.cur_d;
    s.cur_d = d;
    if (start > s.last_start) {
        // A later strobe entry: its first frame already shows the next name, and the next call
        // arms again (static, acc back to 0).
        s.last_start = start;
        if (++g_name_index >= g_name_count) g_name_index = 0;
        s.armed = 0;
    }
    if (flicker_static_phase(s)) {
        noise_rows(frame, 0, k_frame_height, 0);
    } else {
        surface_clear(frame);
        name_draw(frame, 0xFFFFFFFFu);
    }
}

void scene_name_fade(Surface* frame, float now, float start)
{
    NameFadeState& s = g_name_fade_state;
    const float d = static_cast<float>(entry_time(now, start));
    if (!s.armed) {
        s.last_start = start;
        s.prev_d = s.cur_d = d;
        surface_clear(frame);
        name_draw(frame, 0xFFFFFFFFu);
        s.level = 255.0f;
        s.armed = 1;
        return;
    }
    double base;
    if (start != s.last_start) {
        // A new entry starts from white again.
        s.prev_d = s.cur_d = d;
        s.last_start = start;
        base = 255.0;
    } else {
        s.prev_d = s.cur_d;
        s.cur_d = d;
        base = s.level;
    }
    // Two grey levels per frame unit, rounded where it is stored; no upper limit, floor 0.
    double level = base - (static_cast<double>(s.cur_d) - static_cast<double>(s.prev_d)) * 2.0;
    if (level < 0.0) level = 0.0;
    s.level = static_cast<float>(level);
    const uint32_t v = static_cast<uint32_t>(static_cast<int64_t>(s.level)) & 0xFFu;
    surface_clear(frame);
    name_draw(frame, v * 0x01010101u);
}

void scene_fade_plumhelm(Surface* frame, float now, float start)
{
    picture_fade(g_fade_plumhelm_state, g_fade_plumhelm, 139, 64, 4.0, frame, now, start);
}

void scene_fade_title(Surface* frame, float now, float start)
{
    picture_fade(g_fade_title_state, g_fade_title, 0, 0, 6.0, frame, now, start);
}

void scene_fade_gloomfield(Surface* frame, float now, float start)
{
    picture_fade(g_fade_gloomfield_state, g_fade_gloomfield, 208, 156, 3.0, frame, now, start);
}
