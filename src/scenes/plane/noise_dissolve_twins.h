// The twins of the noise dissolve's texel loop, for the dispatch in noise_dissolve.cpp: each
// rewrites every texel of the work image at level b (0..254), one random number a texel.
#pragma once
#include <cstdint>

struct NoiseDissolve;

void dissolve_texels_plain(NoiseDissolve* d, uint32_t b);
void dissolve_texels_fast(NoiseDissolve* d, uint32_t b);
