// The star field: creation on a sphere from the demo generator, the per-frame rotation of a working
// copy, the projection and the 2 x 2 anti-aliased plot onto black pixels.
#include "scenes/plane/star_field.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "base/angles.h"
#include "base/random.h"
#include "display/blend.h"
#include "display/surface.h"
#include "geom3d/matrix.h"
#include "scenes/plane/plane_scenes_twins.h"

namespace {

constexpr double k_to_unit = 1.0 / 4294967296.0;   // a random word as a fraction of 2^32
constexpr double k_radius = 8000.0;
// The projection is fixed, whatever the surface: focal length 150 about (160, 120).
constexpr double k_focal = 150.0;
constexpr double k_centre_x = 160.0;
constexpr double k_centre_y = 120.0;

// A black pixel (whatever its top byte) takes the colour scaled by weight / 256; others stay.
inline void plot_weighted(uint32_t* p, uint32_t colour, uint32_t weight)
{
    if ((*p & 0x00FFFFFFu) == 0) *p = scale_rgb(colour, weight);
}

struct StarSpot {
    float x, y;
    uint32_t colour;
};

// Where a star lands and its grey. No depth test: a star behind the viewer projects mirrored
// through the centre. One on the viewer's plane has no projection, and the answer is false.
inline bool star_project(const Vec4& p, StarSpot* spot)
{
    if (p.z == 0.0f) return false;
    spot->x = static_cast<float>(p.x * k_focal / p.z + k_centre_x);
    spot->y = static_cast<float>(p.y * k_focal / p.z + k_centre_y);
    // The rotations keep the brightness in 0..255; anything else is held there.
    const uint32_t grey = p.w >= 255.0f ? 255u : (p.w > 0.0f ? static_cast<uint32_t>(p.w) : 0u);
    spot->colour = grey * 0x010101u;
    return true;
}

}  // namespace

StarCloud* star_cloud_create(int count)
{
    if (count < 0) return nullptr;
    const size_t n = static_cast<size_t>(count);
    StarCloud* cloud = static_cast<StarCloud*>(std::malloc(sizeof(StarCloud) + 2 * n * sizeof(Vec4)));
    if (!cloud) return nullptr;
    cloud->count = count;
    cloud->points = reinterpret_cast<Vec4*>(cloud + 1);
    cloud->work = cloud->points + n;
    for (size_t i = 0; i < n; ++i) {
        // The polar angle is uniform, so the stars crowd toward the poles on the z axis.
        const float theta = static_cast<float>(demo_rand() * k_to_unit * k_pi);
        const double phi = demo_rand() * k_to_unit * k_two_pi;
        const double st = std::sin(static_cast<double>(theta));
        Vec4& p = cloud->points[i];
        p.x = static_cast<float>(k_radius * st * std::cos(phi));
        p.y = static_cast<float>(k_radius * st * std::sin(phi));
        p.z = static_cast<float>(k_radius * std::cos(static_cast<double>(theta)));
        p.w = static_cast<float>(demo_rand() & 0xFFu);
    }
    if (n) std::memcpy(cloud->work, cloud->points, n * sizeof(Vec4));
    return cloud;
}

void star_cloud_free(StarCloud* cloud)
{
    std::free(cloud);
}

void star_cloud_transform(StarCloud* cloud, const Matrix4* matrix)
{
    if (cloud->count <= 0) return;
    std::memcpy(cloud->work, cloud->points, static_cast<size_t>(cloud->count) * sizeof(Vec4));
    mat_transform_points(matrix, cloud->work, cloud->count);
}

namespace {

// The 2 x 2 plot of plot_subpixel, writing only the rows row_from .. row_to - 1: each pixel it
// writes is written exactly as the whole plot writes it, so bands drawn apart add up to the whole.
void plot_subpixel_rows(Surface* surface, float x, float y, uint32_t colour, int row_from, int row_to)
{
    const int width = surface->width;
    const int height = surface->height;
    // Written so that a value that is not a number fails every test.
    if (!(x >= -1.0f && static_cast<double>(x) < width && y >= -1.0f && static_cast<double>(y) < height)) return;
    const int iy = static_cast<int>(std::floor(y));
    // The plot's rows are iy and iy + 1: nothing to do when neither is in the band.
    if (iy + 1 < row_from || iy >= row_to) return;
    const int ix = static_cast<int>(std::floor(x));
    const uint32_t fx = static_cast<uint32_t>(static_cast<int>(std::floor(x * 256.0))) & 0xFFu;
    const uint32_t fy = static_cast<uint32_t>(static_cast<int>(std::floor(y * 256.0))) & 0xFFu;
    const uint32_t o = (fx * fy) >> 8;
    const uint32_t w_tl = 256 - fx - fy + o, w_tr = fx - o, w_bl = fy - o, w_br = o;

    const bool left = x >= 0.0f;
    const bool right = static_cast<double>(x) < width - 1;
    if (y >= 0.0f && iy >= row_from && iy < row_to) {
        uint32_t* row = surface_row(surface, iy);
        if (left) plot_weighted(row + ix, colour, w_tl);
        if (right) plot_weighted(row + ix + 1, colour, w_tr);
    }
    if (static_cast<double>(y) < height - 1 && iy + 1 >= row_from && iy + 1 < row_to) {
        uint32_t* row = surface_row(surface, iy + 1);
        if (left) plot_weighted(row + ix, colour, w_bl);
        if (right) plot_weighted(row + ix + 1, colour, w_br);
    }
}

}  // namespace

// Inside -1 <= y < height the plot's rows are iy >= -1 and iy + 1 <= height - 1, so the band of all
// rows lets through exactly the pixels the bounds tests let through.
void plot_subpixel(Surface* surface, float x, float y, uint32_t colour)
{
    plot_subpixel_rows(surface, x, y, colour, 0, surface->height);
}

void star_cloud_draw(const StarCloud* cloud, Surface* surface)
{
    star_cloud_draw_rows(cloud, surface, 0, surface->height);
}

void star_cloud_draw_rows(const StarCloud* cloud, Surface* surface, int row_from, int row_to)
{
    StarSpot spot;
    for (int i = 0; i < cloud->count; ++i)
        if (star_project(cloud->work[i], &spot))
            plot_subpixel_rows(surface, spot.x, spot.y, spot.colour, row_from, row_to);
}
