// The polygon scenes: three glowing orbs circling a rippling glass column that refracts the
// background. Each scene keeps its phases in its own OrbState, armed by its first call and never
// reset, so its later Timeline entries continue the motion; the fourth also launches a ripple up
// the column at each new entry.
#pragma once
#include <cstdint>

struct Surface;

void scene_polygons_1(Surface* frame, float now, float start);
void scene_polygons_2(Surface* frame, float now, float start);
void scene_polygons_3(Surface* frame, float now, float start);
void scene_polygons_4(Surface* frame, float now, float start);

struct OrbState {
    int32_t armed;
    float first_start;    // start of the scene's first call; elapsed time counts from it
    float prev_elapsed;
    float cur_elapsed;
    double a0, a1, a2;    // orbit phases of the three orbs, radians
    double b0, b1;        // phases of the vertical motion and of the profile
};

constexpr int k_ripple_capacity = 23;

// Bumps travelling up the column of scene_polygons_4, by the row they are centred on.
struct RippleState {
    float last_start;
    int32_t count;
    float rows[k_ripple_capacity];
};

// How fast a scene's phases turn per frame unit.
struct OrbRates {
    double ra;    // orbits
    double rb0;   // vertical motion
    double rb1;   // profile
};

// One orb as drawn: centre, radius, and whether it passes in front of the column.
struct Orb {
    float x, y, r;
    int32_t front;
};

extern OrbState g_polygons_1_orbs;
extern OrbState g_polygons_2_orbs;
extern OrbState g_polygons_3_orbs;
extern OrbState g_polygons_4_orbs;
extern RippleState g_polygons_4_ripples;

// Arms the state on its first call, advances and wraps the phases; returns the step d, 0 on the
// first call.
float orbs_advance(OrbState* s, const OrbRates& rates, float now, float start);
// Positions and radii of the three orbs for the state's current phases.
void orbs_place(const OrbState* s, Orb out[3]);
// Launches a ripple at row 400 on the scene's first call and whenever a later entry begins; a
// launch into a full table is dropped.
void ripple_launch(RippleState* r, bool first_call, float start);
// Adds every launched ripple's half-sine bump to the 385 heights, then moves it up by 6 rows per
// frame unit of d, to rest at row 32.
void ripples_apply(RippleState* r, float* heights, float d);
