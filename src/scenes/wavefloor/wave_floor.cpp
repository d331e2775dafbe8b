// The wave-floor renderer: its start-up texture and profile, the per-row ray march in double
// precision, and the textured, distance-darkened strips it draws.
#include "scenes/wavefloor/wave_floor.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include <emmintrin.h>

#include "display/blend.h"
#include "display/render_paths.h"
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

// One row's march on the fast path: the same sums in the same order as the plain one.
struct RowMarch {
    double h, f, left, right, sh, sf, last_f;
    int s;
    int rising;   // above every crest and not falling: only the forward sum goes on
    FloorRow row;
};

// A step whose height is above every profile entry cannot hit, so it skips the lookup; once the
// ray is above the profile and not falling it never hits again, and only its forward sum is
// carried on to the last step, whose cell the row keeps (as the plain march leaves it).
// Returns true when the row is finished.
inline bool march_step(RowMarch& m, const int32_t* profile, uint32_t length, bool length_is_table, double crest,
                       double widen)
{
    if (m.s >= k_march_steps) return true;
    m.last_f = m.f;
    if (m.rising) {
        m.f += m.sf;
        ++m.s;
        return false;
    }
    if (m.h > crest) {
        // h + sh >= h when sh >= 0: the ray stays above every crest from here on.
        if (m.sh >= 0.0) {
            m.rising = 1;
            m.f += m.sf;
            ++m.s;
            return false;
        }
    } else {
        const int32_t c = trunc_int32(m.f);
        const uint32_t u = c >= 0 ? static_cast<uint32_t>(c) : 0u - static_cast<uint32_t>(c);
        const uint32_t index = length_is_table ? u % static_cast<uint32_t>(wave_profile_length) : mirror_wrap(c, length);
        if (m.h <= profile[index]) {
            m.row = {trunc_int32(m.left), trunc_int32(m.right), c, 1, (k_march_steps - m.s) >> 2};
            return true;
        }
    }
    m.h += m.sh;
    m.f += m.sf;
    m.left -= widen;
    m.right += widen;
    ++m.s;
    return false;
}

// Two neighbouring rows march side by side: their sums are independent chains that overlap.
void wave_floor_cast_fast(WaveFloor* floor, const int32_t* profile, uint32_t length, double e0h, double e0f,
                          double e2h, double e2f, double q0h, double q0f, double q2h, double q2f, double widen,
                          double position)
{
    int32_t top = profile[0];
    for (uint32_t i = 1; i < length; ++i) top = profile[i] > top ? profile[i] : top;
    const double crest = top;
    const bool length_is_table = length == static_cast<uint32_t>(wave_profile_length);
    auto start = [&](RowMarch& m, int k) {
        const double j = k_floor_rows - k;
        m.sh = e0h + j * (e2h - e0h) / 384.0;
        m.sf = e0f + j * (e2f - e0f) / 384.0;
        m.h = q0h + j * (q2h - q0h) / 384.0 + k_eye_height;
        m.f = q0f + j * (q2f - q0f) / 384.0 - position;
        m.last_f = m.f;
        m.left = -20.0;
        m.right = 20.0;
        m.s = 0;
        m.rising = 0;
        m.row = {0, 0, 0, 0, 0};
    };
    auto finish = [&](RowMarch& m, int k) {
        if (!m.row.hit) m.row.v = trunc_int32(m.last_f);
        floor->rows[k] = m.row;
    };
    for (int k = 0; k < k_floor_rows; k += 2) {
        RowMarch a, b;
        start(a, k);
        start(b, k + 1);
        bool done_a = false, done_b = false;
        while (!done_a && !done_b) {
            done_a = march_step(a, profile, length, length_is_table, crest, widen);
            done_b = march_step(b, profile, length, length_is_table, crest, widen);
        }
        while (!done_a) done_a = march_step(a, profile, length, length_is_table, crest, widen);
        while (!done_b) done_b = march_step(b, profile, length, length_is_table, crest, widen);
        finish(a, k);
        finish(b, k + 1);
    }
}

