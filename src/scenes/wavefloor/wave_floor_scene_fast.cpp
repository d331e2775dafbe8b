// The fast twin of the wave-floor scene's frame: each row band of the frame is cleared, cast and
// drawn apart, after the state has moved on the main thread.
#include <cstring>

#include "display/band_worker.h"
#include "display/surface.h"
#include "scenes/wavefloor/wave_floor.h"
#include "scenes/wavefloor/wave_floor_scene_twins.h"
#include "scenes/wavefloor/wave_floor_twins.h"

namespace {

// One band of the frame on the fast paths: its rows cleared, cast and drawn. The bands write
// disjoint rows of the frame and of the floor's row table.
struct FloorJob {
    Surface* frame;
    WaveFloor* floor;
    double pitch;
    double position;
};

void floor_band_draw(void* ctx, int y0, int y1)
{
    const FloorJob* job = static_cast<const FloorJob*>(ctx);
    const size_t row_bytes = static_cast<size_t>(job->frame->width) * 4;
    for (int y = y0; y < y1; ++y) std::memset(surface_row(job->frame, y), 0, row_bytes);
    if (!job->floor) return;
    wave_floor_cast_fast(job->floor, g_wave_profile, wave_profile_length, job->pitch, job->position, y0, y1);
    wave_floor_draw_fast(job->floor, job->frame, y0, y1);
}

}  // namespace

void wave_floor_frame_fast(Surface* frame, WaveFloor* floor, double pitch, double position)
{
    // The bands need the whole floor's rows on the frame.
    if (frame->height < k_floor_rows) return wave_floor_frame_plain(frame, floor, pitch, position);
    FloorJob job = {frame, floor, pitch, position};
    band_run(floor_band_draw, &job, frame->height);
}
