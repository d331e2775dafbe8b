// The mesh scene: the octopus object spinning as glowing curved strands with pulsing joints over a
// pinch-warped blue texture.
#pragma once
#include <cstdint>

struct Surface;
struct Mesh;
struct Vec4;
struct Image;
struct TextureGrid;

// Data made once at start-up.
struct MeshSceneData {
    Mesh* mesh;            // vertices already scaled by 2
    Vec4* work;            // vertex_count points, refilled and transformed every frame
    Image* texture;        // 128 x 128 blue height texture
    TextureGrid* grid;     // 32 x 24 cells over the texture
};

// Animation state, kept between frames and between the scene's Timeline entries.
struct MeshSceneState {
    int32_t initialised;
    float previous_time;   // scene-relative time in frames
    float current_time;
    float last_start;      // start time of the run seen last
    float angle;           // radians
    float pulse;           // strand bulge factor, 1 when a run starts
    float phase;           // background warp phase, radians
    int32_t pulse_growing; // survives the start of a new run
};

extern MeshSceneData g_mesh_scene;
extern MeshSceneState g_mesh_state;

// Loads "./data/octopus.ase" and builds the texture and grid; reseeds the demo generator with its
// fixed value. 1 on success; 0 (after reporting the file) when the mesh cannot be read.
int mesh_scene_prepare();
void scene_mesh(Surface* frame, float now, float start);
// Frees the mesh's vertices, its edges, the mesh record and the work array.
void mesh_scene_release();
