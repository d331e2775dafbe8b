// What the web backend's files share: how the page runs the demo (on the music's clock, or on a
// virtual clock that steps a fixed time per pass, for exact frames and for timing) and the start-up
// pause, which the browser cannot sleep through.
#pragma once
#include <cstdint>

struct WebRun {
    int fps;          // 0: the music's clock; otherwise pass j reads j * 1000 / fps ms
    int report;       // 1: every frame's hash is handed to the page (the exact mode)
    uint64_t pass;    // passes ended
    double wake_ms;   // page time (ms) before which no pass runs: the start-up pause
    uint32_t clock_ms;  // the position the pass under way read
    int entry;        // the Timeline entry the pass under way draws; -1 before the first pass
};

extern WebRun g_web;

// The page's clock in ms (monotonic, sub-millisecond).
double web_now_ms();
