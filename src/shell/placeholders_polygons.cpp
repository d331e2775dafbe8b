// Stand-ins for the polygon scenes until they are built: the scenes clear the frame. Building the
// scenes deletes this file.
#include "display/surface.h"
#include "shell/scene_list.h"

namespace {
int placeholder_clear(Surface* frame)
{
    surface_clear(frame);
    return 1;
}
}  // namespace

int scene_polygons_1(Surface* frame, float, float) { return placeholder_clear(frame); }
int scene_polygons_2(Surface* frame, float, float) { return placeholder_clear(frame); }
int scene_polygons_3(Surface* frame, float, float) { return placeholder_clear(frame); }
int scene_polygons_4(Surface* frame, float, float) { return placeholder_clear(frame); }
