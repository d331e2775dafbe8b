// The fast twins of the plane scenes' grid and sky drawing: row bands on the band workers, each
// drawing its own rows of the grid, so the bands add up to the whole drawing.
#include "display/band_worker.h"
#include "display/surface.h"
#include "procedural/texture_grid.h"
#include "procedural/texture_grid_twins.h"
#include "scenes/plane/plane_resources.h"
#include "scenes/plane/plane_scenes_twins.h"
#include "scenes/plane/star_field.h"

namespace {

struct GridJob {
    const TextureGrid* grid;
    Surface* target;
    const Surface* background;   // null: opaque drawing
    const StarCloud* stars;      // plotted over the band's rows once the grid is drawn; may be null
};

void grid_band_draw(void* ctx, int y0, int y1)
{
    const GridJob* job = static_cast<const GridJob*>(ctx);
    if (job->background) grid_draw_blend_fast(job->grid, job->target, job->background, y0, y1);
    else grid_draw_fast(job->grid, job->target, y0, y1);
    if (job->stars) star_cloud_draw_rows(job->stars, job->target, y0, y1);
}

// The sky grid covers every pixel of a surface of this size from its top-left corner.
bool grid_covers(const TextureGrid* g, const Surface* s)
{
    return g->x_offset == 0 && g->y_offset == 0 && (g->cols - 1) * g->cell_w == s->width &&
           (g->rows - 1) * g->cell_h == s->height;
}

}  // namespace

void grid_frame_draw_fast(const TextureGrid* grid, Surface* target, const Surface* background)
{
    GridJob job = {grid, target, background, nullptr};
    band_run(grid_band_draw, &job, target->height);
}

// A frame of the offscreen's own size whose every pixel the sky grid writes is drawn directly: the
// cleared offscreen would be covered whole, the stars clip the same, and the copy is the frame.
// Each band plots the stars over its own rows once its grid rows are drawn.
void sky_frame_draw_fast(Surface* frame)
{
    PlaneSceneData& d = g_plane_scene;
    const Surface* off = d.offscreen;
    if (frame->width != off->width || frame->height != off->height || !grid_covers(d.sky_grid, off))
        return sky_frame_draw_plain(frame);
    GridJob job = {d.sky_grid, frame, nullptr, d.stars};
    band_run(grid_band_draw, &job, frame->height);
}
