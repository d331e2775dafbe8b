// Which implementation the drawing routines take. Every routine that has a fast path keeps its plain
// one beside it as the reference; both write identical pixels. The plain paths are chosen for the
// whole process (a tool option or QUORVELLE_PLAIN=1 in the environment) to compare or to debug.
#pragma once

// 1: every routine takes its plain path. Read per call, so a tool can switch between frames.
extern int g_plain_paths;

// 1: the fast paths that have an AVX2 twin take it. Set at start-up when the processor has AVX2; the
// twins write the same words as the SSE2 code every x86-64 processor runs.
extern int g_avx2_paths;

// Sets g_plain_paths from QUORVELLE_PLAIN when that variable is set (1 plain, 0 fast), and clears
// g_avx2_paths when QUORVELLE_SSE2 is set to anything but 0.
void render_paths_from_environment();
