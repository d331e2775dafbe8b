// The twins of the plane scenes' drawing, for the dispatch in plane_scenes.cpp: a grid into a
// target (blended over `background`, or opaque when it is null), and the sky of scene_terrain_4
// (its grid cast for the frame, with the stars, through the offscreen into the frame).
#pragma once

struct StarCloud;
struct Surface;
struct TextureGrid;

void grid_frame_draw_plain(const TextureGrid* grid, Surface* target, const Surface* background);
void grid_frame_draw_fast(const TextureGrid* grid, Surface* target, const Surface* background);
void sky_frame_draw_plain(Surface* frame);
void sky_frame_draw_fast(Surface* frame);

// The star cloud drawn into the rows row_from .. row_to - 1 only, for the fast sky's row bands:
// every star is projected as star_cloud_draw projects it and its pixels in those rows are written
// exactly as the whole drawing writes them, in the same order, so bands drawn apart add up to it.
void star_cloud_draw_rows(const StarCloud* cloud, Surface* surface, int row_from, int row_to);
