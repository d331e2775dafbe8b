// The reduced-flashing filter. It keeps its own model of what the viewer has been shown: the
// picture cut into cells of 8x8 pixels, each with the relative luminance of its mean linear light,
// and every 10-degree field of view (21x16 cells) with the times of its last transitions. A cell
// makes a transition when its luminance moves 0.09 or more from its last extreme the other way while
// the darker side is below 0.82 (a little stricter than the 0.1 and 0.8 a flash is measured with);
// a field makes one when cells covering 80 of its 336 cells (a little less than the quarter of it
// that counts) make one the same way in the same frame. A field may make at most four transitions in
// any second, two flashes, and a falling one only while room for a rising one is left, so that a
// field out of room is left on its brighter side rather than dark.
//
// Each frame: measure the cells of the frame as drawn; when no field would go past its allowance,
// the frame passes as it is. Otherwise the frame becomes a blend of the last frame shown and the new
// one, with the largest weight of the new one (from a fixed ladder, down to holding the last frame)
// whose measured cells keep every field within its allowance. The cells shown become the model's.
#include "display/flash_filter.h"

#include <cstring>

#include "display/blend.h"
#include "display/frame_size.h"
#include "display/surface.h"

int g_reduce_flashing = 0;
int g_flash_filter_changed = 0;

