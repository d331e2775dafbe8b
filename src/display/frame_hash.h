// The fingerprint of a frame that the capture tool lists and the web page's exact mode reports, so
// that frames drawn on different platforms can be compared one by one.
#pragma once
#include <cstdint>

struct Surface;

// 64-bit FNV-1a over the visible pixels, row by row, each word's bytes from the lowest.
uint64_t frame_hash(const Surface* frame);
