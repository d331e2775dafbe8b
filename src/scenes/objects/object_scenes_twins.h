// The twins of the object scenes' frames, for the dispatch in object_scenes.cpp, with the placing
// and moving that both twins draw from.
#pragma once
#include <cstdint>

#include "geom3d/matrix.h"

struct Surface;

constexpr float k_rest_line_width = 1.5f;
constexpr float k_dot_spacing = 3.5f;
constexpr int k_dot_alpha = 192;

// The star of scene_objects_1 at offset (jx, jy) over black.
void objects_1_draw_plain(Surface* frame, float jx, float jy, float angle);
void objects_1_draw_fast(Surface* frame, float jx, float jy, float angle);
// The clouds of time `now` and the large dark star over the first backdrop.
void objects_2_draw_plain(Surface* frame, float now, float angle);
void objects_2_draw_fast(Surface* frame, float now, float angle);
// The drum of time `now` over the second backdrop.
void objects_3_draw_plain(Surface* frame, float now);
void objects_3_draw_fast(Surface* frame, float now);
// The drum (when prepared) with the star turned by `angle` over it.
void objects_4_draw_plain(Surface* frame, float now, float start, float angle);
void objects_4_draw_fast(Surface* frame, float now, float start, float angle);

bool objects_clouds_ready();
bool objects_drum_ready();
int star_place(const Surface* target, float dx, float dy, float angle, float scale);
int drum_transform(float t);
bool drum_stroke(int i, int count, int cx, int cy, Vec4* p, Vec4* q);
void led_layers_make(float t);
void led_layers_place(float x, float y, float t, float px[2], float py[2], float hardness[2]);
