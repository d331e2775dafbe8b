// Windows system services: the start-up pause and the calendar clock. The pause keeps the window
// answering its messages, and ends at once when the run is asked to end.
#include <windows.h>

#include <ctime>

#include "platform/platform.h"
#include "platform/win_internal.h"

void system_sleep(uint32_t ms)
{
    const ULONGLONG end = GetTickCount64() + ms;
    for (;;) {
        window_events_drain();
        const ULONGLONG now = GetTickCount64();
        if (g_quit || now >= end) return;
        const ULONGLONG left = end - now;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, left < 10 ? static_cast<DWORD>(left) : 10, QS_ALLINPUT);
    }
}

uint32_t system_calendar_time()
{
    return static_cast<uint32_t>(std::time(nullptr));
}

void system_pass_begin(int) {}
void system_pass_end() {}
