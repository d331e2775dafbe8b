// The platform layer: window, display, sound and system services that the shell needs. Each backend
// (the SDL desktop, Windows, the web page, the offline capture, the tests' scripted one) implements
// all of it in files of its own, named by the backend; an executable links exactly one backend.
// Backends include this header, their own and base/ services only, never the shell.
#pragma once
#include <cstdint>

struct Surface;
struct SoundStream;   // opaque, owned by the sound backend

// The run's quit request, which the platform layer owns: 0 at start, set to 1 by a close request,
// Escape, a termination signal or (on a virtual clock) the end of the run. The shell's start-up and
// frame loop stop once it is set.
extern int32_t g_quit;

// Window. window_create makes the one window (title given) and sets g_main_window; a failure
// leaves it null, which makes display_open fail. window_pump takes at most one pending event;
// a close request sets g_quit. window_events_drain takes every pending event, as between the
// start-up steps, so that a close request or a termination signal ends the start-up too. The cursor
// calls hide and restore the pointer.
extern void* g_main_window;
void window_create(const char* title);
void window_pump();
void window_events_drain();
void window_destroy();
void cursor_hide();
void cursor_show();

// Display: one 512 x 384 32-bit buffer per frame. display_lock fills the Surface (pixels, width,
// height, pitch; depth untouched) and returns 1, or 0 when no buffer can be had. display_present
// is called only after a successful lock; it returns 1 when the buffer was released to be shown.
int display_open();
int display_lock(Surface* frame);
int display_present();
void display_close();

// Sound. sound_init returns 1 when the start-up may go on. The stream calls accept whatever
// sound_stream_open returned (null included); sound_stream_get_time is the play position in ms.
int sound_init(int rate);
SoundStream* sound_stream_open(const char* path);
void sound_stream_play(SoundStream* stream);
void sound_stream_set_position(SoundStream* stream, uint32_t position);
uint32_t sound_stream_get_time(SoundStream* stream);
void sound_stream_stop(SoundStream* stream);
void sound_stream_close(SoundStream* stream);

// System. system_calendar_time seeds the random generator. system_pass_begin is called at the
// start of every pass of the frame loop with the index of the Timeline entry the pass draws
// (counted from 0), for a backend that labels its frames; system_pass_end once after every pass
// (after the advance), where a virtual clock may end the run.
void system_sleep(uint32_t ms);
uint32_t system_calendar_time();
void system_pass_begin(int entry);
void system_pass_end();
