// SDL desktop backend: the display. A 512 x 384 streaming texture is the back buffer; each present
// shows it scaled into the full-screen window, by a whole number where the screen allows,
// letterboxed and nearest-neighbour, in step with the display's refresh.
#include <SDL.h>

#include "base/report.h"
#include "display/frame_size.h"
#include "display/surface.h"
#include "platform/letterbox.h"
#include "platform/platform.h"
#include "platform/sdl_internal.h"

namespace {

SDL_Renderer* s_renderer = nullptr;
SDL_Texture* s_texture = nullptr;
bool s_lost = false;

void renderer_destroy()
{
    if (s_texture) SDL_DestroyTexture(s_texture);
    if (s_renderer) SDL_DestroyRenderer(s_renderer);
    s_texture = nullptr;
    s_renderer = nullptr;
}

int renderer_create(bool report)
{
    SDL_Window* window = static_cast<SDL_Window*>(g_main_window);
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    s_renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
    if (!s_renderer) s_renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_SOFTWARE);
    if (!s_renderer) {
        if (report) report_failure("SDL_CreateRenderer failed: %s", SDL_GetError());
        return 0;
    }
    s_texture = SDL_CreateTexture(s_renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, k_frame_width,
                                  k_frame_height);
    if (!s_texture) {
        if (report) report_failure("SDL_CreateTexture failed: %s", SDL_GetError());
        return 0;
    }
    return 1;
}

// The frame's place in the renderer's output, which may differ from the window's size in pixels.
SDL_Rect destination_rect()
{
    int out_w = k_frame_width;
    int out_h = k_frame_height;
    SDL_GetRendererOutputSize(s_renderer, &out_w, &out_h);
    const LetterboxRect r = letterbox_fit(out_w, out_h);
    return SDL_Rect{r.x, r.y, r.w, r.h};
}

}  // namespace

void display_mark_lost()
{
    s_lost = true;
}

int display_open()
{
    if (!g_main_window) return 0;
    if (!renderer_create(true)) return 0;
    Surface first = {nullptr, 0, 0, 0, 0};
    if (display_lock(&first)) {
        surface_clear(&first);
        display_present();
    }
    return 1;
}

int display_lock(Surface* frame)
{
    if (!s_texture) {
        // A rebuild after a device reset failed: try again, quietly, once per frame.
        renderer_destroy();
        if (!renderer_create(false)) return 0;
    }
    void* pixels = nullptr;
    int pitch = 0;
    if (SDL_LockTexture(s_texture, nullptr, &pixels, &pitch) != 0) return 0;
    frame->pixels = static_cast<uint32_t*>(pixels);
    frame->width = k_frame_width;
    frame->height = k_frame_height;
    frame->pitch = pitch;
    return 1;
}

int display_present()
{
    SDL_UnlockTexture(s_texture);
    SDL_SetRenderDrawColor(s_renderer, 0, 0, 0, 255);
    SDL_RenderClear(s_renderer);
    const SDL_Rect dst = destination_rect();
    SDL_RenderCopy(s_renderer, s_texture, nullptr, &dst);
    SDL_RenderPresent(s_renderer);
    if (s_lost) {
        // The device was reset: rebuild the renderer and its texture; the next frame redraws all.
        s_lost = false;
        renderer_destroy();
        renderer_create(false);
    }
    return 1;
}

void display_close()
{
    renderer_destroy();
}
