// The capture backend: the platform layer without a screen or a sound device. The clock is virtual:
// pass j reads j * 1000 / fps ms from 0, whatever the start position, so that every scene sees the
// same calls as in a whole capture and a frame of a partial capture is the same frame of a whole
// one; passes before the start position are rendered but marked as seeking. The frame buffer rows
// are wider than 2048 bytes, and the bytes past each row's 2048 are guard bytes that are checked
// after every frame. The offline tools run from any folder: without data/ in the working folder
// the window set-up moves to the folder beside the program that holds it.
#include "display/frame_size.h"
#include "platform/capture.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "display/surface.h"
#include "platform/data_folder.h"
#include "platform/platform.h"

int32_t g_quit = 0;
void* g_main_window = nullptr;

namespace {

constexpr uint8_t k_guard = 0xA5;

// A fixed calendar time, so that a capture repeats even where nothing reseeds the generator.
constexpr uint32_t k_calendar_time = 1000000000u;

CaptureConfig s_config = {60, 0, UINT32_MAX, UINT64_MAX, 2560, nullptr, nullptr};
uint8_t* s_buffer = nullptr;
uint8_t* s_guard_row = nullptr;   // the guard bytes of one row as they must stay
uint64_t s_pass = 0;              // j: the pass under way
uint32_t s_pass_ms = 0;           // the clock of the pass under way
int s_entry = -1;                  // the entry the pass under way draws; -1 before the first
std::chrono::steady_clock::time_point s_lock_time;
bool s_failed = false;
char s_error[256] = "";
int s_dummy_stream;

void fail(const char* message)
{
    if (!s_failed) std::snprintf(s_error, sizeof s_error, "%s", message);
    s_failed = true;
    g_quit = 1;
}

// The clock of pass s_pass; a pass at or past the end of the capture is not run.
void pass_clock_set()
{
    const uint64_t t = s_pass * 1000 / static_cast<uint64_t>(s_config.fps);
    s_pass_ms = t > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(t);
    if (t >= s_config.to_ms || s_pass > s_config.last_frame) g_quit = 1;
}

// Every row's guard bytes against one row of them made when the display opens: whole guard rows at
// a time through memcmp, which compares words, so the check costs far less than the frame's drawing.
int guard_bytes_intact(int* bad_row)
{
    const size_t guard = static_cast<size_t>(s_config.pitch - k_frame_row_bytes);
    if (guard == 0) return 1;
    for (int y = 0; y < k_frame_height; ++y) {
        const uint8_t* row = s_buffer + static_cast<size_t>(y) * s_config.pitch;
        if (std::memcmp(row + k_frame_row_bytes, s_guard_row, guard) != 0) {
            *bad_row = y;
            return 0;
        }
    }
    return 1;
}

}  // namespace

int capture_configure(const CaptureConfig* config)
{
    if (config->fps < 1 || config->pitch < k_frame_row_bytes || config->pitch % 4 != 0) return 0;
    s_config = *config;
    s_pass = 0;
    s_entry = -1;
    s_failed = false;
    s_error[0] = 0;
    return 1;
}

int capture_succeeded()
{
    return !s_failed;
}

const char* capture_error()
{
    return s_error;
}

void window_create(const char*)
{
    // Where neither folder holds data/, the preparations say which file they miss.
    std::string why;
    data_folder_enter(&why);
    g_main_window = &s_config;
}

void window_pump() {}
void window_events_drain() {}

void window_destroy()
{
    g_main_window = nullptr;
}

void cursor_hide() {}
void cursor_show() {}

int display_open()
{
    if (!g_main_window) return 0;
    s_buffer = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(s_config.pitch) * k_frame_height));
    s_guard_row = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(s_config.pitch - k_frame_row_bytes) + 1));
    if (!s_buffer || !s_guard_row) {
        display_close();
        return 0;
    }
    std::memset(s_guard_row, k_guard, static_cast<size_t>(s_config.pitch - k_frame_row_bytes) + 1);
    std::memset(s_buffer, k_guard, static_cast<size_t>(s_config.pitch) * k_frame_height);
    for (int y = 0; y < k_frame_height; ++y)
        std::memset(s_buffer + static_cast<size_t>(y) * s_config.pitch, 0, k_frame_row_bytes);
    return 1;
}

int display_lock(Surface* frame)
{
    frame->pixels = reinterpret_cast<uint32_t*>(s_buffer);
    frame->width = k_frame_width;
    frame->height = k_frame_height;
    frame->pitch = s_config.pitch;
    s_lock_time = std::chrono::steady_clock::now();
    return 1;
}

int display_present()
{
    const double scene_ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - s_lock_time).count();
    const int entry = s_entry;
    int bad_row = 0;
    if (!guard_bytes_intact(&bad_row)) {
        char message[160];
        std::snprintf(message, sizeof message, "entry %d at %u ms wrote past the end of row %d", entry,
                      s_pass_ms, bad_row);
        fail(message);
        return 1;
    }
    const Surface frame = {reinterpret_cast<uint32_t*>(s_buffer), k_frame_width, k_frame_height, s_config.pitch, 0};
    const CaptureFrame delivered = {&frame, s_pass, s_pass_ms, entry, scene_ms, s_pass_ms < s_config.from_ms};
    if (s_config.deliver && !s_config.deliver(&delivered, s_config.context)) fail("writing a frame failed");
    return 1;
}

void display_close()
{
    std::free(s_buffer);
    std::free(s_guard_row);
    s_buffer = nullptr;
    s_guard_row = nullptr;
}

int sound_init(int)
{
    return 1;
}

SoundStream* sound_stream_open(const char*)
{
    return reinterpret_cast<SoundStream*>(&s_dummy_stream);
}

void sound_stream_play(SoundStream*) {}
void sound_stream_set_position(SoundStream*, uint32_t) {}

uint32_t sound_stream_get_time(SoundStream*)
{
    return s_pass_ms;
}

void sound_stream_stop(SoundStream*) {}
void sound_stream_close(SoundStream*) {}

// The start-up pause is skipped: nothing waits for a virtual clock.
void system_sleep(uint32_t) {}

uint32_t system_calendar_time()
{
    return k_calendar_time;
}

void system_pass_begin(int entry)
{
    if (s_entry < 0) pass_clock_set();   // the first pass: the clock of pass 0
    s_entry = entry;
}

void system_pass_end()
{
    ++s_pass;
    pass_clock_set();
}
