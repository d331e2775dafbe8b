// SDL desktop backend: the window, its event pump and the mouse cursor. A close request, the
// Escape key, SIGINT and SIGTERM all take the destroy path that ends the frame loop.
#include <SDL.h>

#include "platform/platform.h"
#include "platform/sdl_internal.h"
#include "shell/demo.h"
#include "shell/report.h"

void* g_main_window = nullptr;
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
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        report_failure("SDL_Init failed: %s", SDL_GetError());
        return;
    }
    // Made at the desktop's own size and origin, so that it covers the screen even where no window
    // manager honours the full-screen request.
    SDL_DisplayMode desktop = {};
    int w = 512;
    int h = 384;
    if (SDL_GetDesktopDisplayMode(0, &desktop) == 0) {
        w = desktop.w;
        h = desktop.h;
    }
    SDL_Window* window = SDL_CreateWindow(title, 0, 0, w, h, SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_BORDERLESS);
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
        break;
    case SDL_RENDER_DEVICE_RESET:
    case SDL_RENDER_TARGETS_RESET:
        display_mark_lost();
        break;
    default:
        break;
    }
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
