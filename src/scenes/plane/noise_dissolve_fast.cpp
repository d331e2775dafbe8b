// The fast twin of the noise dissolve's texel loop: the same words as the plain one, the generator
// held in a register.
#include <cstddef>
#include <cstdint>

#include "display/blend.h"
#include "display/surface.h"
#include "draw2d/rand_stream.h"
#include "scenes/plane/noise_dissolve.h"
#include "scenes/plane/noise_dissolve_twins.h"

// The two terms of the blend are floored apart and never carry, so the texel is the source's term
// plus the grey's, and the grey's comes from a table of the 255 greys. At level 0 the source's term,
// floor(c / 256), is 0.
void dissolve_texels_fast(NoiseDissolve* d, uint32_t b)
{
    const Image* src = d->source;
    const size_t count = static_cast<size_t>(src->width) * static_cast<size_t>(src->height);
    uint32_t* out = d->work->pixels;
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
}
