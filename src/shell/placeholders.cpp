// Stand-ins for the scenes and preparations that are not built yet: each placeholder scene clears
// the frame, each placeholder preparation succeeds and each placeholder release does nothing.
// Building a scene's subsystem removes its entries here.
#include "display/surface.h"
#include "shell/scene_list.h"

namespace {
int placeholder_clear(Surface* frame)
{
    surface_clear(frame);
    return 1;
}
}  // namespace

// Wave-floor scene.
int scene_wave_floor(Surface* frame, float, float) { return placeholder_clear(frame); }
int wave_floor_prepare() { return 1; }

// Plane scenes.
int scene_terrain_1(Surface* frame, float, float) { return placeholder_clear(frame); }
int scene_terrain_2(Surface* frame, float, float) { return placeholder_clear(frame); }
int scene_terrain_3(Surface* frame, float, float) { return placeholder_clear(frame); }
int scene_terrain_4(Surface* frame, float, float) { return placeholder_clear(frame); }
int plane_scenes_prepare() { return 1; }

// Object scenes.
int scene_objects_1(Surface* frame, float, float) { return placeholder_clear(frame); }
int scene_objects_2(Surface* frame, float, float) { return placeholder_clear(frame); }
int scene_objects_3(Surface* frame, float, float) { return placeholder_clear(frame); }
int scene_objects_4(Surface* frame, float, float) { return placeholder_clear(frame); }
int objects_prepare_1() { return 1; }
int objects_prepare_2() { return 1; }

// Polygon scenes.
int scene_polygons_1(Surface* frame, float, float) { return placeholder_clear(frame); }
int scene_polygons_2(Surface* frame, float, float) { return placeholder_clear(frame); }
int scene_polygons_3(Surface* frame, float, float) { return placeholder_clear(frame); }
int scene_polygons_4(Surface* frame, float, float) { return placeholder_clear(frame); }
