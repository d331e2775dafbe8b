// The fast twins of the wave-floor cast and drawing: any band of rows on its own, each row exactly
// as the plain march and drawing in wave_floor.cpp make it.
#include <emmintrin.h>

#include <cstdlib>
#include <cstring>
#include <limits>

#include "display/blend.h"
#include "display/blend_sse2.h"
#include "display/render_paths.h"
#include "display/simd_convert.h"
#include "display/surface.h"
#include "scenes/wavefloor/wave_floor.h"
#include "scenes/wavefloor/wave_floor_twins.h"

using namespace wave_floor_shared;

namespace {

// The profile heights the rows of one band may look up, as doubles, for a window of cells: the
// march reads them without the mirroring and the remainder. Cells outside the window take the
// general way; the window only saves work, every entry is exactly the profile's height there.
constexpr int k_window_cells = 4096;

struct ProfileWindow {
    const int32_t* profile;
    uint32_t length;
    int32_t base;    // the cell of entry 0
    uint32_t size;   // 0: no window
    double heights[k_window_cells];

    double at(int32_t c) const
    {
        const uint32_t i = static_cast<uint32_t>(c) - static_cast<uint32_t>(base);
        return i < size ? heights[i] : static_cast<double>(profile[mirror_wrap(c, length)]);
    }
};

// The strip's edges after each number of steps: every row widens its strip by the same
// subtractions and additions from the same start, so one table serves all rows.
struct StripEdges {
    int32_t left[k_march_steps];
    int32_t right[k_march_steps];

    explicit StripEdges(double widen)
    {
        double l = -20.0, r = 20.0;
        for (int s = 0; s < k_march_steps; ++s) {
            left[s] = trunc_int32(l);
            right[s] = trunc_int32(r);
            l -= widen;
            r += widen;
        }
    }
};

// One row's march on the fast path: the same sums in the same order as the plain one. A step
// whose height is above every profile entry cannot hit, so it skips the lookup; once the ray is
// above the profile and not falling it never hits again, and only its forward sum is carried on
// to the last step, whose cell the row keeps (as the plain march leaves it): that rest is left to
// rising_finish, which carries many rows at once.
struct RowMarch {
    FloorRow row;
    double f;       // a rising row's forward sum at step s
    int32_t s;      // below k_march_steps: the row is rising from step s on
};

struct MarchState {
    double h, f, last_f;
    int s;   // the next step
};

inline RowMarch row_march(MarchState m, double sh, double sf, const StripEdges& e, double crest,
                          const ProfileWindow& w)
{
    double h = m.h, f = m.f, last_f = m.last_f;
    if (!(sh >= 0.0)) {
        // Falling (or not a number): the steps above every crest come first and need no lookup,
        // and once at or below the crests the ray never climbs above them again.
        int s = m.s;
        for (; s < k_march_steps && h > crest; ++s) {
            h += sh;
            last_f = f;
            f += sf;
        }
        for (; s < k_march_steps; ++s) {
            const int32_t c = trunc_int32(f);
            if (h <= w.at(c)) return {{e.left[s], e.right[s], c, 1, (k_march_steps - s) >> 2}, 0.0, k_march_steps};
            h += sh;
            last_f = f;
            f += sf;
        }
        return {{0, 0, trunc_int32(last_f), 0, 0}, 0.0, k_march_steps};
    }
    for (int s = m.s; s < k_march_steps; ++s) {
        last_f = f;
        if (h > crest) {
            // h + sh >= h when sh >= 0: the ray stays above every crest from here on.
            if (sh >= 0.0) {
                if (s + 1 < k_march_steps) return {{0, 0, 0, 0, 0}, f + sf, s + 1};
                return {{0, 0, trunc_int32(last_f), 0, 0}, 0.0, k_march_steps};
            }
        } else {
            const int32_t c = trunc_int32(f);
            if (h <= w.at(c)) return {{e.left[s], e.right[s], c, 1, (k_march_steps - s) >> 2}, 0.0, k_march_steps};
        }
        h += sh;
        f += sf;
    }
    return {{0, 0, trunc_int32(last_f), 0, 0}, 0.0, k_march_steps};
}

// The first steps of eight falling rows, those above every crest, side by side in four pairs of
// lanes: each lane makes exactly its own row's adds and stops where the row's own march would
// leave these steps (a stopped lane adds 0, which changes no value that is compared or
// truncated). A falling row never climbs back above the crests, so a lane that stops stays
// stopped and its step count is the pass at which it stopped. Rows that are not falling (sh < 0)
// are left at step 0.
struct FallingPair {
    __m128d h, f, dh, df, top;   // top: the crest, or +inf for a row that is not falling

