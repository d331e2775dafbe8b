// POSIX system services for the SDL desktop backend on Linux: the start-up pause and the calendar
// clock.
#include <ctime>

#include "platform/platform.h"

void system_sleep(uint32_t ms)
{
    // Sleeps in short steps, taking the window's events, so that a close request, Escape, SIGINT or
    // SIGTERM during the pause ends it at once.
    timespec step = {0, 10 * 1000 * 1000};
    for (uint32_t slept = 0; slept < ms; slept += 10) {
        window_events_drain();
        if (g_quit) return;
        nanosleep(&step, nullptr);
    }
}

uint32_t system_calendar_time()
{
    return static_cast<uint32_t>(std::time(nullptr));
}

void system_pass_begin(int) {}
void system_pass_end() {}
