// Shared pieces of the 2D tests: the padded Surface and the self-removing temp directory of the 3D
// tests, and the file contents the tests write.
#pragma once
#include <string>

#include "geom3d/geom_test_util.h"

// Byte i is i * mul (mod 256): pictures and a font whose glyphs all differ.
inline std::string ramp_bytes(size_t n, unsigned mul)
{
    std::string b(n, '\0');
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<char>(i * mul + i / 209);
    return b;
}
