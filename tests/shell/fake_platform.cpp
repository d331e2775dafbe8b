// The scripted platform backend.
#include "fake_platform.h"

#include <algorithm>

#include "base/report.h"
#include "display/surface.h"
#include "platform/platform.h"

FakePlatform g_fake;
int32_t g_quit = 0;
void* g_main_window = nullptr;

namespace {
uint32_t s_pixels[512 * 384];
int s_stream;
}  // namespace

void fake_reset()
{
    g_fake = FakePlatform{};
    g_fake.quit_on_pass = -1;
    g_quit = 0;
    g_main_window = nullptr;
    g_failure_reported = 0;
}

int fake_count(const std::string& name)
{
    return static_cast<int>(std::count(g_fake.log.begin(), g_fake.log.end(), name));
}

void window_create(const char*)
{
    g_fake.log.push_back("window_create");
    g_main_window = &g_fake;
}

void window_pump()
{
    g_fake.log.push_back("pump");
    if (g_fake.passes++ == g_fake.quit_on_pass) g_quit = 1;
}

void window_events_drain() {}
void window_destroy() { g_fake.log.push_back("window_destroy"); }
void cursor_hide() { g_fake.log.push_back("cursor_hide"); }
void cursor_show() { g_fake.log.push_back("cursor_show"); }

int display_open()
{
    g_fake.log.push_back("display_open");
    return !g_fake.display_fails;
}

int display_lock(Surface* frame)
{
    g_fake.log.push_back("lock");
    const int pass = g_fake.passes - 1;
    if (std::find(g_fake.lock_fails.begin(), g_fake.lock_fails.end(), pass) != g_fake.lock_fails.end()) return 0;
    frame->pixels = s_pixels;
    frame->width = 512;
    frame->height = 384;
    frame->pitch = 2048;
    return 1;
}

int display_present()
{
    g_fake.log.push_back("present");
    return 1;
}

void display_close() { g_fake.log.push_back("display_close"); }

int sound_init(int rate)
{
    g_fake.log.push_back("sound_init " + std::to_string(rate));
    return !g_fake.sound_fails;
}

SoundStream* sound_stream_open(const char* path)
{
    g_fake.log.push_back(std::string("open ") + path);
    return reinterpret_cast<SoundStream*>(&s_stream);
}

void sound_stream_play(SoundStream*) { g_fake.log.push_back("play"); }
void sound_stream_set_position(SoundStream*, uint32_t p) { g_fake.log.push_back("set_position " + std::to_string(p)); }

uint32_t sound_stream_get_time(SoundStream*)
{
    if (g_fake.clock.empty()) return 0;
    const size_t i = std::min(g_fake.clock_reads++, g_fake.clock.size() - 1);
    return g_fake.clock[i];
}

void sound_stream_stop(SoundStream*) { g_fake.log.push_back("stop"); }
void sound_stream_close(SoundStream*) { g_fake.log.push_back("close"); }
void system_sleep(uint32_t ms) { g_fake.log.push_back("sleep " + std::to_string(ms)); }
uint32_t system_calendar_time() { return 12345; }
void system_pass_begin(int entry) { g_fake.entries.push_back(entry); }
void system_pass_end() {}