    void load(const MarchState* m, const double* sh, const double* sf, double crest)
    {
        h = _mm_set_pd(m[1].h, m[0].h);
        f = _mm_set_pd(m[1].f, m[0].f);
        dh = _mm_set_pd(sh[1], sh[0]);
        df = _mm_set_pd(sf[1], sf[0]);
        const double inf = std::numeric_limits<double>::infinity();
        top = _mm_set_pd(sh[1] < 0.0 ? crest : inf, sh[0] < 0.0 ? crest : inf);
    }
    __m128d go() const { return _mm_cmpgt_pd(h, top); }
    void step(__m128d go)
    {
        h = _mm_add_pd(h, _mm_and_pd(go, dh));
        f = _mm_add_pd(f, _mm_and_pd(go, df));
    }
    void store(MarchState* m, const __m128d* last_f) const
    {
        alignas(16) double v[3][2];
        _mm_store_pd(v[0], h);
        _mm_store_pd(v[1], f);
        if (last_f) _mm_store_pd(v[2], *last_f);
        for (int i = 0; i < 2; ++i) {
            m[i].h = v[0][i];
            m[i].f = v[1][i];
            if (last_f) m[i].last_f = v[2][i];
        }
    }
};

void falling_steps8(MarchState* m, const double* sh, const double* sf, double crest)
{
    FallingPair p0, p1, p2, p3;
    p0.load(m, sh, sf, crest);
    p1.load(m + 2, sh + 2, sf + 2, crest);
    p2.load(m + 4, sh + 4, sf + 4, crest);
    p3.load(m + 6, sh + 6, sf + 6, crest);
    int active = 0xFF;
    int s = 0;
    // Every pass but the last step's: the last one also keeps the forward sum it starts from.
    for (; s < k_march_steps - 1; ++s) {
        const __m128d g0 = p0.go(), g1 = p1.go(), g2 = p2.go(), g3 = p3.go();
        const int now = _mm_movemask_pd(g0) | _mm_movemask_pd(g1) << 2 | _mm_movemask_pd(g2) << 4 |
                        _mm_movemask_pd(g3) << 6;
        if (now != active) {
            for (int i = 0; i < 8; ++i)
                if ((active >> i & 1) && !(now >> i & 1)) m[i].s = s;
            active = now;
            if (!active) break;
        }
        p0.step(g0);
        p1.step(g1);
        p2.step(g2);
        p3.step(g3);
    }
    if (active) {
        // Pass k_march_steps - 1: lanes still going run to the end, and their last step's start is
        // the forward sum now.
        const __m128d g0 = p0.go(), g1 = p1.go(), g2 = p2.go(), g3 = p3.go();
        const int now = _mm_movemask_pd(g0) | _mm_movemask_pd(g1) << 2 | _mm_movemask_pd(g2) << 4 |
                        _mm_movemask_pd(g3) << 6;
        for (int i = 0; i < 8; ++i)
            if (active >> i & 1) m[i].s = now >> i & 1 ? k_march_steps : s;
        const __m128d l0 = p0.f, l1 = p1.f, l2 = p2.f, l3 = p3.f;
        p0.step(g0);
        p1.step(g1);
        p2.step(g2);
        p3.step(g3);
        p0.store(m, &l0);
        p1.store(m + 2, &l1);
        p2.store(m + 4, &l2);
        p3.store(m + 6, &l3);
        return;
    }
    p0.store(m, nullptr);
    p1.store(m + 2, nullptr);
    p2.store(m + 4, nullptr);
    p3.store(m + 6, nullptr);
}

// A rising row's forward sum: the adds still to make before the last step, whose start the row keeps.
struct RisingRow {
    double f, sf;
    int32_t adds;
    int32_t k;
};

// Carries the forward sums of rising rows on, eight at a time in four pairs of lanes. A lane whose
// adds are done adds 0, which leaves its sum as it is (a -0 becoming +0 truncates the same).
void rising_finish(WaveFloor* floor, const RisingRow* rising, int count)
{
    for (int first = 0; first < count; first += 8) {
        alignas(16) double f[8], sf[8], adds[8];
        int most = 0;
        for (int i = 0; i < 8; ++i) {
            const bool lane = first + i < count;
            f[i] = lane ? rising[first + i].f : 0.0;
            sf[i] = lane ? rising[first + i].sf : 0.0;
            adds[i] = lane ? rising[first + i].adds : 0.0;
            if (lane && rising[first + i].adds > most) most = rising[first + i].adds;
        }
        __m128d fv[4], sfv[4], nv[4];
        for (int q = 0; q < 4; ++q) {
            fv[q] = _mm_load_pd(f + 2 * q);
            sfv[q] = _mm_load_pd(sf + 2 * q);
            nv[q] = _mm_load_pd(adds + 2 * q);
        }
        __m128d done = _mm_setzero_pd();
        const __m128d one = _mm_set1_pd(1.0);
        for (int a = 0; a < most; ++a) {
            for (int q = 0; q < 4; ++q)
                fv[q] = _mm_add_pd(fv[q], _mm_and_pd(_mm_cmplt_pd(done, nv[q]), sfv[q]));
            done = _mm_add_pd(done, one);
        }
        for (int q = 0; q < 4; ++q) _mm_store_pd(f + 2 * q, fv[q]);
        for (int i = 0; i < 8 && first + i < count; ++i) {
            FloorRow& row = floor->rows[rising[first + i].k];
            row = {0, 0, trunc_int32(f[i]), 0, 0};
        }
    }
}

// Casts the rows row_from .. row_to - 1 on the fast path.
void cast_rows_fast(WaveFloor* floor, const int32_t* profile, uint32_t length, const CastSetup& c,
                    double position, int row_from, int row_to)
{
    int32_t top = profile[0];
    for (uint32_t i = 1; i < length; ++i) top = profile[i] > top ? profile[i] : top;
    const double crest = top;
    struct Start {
        double sh, sf, h, f;
    };
    auto start = [&](int k) {
        const double j = k_floor_rows - k;
        return Start{c.e0h + j * (c.e2h - c.e0h) / 384.0, c.e0f + j * (c.e2f - c.e0f) / 384.0,
                     c.q0h + j * (c.q2h - c.q0h) / 384.0 + k_eye_height, c.q0f + j * (c.q2f - c.q0f) / 384.0 - position};
    };

    // The window: every cell the band's rows can reach, when that is few enough.
    ProfileWindow w;
    w.base = 0;
    w.profile = profile;
    w.length = length;
    w.size = 0;
    double lo = 0.0, hi = 0.0;
    bool first = true, usable = true;
    for (int k = row_from; k < row_to && usable; ++k) {
        const Start r = start(k);
        const double end = r.f + k_march_steps * r.sf;
        usable = std::isfinite(r.f) && std::isfinite(end);
        const double a = r.f < end ? r.f : end, b = r.f < end ? end : r.f;
        lo = first || a < lo ? a : lo;
        hi = first || b > hi ? b : hi;
        first = false;
    }
    if (usable && !first && lo > -1e9 && hi < 1e9 && hi - lo < k_window_cells - 16) {
        w.base = static_cast<int32_t>(std::floor(lo)) - 4;
        w.size = static_cast<uint32_t>(hi - lo) + 12;
        for (uint32_t i = 0; i < w.size; ++i)
            w.heights[i] = profile[mirror_wrap(w.base + static_cast<int32_t>(i), length)];
    }

    const StripEdges edges(c.widen);
    RisingRow rising[k_floor_rows];
    int rising_count = 0;
    for (int k0 = row_from; k0 < row_to; k0 += 8) {
        const int n = row_to - k0 < 8 ? row_to - k0 : 8;
        MarchState m[8];
        double sh[8], sf[8];
        for (int i = 0; i < 8; ++i) {
            // Missing rows repeat the last one and are not kept.
            const Start r = start(k0 + (i < n ? i : n - 1));
            m[i] = {r.h, r.f, r.f, 0};
            sh[i] = r.sh;
            sf[i] = r.sf;
        }
        falling_steps8(m, sh, sf, crest);
        for (int i = 0; i < n; ++i) {
            const RowMarch r = row_march(m[i], sh[i], sf[i], edges, crest, w);
            if (r.s < k_march_steps) rising[rising_count++] = {r.f, sf[i], k_march_steps - 1 - r.s, k0 + i};
            else floor->rows[k0 + i] = r.row;
        }
    }
    rising_finish(floor, rising, rising_count);
}

// Texel columns of four neighbouring pixels: the plain sum u_left + p * step is exact in double
// (multiples of 1/512 below 2^33), so each pixel's u is computed directly, two at a time.
inline __m128i floor_columns4(__m128d ul, __m128d step, __m128d p01, __m128d p23, __m128i mask)
{
    const __m128i a = cvtt_pd_epi32(_mm_add_pd(ul, _mm_mul_pd(p01, step)));
    const __m128i b = cvtt_pd_epi32(_mm_add_pd(ul, _mm_mul_pd(p23, step)));
    const __m128i tu = _mm_unpacklo_epi64(a, b);
    // |tu| (0 - INT32_MIN stays 0x80000000, as in the plain unsigned negation), then the mask.
    const __m128i sign = _mm_srai_epi32(tu, 31);
    return _mm_and_si128(_mm_sub_epi32(_mm_xor_si128(tu, sign), sign), mask);
}

// Shades outside 0..256 would overflow the 16-bit products of the fast draw.
bool shades_fit(const WaveFloor* floor, int row_from, int row_to)
{
    for (int k = row_from; k < row_to; ++k)
        if (floor->rows[k].hit && (floor->rows[k].shade < 0 || floor->rows[k].shade > 256)) return false;
    return true;
}

// The fast draw for a 256-wide power-of-two texture and full 512-pixel rows: the texture row is
// shaded once (256 texels) and the pixels pick from it.
void draw_rows_shaded(const WaveFloor* floor, Surface* surface, int row_from, int row_to)
{
    const Image* tex = floor->texture;
    const uint32_t tw = static_cast<uint32_t>(tex->width);
    const uint32_t th = static_cast<uint32_t>(tex->height);
    alignas(16) uint32_t shaded[256];
    alignas(16) uint32_t cols[4];
    const __m128i mask = _mm_set1_epi32(static_cast<int>(tw - 1));
    for (int k = row_from; k < row_to; ++k) {
        const FloorRow& row = floor->rows[k];
        if (!row.hit) continue;
        const uint32_t* texels = tex->pixels + mirror_wrap(row.v, th) * tw;
        const uint32_t factor = static_cast<uint32_t>(row.shade) + 1u;
        for (uint32_t i = 0; i < tw; i += 4) {
            const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(texels + i));
            _mm_store_si128(reinterpret_cast<__m128i*>(shaded + i), scale_rgb4(c, factor));
        }
        uint32_t* out = surface_row(surface, k);
        if (row.u_left > -(1 << 21) && row.u_left < (1 << 21) && row.u_right > -(1 << 21) && row.u_right < (1 << 21)) {
            // Small ends: u times 512 is the whole number 512 u_left + p (u_right - u_left), and the
            // texel column |trunc(u)| & 255 is (|512 u| >> 9) & 255.
            const int32_t d = row.u_right - row.u_left;
            __m128i u = _mm_add_epi32(_mm_set1_epi32(row.u_left * 512), _mm_set_epi32(3 * d, 2 * d, d, 0));
            const __m128i d4 = _mm_set1_epi32(4 * d);
            const __m128i low = _mm_set1_epi32(255);
            for (int p = 0; p < k_floor_columns; p += 4) {
                const __m128i sign = _mm_srai_epi32(u, 31);
                const __m128i m = _mm_sub_epi32(_mm_xor_si128(u, sign), sign);
                _mm_store_si128(reinterpret_cast<__m128i*>(cols), _mm_and_si128(_mm_srli_epi32(m, 9), low));
                out[p] = shaded[cols[0]];
                out[p + 1] = shaded[cols[1]];
                out[p + 2] = shaded[cols[2]];
                out[p + 3] = shaded[cols[3]];
                u = _mm_add_epi32(u, d4);
            }
            continue;
        }
        const double stepd = (static_cast<double>(row.u_right) - row.u_left) * 0.001953125;
        const __m128d ul = _mm_set1_pd(static_cast<double>(row.u_left));
        const __m128d step = _mm_set1_pd(stepd);
        const __m128d four = _mm_set1_pd(4.0);
        __m128d p01 = _mm_set_pd(1.0, 0.0);
        __m128d p23 = _mm_set_pd(3.0, 2.0);
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

// Both in the AVX2 encoding on x86, whose three-operand instructions spare the register copies: the
// same operations, so the same words. `flatten` compiles the whole of each into it.
#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("avx2"), flatten)) void cast_rows_avx2(WaveFloor* floor, const int32_t* profile, uint32_t length,
                                                             const CastSetup& c, double position, int row_from,
                                                             int row_to)
{
    cast_rows_fast(floor, profile, length, c, position, row_from, row_to);
}

__attribute__((target("avx2"), flatten)) void draw_rows_shaded_avx2(const WaveFloor* floor, Surface* surface,
                                                                    int row_from, int row_to)
{
    draw_rows_shaded(floor, surface, row_from, row_to);
}
#endif

}  // namespace

