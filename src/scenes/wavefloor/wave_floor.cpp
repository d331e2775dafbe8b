// The wave-floor renderer: its start-up texture and profile, the per-row ray march in double
// precision, and the textured, distance-darkened strips it draws: the entry points and the plain
// twins. The fast twins, in wave_floor_fast.cpp, cast and draw any band of rows on its own, each row
// exactly as the plain march and drawing make it.
#include "scenes/wavefloor/wave_floor.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "base/random.h"
#include "display/blend.h"
#include "display/render_paths.h"
#include "display/surface.h"
#include "procedural/height_field.h"
#include "scenes/wavefloor/wave_floor_twins.h"

using namespace wave_floor_shared;

WaveFloor* g_wave_floor = nullptr;
int32_t* g_wave_profile = nullptr;

namespace {

constexpr int k_texture_size = 256;
constexpr int32_t k_roughness = 2048;
// Close to, but not exactly, 2 pi / 384: the profile does not quite close on itself.
constexpr float k_profile_step = 0.0163624603f;

// Green from the height: 64 at height 0, a dip to 59 at height 21, 255 at height 255.
inline uint32_t floor_texel(uint32_t a)
{
    const uint32_t g = ((a * (a + 1)) >> 8) + ((256 - a) >> 2);
    return g << 8;
}

void wave_floor_free(WaveFloor* floor)
{
    if (!floor) return;
    image_free(floor->texture);
    std::free(floor);
}

}  // namespace

int wave_floor_prepare()
{
    WaveFloor* floor = static_cast<WaveFloor*>(std::calloc(1, sizeof(WaveFloor)));
    if (!floor) return 0;
    floor->texture = image_create(k_texture_size, k_texture_size);
    ByteMap* heights = bytemap_create(k_texture_size, k_texture_size);
    int32_t* profile = static_cast<int32_t*>(std::malloc(sizeof(int32_t) * wave_profile_length));
    if (!floor->texture || !heights || !profile) {
        std::free(profile);
        bytemap_free(heights);
        wave_floor_free(floor);
        return 0;
    }

    std::memset(heights->data, 0, static_cast<size_t>(k_texture_size) * k_texture_size);
    heights->depth = 8;
    fill_height_field(heights, k_roughness, demo_rand());
    uint32_t* texels = floor->texture->pixels;
    for (int y = 0; y < k_texture_size; ++y) {
        const uint8_t* cells = bytemap_row(heights, y);
        for (int x = 0; x < k_texture_size; ++x) texels[y * k_texture_size + x] = floor_texel(cells[x]);
    }
    bytemap_free(heights);

    // The angle grows by adding the single-precision step each time, summed in double.
    double angle = 0.0;
    for (int i = 0; i < wave_profile_length; ++i) {
        profile[i] = static_cast<int32_t>(64.0 - 64.0 * std::cos(angle));
        angle += k_profile_step;
    }

    // Preparing again (the tests do) replaces what the last preparation made.
    wave_floor_free(g_wave_floor);
    std::free(g_wave_profile);
    g_wave_floor = floor;
    g_wave_profile = profile;
    return 1;
}

void wave_floor_cast_plain(WaveFloor* floor, const int32_t* profile, int32_t n, double pitch, double position)
{
    if (!profile || n <= 0) {
        std::memset(floor->rows, 0, sizeof floor->rows);
        return;
    }
    const uint32_t length = static_cast<uint32_t>(n);
    const CastSetup c = cast_setup(pitch);
    for (int k = 0; k < k_floor_rows; ++k) {
        const double j = k_floor_rows - k;   // 384 for the top row, 1 for the bottom one
        const double sh = c.e0h + j * (c.e2h - c.e0h) / 384.0;
        const double sf = c.e0f + j * (c.e2f - c.e0f) / 384.0;
        double h = c.q0h + j * (c.q2h - c.q0h) / 384.0 + k_eye_height;
        double f = c.q0f + j * (c.q2f - c.q0f) / 384.0 - position;
        double left = -20.0;
        double right = 20.0;
        FloorRow row = {0, 0, 0, 0, 0};
        for (int s = 0; s < k_march_steps; ++s) {
            const int32_t cell = trunc_int32(f);
            row.v = cell;
            if (h <= profile[mirror_wrap(cell, length)]) {
                row = {trunc_int32(left), trunc_int32(right), cell, 1, (k_march_steps - s) >> 2};
                break;
            }
            h += sh;
            f += sf;
            left -= c.widen;
            right += c.widen;
        }
        floor->rows[k] = row;
    }
}

// The plain drawing of the rows row_from .. row_to - 1, clipped to `columns`.
void wave_floor_rows_draw(const WaveFloor* floor, Surface* surface, int row_from, int row_to, int columns)
{
    const Image* tex = floor->texture;
    const uint32_t tw = static_cast<uint32_t>(tex->width);
    const uint32_t th = static_cast<uint32_t>(tex->height);
    for (int k = row_from; k < row_to; ++k) {
        const FloorRow& row = floor->rows[k];
        if (!row.hit) continue;
        const uint32_t* texels = tex->pixels + mirror_wrap(row.v, th) * tw;
        const uint32_t factor = static_cast<uint32_t>(row.shade) + 1u;
        // Multiples of 1/512 between two 32-bit integers: the sum stays exact in double.
        const double step = (static_cast<double>(row.u_right) - row.u_left) * 0.001953125;
        double u = row.u_left;
        uint32_t* out = surface_row(surface, k);
        for (int p = 0; p < columns; ++p) {
            out[p] = scale_rgb(texels[mirror_wrap(static_cast<int32_t>(u), tw)], factor);
            u += step;
        }
    }
}

void wave_floor_draw_plain(const WaveFloor* floor, Surface* surface)
{
    const Image* tex = floor->texture;
    if (!tex || tex->width <= 0 || tex->height <= 0) return;
    const int rows = surface->height < k_floor_rows ? surface->height : k_floor_rows;
    wave_floor_rows_draw(floor, surface, 0, rows, surface->width < k_floor_columns ? surface->width : k_floor_columns);
}

void wave_floor_cast(WaveFloor* floor, const int32_t* profile, int32_t n, double pitch, double position)
{
    if (g_plain_paths) return wave_floor_cast_plain(floor, profile, n, pitch, position);
    return wave_floor_cast_fast(floor, profile, n, pitch, position, 0, k_floor_rows);
}

void wave_floor_draw(const WaveFloor* floor, Surface* surface)
{
    if (g_plain_paths) return wave_floor_draw_plain(floor, surface);
    return wave_floor_draw_fast(floor, surface, 0, k_floor_rows);
}
