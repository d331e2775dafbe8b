// Which implementation the drawing routines take. Every routine that has a fast path keeps its plain
// one beside it as the reference; both write identical pixels. The plain paths are chosen for the
// whole process (a tool option or QUORVELLE_PLAIN=1 in the environment) to compare or to debug.
#pragma once

// 1: every routine takes its plain path. Read per call, so a tool can switch between frames.
extern int g_plain_paths;

// Sets g_plain_paths from QUORVELLE_PLAIN when that variable is set (1 plain, 0 fast).
void render_paths_from_environment();
