// Web backend: the display. The scenes draw into a 512 x 384 buffer in the module's memory; the
// present turns it into the canvas's byte order (red, green, blue, opaque) and hands it to the page,
// which scales the canvas. In the exact mode the present also hands over the frame's hash, and in
// every mode the Timeline entry, the clock and the drawing time, which the page's tests and its
// benchmark read.
#include <emscripten.h>
#include <wasm_simd128.h>

#include <cstdlib>

#include "display/frame_hash.h"
#include "display/frame_size.h"
#include "display/surface.h"
#include "platform/platform.h"
#include "platform/web_internal.h"

namespace {

uint32_t* s_pixels = nullptr;
uint32_t* s_canvas = nullptr;
double s_lock_ms = 0;

}  // namespace

// The image is a view of the module's memory, so a frame is not copied on its way to the canvas; it
// is made again when that memory is replaced (a new run's module, or memory that grew).
EM_JS(void, page_picture_show, (const uint32_t* rgba), {
    const page = Module.page;
    if (!page || !page.context) return;
    if (!page.image || page.image.data.buffer !== HEAPU8.buffer || page.imageAt !== rgba) {
        page.image = new ImageData(new Uint8ClampedArray(HEAPU8.buffer, rgba, 512 * 384 * 4), 512, 384);
        page.imageAt = rgba;
    }
    page.context.putImageData(page.image, 0, 0);
});

EM_JS(void, page_frame_report, (int entry, uint32_t t_ms, double draw_ms, uint32_t hash_high, uint32_t hash_low), {
    if (Module.page && Module.page.frame) Module.page.frame(entry, t_ms >>> 0, draw_ms, hash_high >>> 0, hash_low >>> 0);
});

int display_open()
{
    if (!g_main_window) return 0;
    s_pixels = static_cast<uint32_t*>(std::calloc(k_frame_width * k_frame_height, 4));
    s_canvas = static_cast<uint32_t*>(std::calloc(k_frame_width * k_frame_height, 4));
    if (!s_pixels || !s_canvas) return 0;
    Surface first;
    if (display_lock(&first)) display_present();
    return 1;
}

int display_lock(Surface* frame)
{
    frame->pixels = s_pixels;
    frame->width = k_frame_width;
    frame->height = k_frame_height;
    frame->pitch = k_frame_width * 4;
    s_lock_ms = web_now_ms();
    return 1;
}

int display_present()
{
    const double draw_ms = web_now_ms() - s_lock_ms;
    // Four pixels an instruction: blue and red swap places and the top byte becomes opaque.
    const v128_t opaque = wasm_i32x4_splat(static_cast<int32_t>(0xFF000000u));
    for (int i = 0; i < k_frame_width * k_frame_height; i += 4) {
        const v128_t p = wasm_v128_load(s_pixels + i);
        wasm_v128_store(s_canvas + i,
                        wasm_v128_or(wasm_i8x16_shuffle(p, p, 2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15), opaque));
    }
    page_picture_show(s_canvas);
    if (g_web.entry < 0) return 1;   // the first, cleared frame of the start-up
    uint64_t hash = 0;
    if (g_web.report) {
        const Surface frame = {s_pixels, k_frame_width, k_frame_height, k_frame_width * 4, 0};
        hash = frame_hash(&frame);
    }
    page_frame_report(g_web.entry, g_web.clock_ms, draw_ms,
                      static_cast<uint32_t>(hash >> 32), static_cast<uint32_t>(hash));
    return 1;
}

void display_close()
{
    std::free(s_pixels);
    std::free(s_canvas);
    s_pixels = s_canvas = nullptr;
}
