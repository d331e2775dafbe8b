// The wave-floor renderer: its start-up texture and profile, the per-row ray march in double
// precision, and the textured, distance-darkened strips it draws.
#include "scenes/wavefloor/wave_floor.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "display/blend.h"
#include "display/surface.h"
#include "procedural/height_field.h"
#include "shell/random.h"

WaveFloor* g_wave_floor = nullptr;
int32_t* g_wave_profile = nullptr;

namespace {

constexpr int k_texture_size = 256;
constexpr int32_t k_roughness = 2048;
constexpr int k_march_steps = 1024;
// Close to, but not exactly, 2 pi / 384: the profile does not quite close on itself.
constexpr float k_profile_step = 0.0163624603f;
// The camera's height above the base of the profile, whose crests reach 127.
constexpr double k_eye_height = 280.0;
// Half of the 90-degree view: pi / 4 as a single-precision value.
constexpr double k_half_view = 0.7853981256484985;

// Truncation toward zero that saturates instead of overflowing (NaN gives 0); the same as a
// plain conversion for every value that fits.
inline int32_t trunc_int32(double x)
{
    if (!(x > -2147483649.0)) return x != x ? 0 : INT32_MIN;
    if (!(x < 2147483648.0)) return INT32_MAX;
    return static_cast<int32_t>(x);
}

// The cell a coordinate wraps to: non-negative ones repeat every n, negative ones are mirrored
// about 0 first ((n - c) mod n, which is -c mod n). n > 0. The profile's own length and powers of
// two (the texture) avoid the general division, which would dominate the march.
inline uint32_t mirror_wrap(int32_t c, uint32_t n)
{
    const uint32_t m = c >= 0 ? static_cast<uint32_t>(c) : 0u - static_cast<uint32_t>(c);
    if (n == wave_profile_length) return m % static_cast<uint32_t>(wave_profile_length);
    if ((n & (n - 1)) == 0) return m & (n - 1);
    return m % n;
}

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

void wave_floor_cast(WaveFloor* floor, const int32_t* profile, int32_t n, double pitch, double position)
{
    if (!profile || n <= 0) {
        std::memset(floor->rows, 0, sizeof floor->rows);
        return;
    }
    const uint32_t length = static_cast<uint32_t>(n);
    const double d = 20.0 / std::tan(k_half_view);
    const double len = std::sqrt(d * d + 625.0);
    const double widen = 20.0 / len;   // the bottom direction's width component, never pitched

    // Bottom and top screen directions and points as (height, forward) pairs, then pitched.
    double e0h = -15.0 / len, e0f = d / len;
    double e2h = 15.0 / len, e2f = d / len;
    double q0h = -15.0, q0f = 1.0;
    double q2h = 15.0, q2f = 1.0;
    const double cp = std::cos(pitch);
    const double sp = std::sin(pitch);
    auto rotate = [cp, sp](double& h, double& f) {
        const double h2 = h * cp + f * sp;
        const double f2 = f * cp - h * sp;
        h = h2;
        f = f2;
    };
    rotate(e0h, e0f);
    rotate(e2h, e2f);
    rotate(q0h, q0f);
    rotate(q2h, q2f);

    for (int k = 0; k < k_floor_rows; ++k) {
        const double j = k_floor_rows - k;   // 384 for the top row, 1 for the bottom one
        const double sh = e0h + j * (e2h - e0h) / 384.0;
        const double sf = e0f + j * (e2f - e0f) / 384.0;
        double h = q0h + j * (q2h - q0h) / 384.0 + k_eye_height;
        double f = q0f + j * (q2f - q0f) / 384.0 - position;
        double left = -20.0;
        double right = 20.0;
        FloorRow row = {0, 0, 0, 0, 0};
        for (int s = 0; s < k_march_steps; ++s) {
            const int32_t c = trunc_int32(f);
            row.v = c;
            if (h <= profile[mirror_wrap(c, length)]) {
                row = {trunc_int32(left), trunc_int32(right), c, 1, (k_march_steps - s) >> 2};
                break;
            }
            h += sh;
            f += sf;
            left -= widen;
            right += widen;
        }
        floor->rows[k] = row;
    }
}

void wave_floor_draw(const WaveFloor* floor, Surface* surface)
{
    const Image* tex = floor->texture;
    if (!tex || tex->width <= 0 || tex->height <= 0) return;
    const int rows = surface->height < k_floor_rows ? surface->height : k_floor_rows;
    const int columns = surface->width < k_floor_columns ? surface->width : k_floor_columns;
    const uint32_t tw = static_cast<uint32_t>(tex->width);
    const uint32_t th = static_cast<uint32_t>(tex->height);
    for (int k = 0; k < rows; ++k) {
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
