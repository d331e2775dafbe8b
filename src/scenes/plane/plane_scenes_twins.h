// The twins of the plane scenes' drawing, for the dispatch in plane_scenes.cpp: a grid into a
// target (blended over `background`, or opaque when it is null), and the sky of scene_terrain_4
// (its grid cast for the frame, with the stars, through the offscreen into the frame).
#pragma once

struct Surface;
struct TextureGrid;

void grid_frame_draw_plain(const TextureGrid* grid, Surface* target, const Surface* background);
void grid_frame_draw_fast(const TextureGrid* grid, Surface* target, const Surface* background);
void sky_frame_draw_plain(Surface* frame);
void sky_frame_draw_fast(Surface* frame);
