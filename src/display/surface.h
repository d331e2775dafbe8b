// Pixel buffer records: the Surface (32-bit, with pitch), the ByteMap (8-bit) and the Image
// (32-bit, no pitch), their makers and the row-by-row clear.
#pragma once
#include <cstdint>

// 32-bit pixels 0x00RRGGBB; row y starts y * pitch bytes after `pixels`.
struct Surface {
    uint32_t* pixels;
    int32_t width;
    int32_t height;
    int32_t pitch;   // bytes; may exceed width * 4 for the display's back buffer
    int32_t depth;   // bits per cell; only the hand-built 8-bit maps set it
};

// 8-bit cells, same layout as the Surface.
struct ByteMap {
    uint8_t* data;
    int32_t width;
    int32_t height;
    int32_t pitch;
    int32_t depth;
};

// width * height 32-bit pixels, rows back to back.
struct Image {
    int32_t width;
    int32_t height;
    uint32_t* pixels;
};

// Row y of a Surface or ByteMap, addressed through the pitch.
inline uint32_t* surface_row(const Surface* s, int y)
{
    return reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(s->pixels) + static_cast<intptr_t>(y) * s->pitch);
}
inline uint8_t* bytemap_row(const ByteMap* m, int y)
{
    return m->data + static_cast<intptr_t>(y) * m->pitch;
}

Surface* surface_create(int width, int height);   // uncleared pixels, pitch width * 4
ByteMap* bytemap_create(int width, int height);   // uncleared cells, pitch width
Image* image_create(int width, int height);       // zero-filled
void surface_free(Surface* s);
void bytemap_free(ByteMap* m);
void image_free(Image* img);

// Zeroes the first width * 4 bytes of every row; the bytes past a row's end are left alone.
void surface_clear(Surface* s);
