// POSIX system services for the desktop backend: the start-up pause and the calendar clock.
#include <ctime>

#include "platform/platform.h"
#include "platform/sdl_internal.h"

void system_sleep(uint32_t ms)
{
    // Sleeps in short steps so that SIGINT or SIGTERM during the pause ends it at once.
    timespec step = {0, 10 * 1000 * 1000};
    for (uint32_t slept = 0; slept < ms && !g_signal_quit; slept += 10) nanosleep(&step, nullptr);
}

uint32_t system_calendar_time()
{
    return static_cast<uint32_t>(std::time(nullptr));
}

void system_pass_end() {}
