// SDL desktop backend: the window, its event pump and the mouse cursor. A close request, the
// Escape key, SIGINT and SIGTERM all take the destroy path that ends the frame loop. Without a
// desktop session the start-up ends with one line instead of running on an invisible driver.
#include <SDL.h>

#include <cstdlib>
#include <string>

#include "base/report.h"
#include "display/frame_size.h"
#include "platform/desktop.h"
#include "platform/letterbox.h"
#include "platform/platform.h"
#include "platform/sdl_internal.h"

int32_t g_quit = 0;
void* g_main_window = nullptr;
DesktopSettings g_desktop_settings = {false, -1, false};
volatile sig_atomic_t g_signal_quit = 0;

namespace {

void on_signal(int)
{
    g_signal_quit = 1;
}

void destroy_requested()
{
    g_quit = 1;
}

// The demo prints nothing of its own during a run; SDL's notices (a driver's warnings) go too.
void log_discard(void*, int, SDL_LogPriority, const char*) {}

bool variable_set(const char* name)
{
    const char* value = std::getenv(name);
    return value && *value;
}

// Left to itself SDL falls back to an invisible driver where there is no desktop session, and the
// run would show nothing for three minutes. So SDL may only try the sessions that are there,
// in its own order; a driver named in SDL_VIDEODRIVER is the user's choice and taken as it comes.
// Returns 0 with the reason in `why` when there is no session to try.
int video_drivers_choose(std::string* why)
{
    if (variable_set("SDL_VIDEODRIVER")) return 1;
    std::string drivers;
    if (variable_set("DISPLAY")) drivers = "x11";
    if (variable_set("WAYLAND_DISPLAY")) drivers += drivers.empty() ? "wayland" : ",wayland";
    if (drivers.empty()) {
        *why = "neither DISPLAY nor WAYLAND_DISPLAY is set (run it in a desktop session, or name an SDL "
               "video driver in SDL_VIDEODRIVER)";
        return 0;
    }
    SDL_SetHint(SDL_HINT_VIDEODRIVER, drivers.c_str());
    return 1;
}

// Why the session that was there could not be opened, for the one failure line.
std::string session_failure()
{
    std::string why;
    if (variable_set("DISPLAY")) why = std::string("the X display ") + std::getenv("DISPLAY");
    if (variable_set("WAYLAND_DISPLAY"))
        why += (why.empty() ? "the Wayland display " : " or the Wayland display ") +
               std::string(std::getenv("WAYLAND_DISPLAY"));
    return "cannot open " + why + " (" + SDL_GetError() + ")";
}

// The largest whole multiple of the frame that fits comfortably on the usable desktop (a tenth is
// left for the window's frame and the desktop's panels); at least the frame itself.
int window_scale(int display)
{
    SDL_Rect usable = {0, 0, k_frame_width, k_frame_height};
    SDL_GetDisplayUsableBounds(display, &usable);
    return SDL_max(1, frame_scale_fit(usable.w * 9 / 10, usable.h * 9 / 10));
}

// Full screen as at start-up: the window also takes the desktop's size and origin, borderless, so
// that it covers the screen where no window manager honours the request; the window's own place
// and size come back when it leaves.
void fullscreen_toggle()
{
    static SDL_Rect windowed = {0, 0, k_frame_width, k_frame_height};
    SDL_Window* window = static_cast<SDL_Window*>(g_main_window);
    if (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN) {
        SDL_SetWindowFullscreen(window, 0);
        SDL_SetWindowBordered(window, SDL_TRUE);
        SDL_SetWindowSize(window, windowed.w, windowed.h);
        SDL_SetWindowPosition(window, windowed.x, windowed.y);
        return;
    }
    SDL_GetWindowPosition(window, &windowed.x, &windowed.y);
    SDL_GetWindowSize(window, &windowed.w, &windowed.h);
    SDL_Rect bounds;
    if (SDL_GetDisplayBounds(SDL_max(0, SDL_GetWindowDisplayIndex(window)), &bounds) == 0) {
        SDL_SetWindowBordered(window, SDL_FALSE);
        SDL_SetWindowPosition(window, bounds.x, bounds.y);
        SDL_SetWindowSize(window, bounds.w, bounds.h);
    }
    SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP);
}

