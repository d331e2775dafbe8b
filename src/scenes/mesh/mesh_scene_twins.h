// The twins of the mesh scene's frame, for the dispatch in mesh_scene.cpp, with what both draw
// strands and dots with, and the fast twin's shared curve points, which the preparation makes room
// for.
#pragma once
#include <cstdint>

#include "geom3d/ase_loader.h"
#include "geom3d/matrix.h"

struct Surface;
struct TextureGrid;

constexpr uint32_t k_strand_colour = 0xFFFEFEFFu;
constexpr uint32_t k_joint_colour = 0xFFABD4E4u;
// The projected origin sits at the fixed screen centre, whatever the surface.
constexpr double k_centre_x = 256.0;
constexpr double k_centre_y = 192.0;

// What the twins draw one frame from; read only while they draw.
struct MeshFrame {
    Surface* frame;
    const Mesh* mesh;
    const Vec4* work;
    const TextureGrid* grid;   // null when the frame is too small for it
    double pulse;
    float radius;
};

// Clears the frame, textures it with the grid and draws every strand and then every joint's dot.
void mesh_frame_draw_plain(const MeshFrame& f);
void mesh_frame_draw_fast(const MeshFrame& f);

// Room for the curve points of `edges` strands; 0 when memory runs out.
int strand_points_create(int edges);
void strand_points_free();

inline float centred(double v, double centre)
{
    return static_cast<float>(v + centre);
}

inline void strand_points(const Vec4& a, const Vec4& b, double pulse, Vec4* first, Vec4* second, Vec4* control)
{
    *first = {centred(a.x, k_centre_x), centred(a.y, k_centre_y), a.z, a.w};
    *second = {centred(b.x, k_centre_x), centred(b.y, k_centre_y), b.z, b.w};
    // The strand bows towards the first vertex's x and the second vertex's y.
    *control = {centred(a.x * pulse, k_centre_x), centred(b.y * pulse, k_centre_y), 0.0f, 0.0f};
}

