// Reduced flashing: a filter on the finished frame, after the scene has drawn it and before it is
// shown or written, that keeps the picture under three flashes a second. Frames that would not add a
// flash pass unchanged; where one would, the frame is blended with the last one shown (down to
// holding it) just far enough that no 10-degree field of view makes a transition it has no room for.
// It is causal (it sees only the frames so far) and deterministic (integer arithmetic only, its
// state in process-wide variables), so the same frames in give the same frames out on every
// platform.
#pragma once
#include <cstdint>

struct Surface;

// 1: the frame loop passes every frame through flash_filter_apply (the viewer's choice; 0 shows the
// exact demo).
extern int g_reduce_flashing;

// 1 when the last frame flash_filter_apply saw left it changed, 0 when it left it as drawn.
extern int g_flash_filter_changed;

// Filters a 512x384 frame in place; t_ms is the clock the frame shows. A clock that goes back starts
// the filter afresh, as for a new run. Frames of another size pass unchanged.
void flash_filter_apply(Surface* frame, uint32_t t_ms);

// Forgets every frame seen so far.
void flash_filter_reset();
