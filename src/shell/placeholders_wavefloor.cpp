// Stand-in for the wave-floor scene until it is built: the scene clears the frame and the
// preparation succeeds. Building the scene deletes this file.
#include "display/surface.h"
#include "shell/scene_list.h"

namespace {
int placeholder_clear(Surface* frame)
{
    surface_clear(frame);
    return 1;
}
}  // namespace

int scene_wave_floor(Surface* frame, float, float) { return placeholder_clear(frame); }
int wave_floor_prepare() { return 1; }
