// The plane scenes' preparation. The order of the random draws (sky seed, ground seed, then three
// per star) decides every texture and star, so it must not change.
#include "scenes/plane/plane_resources.h"

#include <cstdlib>

#include "base/random.h"
#include "display/blend.h"
#include "display/frame_size.h"
#include "display/surface.h"
#include "procedural/height_field.h"
#include "procedural/texture_grid.h"
#include "scenes/plane/noise_dissolve.h"
#include "scenes/plane/star_field.h"

PlaneSceneData g_plane_scene = {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                {0.0f, -256.0f, 0.0f, 1.0f}, {0.0f, 0.0f, 0.0f, 1.0f}, 0.0f};

namespace {

constexpr int k_texture_size = 256;
constexpr int32_t k_sky_roughness = 32768;
constexpr int32_t k_ground_roughness = 4096;
constexpr int k_grid_across = 32;
constexpr int k_grid_down = 24;
constexpr int k_star_count = 1024;
// The sky's colour at height 0; height 255 is white.
constexpr uint32_t k_sky_low = 0x005080FFu;
constexpr uint32_t k_white = 0x00FFFFFFu;

int prepare_fail(uint8_t* cells)
{
    std::free(cells);
    plane_scenes_release();
    return 0;
}

}  // namespace

int plane_scenes_prepare()
{
    plane_scenes_release();
    PlaneSceneData& d = g_plane_scene;

    // The scratch height map, an 8-bit map built by hand.
    uint8_t* cells = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(k_texture_size) * k_texture_size, 1));
    if (!cells) return 0;
    ByteMap map = {cells, k_texture_size, k_texture_size, k_texture_size, 8};
    const size_t count = static_cast<size_t>(k_texture_size) * k_texture_size;

    d.ground_source = image_create(k_texture_size, k_texture_size);
    if (!d.ground_source) return prepare_fail(cells);
    d.offscreen = surface_create(k_frame_width, k_frame_height);
    if (!d.offscreen) return prepare_fail(cells);
    d.sky_texture = image_create(k_texture_size, k_texture_size);
    if (!d.sky_texture) return prepare_fail(cells);

    // Sky: per channel (255 * (a + 1)) >> 8 plus (low * (256 - a)) >> 8.
    fill_height_field(&map, k_sky_roughness, demo_rand());
    for (size_t i = 0; i < count; ++i) d.sky_texture->pixels[i] = blend_rgb_split(k_white, k_sky_low, cells[i]);

    // The second seed continues from where the sky's field left the generator.
    fill_height_field(&map, k_ground_roughness, demo_rand());
    for (size_t i = 0; i < count; ++i) {
        const uint32_t a = cells[i];
        d.ground_source->pixels[i] = (a << 24) | (a << 16) | ((a >> 2) << 8);
    }
    std::free(cells);
    cells = nullptr;

    d.ground_dissolve = dissolve_create(d.ground_source);
    if (!d.ground_dissolve) return prepare_fail(cells);
    d.ground_grid = grid_create(k_grid_across, k_grid_down, d.ground_dissolve->work);
    if (!d.ground_grid) return prepare_fail(cells);
    d.sky_grid = grid_create(k_grid_across, k_grid_down, d.sky_texture);
    if (!d.sky_grid) return prepare_fail(cells);
    d.stars = star_cloud_create(k_star_count);
    if (!d.stars) return prepare_fail(cells);

    d.camera = {0.0f, -256.0f, 0.0f, 1.0f};
    d.angles = {0.0f, 0.0f, 0.0f, 1.0f};
    d.theta = 0.0f;
    return 1;
}

void plane_scenes_release()
{
    PlaneSceneData& d = g_plane_scene;
    star_cloud_free(d.stars);
    grid_free(d.sky_grid);
    grid_free(d.ground_grid);
    dissolve_free(d.ground_dissolve);
    image_free(d.sky_texture);
    surface_free(d.offscreen);
    image_free(d.ground_source);
    d.stars = nullptr;
    d.sky_grid = nullptr;
    d.ground_grid = nullptr;
    d.ground_dissolve = nullptr;
    d.sky_texture = nullptr;
    d.offscreen = nullptr;
    d.ground_source = nullptr;
}
