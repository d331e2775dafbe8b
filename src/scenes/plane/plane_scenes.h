// The four plane scenes: the static-textured floor and ceiling over static, the same as the
// background static fades, the ground texture emerging from the static, and the sky plane with
// stars. They share the camera and rotation of the plane resources, so the motion runs on
// seamlessly from one to the next.
#pragma once
#include <cstdint>

struct Surface;

// Each scene's own clock, in frame units. The start of its first call is kept for good, so a
// later Timeline entry of the same scene sees the whole gap as its first step.
struct TerrainClock {
    int32_t started;
    float start;
    float previous;
    float current;
};

extern TerrainClock g_terrain_clocks[4];   // scene_terrain_1 .. scene_terrain_4
extern float g_terrain_fade;               // scene_terrain_2's darkening of the static, 0..255

void scene_terrain_1(Surface* frame, float now, float start);
void scene_terrain_2(Surface* frame, float now, float start);
void scene_terrain_3(Surface* frame, float now, float start);
void scene_terrain_4(Surface* frame, float now, float start);