namespace {

constexpr int k_cell = 8;
constexpr int k_cols = k_frame_width / k_cell, k_rows = k_frame_height / k_cell;
constexpr int k_cells = k_cols * k_rows;
constexpr int k_field_w = 21, k_field_h = 16;
constexpr int k_fields_x = k_cols - k_field_w + 1, k_fields_y = k_rows - k_field_h + 1;
constexpr int k_fields = k_fields_x * k_fields_y;
constexpr int k_field_quarter = 86;       // cells of a field that make its transition: 5456 pixels
constexpr int k_step = 409;               // 0.1 of full luminance (4095), rounded down
constexpr int k_dark = 3277;              // 0.8, rounded up
constexpr int k_red_step = 255;           // 20 / 320 in R - G - B of linear light, rounded down
constexpr int k_rises_per_second = 4;     // transitions a field may have in a second, a rise last
constexpr int k_falls_per_second = 3;     // a fall only while one more rise fits

// sRGB to linear light in 0..4095, rounded.
const uint16_t k_linear[256] = {
       0,    1,    2,    4,    5,    6,    7,    9,   10,   11,   12,   14,   15,   16,   18,   20,
      21,   23,   25,   27,   29,   31,   33,   35,   37,   40,   42,   45,   48,   50,   53,   56,
      59,   62,   66,   69,   72,   76,   79,   83,   87,   91,   95,   99,  103,  107,  112,  116,
     121,  126,  131,  136,  141,  146,  151,  156,  162,  168,  173,  179,  185,  191,  197,  204,
     210,  216,  223,  230,  237,  244,  251,  258,  265,  273,  280,  288,  296,  304,  312,  320,
     329,  337,  346,  354,  363,  372,  381,  390,  400,  409,  419,  428,  438,  448,  458,  469,
     479,  490,  500,  511,  522,  533,  544,  555,  567,  578,  590,  602,  614,  626,  639,  651,
     664,  676,  689,  702,  715,  728,  742,  755,  769,  783,  797,  811,  825,  840,  854,  869,
     884,  899,  914,  929,  945,  960,  976,  992, 1008, 1024, 1041, 1057, 1074, 1091, 1108, 1125,
    1142, 1159, 1177, 1195, 1213, 1231, 1249, 1267, 1286, 1304, 1323, 1342, 1361, 1381, 1400, 1420,
    1440, 1459, 1480, 1500, 1520, 1541, 1562, 1582, 1603, 1625, 1646, 1668, 1689, 1711, 1733, 1755,
    1778, 1800, 1823, 1846, 1869, 1892, 1916, 1939, 1963, 1987, 2011, 2035, 2059, 2084, 2109, 2133,
    2159, 2184, 2209, 2235, 2260, 2286, 2312, 2339, 2365, 2392, 2419, 2446, 2473, 2500, 2527, 2555,
    2583, 2611, 2639, 2668, 2696, 2725, 2754, 2783, 2812, 2841, 2871, 2901, 2931, 2961, 2991, 3022,
    3052, 3083, 3114, 3146, 3177, 3209, 3240, 3272, 3304, 3337, 3369, 3402, 3435, 3468, 3501, 3535,
    3568, 3602, 3636, 3670, 3705, 3739, 3774, 3809, 3844, 3879, 3915, 3950, 3986, 4022, 4059, 4095,
};

// A frame is tried against a stricter model, so that a blend chosen to stop just short of a
// transition stays short of it by any measure: steps, the dark limit and the cells that make a field's
// transition all by this much.
constexpr int k_margin_step = 41;         // 0.01
constexpr int k_margin_dark = 82;         // 0.02
constexpr int k_margin_cells = 8;

// The weights of the new frame tried in turn, in blend_argb's terms ((a + 1) / 256 of the new
// frame); 256 passes the frame as drawn and -1 holds the last one.
const int k_ladder[] = {256, 191, 143, 107, 79, 59, 43, 31, 23, 15, 7, -1};

struct Cell {
    int16_t lo, hi;         // the last extremes each way
    bool lo_red, hi_red;    // red model: whether those extremes were saturated reds
    int8_t dir;             // +1 after a rise, -1 after a fall, 0 before the first
};

struct Field {
    int8_t last_dir;
    uint32_t times[k_rises_per_second];   // the last transitions (ms), newest at [0]
};

// A cell's mean linear red, green and blue (0..4095).
struct Light {
    uint16_t r, g, b;
};

// The two models: [0] general flashes (relative luminance), [1] red flashes.
constexpr int k_models = 2;

uint32_t g_flash_shown[k_frame_width * k_frame_height];   // the last frame shown
Light g_flash_shown_cells[k_cells];
Light g_flash_try_cells[k_cells];
Light g_flash_drawn_cells[k_cells];
Cell g_flash_cells[k_models][k_cells];
Field g_flash_fields[k_models][k_fields];
int8_t g_flash_events[k_cells];
uint16_t g_flash_rising[(k_cols + 1) * (k_rows + 1)], g_flash_falling[(k_cols + 1) * (k_rows + 1)];
bool g_flash_started = false;
uint32_t g_flash_last_ms = 0;

// The cells of the new frame blended with the last one shown by weight a (ladder terms). A blended
// row is made first, so that the measuring loop has one form.
void cells_measure(const Surface* frame, int a, Light* cells)
{
    uint32_t blended[k_frame_width];
    for (int cy = 0; cy < k_rows; ++cy) {
        uint32_t sums[k_cols * 3] = {};
        for (int y = cy * k_cell; y < (cy + 1) * k_cell; ++y) {
            const uint32_t* row = surface_row(frame, y);
            const uint32_t* shown = g_flash_shown + y * k_frame_width;
            if (a < 0) row = shown;
            else if (a < 256) {
                for (int x = 0; x < k_frame_width; ++x) blended[x] = blend_argb(row[x], shown[x], a);
                row = blended;
            }
            uint32_t* sum = sums;
            for (int x = 0; x < k_frame_width; x += k_cell, sum += 3) {
                uint32_t r = 0, g = 0, b = 0;
                for (int i = 0; i < k_cell; ++i) {
                    const uint32_t p = row[x + i];
                    r += k_linear[(p >> 16) & 0xFF];
                    g += k_linear[(p >> 8) & 0xFF];
                    b += k_linear[p & 0xFF];
                }
                sum[0] += r;
                sum[1] += g;
                sum[2] += b;
            }
        }
        for (int cx = 0; cx < k_cols; ++cx)
            cells[cy * k_cols + cx] = Light{static_cast<uint16_t>(sums[cx * 3] >> 6),
                                            static_cast<uint16_t>(sums[cx * 3 + 1] >> 6),
                                            static_cast<uint16_t>(sums[cx * 3 + 2] >> 6)};
    }
}

// The value a model follows for a cell: relative luminance (Rec. 709 weights), or for the red model
// R - G - B (at least 0) with whether the cell is a saturated red, R / (R + G + B) of 0.8 or more.
int cell_value(int model, const Light& c, bool* red)
{
    if (model == 0) return (871 * c.r + 2929 * c.g + 296 * c.b) >> 12;
    *red = 5 * c.r >= 4 * (c.r + c.g + c.b);
    const int v = c.r - c.g - c.b;
    return v > 0 ? v : 0;
}

// A cell's transition: +1, -1 or 0; `next` is its state after it. A general transition moves k_step
// with the darker side below k_dark; a red one moves k_red_step with a saturated red on either side.
int cell_step(int model, const Cell& c, const Light& light, bool strict, Cell* next)
{
    bool red = false;
    const int v = cell_value(model, light, &red);
    const int step = (model == 0 ? k_step : k_red_step) - (strict ? k_margin_step : 0);
    const int dark = k_dark + (strict ? k_margin_dark : 0);
    *next = c;
    if (c.dir >= 0 && c.hi - v >= step && (model == 0 ? v < dark : red || c.hi_red)) {
        next->dir = -1;
        next->lo = static_cast<int16_t>(v);
        next->lo_red = red;
        return -1;
    }
    if (c.dir <= 0 && v - c.lo >= step && (model == 0 ? c.lo < dark : red || c.lo_red)) {
        next->dir = 1;
        next->hi = static_cast<int16_t>(v);
        next->hi_red = red;
        return 1;
    }
    if (v > c.hi) {
        next->hi = static_cast<int16_t>(v);
        next->hi_red = red;
    }
    if (v < c.lo) {
        next->lo = static_cast<int16_t>(v);
        next->lo_red = red;
    }
    return 0;
}

void area_build(int dir, uint16_t* area)
{
    constexpr int w = k_cols + 1;
    std::memset(area, 0, sizeof(uint16_t) * w);
    for (int y = 0; y < k_rows; ++y) {
        int run = 0;
        area[(y + 1) * w] = 0;
        for (int x = 0; x < k_cols; ++x) {
            run += g_flash_events[y * k_cols + x] == dir;
            area[(y + 1) * w + x + 1] = static_cast<uint16_t>(area[y * w + x + 1] + run);
        }
    }
}

int field_count(const uint16_t* area, int fx, int fy)
{
    constexpr int w = k_cols + 1;
    return area[(fy + k_field_h) * w + fx + k_field_w] - area[fy * w + fx + k_field_w] -
           area[(fy + k_field_h) * w + fx] + area[fy * w + fx];
}

// The transitions a field made in the second before t_ms, (t - 1000, t].
int field_recent(const Field& f, uint32_t t_ms)
{
    int n = 0;
    while (n < k_rises_per_second && f.times[n] && f.times[n] + 1000 > t_ms) ++n;
    return n;
}

// Runs both models over the cells shown next: 0 when a field would go past its allowance; with
// `commit`, the models take them.
int cells_show(const Light* cells, uint32_t t_ms, bool commit)
{
    for (int model = 0; model < k_models; ++model) {
        for (int i = 0; i < k_cells; ++i) {
            Cell next;
            g_flash_events[i] = static_cast<int8_t>(cell_step(model, g_flash_cells[model][i], cells[i], !commit, &next));
            if (commit) g_flash_cells[model][i] = next;
        }
        area_build(1, g_flash_rising);
        area_build(-1, g_flash_falling);
        for (int fy = 0; fy < k_fields_y; ++fy) {
            for (int fx = 0; fx < k_fields_x; ++fx) {
                Field& f = g_flash_fields[model][fy * k_fields_x + fx];
                const int rising = field_count(g_flash_rising, fx, fy);
                const int falling = field_count(g_flash_falling, fx, fy);
                const int quarter = k_field_quarter - (commit ? 0 : k_margin_cells);
                int dir = 0;
                if (rising >= quarter && rising >= falling) dir = 1;
                else if (falling >= quarter) dir = -1;
                if (!dir || dir == f.last_dir) continue;
                if (!commit) {
                    const int room = dir > 0 ? k_rises_per_second : k_falls_per_second;
                    if (field_recent(f, t_ms) >= room) return 0;
                    continue;
                }
                f.last_dir = static_cast<int8_t>(dir);
                std::memmove(f.times + 1, f.times, sizeof f.times - sizeof f.times[0]);
                f.times[0] = t_ms ? t_ms : 1;   // 0 marks an empty slot
            }
        }
    }
    if (commit) std::memcpy(g_flash_shown_cells, cells, sizeof g_flash_shown_cells);
    return 1;
}

// The cells of the blend by weight a predicted from the cells alone, as if light blended linearly.
void cells_predict(const Light* drawn, int a, Light* cells)
{
    for (int i = 0; i < k_cells; ++i) {
        const Light& s = g_flash_shown_cells[i];
        const Light& d = drawn[i];
        if (a < 0) cells[i] = s;
        else
            cells[i] = Light{static_cast<uint16_t>(s.r + (d.r - s.r) * (a + 1) / 256),
                             static_cast<uint16_t>(s.g + (d.g - s.g) * (a + 1) / 256),
                             static_cast<uint16_t>(s.b + (d.b - s.b) * (a + 1) / 256)};
    }
}

}  // namespace

