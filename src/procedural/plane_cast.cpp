// Plane casting onto a texture grid. The four corner directions of a 90-degree view are rotated
// once; the ray through each node is interpolated from them with float sums, row by row and node by
// node, and only the nodes are cast: the grid drawing interpolates between them.
#include "procedural/plane_cast.h"

#include <cmath>
#include <cstdint>

#include "geom3d/matrix.h"
#include "procedural/texture_grid.h"

namespace {

// The float nearest pi / 4: half of the 90-degree horizontal field of view.
constexpr double k_half_fov = 0.78539817;
// Beyond this parameter distance along the (unnormalised) ray the plane is black.
constexpr double k_fade_distance = 255.0;

// (b - a) / n, rounded to float as it is stored.
inline float edge_step(float a, float b, int n)
{
    return static_cast<float>((static_cast<double>(b) - a) / n);
}

// trunc(v) when it fits a 32-bit integer. Otherwise `fits` is cleared and v is held at the nearest
// limit (0 when it is not a number): any value is safe for the grid's texel fetch.
inline int32_t trunc_fit(double v, bool* fits)
{
    if (v > -2147483649.0 && v < 2147483648.0) return static_cast<int32_t>(v);
    *fits = false;
    if (v >= 2147483648.0) return INT32_MAX;
    if (v <= -2147483649.0) return INT32_MIN;
    return 0;
}

// A corner direction (x, y, z) scaled to unit length, w = 1.
Vec4 unit_direction(float x, float y, float z)
{
    const double len = std::sqrt(static_cast<double>(x) * x + static_cast<double>(y) * y + static_cast<double>(z) * z);
    return {static_cast<float>(x / len), static_cast<float>(y / len), static_cast<float>(z / len), 1.0f};
}

// Both casters: `both_sides` casts every ray with a non-zero x (the plane and its mirror image),
// otherwise only rays along +x are cast.
void grid_cast(TextureGrid* grid, const Vec4& camera, const Vec4& angles, float plane, float scale, bool both_sides)
{
    const int cols = grid->cols;
    const int rows = grid->rows;
    if (cols < 1 || rows < 1) return;

    // Half sizes over the node counts: slightly more than half the frame.
    const float hw = static_cast<float>(static_cast<double>(grid->cell_w) * cols / 2.0);
    const float hh = static_cast<float>(static_cast<double>(grid->cell_h) * rows / 2.0);
    const float z = static_cast<float>(hw / std::tan(static_cast<double>(k_half_fov)));
    Vec4 corners[4] = {unit_direction(-hw, -hh, z), unit_direction(hw, -hh, z), unit_direction(-hw, hh, z),
                       unit_direction(hw, hh, z)};
    Matrix4 m;
    mat_identity(&m);
    mat_rotate_xyz(&m, angles);
    mat_transform_points(&m, corners, 4);
    const Vec4& tl = corners[0];
    const Vec4& tr = corners[1];
    const Vec4& bl = corners[2];
    const Vec4& br = corners[3];

    const double d = static_cast<double>(plane) - camera.x;
    // The edges step over the node count, so the last node row stops one step short of the bottom.
    const float dlx = edge_step(tl.x, bl.x, rows), dly = edge_step(tl.y, bl.y, rows), dlz = edge_step(tl.z, bl.z, rows);
    const float drx = edge_step(tr.x, br.x, rows), dry = edge_step(tr.y, br.y, rows), drz = edge_step(tr.z, br.z, rows);
    float lx = tl.x, ly = tl.y, lz = tl.z;
    float rx = tr.x, ry = tr.y, rz = tr.z;
    GridNode* node = grid->nodes;
    for (int i = 0; i < rows; ++i) {
        const float sx = edge_step(lx, rx, cols), sy = edge_step(ly, ry, cols), sz = edge_step(lz, rz, cols);
        float x = lx, y = ly, zz = lz;
        for (int j = 0; j < cols; ++j, ++node) {
            // The step comes first: the first node is one step in, the last on the right edge.
            x += sx;
            y += sy;
            zz += sz;
            const bool cast = both_sides ? (x != 0.0f && !std::isnan(x)) : x > 0.0f;
            if (!cast) {
                *node = {0, 0, 0};
                continue;
            }
            // The magnitude: a ray pointing away from the plane meets its mirror image.
            const double t = std::fabs(d / x);
            bool fits = true;
            node->u = trunc_fit((t * zz - camera.z) * scale, &fits);
            node->v = trunc_fit((t * y - camera.y) * scale, &fits);
            node->shade = fits && t < k_fade_distance ? static_cast<uint8_t>(k_fade_distance - t) : 0;
        }
        lx += dlx;
        ly += dly;
        lz += dlz;
        rx += drx;
        ry += dry;
        rz += drz;
    }
}

}  // namespace

void grid_cast_plane_pair(TextureGrid* grid, const Vec4& camera, const Vec4& angles, float plane, float scale)
{
    grid_cast(grid, camera, angles, plane, scale, true);
}

void grid_cast_plane(TextureGrid* grid, const Vec4& camera, const Vec4& angles, float plane, float scale)
{
    grid_cast(grid, camera, angles, plane, scale, false);
}
