// Windows backend: the window, its message pump and the mouse cursor. One borderless window covers
// the chosen monitor (or, with --window, a framed window holds a whole multiple of the frame). The
// window's close, Escape, Alt+F4 and Ctrl-C in the console all take the destroy path that ends the
// frame loop; the shutdown then destroys the window. The process is DPI-aware, so the sizes it sees
// are the screen's own pixels.
#include <windows.h>

#include <vector>

#include "base/report.h"
#include "display/frame_size.h"
#include "platform/desktop.h"
#include "platform/letterbox.h"
#include "platform/platform.h"
#include "platform/win_internal.h"

int32_t g_quit = 0;
void* g_main_window = nullptr;
DesktopSettings g_desktop_settings = {false, -1, false};
volatile LONG g_console_quit = 0;

namespace {

const char k_class_name[] = "KX";

bool s_cursor_hidden = false;
bool s_fullscreen = false;
RECT s_monitor = {0, 0, k_frame_width, k_frame_height};   // the chosen monitor, in desktop coordinates
RECT s_windowed = {0, 0, k_frame_width, k_frame_height};  // the framed window's place while full screen

HWND main_window()
{
    return static_cast<HWND>(g_main_window);
}

BOOL WINAPI on_console_event(DWORD type)
{
    if (type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT || type == CTRL_CLOSE_EVENT) {
        InterlockedExchange(&g_console_quit, 1);
        return TRUE;
    }
    return FALSE;
}

// Per-monitor awareness where Windows has it (10 1703 on), else the system-wide kind of Vista.
void dpi_aware_make()
{
    typedef BOOL(WINAPI * SetContextFn)(HANDLE);
    HMODULE user32 = GetModuleHandleA("user32.dll");
    const FARPROC found = user32 ? GetProcAddress(user32, "SetProcessDpiAwarenessContext") : nullptr;
    const SetContextFn set_context = reinterpret_cast<SetContextFn>(reinterpret_cast<void (*)()>(found));
    const HANDLE per_monitor_v2 = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-4));
    if (!set_context || !set_context(per_monitor_v2)) SetProcessDPIAware();
}

// Started from Explorer, the program gets a console of its own, which would sit behind the demo for
// the whole run: it is hidden. A console shared with a command window stays as it is.
void own_console_hide()
{
    HWND console = GetConsoleWindow();
    DWORD processes[2];
    if (console && GetConsoleProcessList(processes, 2) == 1) ShowWindow(console, SW_HIDE);
}

BOOL CALLBACK monitor_collect(HMONITOR monitor, HDC, LPRECT, LPARAM list)
{
    reinterpret_cast<std::vector<HMONITOR>*>(list)->push_back(monitor);
    return TRUE;
}

RECT monitor_rect(HMONITOR monitor, bool work_area)
{
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    RECT r = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (GetMonitorInfoA(monitor, &info)) r = work_area ? info.rcWork : info.rcMonitor;
    return r;
}

// The framed window: its client area the largest whole multiple of the frame that fits within nine
// tenths of the monitor's work area (at least the frame itself), centred there.
RECT windowed_rect(HMONITOR monitor)
{
    const RECT work = monitor_rect(monitor, true);
    const int work_w = work.right - work.left, work_h = work.bottom - work.top;
    int scale = frame_scale_fit(work_w * 9 / 10, work_h * 9 / 10);
    if (scale < 1) scale = 1;
    RECT r = {0, 0, k_frame_width * scale, k_frame_height * scale};
    AdjustWindowRectEx(&r, WS_OVERLAPPEDWINDOW, FALSE, 0);
    const int w = r.right - r.left, h = r.bottom - r.top;
    const int x = work.left + (work_w - w) / 2, y = work.top + (work_h - h) / 2;
    return RECT{x, y, x + w, y + h};
}

void window_place(DWORD style, const RECT& r)
{
    SetWindowLongPtrA(main_window(), GWL_STYLE, static_cast<LONG_PTR>(style | WS_VISIBLE));
    SetWindowPos(main_window(), nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_FRAMECHANGED | SWP_SHOWWINDOW);
}

