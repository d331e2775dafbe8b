// The wave-floor renderer: an endless green floor that rolls in smooth waves along the forward
// axis, cast one ray per screen row and drawn as perspective-scaled texture strips.
#pragma once
#include <cstdint>

#include "display/frame_size.h"

struct Image;
struct Surface;

constexpr int k_floor_rows = k_frame_height;     // screen rows, row 0 at the top
constexpr int k_floor_columns = k_frame_width;   // pixels drawn per row
constexpr int32_t wave_profile_length = 384;

// What one screen row shows: a horizontal strip of the texture, or nothing.
struct FloorRow {
    int32_t u_left;    // texture column at the left screen edge
    int32_t u_right;   // texture column at the right screen edge
    int32_t v;         // texture row, before wrapping
    int32_t hit;       // 1 when the row's ray met the floor
    int32_t shade;     // brightness 0..256
};

struct WaveFloor {
    FloorRow rows[k_floor_rows];
    Image* texture;   // 256 x 256, green only
};

extern WaveFloor* g_wave_floor;   // null until wave_floor_prepare succeeds
extern int32_t* g_wave_profile;   // wave_profile_length heights 0..127, one per forward unit

// Draws one seed from the demo generator and builds the floor texture from a height field, then
// the wave profile. 1 on success, 0 when memory runs out (what was made before is kept).
int wave_floor_prepare();

// Fills every row of `floor` for a camera pitched by `pitch` radians at forward offset `position`.
// The profile repeats every n units ahead and is mirrored behind forward position 0. A profile of
// no entries has no floor: no row hits.
void wave_floor_cast(WaveFloor* floor, const int32_t* profile, int32_t n, double pitch, double position);

// Draws the rows that hit into rows 0..383, columns 0..511 of `surface` (clipped to a smaller
// surface); rows without a hit are left as they were.
void wave_floor_draw(const WaveFloor* floor, Surface* surface);