void wave_floor_cast_fast(WaveFloor* floor, const int32_t* profile, int32_t n, double pitch, double position,
                          int row_from, int row_to)
{
    row_from = row_from < 0 ? 0 : row_from;
    row_to = row_to > k_floor_rows ? k_floor_rows : row_to;
    if (row_from >= row_to) return;
    if (!profile || n <= 0) {
        std::memset(floor->rows + row_from, 0, sizeof(FloorRow) * static_cast<size_t>(row_to - row_from));
        return;
    }
    const CastSetup c = cast_setup(pitch);
#if defined(__x86_64__) || defined(__i386__)
    if (g_avx2_paths) return cast_rows_avx2(floor, profile, static_cast<uint32_t>(n), c, position, row_from, row_to);
#endif
    cast_rows_fast(floor, profile, static_cast<uint32_t>(n), c, position, row_from, row_to);
}

void wave_floor_draw_fast(const WaveFloor* floor, Surface* surface, int row_from, int row_to)
{
    const Image* tex = floor->texture;
    if (!tex || tex->width <= 0 || tex->height <= 0) return;
    const int rows = surface->height < k_floor_rows ? surface->height : k_floor_rows;
    row_from = row_from < 0 ? 0 : row_from;
    row_to = row_to > rows ? rows : row_to;
    if (row_from >= row_to) return;
    const int columns = surface->width < k_floor_columns ? surface->width : k_floor_columns;
    // The fast drawing needs the 256-wide texture, whole 512-pixel rows and shades of 0..256.
    if (tex->width == 256 && columns == k_floor_columns && shades_fit(floor, row_from, row_to)) {
#if defined(__x86_64__) || defined(__i386__)
        if (g_avx2_paths) return draw_rows_shaded_avx2(floor, surface, row_from, row_to);
#endif
        draw_rows_shaded(floor, surface, row_from, row_to);
    } else
        wave_floor_rows_draw(floor, surface, row_from, row_to, columns);
}
