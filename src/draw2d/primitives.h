// Whole-buffer 2D operations the scenes combine: static noise, the picture fade, contrast stretch
// with dithering, colour gradients and palettes, wrap-around shifted copies and a bit mask.
// None allocates and none clips: callers pass buffers and positions that fit.
#pragma once
#include <cstdint>

struct Surface;
struct ByteMap;
struct FadePicture;

// One colour stop of a gradient. A key list rises by position and ends with a key of negative
// position, or with a key at or beyond the entry count (the build stops before reading further).
struct GradientKey {
    int32_t position;
    int32_t red;
    int32_t green;
    int32_t blue;
};

// One interpolated gradient colour, not yet clamped to 0..255.
struct GradientEntry {
    int32_t red;
    int32_t green;
    int32_t blue;
};

// Rows [first_row, end_row) become runs of 5 to 12 grey pixels; the grey is rand mod 255 less bias.
void noise_rows(Surface* surface, uint32_t first_row, uint32_t end_row, int32_t bias);

// Moves the fade level by -step (after setting it to reset_level when reset is non-zero), clamps it
// to 0..255 and draws the picture blended with its backdrop at (x, y).
void fade_blit(Surface* surface, int x, int y, float step, int reset, float reset_level, FadePicture* fade);
// fade_blit's level change alone; returns the blend level it draws with.
uint32_t fade_level_step(float step, int reset, float reset_level, FadePicture* fade);

// Spreads the map's values over 0..255 with a random dither; a flat map becomes random bytes.
void bytemap_stretch(ByteMap* map);

// Interpolates the keys into `count` entries with one random rounding offset per call.
void gradient_build(GradientEntry* out, int count, const GradientKey* keys);

// dst pixel (x, y) = 256-entry palette built from `keys`, indexed by src byte (x, y).
void palette_map(Surface* dst, const ByteMap* src, const GradientKey* keys);

// Wrap-around copies of src shifted by (dx, dy) into dst (of the same size); the difference
// variant makes each dst byte |dst - shifted src|.
void surface_copy_shifted(Surface* dst, const Surface* src, int dx, int dy);
void bytemap_copy_shifted(ByteMap* dst, const ByteMap* src, int dx, int dy);
void bytemap_absdiff_shifted(ByteMap* dst, const ByteMap* src, int dx, int dy);

// Every pixel ANDed with the mask.
void surface_and(Surface* surface, uint32_t mask);
