// Stand-ins for the object scenes until they are built: the scenes clear the frame and the
// preparations succeed. Building the scenes deletes this file.
#include "display/surface.h"
#include "shell/scene_list.h"

namespace {
int placeholder_clear(Surface* frame)
{
    surface_clear(frame);
    return 1;
}
}  // namespace

int scene_objects_1(Surface* frame, float, float) { return placeholder_clear(frame); }
int scene_objects_2(Surface* frame, float, float) { return placeholder_clear(frame); }
int scene_objects_3(Surface* frame, float, float) { return placeholder_clear(frame); }
int scene_objects_4(Surface* frame, float, float) { return placeholder_clear(frame); }
int objects_prepare_1() { return 1; }
int objects_prepare_2() { return 1; }
