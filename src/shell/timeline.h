// The Timeline: the demo's script of 92 scene entries with their end times, plus a terminator.
#pragma once
#include <cstdint>

struct Surface;

// A scene draws one frame: `now` and `start` are in 60 Hz frame units.
typedef void (*SceneFn)(Surface* frame, float now, float start);

struct TimelineEntry {
    SceneFn scene;     // null for the terminator
    uint32_t end_ms;   // music position at which the entry is over
};

constexpr int k_timeline_entries = 92;   // the terminator follows them

// Fills out[0 .. k_timeline_entries] (93 records, the last one the terminator).
void timeline_build(TimelineEntry* out);

// Milliseconds to 60 Hz frame units: the single-precision constant 0.06 times the exact
// millisecond count, multiplied in double and rounded to float.
inline float ms_to_frames(uint32_t ms)
{
    return static_cast<float>(static_cast<double>(ms) * static_cast<double>(0.06f));
}