// Full screen covers the monitor the window is on, borderless; the framed window's place and size
// come back when it leaves.
void fullscreen_toggle()
{
    if (s_fullscreen) {
        window_place(WS_OVERLAPPEDWINDOW, s_windowed);
    } else {
        GetWindowRect(main_window(), &s_windowed);
        window_place(WS_POPUP, monitor_rect(MonitorFromWindow(main_window(), MONITOR_DEFAULTTONEAREST), false));
    }
    s_fullscreen = !s_fullscreen;
}

LRESULT CALLBACK demo_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    const bool first_press = !(lparam & (1 << 30));
    switch (message) {
    case WM_CLOSE:     // the shutdown destroys the window, after the loop has ended
    case WM_DESTROY:
        g_quit = 1;
        return 0;
    case WM_KEYDOWN:
        if (wparam == VK_ESCAPE) g_quit = 1;
        else if (wparam == VK_F11 && first_press && g_desktop_settings.window) fullscreen_toggle();
        return 0;
    case WM_SYSKEYDOWN:
        if (wparam == VK_RETURN) {
            if (first_press && g_desktop_settings.window) fullscreen_toggle();
            return 0;
        }
        break;   // Alt+F4 and the rest as Windows has them
    case WM_SYSCHAR:
        if (wparam == VK_RETURN) return 0;   // no beep for Alt+Enter
        break;
    case WM_SETCURSOR:
        if (s_cursor_hidden && LOWORD(lparam) == HTCLIENT) {
            SetCursor(nullptr);
            return TRUE;
        }
        break;
    case WM_ERASEBKGND:
        return 1;   // every present paints every pixel, the letterbox included
    case WM_PAINT:
        ValidateRect(window, nullptr);
        return 0;
    default:
        break;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

void demo_register_class(HINSTANCE instance)
{
    WNDCLASSA wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    wc.lpfnWndProc = demo_window_proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = k_class_name;
    RegisterClassA(&wc);
}

}  // namespace

void window_create(const char* title)
{
    SetConsoleCtrlHandler(on_console_event, TRUE);
    own_console_hide();
    dpi_aware_make();

    std::vector<HMONITOR> monitors;
    EnumDisplayMonitors(nullptr, nullptr, monitor_collect, reinterpret_cast<LPARAM>(&monitors));
    const int count = static_cast<int>(monitors.size());
    HMONITOR monitor = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    if (g_desktop_settings.display >= 0) {
        if (g_desktop_settings.display >= count) {
            report_failure("--display %d: this desktop has %d display%s, numbered from 0", g_desktop_settings.display,
                           count, count == 1 ? "" : "s");
            return;
        }
        monitor = monitors[g_desktop_settings.display];
    }
    s_monitor = monitor_rect(monitor, false);

    HINSTANCE instance = GetModuleHandleA(nullptr);
    demo_register_class(instance);
    const DWORD style = g_desktop_settings.window ? WS_OVERLAPPEDWINDOW : WS_POPUP;
    const RECT r = g_desktop_settings.window ? windowed_rect(monitor) : s_monitor;
    HWND window = CreateWindowExA(0, k_class_name, title, style, r.left, r.top, r.right - r.left, r.bottom - r.top,
                                  nullptr, nullptr, instance, nullptr);
    if (!window) {
        report_failure("cannot create the window (error %lu)", GetLastError());
        return;
    }
    g_main_window = window;
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    SetForegroundWindow(window);
}

void window_pump()
{
    if (g_console_quit) g_quit = 1;
    MSG msg;
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void window_events_drain()
{
    if (g_console_quit) g_quit = 1;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void window_destroy()
{
    if (g_main_window) DestroyWindow(main_window());
    g_main_window = nullptr;
}

void cursor_hide()
{
    if (s_cursor_hidden) return;
    s_cursor_hidden = true;
    ShowCursor(FALSE);
    SetCursor(nullptr);
}

void cursor_show()
{
    if (!s_cursor_hidden) return;
    s_cursor_hidden = false;
    ShowCursor(TRUE);
    SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
}
