// Makers and the clear of the pixel buffer records.
#include "display/surface.h"

#include <cstdlib>
#include <cstring>

Surface* surface_create(int width, int height)
{
    Surface* s = static_cast<Surface*>(std::malloc(sizeof(Surface)));
    if (!s) return nullptr;
    s->pixels = static_cast<uint32_t*>(std::malloc(static_cast<size_t>(height) * width * 4));
    if (!s->pixels) {
        std::free(s);
        return nullptr;
    }
    s->width = width;
    s->height = height;
    s->pitch = width * 4;
    s->depth = 0;
    return s;
}

ByteMap* bytemap_create(int width, int height)
{
    ByteMap* m = static_cast<ByteMap*>(std::malloc(sizeof(ByteMap)));
    if (!m) return nullptr;
    m->data = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(height) * width));
    if (!m->data) {
        std::free(m);
        return nullptr;
    }
    m->width = width;
    m->height = height;
    m->pitch = width;
    m->depth = 0;
    return m;
}

Image* image_create(int width, int height)
{
    Image* img = static_cast<Image*>(std::calloc(1, sizeof(Image)));
    if (!img) return nullptr;
    img->pixels = static_cast<uint32_t*>(std::calloc(static_cast<size_t>(height) * width, 4));
    if (!img->pixels) {
        std::free(img);
        return nullptr;
    }
    img->width = width;
    img->height = height;
    return img;
}

void surface_free(Surface* s)
{
    if (!s) return;
    std::free(s->pixels);
    std::free(s);
}

void bytemap_free(ByteMap* m)
{
    if (!m) return;
    std::free(m->data);
    std::free(m);
}

void image_free(Image* img)
{
    if (!img) return;
    std::free(img->pixels);
    std::free(img);
}

void surface_clear(Surface* s)
{
    const size_t row_bytes = static_cast<size_t>(s->width) * 4;
    for (int y = 0; y < s->height; ++y) std::memset(surface_row(s, y), 0, row_bytes);
}
