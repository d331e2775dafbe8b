// The two start-up preparations of the object scenes and the edge streaks they score their
// backdrops with. They run after the fixed reseed of the first preparation, so the order of every
// random draw below decides what the backdrops, clouds and drum look like; change none of it.
// Untyped intermediates are doubles; values are rounded to float where they are stored.
#include "scenes/objects/object_prepare.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "base/angles.h"
#include "base/data_file.h"
#include "base/random.h"
#include "display/frame_size.h"
#include "display/surface.h"
#include "draw2d/primitives.h"
#include "geom3d/lines.h"
#include "geom3d/matrix.h"
#include "procedural/height_field.h"
#include "scenes/objects/dot_fillers.h"

Surface* g_backdrop_a = nullptr;
ByteMap* g_cloud_sum = nullptr;
ByteMap* g_cloud_map[3] = {nullptr, nullptr, nullptr};
Surface* g_led_layer[2] = {nullptr, nullptr};
GradientKey* g_cloud_palette = nullptr;
Vec4* g_star_ring = nullptr;
Vec4* g_star_work = nullptr;
int32_t g_star_count = 0;
float g_star_line_width = 1.5f;
Surface* g_backdrop_b = nullptr;
Vec4* g_drum_strokes = nullptr;
Vec4* g_drum_work = nullptr;
int32_t g_drum_count = 0;

namespace {

const char k_backdrop_a_path[] = "./data/marrowvaleagain512x384x32.raw";
constexpr int k_star_points = 27;
constexpr int k_drum_points = 300;
constexpr int32_t k_cloud_roughness = 1950;
// Translucent black: the streaks darken without hiding.
constexpr uint32_t k_streak_colour = 0x3F000000u;
// A dim green of peak intensity 63.
constexpr uint32_t k_blob_colour = 0x3F0F1F0Fu;
constexpr float k_blob_hardness = 99.0f;
constexpr double k_blob_radius_sum = 85.1;

const GradientKey k_cloud_keys[3] = {{0, 0, 0, 0}, {192, 100, 50, 300}, {256, 300, 255, 600}};

// A fraction in [0, 1) from one draw.
inline double rand_unit()
{
    return demo_rand() * (1.0 / 4294967296.0);
}

Vec4* points_make(int count)
{
    return static_cast<Vec4*>(std::calloc(static_cast<size_t>(count), sizeof(Vec4)));
}

// Preparing again (the tests do) replaces what the earlier run made.
void prepare_1_free()
{
    surface_free(g_backdrop_a);
    bytemap_free(g_cloud_sum);
    for (ByteMap*& map : g_cloud_map) {
        bytemap_free(map);
        map = nullptr;
    }
    for (Surface*& layer : g_led_layer) {
        surface_free(layer);
        layer = nullptr;
    }
    std::free(g_cloud_palette);
    std::free(g_star_ring);
    std::free(g_star_work);
    g_backdrop_a = nullptr;
    g_cloud_sum = nullptr;
    g_cloud_palette = nullptr;
    g_star_ring = g_star_work = nullptr;
    g_star_count = 0;
}

void prepare_2_free()
{
    surface_free(g_backdrop_b);
    std::free(g_drum_strokes);
    std::free(g_drum_work);
    g_backdrop_b = nullptr;
    g_drum_strokes = g_drum_work = nullptr;
    g_drum_count = 0;
}

// The picture, row by row into the Surface (whose pitch may differ from the file's rows).
int backdrop_read(Surface* s, const char* path)
{
    const size_t row_bytes = static_cast<size_t>(s->width) * 4;
    std::FILE* f = data_file_open(path, static_cast<long long>(row_bytes) * s->height, 1ll << 30);
    if (!f) return 0;
    int read = 1;
    for (int y = 0; y < s->height && read; ++y) read = data_file_read(f, path, surface_row(s, y), row_bytes);
    std::fclose(f);
    return read;
}

// One dim blob and its mirror image, whose radii add up to 85.1.
void blob_pair_draw(Surface* s, double ax, double ay, double bx, double by, double radius)
{
    draw_soft_dot_add(s, static_cast<float>(ax), static_cast<float>(ay), static_cast<float>(radius),
                      k_blob_hardness, k_blob_colour);
    draw_soft_dot_add(s, static_cast<float>(bx), static_cast<float>(by),
                      static_cast<float>(k_blob_radius_sum - radius), k_blob_hardness, k_blob_colour);
}

}  // namespace

int draw_edge_streaks(Surface* target, int count, float spread, uint32_t colour_a, uint32_t colour_b)
{
    const double w = target->width;
    const double h = target->height;
    const double half = spread * 0.5;
    for (int i = 0; i < count; ++i) {
        const uint32_t side = demo_rand() & 3u;
        const double u1 = rand_unit();
        const double u2 = rand_unit();
        const double a = spread * u1;
        const double b = spread * u2;
        Vec4 p, q;
        switch (side) {
        case 0:   // top to bottom near the left edge
            p = {static_cast<float>(a - half), -1.0f, 1.0f, 1.0f};
            q = {static_cast<float>(b - half), static_cast<float>(h + 1), 1.0f, 1.0f};
            break;
        case 1:   // top to bottom near the right edge
            p = {static_cast<float>(w - a + half), -1.0f, 1.0f, 1.0f};
            q = {static_cast<float>(w - b + half), static_cast<float>(h + 1), 1.0f, 1.0f};
            break;
        case 2:   // left to right near the top edge
            p = {-1.0f, static_cast<float>(a - half), 1.0f, 1.0f};
            q = {static_cast<float>(w + 1), static_cast<float>(b - half), 1.0f, 1.0f};
            break;
        default:   // left to right near the bottom edge
            p = {-1.0f, static_cast<float>(h - a + half), 1.0f, 1.0f};
            q = {static_cast<float>(w + 1), static_cast<float>(h - b + half), 1.0f, 1.0f};
            break;
        }
        draw_line_aa(target, p, q, colour_a, colour_b);
    }
    return 0;
}

