// Integer colour arithmetic on 0xAARRGGBB words, two 8-bit channels at a time in one 32-bit word
// (red with blue, green with alpha). Every drawing routine blends through these helpers, so each
// formula exists once. Weights never let a channel carry into its neighbour.
#pragma once
#include <cstdint>

constexpr uint32_t k_mask_rb = 0x00FF00FFu;   // red and blue
constexpr uint32_t k_mask_ag = 0xFF00FF00u;   // alpha and green
constexpr uint32_t k_mask_g = 0x0000FF00u;

// Per channel floor(src * (a + 1) / 256) + floor(dst * (256 - a) / 256), red, green and blue;
// the top byte is 0. Each term is floored on its own, so a = 255 gives src exactly and a = 0
// gives dst exactly. a is 0..255. (Glyph blend, picture fade, blended texture grid.)
inline uint32_t blend_rgb_split(uint32_t src, uint32_t dst, uint32_t a)
{
    const uint32_t ws = a + 1;
    const uint32_t wd = 256 - a;
    const uint32_t rb = (((src & k_mask_rb) * ws) >> 8 & k_mask_rb) + (((dst & k_mask_rb) * wd) >> 8 & k_mask_rb);
    const uint32_t g = (((src & k_mask_g) * ws) >> 8 & k_mask_g) + (((dst & k_mask_g) * wd) >> 8 & k_mask_g);
    return rb | g;
}

// Per byte (src * (a + 1) + dst * (256 - a)) >> 8 for all four bytes: the weights add to 257.
// a is 0..255. (Line colours along the segment and the line's blend into the destination.)
inline uint32_t blend_argb(uint32_t src, uint32_t dst, uint32_t a)
{
    const uint32_t ws = a + 1;
    const uint32_t wd = 256 - a;
    const uint32_t lo = ((src & k_mask_rb) * ws + (dst & k_mask_rb) * wd) >> 8 & k_mask_rb;
    const uint32_t hi = (((src >> 8) & k_mask_rb) * ws + ((dst >> 8) & k_mask_rb) * wd) & k_mask_ag;
    return hi | lo;
}

// Per channel (src * (a + 1) + dst * (256 - a)) >> 8 for red, green and blue; the top byte is 0.
// a is 0..255. (Glow dots.)
inline uint32_t blend_rgb(uint32_t src, uint32_t dst, uint32_t a)
{
    const uint32_t ws = a + 1;
    const uint32_t wd = 256 - a;
    const uint32_t rb = ((src & k_mask_rb) * ws + (dst & k_mask_rb) * wd) & (k_mask_rb << 8);
    const uint32_t g = ((src & k_mask_g) * ws + (dst & k_mask_g) * wd) & (k_mask_g << 8);
    return (rb | g) >> 8;
}

// Per channel (c * f) >> 8 for red, green and blue, f at most 257; the top byte is 0.
// (Opaque texture grid shading with f = shade + 2.)
inline uint32_t scale_rgb(uint32_t c, uint32_t f)
{
    const uint32_t rb = (c & k_mask_rb) * f >> 8 & k_mask_rb;
    const uint32_t g = (c & k_mask_g) * f >> 8 & k_mask_g;
    return rb | g;
}

// Per lane min(x + y, 255) for two words each holding two 8-bit values in the lanes 0x00FF00FF.
// The carry out of a lane (bit 8 or 24) minus itself shifted down gives 0xFF in that lane, which
// saturates it without a branch. (Additive dots.)
inline uint32_t add_sat_lanes(uint32_t x, uint32_t y)
{
    const uint32_t sum = x + y;
    const uint32_t carry = sum & 0x01000100u;
    return (sum | (carry - ((sum >> 8) & 0x00010001u))) & k_mask_rb;
}

// Additive dot pixel: each of red, green and blue becomes min(d + floor(c * a / 256), 255) and the
// top byte min(dt + a, 255); the colour's own top byte does not enter. a is 0..255.
inline uint32_t add_dot_rgb(uint32_t colour, uint32_t dst, uint32_t a)
{
    const uint32_t rb = ((colour & k_mask_rb) * a >> 8) & k_mask_rb;
    const uint32_t ag = ((((colour >> 8) & 0xFFu) * a) >> 8) | (a << 16);
    return add_sat_lanes(dst & k_mask_rb, rb) | add_sat_lanes((dst >> 8) & k_mask_rb, ag) << 8;
}
