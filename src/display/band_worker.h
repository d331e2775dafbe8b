// Row bands drawn by more than one thread. The main thread keeps the frame loop, the clock and every
// scene's state; it hands a drawing job to band_run, which cuts the rows into bands and draws them on
// the main thread and on persistent worker threads (made once, at the first job that needs them),
// and returns only when every band is done. A job must write only the rows of the band it is given
// and must not change anything else that another band reads, so the frame comes out the same
// whatever the number of threads.
#pragma once

// Threads that draw: 1 draws everything on the calling thread (the default); at most 8.
extern int g_threads;

// A part of a frame: draws rows y0 .. y1 - 1 and nothing else.
typedef void (*BandFn)(void* ctx, int y0, int y1);

// Runs fn over the rows 0 .. height - 1, cut into bands, on g_threads threads; with one thread it is
// fn(ctx, 0, height). Call it only from the main thread, never from inside a band.
void band_run(BandFn fn, void* ctx, int height);

// The same with the number of bands chosen by the caller (at least 1; capped at height).
void band_run_split(BandFn fn, void* ctx, int height, int bands);

// The machine's cores, at least 1 and at most 8: the offline tools' default thread count.
int band_threads_all();