int objects_prepare_1()
{
    prepare_1_free();
    g_backdrop_a = surface_create(k_frame_width, k_frame_height);
    if (!g_backdrop_a) return 0;
    if (!backdrop_read(g_backdrop_a, k_backdrop_a_path)) return 0;
    draw_edge_streaks(g_backdrop_a, 100, 20.0f, k_streak_colour, k_streak_colour);
    // A dark band along row 325: opaque at the left edge (q), fading out towards the right (p).
    const Vec4 band_p = {static_cast<float>(g_backdrop_a->width + 1), 325.0f, 1.0f, 1.0f};
    const Vec4 band_q = {-1.0f, 325.0f, 1.0f, 1.0f};
    draw_line_wide(g_backdrop_a, band_p, band_q, 0xFF000000u, 0x00000000u, 10.0f);

    g_cloud_sum = bytemap_create(k_cloud_width, k_cloud_height);
    if (!g_cloud_sum) return 0;
    for (ByteMap*& map : g_cloud_map)
        if (!(map = bytemap_create(k_cloud_width, k_cloud_height))) return 0;
    for (Surface*& layer : g_led_layer)
        if (!(layer = surface_create(k_cloud_width, k_cloud_height))) return 0;
    // All three fields first, then all three stretches: that is the order of the draws.
    for (ByteMap* map : g_cloud_map) fill_height_field(map, k_cloud_roughness, demo_rand());
    for (ByteMap* map : g_cloud_map) bytemap_stretch(map);

    g_cloud_palette = static_cast<GradientKey*>(std::malloc(sizeof k_cloud_keys));
    if (!g_cloud_palette) return 0;
    for (int i = 0; i < 3; ++i) g_cloud_palette[i] = k_cloud_keys[i];

    g_star_count = k_star_points;
    g_star_ring = points_make(k_star_points);
    g_star_work = points_make(k_star_points);
    if (!g_star_ring || !g_star_work) return 0;
    g_star_line_width = 1.5f;
    double angle = 0.0;
    for (int i = 0; i < k_star_points; ++i) {
        g_star_ring[i] = {static_cast<float>(std::cos(angle)), static_cast<float>(std::sin(angle)), 10.0f, 1.0f};
        angle += k_two_pi_9_digits / k_star_points;
    }
    return 1;
}

int objects_prepare_2()
{
    prepare_2_free();
    g_drum_count = k_drum_points;
    g_drum_strokes = points_make(k_drum_points);
    g_drum_work = points_make(k_drum_points);
    if (!g_drum_strokes || !g_drum_work) return 0;

    g_backdrop_b = surface_create(k_frame_width, k_frame_height);
    if (!g_backdrop_b) return 0;
    surface_and(g_backdrop_b, 0);

    // Blobs in mirrored pairs: along the left and right edges, then along the top and bottom.
    // The scales 100, 384, 80 and 512 times 2^-32 are exact floats; the products are exact doubles.
    for (int i = 0; i < 50; ++i) {
        const double e = 100.0 * rand_unit();
        const double f = 384.0 * rand_unit();
        const double g = 5.0 + 80.0 * rand_unit();
        blob_pair_draw(g_backdrop_b, e, f, 512.0 - e, f, g);
        const double o = 512.0 * rand_unit();
        const double p = 100.0 * rand_unit();
        const double t = 5.0 + 80.0 * rand_unit();
        blob_pair_draw(g_backdrop_b, o, p, o, 384.0 - p, t);
    }
    draw_edge_streaks(g_backdrop_b, 3000, 150.0f, k_streak_colour, k_streak_colour);

    // Each stroke is a chord spanning ten steps of a circle of radius 50 about the x axis, at a
    // random x in [-100, 100); the angles are kept in single precision.
    const float step = static_cast<float>(k_two_pi_9_digits / k_drum_points);
    float a1 = 0.0f;
    float a2 = 10.0f * step;
    for (int k = 0; k < k_drum_points / 2; ++k) {
        const double v = demo_rand() * (1.0 / 2147483648.0);
        const float x = static_cast<float>((v - 1.0) * 100.0);
        g_drum_strokes[2 * k] = {x, static_cast<float>(50.0 * std::sin(static_cast<double>(a1))),
                                 static_cast<float>(50.0 * std::cos(static_cast<double>(a1))), 1.0f};
        g_drum_strokes[2 * k + 1] = {x, static_cast<float>(50.0 * std::sin(static_cast<double>(a2))),
                                     static_cast<float>(50.0 * std::cos(static_cast<double>(a2))), 1.0f};
        a1 += step;
        a2 += step;
    }
    return 1;
}
