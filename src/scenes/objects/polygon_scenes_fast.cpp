// The fast twin of the polygon scenes' frame: row bands in two passes, first the glow layer and the
// background with the orbs behind the column, then, once every row of both is done (the column
// reads other rows of them), the column and the orbs in front. The static and the states are drawn
// on the main thread. A frame whose surfaces the bands cannot take is drawn plain.
#include <cstring>

#include "display/band_worker.h"
#include "display/frame_size.h"
#include "display/surface.h"
#include "draw2d/pictures.h"
#include "scenes/flat/flat_scenes.h"
#include "scenes/objects/column_renderer_twins.h"
#include "scenes/objects/dot_fillers_twins.h"
#include "scenes/objects/polygon_scenes.h"
#include "scenes/objects/polygon_scenes_twins.h"

namespace {

struct PolygonsJob {
    Surface* frame;
    Surface* glow;
    Surface* background;
    Backdrop backdrop;
    uint32_t fade_level;
    Orb orbs[3];
};

void polygons_layers_band(void* ctx, int y0, int y1)
{
    const PolygonsJob& job = *static_cast<const PolygonsJob*>(ctx);
    Surface* glow = job.glow;
    Surface* background = job.background;
    for (int y = y0; y < y1; ++y) std::memset(surface_row(glow, y), 0, static_cast<size_t>(glow->width) * 4);
    if (job.backdrop == Backdrop::fuzzyballs) {
        for (int y = y0; y < y1; ++y)
            std::memcpy(surface_row(background, y), surface_row(g_fuzzyballs, y), static_cast<size_t>(g_fuzzyballs->pitch));
    } else if (job.backdrop == Backdrop::title_fade) {
        scene_fade_title_rows(background, job.fade_level, y0, y1);
    }
    for (const Orb& o : job.orbs) draw_glow_dot_add_fast(o.front ? glow : background, o.x, o.y, o.r, k_white, y0, y1);
    draw_glow_dot_add_fast(glow, k_highlight_x, k_highlight_y, k_highlight_r, k_white, y0, y1);
}

void polygons_column_band(void* ctx, int y0, int y1)
{
    const PolygonsJob& job = *static_cast<const PolygonsJob*>(ctx);
    render_column_fast(g_fuzzy_table, job.background, job.glow, job.frame, g_fuzzy_tint, y0, y1);
    for (const Orb& o : job.orbs)
        if (o.front) draw_glow_dot_add_fast(job.frame, o.x, o.y, o.r, k_white, y0, y1);
}

// The banded passes need the shapes the plain passes assume: work surfaces of
// the frame's size with rows back to back, and a title picture inside the background.
bool polygons_banded(const Surface* frame, Backdrop backdrop)
{
    const Surface* s[4] = {g_work_surface_a, g_work_surface_b, g_work_surface_c, g_fuzzyballs};
    for (const Surface* w : s)
        if (w->width != k_frame_width || w->height != k_frame_height || w->pitch != k_frame_row_bytes) return false;
    if (frame->width < k_frame_width || frame->height < k_frame_height) return false;
    if (backdrop == Backdrop::title_fade) {
        const Image* pic = g_fade_title ? g_fade_title->picture : nullptr;
        if (!pic || !g_fade_title->backdrop || pic->width > k_frame_width || pic->height > k_frame_height) return false;
    }
    return true;
}

}  // namespace

void polygons_frame_draw_fast(Surface* frame, float now, float start, const Orb orbs[3], Backdrop backdrop)
{
    if (!polygons_banded(frame, backdrop)) return polygons_frame_draw_plain(frame, now, start, orbs, backdrop);
    PolygonsJob job;
    job.frame = frame;
    job.glow = g_work_surface_a;
    job.backdrop = backdrop;
    job.fade_level = 0;
    for (int k = 0; k < 3; ++k) job.orbs[k] = orbs[k];
    switch (backdrop) {
    case Backdrop::fuzzyballs:
        job.background = g_work_surface_b;
        break;
    case Backdrop::static_flicker:
        // The static draws its random numbers in order: here, before the bands.
        job.background = g_work_surface_c;
        scene_static_flicker(job.background, now, start);
        break;
    case Backdrop::title_fade:
        job.background = g_work_surface_c;
        job.fade_level = scene_fade_title_advance(now, start);
        break;
    }
    band_run(polygons_layers_band, &job, k_frame_height);
    band_run(polygons_column_band, &job, k_frame_height);
}