// Texel columns of four neighbouring pixels: the plain sum u_left + p * step is exact in double
// (multiples of 1/512 below 2^33), so each pixel's u is computed directly, two at a time.
inline __m128i floor_columns4(__m128d ul, __m128d step, __m128d p01, __m128d p23, __m128i mask)
{
    const __m128i a = _mm_cvttpd_epi32(_mm_add_pd(ul, _mm_mul_pd(p01, step)));
    const __m128i b = _mm_cvttpd_epi32(_mm_add_pd(ul, _mm_mul_pd(p23, step)));
    const __m128i tu = _mm_unpacklo_epi64(a, b);
    // |tu| (0 - INT32_MIN stays 0x80000000, as in the plain unsigned negation), then the mask.
    const __m128i sign = _mm_srai_epi32(tu, 31);
    return _mm_and_si128(_mm_sub_epi32(_mm_xor_si128(tu, sign), sign), mask);
}

// Shades outside 0..256 would overflow the 16-bit products of the fast draw.
bool shades_fit(const WaveFloor* floor, int rows)
{
    for (int k = 0; k < rows; ++k)
        if (floor->rows[k].hit && (floor->rows[k].shade < 0 || floor->rows[k].shade > 256)) return false;
    return true;
}

// The fast draw for a 256-wide power-of-two texture and full 512-pixel rows: the texture row is
// shaded once (256 texels) and the pixels pick from it.
void wave_floor_draw_fast(const WaveFloor* floor, Surface* surface, int rows)
{
    const Image* tex = floor->texture;
    const uint32_t tw = static_cast<uint32_t>(tex->width);
    const uint32_t th = static_cast<uint32_t>(tex->height);
    alignas(16) uint32_t shaded[256];
    alignas(16) uint32_t cols[4];
    const __m128i mask = _mm_set1_epi32(static_cast<int>(tw - 1));
    for (int k = 0; k < rows; ++k) {
        const FloorRow& row = floor->rows[k];
        if (!row.hit) continue;
        const uint32_t* texels = tex->pixels + mirror_wrap(row.v, th) * tw;
        const uint32_t factor = static_cast<uint32_t>(row.shade) + 1u;
        for (uint32_t i = 0; i < tw; i += 4) {
            const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(texels + i));
            _mm_store_si128(reinterpret_cast<__m128i*>(shaded + i), scale_rgb4(c, factor));
        }
        const double stepd = (static_cast<double>(row.u_right) - row.u_left) * 0.001953125;
        const __m128d ul = _mm_set1_pd(static_cast<double>(row.u_left));
        const __m128d step = _mm_set1_pd(stepd);
        const __m128d four = _mm_set1_pd(4.0);
        __m128d p01 = _mm_set_pd(1.0, 0.0);
        __m128d p23 = _mm_set_pd(3.0, 2.0);
        uint32_t* out = surface_row(surface, k);
        for (int p = 0; p < k_floor_columns; p += 4) {
            _mm_store_si128(reinterpret_cast<__m128i*>(cols), floor_columns4(ul, step, p01, p23, mask));
            out[p] = shaded[cols[0]];
            out[p + 1] = shaded[cols[1]];
            out[p + 2] = shaded[cols[2]];
            out[p + 3] = shaded[cols[3]];
            p01 = _mm_add_pd(p01, four);
            p23 = _mm_add_pd(p23, four);
        }
    }
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
    if (!g_plain_paths) {
        wave_floor_cast_fast(floor, profile, length, e0h, e0f, e2h, e2f, q0h, q0f, q2h, q2f, widen, position);
        return;
    }

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
    // The fast path needs the 256-wide texture, whole 512-pixel rows and shades of 0..256.
    if (!g_plain_paths && tw == 256 && columns == k_floor_columns && shades_fit(floor, rows)) {
        wave_floor_draw_fast(floor, surface, rows);
        return;
    }
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
