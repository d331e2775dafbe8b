// Web backend: system services. The browser cannot sleep on its one thread, so the start-up pause
// becomes a time before which the page runs no pass; the virtual clock counts passes.
#include <emscripten.h>

#include <ctime>

#include "platform/platform.h"
#include "platform/web.h"
#include "platform/web_internal.h"

WebRun g_web = {0, 0, 0, 0.0, 0, -1};

double web_now_ms()
{
    return emscripten_get_now();
}

void web_run_configure(int fps, int report)
{
    g_web.fps = fps < 0 ? 0 : fps;
    g_web.report = report;
}

int web_pass_due()
{
    return web_now_ms() >= g_web.wake_ms;
}

void system_sleep(uint32_t ms)
{
    if (g_web.fps == 0) g_web.wake_ms = web_now_ms() + ms;
}

uint32_t system_calendar_time()
{
    // The virtual-clock modes repeat the capture tool's runs, which fix the calendar time.
    return g_web.fps ? 1000000000u : static_cast<uint32_t>(std::time(nullptr));
}

void system_pass_begin(int entry)
{
    g_web.entry = entry;
}

void system_pass_end()
{
    ++g_web.pass;
}
