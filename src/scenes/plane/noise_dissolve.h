// The noise dissolve: a working copy of a texture in which the texture shows through animated grey
// static by a level from 0 (static only) to 255 (texture only).
#pragma once

struct Image;

struct NoiseDissolve {
    float level;           // 0..255
    Image* work;           // the source's size, rebuilt by every advance; owned
    const Image* source;   // not owned
    int shows_source;      // work is a copy of source, made at level 255 and not touched since
};

// Level 0 and a black work image of the source's size; null when the source is missing or an
// allocation fails.
NoiseDissolve* dissolve_create(const Image* source);
void dissolve_free(NoiseDissolve* dissolve);
// Sets the level to 0 when `reset` is set, moves it by -delta (held to 0..255) and rebuilds the
// work image. Below level 255 every texel takes one random number, so the static moves each call.
void dissolve_advance(NoiseDissolve* dissolve, float delta, int reset);
