// Start-up, frame loop and shutdown of the demo.
#include "shell/demo.h"

#include "display/flash_filter.h"
#include "display/surface.h"
#include "platform/platform.h"
#include "shell/random.h"
#include "shell/report.h"
#include "shell/scene_list.h"
#include "shell/timeline.h"

int32_t g_quit = 0;
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

int demo_start()
{
    timeline_build(s_script);

    window_create("quorvelle");
    if (!display_open()) {
        if (!g_failure_reported) report_failure("cannot open the display");
        display_close();
        return -1;
    }
    cursor_hide();
    demo_srand(system_calendar_time());

    if (!preparations_run()) {
        cursor_show();
        display_close();
        return -1;
    }
    SoundStream* stream = nullptr;   // none when the run was asked to end during the preparations
    if (!startup_stopped()) {
        if (!sound_init(44100)) {
            if (!g_failure_reported) report_failure("cannot initialise sound");
            cursor_show();
            display_close();
            return -1;
        }
        stream = sound_stream_open("music.mp3");
        system_sleep(4000);
        sound_stream_play(stream);
        sound_stream_set_position(stream, 88484004u);
    }
    frame_loop_begin(s_script, stream);   // after a stop g_quit is set and the first step ends the run
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
