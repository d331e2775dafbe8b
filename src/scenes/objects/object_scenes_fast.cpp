// The fast twins of the object scenes' frames: everything that moves or draws random numbers is
// worked out on the main thread, then row bands draw the backdrop (or black), the two cloud layers,
// the drum's strokes and the star's lines, each band in this order on its own rows. A frame the
// bands cannot take (a backdrop of another size, a drum too large for the table) is drawn plain.
#include <cstring>

#include "display/band_worker.h"
#include "display/surface.h"
#include "geom3d/lines_twins.h"
#include "scenes/objects/dot_fillers_twins.h"
#include "scenes/objects/object_prepare.h"
#include "scenes/objects/object_scenes.h"
#include "scenes/objects/object_scenes_twins.h"

namespace {

// The star's lines through the placed points, on the fast path and only in rows row_from .. row_to - 1.
// 13 and 27 share no divisor, so the walk visits every point once and closes: {27/13}.
void star_lines_rows(Surface* target, int count, uint32_t colour_at_q, uint32_t colour_at_p, float width,
                     int row_from, int row_to)
{
    const Vec4* work = g_star_work;
    const int step = count >> 1;
    int h = 0;
    for (int i = 0; i < count; ++i) {
        const int next = (h + step) % count;
        draw_line_wide_fast(target, work[h], work[next], colour_at_q, colour_at_p, width, row_from, row_to);
        h = next;
    }
}

// The drum's kept strokes, projected once per frame for every band.
constexpr int k_drum_capacity = 256;
Vec4 s_drum_p[k_drum_capacity];
Vec4 s_drum_q[k_drum_capacity];

// One object-scene frame as row bands.
struct ObjectsJob {
    Surface* frame;
    const Surface* backdrop;   // null: black
    int clouds;
    float cloud_x[2], cloud_y[2], cloud_hardness[2];
    int drum_lines;
    uint32_t drum_q, drum_p;
    int star_points;
    uint32_t star_q, star_p;
    float star_width;
};

void objects_band(void* ctx, int y0, int y1)
{
    const ObjectsJob& job = *static_cast<const ObjectsJob*>(ctx);
    Surface* frame = job.frame;
    const size_t row_bytes = static_cast<size_t>(frame->width) * sizeof(uint32_t);
    for (int y = y0; y < y1; ++y) {
        if (job.backdrop) std::memcpy(surface_row(frame, y), surface_row(job.backdrop, y), row_bytes);
        else std::memset(surface_row(frame, y), 0, row_bytes);
    }
    if (job.clouds) {
        for (int k = 0; k < 2; ++k)
            draw_dot_matrix_fast(frame, g_led_layer[k], job.cloud_x[k], job.cloud_y[k], k_dot_spacing,
                                 job.cloud_hardness[k], k_dot_alpha, y0, y1);
    }
    for (int k = 0; k < job.drum_lines; ++k)
        draw_line_wide_fast(frame, s_drum_p[k], s_drum_q[k], job.drum_q, job.drum_p, 1.0f, y0, y1);
    if (job.star_points > 0)
        star_lines_rows(frame, job.star_points, job.star_q, job.star_p, job.star_width, y0, y1);
}

ObjectsJob objects_job_begin(Surface* frame)
{
    ObjectsJob job;
    std::memset(&job, 0, sizeof job);
    job.frame = frame;
    return job;
}

// The banded frame needs a backdrop of the frame's size.
bool bands_fit(const Surface* frame, const Surface* backdrop)
{
    return !backdrop || (backdrop->width == frame->width && backdrop->height == frame->height);
}

// The drum of time t in the job: its strokes projected into the shared table. False when they do
// not fit the table (the frame is then drawn unbanded).
bool drum_job_add(ObjectsJob* job, float t)
{
    if (g_drum_count / 2 + 1 > k_drum_capacity) return false;
    Surface* frame = job->frame;
    job->backdrop = g_backdrop_b;
    const int count = drum_transform(t);
    const int cx = frame->width >> 1;
    const int cy = frame->height >> 1;
    int kept = 0;
    for (int i = 0; i < count; i += 2)
        if (drum_stroke(i, count, cx, cy, &s_drum_p[kept], &s_drum_q[kept])) ++kept;
    job->drum_lines = kept;
    job->drum_q = 0xFFFFFFCFu;
    job->drum_p = 0x3FFFFFCFu;
    return true;
}

}  // namespace

void objects_1_draw_fast(Surface* frame, float jx, float jy, float angle)
{
    if (!bands_fit(frame, nullptr)) return objects_1_draw_plain(frame, jx, jy, angle);
    ObjectsJob job = objects_job_begin(frame);
    if (g_star_work) {
        job.star_points = star_place(frame, jx, jy, angle, 500.0f);
        job.star_q = 0xCFDFFFDFu;
        job.star_p = 0x007FDF7Fu;
        job.star_width = g_star_line_width;
    }
    band_run(objects_band, &job, frame->height);
}

void objects_2_draw_fast(Surface* frame, float now, float angle)
{
    if (!bands_fit(frame, g_backdrop_a)) return objects_2_draw_plain(frame, now, angle);
    ObjectsJob job = objects_job_begin(frame);
    job.backdrop = g_backdrop_a;
    led_layers_make(now);
    led_layers_place(30.0f, 220.0f, now, job.cloud_x, job.cloud_y, job.cloud_hardness);
    job.clouds = 1;
    job.star_points = star_place(frame, 190.0f, -130.0f, angle, 600.0f);
    job.star_q = 0x00000000u;
    job.star_p = 0xCF000000u;
    job.star_width = 1.0f;
    band_run(objects_band, &job, frame->height);
    g_star_line_width = k_rest_line_width;
}

void objects_3_draw_fast(Surface* frame, float now)
{
    if (bands_fit(frame, g_backdrop_b)) {
        ObjectsJob job = objects_job_begin(frame);
        if (drum_job_add(&job, now)) return band_run(objects_band, &job, frame->height);
    }
    objects_3_draw_plain(frame, now);
}

void objects_4_draw_fast(Surface* frame, float now, float start, float angle)
{
    if (bands_fit(frame, objects_drum_ready() ? g_backdrop_b : nullptr)) {
        ObjectsJob job = objects_job_begin(frame);
        // Without the drum's preparation the star turns over black.
        if (!objects_drum_ready() || drum_job_add(&job, now)) {
            if (g_star_work) {
                job.star_points = star_place(frame, 0.0f, 0.0f, angle, 500.0f);
                job.star_q = 0xFFFF7F3Fu;
                job.star_p = 0x007F3F00u;
                job.star_width = 2.5f;
                g_star_line_width = k_rest_line_width;
            }
            return band_run(objects_band, &job, frame->height);
        }
    }
    objects_4_draw_plain(frame, now, start, angle);
}
