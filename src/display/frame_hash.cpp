// The frame fingerprint.
#include "display/frame_hash.h"

#include "display/surface.h"

uint64_t frame_hash(const Surface* frame)
{
    uint64_t h = 0xcbf29ce484222325ull;
    for (int y = 0; y < frame->height; ++y) {
        const uint32_t* row = surface_row(frame, y);
        for (int x = 0; x < frame->width; ++x) {
            for (int b = 0; b < 32; b += 8) {
                h ^= (row[x] >> b) & 0xFF;
                h *= 0x100000001b3ull;
            }
        }
    }
    return h;
}