bool fullscreen_key(const SDL_KeyboardEvent& key)
{
    if (key.repeat) return false;
    const SDL_Keycode sym = key.keysym.sym;
    return sym == SDLK_F11 || ((sym == SDLK_RETURN || sym == SDLK_KP_ENTER) && (key.keysym.mod & KMOD_ALT));
}

}  // namespace

void window_create(const char* title)
{
    struct sigaction action = {};
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    // Our own handlers above see every signal at once; SDL's would queue them behind other events.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_LogSetOutputFunction(log_discard, nullptr);
    std::string why;
    if (!video_drivers_choose(&why)) {
        report_failure("no display: %s", why.c_str());
        return;
    }
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        if (variable_set("SDL_VIDEODRIVER")) report_failure("SDL_Init failed: %s", SDL_GetError());
        else report_failure("no display: %s", session_failure().c_str());
        return;
    }
    const int displays = SDL_GetNumVideoDisplays();
    const int display = g_desktop_settings.display < 0 ? 0 : g_desktop_settings.display;
    if (display >= displays) {
        report_failure("--display %d: this desktop has %d display%s, numbered from 0", display, displays,
                       displays == 1 ? "" : "s");
        return;
    }
    SDL_Window* window = nullptr;
    if (g_desktop_settings.window) {
        const int scale = window_scale(display);
        window = SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED_DISPLAY(display),
                                  SDL_WINDOWPOS_CENTERED_DISPLAY(display), k_frame_width * scale, k_frame_height * scale,
                                  SDL_WINDOW_RESIZABLE);
    } else {
        // Made at the desktop's own size and origin, so that it covers the screen even where no
        // window manager honours the full-screen request.
        SDL_DisplayMode desktop = {};
        SDL_Rect bounds = {0, 0, k_frame_width, k_frame_height};
        if (SDL_GetDesktopDisplayMode(display, &desktop) == 0) {
            bounds.w = desktop.w;
            bounds.h = desktop.h;
        }
        if (g_desktop_settings.display >= 0) {
            SDL_Rect at;
            if (SDL_GetDisplayBounds(display, &at) == 0) {
                bounds.x = at.x;
                bounds.y = at.y;
            }
        }
        window = SDL_CreateWindow(title, bounds.x, bounds.y, bounds.w, bounds.h,
                                  SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_BORDERLESS);
    }
    if (!window) {
        report_failure("SDL_CreateWindow failed: %s", SDL_GetError());
        return;
    }
    g_main_window = window;
}

void window_pump()
{
    if (g_signal_quit) destroy_requested();
    SDL_Event event;
    if (!SDL_PollEvent(&event)) return;
    switch (event.type) {
    case SDL_QUIT:
        destroy_requested();
        break;
    case SDL_WINDOWEVENT:
        if (event.window.event == SDL_WINDOWEVENT_CLOSE) destroy_requested();
        break;
    case SDL_KEYDOWN:
        if (event.key.keysym.sym == SDLK_ESCAPE) destroy_requested();
        else if (g_desktop_settings.window && fullscreen_key(event.key)) fullscreen_toggle();
        break;
    case SDL_RENDER_DEVICE_RESET:
    case SDL_RENDER_TARGETS_RESET:
        display_mark_lost();
        break;
    default:
        break;
    }
}

void window_events_drain()
{
    // Bounded: events that keep coming wait for the next call.
    for (int i = 0; i < 256 && !g_quit && SDL_PollEvent(nullptr); ++i) window_pump();
    if (g_signal_quit) destroy_requested();
}

void window_destroy()
{
    if (g_main_window) SDL_DestroyWindow(static_cast<SDL_Window*>(g_main_window));
    g_main_window = nullptr;
    SDL_Quit();
}

void cursor_hide()
{
    SDL_ShowCursor(SDL_DISABLE);
}

void cursor_show()
{
    SDL_ShowCursor(SDL_ENABLE);
}
