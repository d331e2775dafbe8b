// The noise dissolve: each texel blends the source over a grey drawn from the demo generator. The
// fast twin of the texel loop is in noise_dissolve_fast.cpp.
#include "scenes/plane/noise_dissolve.h"

#include <cstdlib>
#include <cstring>

#include "base/random.h"
#include "display/blend.h"
#include "display/render_paths.h"
#include "display/surface.h"
#include "scenes/plane/noise_dissolve_twins.h"

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
    d->shows_source = 0;
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
        // Once the texture has come through, the fast path keeps the copy it already made: the
        // source never changes, so a second copy would write the same words.
        if (g_plain_paths || !d->shows_source) std::memcpy(d->work->pixels, src->pixels, count * sizeof(uint32_t));
        d->shows_source = 1;
        return;
    }
    d->shows_source = 0;
    if (g_plain_paths) return dissolve_texels_plain(d, b);
    return dissolve_texels_fast(d, b);
}

// Every texel is rewritten, so the plain copy that the full level shows is not needed.
void dissolve_texels_plain(NoiseDissolve* d, uint32_t b)
{
    const Image* src = d->source;
    const size_t count = static_cast<size_t>(src->width) * static_cast<size_t>(src->height);
    uint32_t* out = d->work->pixels;
    for (size_t i = 0; i < count; ++i) {
        const uint32_t n = demo_rand() % 255u;
        out[i] = blend_rgb_split(src->pixels[i], n * 0x010101u, b);
    }
}
