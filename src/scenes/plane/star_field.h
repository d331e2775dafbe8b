// The star field: a fixed cloud of grey points on a large sphere, rotated every frame, projected
// with a fixed perspective and plotted as anti-aliased points onto the black pixels only.
#pragma once
#include <cstdint>

struct Surface;
struct Vec4;
struct Matrix4;

// One allocation holds the record and both point arrays.
struct StarCloud {
    int32_t count;
    Vec4* points;   // x, y, z on a sphere of radius 8000; w the brightness 0..255
    Vec4* work;     // the per-frame transformed copy
};

// Draws three random numbers per star (polar angle, azimuth, brightness). Null when the allocation
// fails or count is negative.
StarCloud* star_cloud_create(int count);
void star_cloud_free(StarCloud* cloud);
// work = matrix * points.
void star_cloud_transform(StarCloud* cloud, const Matrix4* matrix);
// Projects every work point with focal length 150 about (160, 120) and plots it in its grey.
void star_cloud_draw(const StarCloud* cloud, Surface* surface);
// One point at a fractional position spread over 2 x 2 pixels with weights in 1/256 that add to
// 256; only pixels that are black (low 24 bits zero) are written. Points outside
// -1 <= x < width, -1 <= y < height (or not numbers) draw nothing.
void plot_subpixel(Surface* surface, float x, float y, uint32_t colour);
