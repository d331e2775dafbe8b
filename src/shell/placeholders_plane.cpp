// Stand-ins for the plane scenes until they are built: the scenes clear the frame and the
// preparation succeeds. Building the scenes deletes this file.
#include "display/surface.h"
#include "shell/scene_list.h"

namespace {
int placeholder_clear(Surface* frame)
{
    surface_clear(frame);
    return 1;
}
}  // namespace

int scene_terrain_1(Surface* frame, float, float) { return placeholder_clear(frame); }
int scene_terrain_2(Surface* frame, float, float) { return placeholder_clear(frame); }
int scene_terrain_3(Surface* frame, float, float) { return placeholder_clear(frame); }
int scene_terrain_4(Surface* frame, float, float) { return placeholder_clear(frame); }
int plane_scenes_prepare() { return 1; }
