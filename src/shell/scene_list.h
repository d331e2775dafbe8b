// Every scene the Timeline names, and the preparations and releases the start-up and shutdown run,
// gathered from the headers of the areas that own them.
#pragma once

#include "draw2d/font.h"
#include "draw2d/pictures.h"
#include "scenes/flat/flat_scenes.h"
#include "scenes/mesh/mesh_scene.h"
#include "scenes/objects/object_prepare.h"
#include "scenes/objects/object_scenes.h"
#include "scenes/objects/polygon_scenes.h"
#include "scenes/plane/plane_resources.h"
#include "scenes/plane/plane_scenes.h"
#include "scenes/wavefloor/wave_floor.h"
#include "scenes/wavefloor/wave_floor_scene.h"