void flash_filter_reset()
{
    g_flash_started = false;
    g_flash_filter_changed = 0;
}

void flash_filter_apply(Surface* frame, uint32_t t_ms)
{
    g_flash_filter_changed = 0;
    if (frame->width != k_frame_width || frame->height != k_frame_height) return;
    if (g_flash_started && t_ms < g_flash_last_ms) g_flash_started = false;
    g_flash_last_ms = t_ms;

    Light* drawn = g_flash_drawn_cells;
    cells_measure(frame, 256, drawn);
    int a = 256;
    if (!g_flash_started) {
        for (int model = 0; model < k_models; ++model) {
            for (int i = 0; i < k_cells; ++i) {
                bool red = false;
                const int16_t v = static_cast<int16_t>(cell_value(model, drawn[i], &red));
                g_flash_cells[model][i] = Cell{v, v, red, red, 0};
            }
        }
        std::memset(g_flash_fields, 0, sizeof g_flash_fields);
        g_flash_started = true;
    } else if (!cells_show(drawn, t_ms, false)) {
        // The first rung the prediction allows, then down the ladder until the measured blend fits.
        size_t rung = 1;
        while (k_ladder[rung] >= 0) {
            cells_predict(drawn, k_ladder[rung], g_flash_try_cells);
            if (cells_show(g_flash_try_cells, t_ms, false)) break;
            ++rung;
        }
        for (;; ++rung) {
            a = k_ladder[rung];
            if (a < 0) {
                std::memcpy(g_flash_try_cells, g_flash_shown_cells, sizeof g_flash_try_cells);
                break;
            }
            cells_measure(frame, a, g_flash_try_cells);
            if (cells_show(g_flash_try_cells, t_ms, false)) break;
        }
        drawn = g_flash_try_cells;
        g_flash_filter_changed = 1;
    }
    cells_show(drawn, t_ms, true);

    for (int y = 0; y < k_frame_height; ++y) {
        uint32_t* row = surface_row(frame, y);
        uint32_t* shown = g_flash_shown + y * k_frame_width;
        if (a == 256) std::memcpy(shown, row, k_frame_row_bytes);
        else if (a < 0) std::memcpy(row, shown, k_frame_row_bytes);
        else
            for (int x = 0; x < k_frame_width; ++x) shown[x] = row[x] = blend_argb(row[x], shown[x], a);
    }
}
