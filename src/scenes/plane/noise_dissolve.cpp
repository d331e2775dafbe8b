// The noise dissolve: each texel blends the source over a grey drawn from the demo generator.
#include "scenes/plane/noise_dissolve.h"

#include <cstdlib>
#include <cstring>

#include "display/blend.h"
#include "display/render_paths.h"
#include "display/surface.h"
#include "draw2d/rand_stream.h"
#include "shell/random.h"

NoiseDissolve* dissolve_create(const Image* source)
{
    if (!source) return nullptr;
    NoiseDissolve* d = static_cast<NoiseDissolve*>(std::malloc(sizeof(NoiseDissolve)));
    if (!d) return nullptr;
    d->work = image_create(source->width, source->height);
    if (!d->work) {
        std::free(d);
        return nullptr;
    }
    d->level = 0.0f;
    d->source = source;
    return d;
}

void dissolve_free(NoiseDissolve* dissolve)
{
    if (!dissolve) return;
    image_free(dissolve->work);
    std::free(dissolve);
}

void dissolve_advance(NoiseDissolve* d, float delta, int reset)
{
    if (reset) d->level = 0.0f;
    d->level = d->level - delta;
    // Written so that a level that is not a number becomes 0.
    if (!(d->level >= 0.0f)) d->level = 0.0f;
    if (d->level > 255.0f) d->level = 255.0f;
    const uint32_t b = static_cast<uint32_t>(d->level);

    const Image* src = d->source;
    const size_t count = static_cast<size_t>(src->width) * static_cast<size_t>(src->height);
    if (b >= 255) {
        std::memcpy(d->work->pixels, src->pixels, count * sizeof(uint32_t));
        return;
    }
    // Every texel is rewritten here, so the plain copy that the full level shows is not needed.
    uint32_t* out = d->work->pixels;
    if (!g_plain_paths) {
        // The two terms of the blend are floored apart and never carry, so the texel is the
        // source's term plus the grey's, and the grey's comes from a table of the 255 greys. At
        // level 0 the source's term, floor(c / 256), is 0.
        uint32_t grey_term[255];
        for (uint32_t n = 0; n < 255; ++n) grey_term[n] = blend_rgb_split(0u, n * 0x010101u, b);
        RandStream r = rand_stream_begin();
        if (b == 0) {
            for (size_t i = 0; i < count; ++i) out[i] = grey_term[rand_stream_next(&r) % 255u];
        } else {
            for (size_t i = 0; i < count; ++i)
                out[i] = blend_rgb_split(src->pixels[i], 0u, b) + grey_term[rand_stream_next(&r) % 255u];
        }
        rand_stream_end(&r);
        return;
    }
    for (size_t i = 0; i < count; ++i) {
        const uint32_t n = demo_rand() % 255u;
        out[i] = blend_rgb_split(src->pixels[i], n * 0x010101u, b);
    }
}
