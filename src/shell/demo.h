// The demo's entry routine: start-up, frame loop and shutdown, on whichever platform backend the
// executable links.
#pragma once
#include <cstdint>

struct TimelineEntry;
struct SoundStream;

extern const TimelineEntry* g_current_entry;    // the frame loop's current Timeline entry

// Runs the whole demo; 0 after a normal run, -1 after a failed start-up.
int demo_main();

// demo_main in three steps, for a host that owns the loop and runs one pass per turn of its own (a
// browser's animation frames): demo_start sets everything up and starts the music (0, or -1 after
// a failed start-up), frame_loop_step then runs one pass at a time, and demo_finish shuts down.
int demo_start();
void demo_finish();

// Walks the Timeline from its first entry until the terminator or the platform's g_quit;
// frame_loop_begin and frame_loop_step are the same walk one pass at a time (frame_loop_step returns 0 once it has ended).
void frame_loop_run(const TimelineEntry* timeline, SoundStream* stream);
void frame_loop_begin(const TimelineEntry* timeline, SoundStream* stream);
int frame_loop_step();
