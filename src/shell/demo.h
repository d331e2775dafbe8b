// The demo's entry routine: start-up, frame loop and shutdown, on whichever platform backend the
// executable links.
#pragma once
#include <cstdint>

struct TimelineEntry;
struct SoundStream;

extern int32_t g_quit;                          // set when the window is destroyed
extern const TimelineEntry* g_current_entry;    // the frame loop's current Timeline entry

// Runs the whole demo; 0 after a normal run, -1 after a failed start-up.
int demo_main();

// Walks the Timeline from its first entry until the terminator or g_quit.
void frame_loop_run(const TimelineEntry* timeline, SoundStream* stream);
