// The flash report: counts, for a run of frames, the general flashes and the red flashes of every
// one-second stretch, by the web accessibility guidelines' definitions, so that a capture shows
// whether (and where) the picture flashes more than three times in a second.
//
// Relative luminance is computed from sRGB with the Rec. 709 weights. The frame is cut into cells
// of 8x8 pixels; a cell's state is the mean of its linear light. A transition of a cell is a move of
// 0.1 or more in relative luminance from the last extreme the other way, where the darker of the two
// states is below 0.8; a red transition is a move of more than 20 in (R - G - B) * 320 (linear R, G,
// B; negative values count as 0) from the last extreme the other way where one of the two states is
// a saturated red, R / (R + G + B) >= 0.8. A flash is a pair of opposing transitions.
//
// Area rule: a flash counts only where it covers a quarter of a 10-degree field of view. At a
// typical viewing distance such a field is 341x256 pixels of a 1024x768 screen; the 512x384 frame
// shown full screen there is doubled, so the field is 170.5x128 frame pixels and its quarter 5456
// frame pixels (86 cells). Every 10-degree field that fits in the frame (21x16 cells, at every cell
// position) has its own count: it makes a transition in a frame where cells covering at least a
// quarter of it make a transition the same way in that frame, and each second such transition after
// an opposing one completes a flash. A frame's count is the most flashes any field completed in the
// second up to and including that frame.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct Surface;

struct FlashSecond {
    int general;   // the most general flashes of any field in a one-second stretch ending in it
    int red;       // the same for red flashes
};

struct FlashWindowState {
    int last_dir;                 // +1 or -1: the field's last transition, 0 before the first
    bool pending;                 // a transition waits for its opposite to make a flash
    std::vector<uint32_t> times;  // when each flash completed (ms), oldest first, the last second only
};

struct FlashCellState {
    double lo, hi;                // the last extremes each way
    bool lo_red, hi_red;          // red tracker: whether those extremes were saturated reds
    int dir;                      // +1 rising, -1 falling, 0 before the first transition
};

struct FlashReport {
    uint64_t frames = 0;
    uint32_t first_ms = 0, last_ms = 0;
    std::vector<FlashCellState> cells[2];        // [0] general, [1] red
    std::vector<FlashWindowState> windows[2];
    std::vector<FlashSecond> seconds;            // by second of the clock, t_ms / 1000
    std::vector<int8_t> events;                  // this frame's transition of each cell
    std::vector<int> area;                       // summed-area table of the events of one direction
};

// Adds one frame, shown at t_ms (frames come in order of time).
void flash_report_add(FlashReport* report, const Surface* frame, uint32_t t_ms);

// The readable report: a line per second that holds a flash, the seconds over three flashes and the
// largest counts. `drawn` (the demo's frames) or `reduced` (the frames --reduce-flashing shows, of
// which the filter changed `changed`) may be null, not both; given both, they go side by side.
std::string flash_report_text(const FlashReport* drawn, const FlashReport* reduced, uint64_t changed);

// Seconds whose count is over three, general or red.
int flash_report_seconds_over(const FlashReport* report);
