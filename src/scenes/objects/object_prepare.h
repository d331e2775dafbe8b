// The object scenes' start-up products: two full-screen backdrops, three small cloud maps with
// their work buffers and colour keys, the ring of the 27-pointed star and the strokes of the drum,
// and the random edge streaks that score both backdrops.
#pragma once
#include <cstdint>

struct Surface;
struct ByteMap;
struct Vec4;
struct GradientKey;

constexpr int k_cloud_width = 80;
constexpr int k_cloud_height = 15;

// Made by objects_prepare_1; they live for the whole run.
extern Surface* g_backdrop_a;        // the night vale, 100 streaks, a dark band along row 325
extern ByteMap* g_cloud_sum;         // work map, rewritten by every draw_led_clouds
extern ByteMap* g_cloud_map[3];      // fixed stretched height fields
extern Surface* g_led_layer[2];      // work images, rewritten by every draw_led_clouds
extern GradientKey* g_cloud_palette; // three keys; the last sits at 256, so no terminator follows
extern Vec4* g_star_ring;            // unit circle in the plane z = 10
extern Vec4* g_star_work;            // scratch copy that draw_star transforms
extern int32_t g_star_count;         // 27
extern float g_star_line_width;      // 1.5 whenever no scene is inside a draw_star call
// Made by objects_prepare_2.
extern Surface* g_backdrop_b;        // black, 200 dim blobs in mirrored pairs, 3000 streaks
extern Vec4* g_drum_strokes;         // 150 chords of a circle of radius 50 about the x axis
extern Vec4* g_drum_work;            // scratch copy that draw_drum transforms
extern int32_t g_drum_count;         // 300

// `count` straight lines, each crossing the whole target within half a spread of one of its four
// edges (chosen at random); three random numbers per line. Returns 0.
int draw_edge_streaks(Surface* target, int count, float spread, uint32_t colour_a, uint32_t colour_b);

// Backdrop A (read from "./data/marrowvaleagain512x384x32.raw"), the cloud maps, palette and star
// ring. 1 on success; 0 when the picture cannot be opened (reported on one line) or memory runs out.
int objects_prepare_1();
// Backdrop B and the drum strokes. 1 on success, 0 when memory runs out.
int objects_prepare_2();
