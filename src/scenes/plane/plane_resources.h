// What the four plane scenes share: the sky and ground textures made from random height fields,
// the dissolve that fades the ground in out of static, the two texture grids, the star cloud, an
// offscreen surface and the camera with its rotation.
#pragma once
#include "geom3d/matrix.h"

struct Image;
struct Surface;
struct TextureGrid;
struct NoiseDissolve;
struct StarCloud;

struct PlaneSceneData {
    Image* ground_source;            // 256 x 256: red a, green a / 4, blue 0, the height in the top byte
    Image* sky_texture;              // 256 x 256: light blue (low) to white (high)
    NoiseDissolve* ground_dissolve;  // over ground_source; its work image is what the ground grid shows
    TextureGrid* ground_grid;        // 32 x 24 cells
    TextureGrid* sky_grid;           // 32 x 24 cells
    StarCloud* stars;                // 1024 stars
    Surface* offscreen;              // 512 x 384
    Vec4 camera;                     // (0, -256, 0, 1); only z moves
    Vec4 angles;                     // (theta, 0, 10 theta, 1)
    float theta;
};

extern PlaneSceneData g_plane_scene;

// Builds everything above, drawing two height-field seeds and the stars from the demo generator in
// a fixed order. 1 on success, 0 when an allocation fails (nothing is kept then). Preparing again
// starts from nothing.
int plane_scenes_prepare();
void plane_scenes_release();
