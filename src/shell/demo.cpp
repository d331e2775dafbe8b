// Start-up, frame loop and shutdown of the demo.
#include "shell/demo.h"

#include "base/random.h"
#include "base/report.h"
#include "display/flash_filter.h"
#include "display/surface.h"
#include "platform/platform.h"
#include "shell/scene_list.h"
#include "shell/timeline.h"

const TimelineEntry* g_current_entry = nullptr;

namespace {

// Between the preparations the window's pending events are taken, so that a close request, Escape
// or a termination signal ends the start-up after the step under way.
bool startup_stopped()
{
    window_events_drain();
    return g_quit != 0;
}

// The preparations in their fixed order; the first one reseeds the generator, so the order decides
// every generated texture. Stops at the first failure, and (returning 1 with g_quit set) when the
// run is asked to end.
int preparations_run()
{
    struct Step {
        const char* name;
        int (*run)();
    };
    static const Step steps[] = {
        {"mesh_scene_prepare", mesh_scene_prepare},
        {"pictures_prepare", pictures_prepare},
        {"wave_floor_prepare", wave_floor_prepare},
        {"font_load", [] { return font_load("./data/font209x25.raw", 8, 25); }},
        {"fuzzyballs_prepare", fuzzyballs_prepare},
        {"plane_scenes_prepare", plane_scenes_prepare},
        {"objects_prepare_1", objects_prepare_1},
        {"objects_prepare_2", objects_prepare_2},
    };
    for (const Step& step : steps) {
        if (startup_stopped()) return 1;
        if (!step.run()) {
            if (!g_failure_reported) report_failure("start-up failed in %s", step.name);
            return 0;
        }
    }
    return 1;
}

}  // namespace

namespace {

const TimelineEntry* s_timeline = nullptr;
SoundStream* s_stream = nullptr;
Surface s_frame = {nullptr, 0, 0, 0, 0};
TimelineEntry s_script[k_timeline_entries + 1];

}  // namespace

void frame_loop_begin(const TimelineEntry* timeline, SoundStream* stream)
{
    s_timeline = timeline;
    s_stream = stream;
    g_current_entry = timeline;
}

int frame_loop_step()
{
    if (g_quit) return 0;
    const TimelineEntry* entry = g_current_entry;
    if (!entry->scene) return 0;
    system_pass_begin(static_cast<int>(entry - s_timeline));
    window_pump();
    const uint32_t t_ms = sound_stream_get_time(s_stream);
    const float now = ms_to_frames(t_ms);
    if (display_lock(&s_frame)) {
        const uint32_t prev_end_ms = entry == s_timeline ? 0 : entry[-1].end_ms;
        entry->scene(&s_frame, now, ms_to_frames(prev_end_ms));
        if (g_reduce_flashing) flash_filter_apply(&s_frame, t_ms);
        display_present();
    }
    if (t_ms >= entry->end_ms) g_current_entry = entry + 1;
    system_pass_end();
    return !g_quit && g_current_entry->scene;
}

void frame_loop_run(const TimelineEntry* timeline, SoundStream* stream)
{
    frame_loop_begin(timeline, stream);
    while (frame_loop_step()) {
    }
}

namespace {

// How far the start-up got: a failure undoes exactly that, in reverse.
enum StartupReach { reach_window, reach_display, reach_cursor };

int startup_fail(const char* what)
{
    if (!g_failure_reported) report_failure("%s", what);
    return 0;
}

// The start-up up to the music, in its fixed order; 0 at the first failure, with *reach saying
// what there is to undo. A stop asked for on the way (g_quit) is not a failure: the start-up ends
// early and the first pass of the frame loop ends the run.
int startup_steps(StartupReach* reach)
{
    window_create("quorvelle");
    // A display that fails part of the way is closed too: display_close releases what it got.
    *reach = reach_display;
    if (!display_open()) return startup_fail("cannot open the display");
    cursor_hide();
    *reach = reach_cursor;
    demo_srand(system_calendar_time());
    if (!preparations_run()) return 0;
    if (startup_stopped()) return 1;
    if (!sound_init(44100)) return startup_fail("cannot initialise sound");
    s_stream = sound_stream_open("music.mp3");
    system_sleep(4000);
    sound_stream_play(s_stream);
    // The stream has always been positioned with this value after play; no backend acts on it
    // (the loop relies only on the reported position), but every backend sees the same calls.
    sound_stream_set_position(s_stream, 88484004u);
    return 1;
}

void startup_undo(StartupReach reach)
{
    if (reach >= reach_cursor) cursor_show();
    if (reach >= reach_display) display_close();
    window_destroy();
}

}  // namespace

int demo_start()
{
    timeline_build(s_script);
    s_stream = nullptr;
    StartupReach reach = reach_window;
    if (!startup_steps(&reach)) {
        startup_undo(reach);
        return -1;
    }
    frame_loop_begin(s_script, s_stream);
    return 0;
}

void demo_finish()
{
    fuzzyballs_release();
    mesh_scene_release();
    sound_stream_stop(s_stream);
    sound_stream_close(s_stream);
    cursor_show();
    display_close();
    window_destroy();
}

int demo_main()
{
    if (demo_start() != 0) return -1;
    while (frame_loop_step()) {
    }
    demo_finish();
    return 0;
}
