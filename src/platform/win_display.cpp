// Windows backend: the display. The back buffer is a 512 x 384 32-bit buffer of our own, described
// to GDI as a top-down DIB; each present stretches it into the window by the largest whole number
// that fits (a window smaller than the frame gets the largest fractional fit), centred, with
// COLORONCOLOR so that pixels are repeated rather than smoothed, and paints the letterbox black.
// Presents are paced to the display: DwmFlush waits for the compositor's next frame where there is
// one, and a timer at the monitor's refresh rate keeps the pace where there is not.
#include <windows.h>
#include <dwmapi.h>

#include <cstdlib>
#include <cstring>

#include "display/frame_size.h"
#include "display/surface.h"
#include "platform/letterbox.h"
#include "platform/platform.h"
#include "platform/win_internal.h"

namespace {

uint32_t* s_pixels = nullptr;
BITMAPINFO s_info;
HDC s_dc = nullptr;
bool s_timer_fine = false;
LARGE_INTEGER s_frequency;
LONGLONG s_period = 0;        // one refresh, in performance-counter ticks
LONGLONG s_last_present = 0;

HWND main_window()
{
    return static_cast<HWND>(g_main_window);
}

LONGLONG ticks_now()
{
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t.QuadPart;
}

// The refresh rate of the monitor the window is on; 60 Hz where Windows does not say.
LONGLONG refresh_period()
{
    int hz = 60;
    MONITORINFOEXA info = {};
    info.cbSize = sizeof info;
    DEVMODEA mode = {};
    mode.dmSize = sizeof mode;
    if (GetMonitorInfoA(MonitorFromWindow(main_window(), MONITOR_DEFAULTTONEAREST), &info) &&
        EnumDisplaySettingsA(info.szDevice, ENUM_CURRENT_SETTINGS, &mode) && mode.dmDisplayFrequency >= 24 &&
        mode.dmDisplayFrequency <= 500)
        hz = static_cast<int>(mode.dmDisplayFrequency);
    return s_frequency.QuadPart / hz;
}

RECT destination_rect(int out_w, int out_h)
{
    const LetterboxRect r = letterbox_fit(out_w, out_h);
    return RECT{r.x, r.y, r.x + r.w, r.y + r.h};
}

// Waits for the display's next frame: the compositor's, or else the refresh period since the last.
void pace()
{
    BOOL composed = FALSE;
    const LONGLONG before = ticks_now();
    if (SUCCEEDED(DwmIsCompositionEnabled(&composed)) && composed) DwmFlush();
    LONGLONG now = ticks_now();
    // A compositor that really waited has paced us; one that returned at once has not.
    if (now - before < s_period / 4) {
        const LONGLONG due = s_last_present + s_period;
        while (now < due) {
            const LONGLONG left_ms = (due - now) * 1000 / s_frequency.QuadPart;
            Sleep(left_ms > 1 ? static_cast<DWORD>(left_ms - 1) : 0);
            now = ticks_now();
        }
        // A late frame does not make the next one early.
        if (now - due > s_period) s_last_present = now;
        else s_last_present = due;
    } else {
        s_last_present = now;
    }
}

}  // namespace

int display_open()
{
    if (!g_main_window) return 0;
    s_pixels = static_cast<uint32_t*>(std::calloc(static_cast<size_t>(k_frame_width) * k_frame_height, 4));
    s_dc = GetDC(main_window());
    if (!s_pixels || !s_dc) return 0;
    std::memset(&s_info, 0, sizeof s_info);
    s_info.bmiHeader.biSize = sizeof s_info.bmiHeader;
    s_info.bmiHeader.biWidth = k_frame_width;
    s_info.bmiHeader.biHeight = -k_frame_height;   // top-down: the first row is the top one
    s_info.bmiHeader.biPlanes = 1;
    s_info.bmiHeader.biBitCount = 32;
    s_info.bmiHeader.biCompression = BI_RGB;
    s_timer_fine = timeBeginPeriod(1) == TIMERR_NOERROR;
    QueryPerformanceFrequency(&s_frequency);
    s_period = refresh_period();
    s_last_present = ticks_now();
    Surface first = {nullptr, 0, 0, 0, 0};
    if (display_lock(&first)) {
        surface_clear(&first);
        display_present();
    }
    return 1;
}

int display_lock(Surface* frame)
{
    if (!s_pixels) return 0;
    frame->pixels = s_pixels;
    frame->width = k_frame_width;
    frame->height = k_frame_height;
    frame->pitch = k_frame_row_bytes;
    return 1;
}

int display_present()
{
    RECT client;
    if (s_dc && GetClientRect(main_window(), &client) && client.right > 0 && client.bottom > 0) {
        const int out_w = client.right, out_h = client.bottom;
        const RECT d = destination_rect(out_w, out_h);
        // The letterbox: the bands above, below, left and right of the picture.
        PatBlt(s_dc, 0, 0, out_w, d.top, BLACKNESS);
        PatBlt(s_dc, 0, d.bottom, out_w, out_h - d.bottom, BLACKNESS);
        PatBlt(s_dc, 0, d.top, d.left, d.bottom - d.top, BLACKNESS);
        PatBlt(s_dc, d.right, d.top, out_w - d.right, d.bottom - d.top, BLACKNESS);
        SetStretchBltMode(s_dc, COLORONCOLOR);
        StretchDIBits(s_dc, d.left, d.top, d.right - d.left, d.bottom - d.top, 0, 0, k_frame_width, k_frame_height, s_pixels,
                      &s_info, DIB_RGB_COLORS, SRCCOPY);
        GdiFlush();
    }
    pace();
    return 1;
}

void display_close()
{
    if (s_dc) ReleaseDC(main_window(), s_dc);
    s_dc = nullptr;
    if (s_timer_fine) timeEndPeriod(1);
    s_timer_fine = false;
    std::free(s_pixels);
    s_pixels = nullptr;
}
