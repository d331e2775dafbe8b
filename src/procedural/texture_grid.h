// The texture grid: a coarse mesh of control points, each with a texture coordinate pair and a
// shade, interpolated across every screen cell to map, shade or blend a texture into a surface.
#pragma once
#include <cstdint>

struct Image;
struct Surface;

struct GridNode {
    int32_t u;       // texture column
    int32_t v;       // texture row
    uint8_t shade;   // brightness (opaque drawing) or opacity (blended drawing)
};

struct TextureGrid {
    GridNode* nodes;        // cols x rows, row by row; owned
    int32_t cols;           // cell columns + 1
    int32_t rows;           // cell rows + 1
    int32_t x_offset;       // top-left corner on the target
    int32_t y_offset;
    int32_t cell_w;         // pixels per cell
    int32_t cell_h;
    const Image* texture;   // not owned
};

// A grid of `across` x `down` cells sized from the 512 x 384 frame, zero-filled nodes, offsets 0.
// Null when an allocation fails or a cell count is below 1.
TextureGrid* grid_create(int across, int down, const Image* texture);
void grid_free(TextureGrid* grid);

// Opaque: each channel of the texel becomes (ch * (S + 2)) >> 8, black where S is 0.
void grid_draw(const TextureGrid* grid, Surface* target);
// Blended over `background` at the same position with the shade S as opacity.
void grid_draw_blend(const TextureGrid* grid, Surface* target, const Surface* background);

// Fills every node for a pinch (or, with the other sign, bulge) of strength k; k = 0 gives the
// undistorted grid, whose texture coordinates are screen coordinates. Every shade is 255.
void grid_warp_pinch(TextureGrid* grid, double k);
