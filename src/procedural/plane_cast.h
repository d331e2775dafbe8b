// Plane casting: fills the nodes of a texture grid so that drawing it shows the endless plane
// x = plane seen from a rotating camera, one ray per node, fading to black with distance.
#pragma once

struct TextureGrid;
struct Vec4;

// The plane and its mirror image on the other side of the camera (floor and ceiling): every node
// whose ray has a non-zero x is cast.
void grid_cast_plane_pair(TextureGrid* grid, const Vec4& camera, const Vec4& angles, float plane, float scale);
// The plane alone: nodes whose ray does not point along +x stay black (u = v = 0, shade 0).
void grid_cast_plane(TextureGrid* grid, const Vec4& camera, const Vec4& angles, float plane, float scale);
