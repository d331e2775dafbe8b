// The capture backend's controls, for the offline tools: it drives the demo's own frame loop with
// a virtual clock and hands every frame it renders to the tool.
#pragma once
#include <cstdint>

struct Surface;

struct CaptureFrame {
    const Surface* frame;
    uint64_t index;          // j: the j-th pass of the run, which reads j * 1000 / fps ms
    uint32_t t_ms;           // the clock the pass read
    int entry;               // Timeline entry the pass drew
    double scene_ms;         // wall time from the lock to the present (the scene's work)
    bool seeking;            // the pass lies before from_ms: rendered for the scenes' state only
};

struct CaptureConfig {
    int fps;                 // frames per second of the virtual clock, at least 1
    uint32_t from_ms;        // passes that read less than this are seeking passes
    uint32_t to_ms;          // passes at or past it are not run
    uint64_t last_frame;     // no pass runs after pass j = last_frame
    int pitch;               // bytes per row of the frame buffer, at least 2048
    // Called once per pass, seeking passes included; returns 0 to fail the capture.
    int (*deliver)(const CaptureFrame* frame, void* context);
    void* context;
};

// Sets the controls; call before demo_main. Returns 0 for controls that cannot work.
int capture_configure(const CaptureConfig* config);

// After demo_main: 1 when every frame was delivered and no scene wrote outside its rows.
int capture_succeeded();

// What went wrong, when capture_succeeded is 0 (an empty string otherwise).
const char* capture_error();
