// The twins of a polygon scene's frame, for the dispatch in polygon_scenes.cpp: the backdrop, the
// glow layer, the orbs and the glass column drawn from the orbs placed and the column's heights
// filled for this frame.
#pragma once
#include <cstdint>

struct Surface;
struct Orb;

enum class Backdrop { fuzzyballs, static_flicker, title_fade };

constexpr uint32_t k_white = 0xFFFFFFFFu;
constexpr float k_highlight_x = 300.0f;
constexpr float k_highlight_y = 192.0f;
constexpr float k_highlight_r = 96.0f;

void polygons_frame_draw_plain(Surface* frame, float now, float start, const Orb orbs[3], Backdrop backdrop);
void polygons_frame_draw_fast(Surface* frame, float now, float start, const Orb orbs[3], Backdrop backdrop);
