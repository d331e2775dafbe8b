// Every scene the Timeline names, and the preparations and releases the start-up and shutdown run.
#pragma once
#include <cstdint>

struct Surface;

int scene_black(Surface* frame, float now, float start);
int scene_static(Surface* frame, float now, float start);
int scene_static_flicker(Surface* frame, float now, float start);
int scene_name_strobe(Surface* frame, float now, float start);
int scene_name_fade(Surface* frame, float now, float start);
int scene_fade_plumhelm(Surface* frame, float now, float start);
int scene_fade_title(Surface* frame, float now, float start);
int scene_fade_gloomfield(Surface* frame, float now, float start);
int scene_mesh(Surface* frame, float now, float start);
int scene_wave_floor(Surface* frame, float now, float start);
int scene_terrain_1(Surface* frame, float now, float start);
int scene_terrain_2(Surface* frame, float now, float start);
int scene_terrain_3(Surface* frame, float now, float start);
int scene_terrain_4(Surface* frame, float now, float start);
int scene_objects_1(Surface* frame, float now, float start);
int scene_objects_2(Surface* frame, float now, float start);
int scene_objects_3(Surface* frame, float now, float start);
int scene_objects_4(Surface* frame, float now, float start);
int scene_polygons_1(Surface* frame, float now, float start);
int scene_polygons_2(Surface* frame, float now, float start);
int scene_polygons_3(Surface* frame, float now, float start);
int scene_polygons_4(Surface* frame, float now, float start);

// Start-up preparations, run in this order; each returns 1 on success and 0 on failure.
int mesh_scene_prepare();
int pictures_prepare();
int wave_floor_prepare();
int font_load(const char* path, int space_advance, int glyph_height);
int fuzzyballs_prepare();
int plane_scenes_prepare();
int objects_prepare_1();
int objects_prepare_2();

// Shutdown releases.
void fuzzyballs_release();
void mesh_scene_release();
