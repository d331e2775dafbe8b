// Web backend: the window is the page's canvas, which the page makes; input reaches the page's own
// handlers between animation frames, so there is nothing to pump. The page hides the pointer over
// the picture itself.
#include "platform/platform.h"
#include "platform/web_internal.h"

int32_t g_quit = 0;
void* g_main_window = nullptr;

void window_create(const char*)
{
    g_main_window = &g_web;
}

void window_pump() {}
// The page takes its own events between animation frames; nothing waits here.
void window_events_drain() {}

void window_destroy()
{
    g_main_window = nullptr;
}

void cursor_hide() {}
void cursor_show() {}
