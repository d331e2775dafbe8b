// The flash report: cell trackers, the 10-degree fields' flash counts and the readable text.
#include "flash_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "display/surface.h"

namespace {

constexpr int k_cell = 8;                        // cells of 8x8 frame pixels
constexpr int k_field_w = 21, k_field_h = 16;    // a 10-degree field: 168x128 frame pixels
// A quarter of a 10-degree field, 5456 frame pixels, in whole cells of 64 pixels.
constexpr int k_quarter_cells = (5456 + k_cell * k_cell - 1) / (k_cell * k_cell);
constexpr double k_general_step = 0.1, k_general_dark = 0.8;
constexpr double k_red_step = 20.0, k_red_saturated = 0.8;

// sRGB to linear light, once.
const double* linear_table()
{
    static double table[256];
    static bool made = false;
    if (!made) {
        for (int i = 0; i < 256; ++i) {
            const double c = i / 255.0;
            table[i] = c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
        }
        made = true;
    }
    return table;
}

// One step of a cell's general tracker: +1 or -1 for a transition, 0 for none.
int general_step(FlashCellState* s, double l)
{
    if (s->dir >= 0 && s->hi - l >= k_general_step && l < k_general_dark) {
        s->dir = -1;
        s->lo = l;
        return -1;
    }
    if (s->dir <= 0 && l - s->lo >= k_general_step && s->lo < k_general_dark) {
        s->dir = 1;
        s->hi = l;
        return 1;
    }
    s->hi = std::max(s->hi, l);
    s->lo = std::min(s->lo, l);
    return 0;
}

// The red tracker: v is (R - G - B) * 320 (at least 0), red whether the state is a saturated red.
int red_step(FlashCellState* s, double v, bool red)
{
    if (s->dir >= 0 && s->hi - v > k_red_step && (red || s->hi_red)) {
        s->dir = -1;
        s->lo = v;
        s->lo_red = red;
        return -1;
    }
    if (s->dir <= 0 && v - s->lo > k_red_step && (red || s->lo_red)) {
        s->dir = 1;
        s->hi = v;
        s->hi_red = red;
        return 1;
    }
    if (v > s->hi) {
        s->hi = v;
        s->hi_red = red;
    }
    if (v < s->lo) {
        s->lo = v;
        s->lo_red = red;
    }
    return 0;
}

// Cells of one direction's transitions in the field at cell (cx, cy), from the summed-area table.
int field_cells(const std::vector<int>& area, int cols, int cx, int cy)
{
    const int w = cols + 1;
    return area[(cy + k_field_h) * w + cx + k_field_w] - area[cy * w + cx + k_field_w] -
           area[(cy + k_field_h) * w + cx] + area[cy * w + cx];
}

void area_build(const std::vector<int8_t>& events, int dir, int cols, int rows, std::vector<int>* area)
{
    const int w = cols + 1;
    area->assign(static_cast<size_t>(w) * (rows + 1), 0);
    for (int y = 0; y < rows; ++y) {
        int run = 0;
        for (int x = 0; x < cols; ++x) {
            run += events[y * cols + x] == dir;
            (*area)[(y + 1) * w + x + 1] = (*area)[y * w + x + 1] + run;
        }
    }
}

}  // namespace

void flash_report_add(FlashReport* report, const Surface* frame, uint32_t t_ms)
{
    const int cols = frame->width / k_cell, rows = frame->height / k_cell;
    const size_t n = static_cast<size_t>(cols) * rows;
    const int fields_x = cols - k_field_w + 1, fields_y = rows - k_field_h + 1;
    const size_t fields = fields_x > 0 && fields_y > 0 ? static_cast<size_t>(fields_x) * fields_y : 0;

    // Mean linear R, G, B of every cell.
    const double* lin = linear_table();
    std::vector<double> sums(n * 3, 0.0);
    for (int y = 0; y < rows * k_cell; ++y) {
        const uint32_t* row = surface_row(frame, y);
        double* cell = &sums[static_cast<size_t>(y / k_cell) * cols * 3];
        for (int x = 0; x < cols * k_cell; ++x) {
            const uint32_t p = row[x];
            double* c = cell + (x / k_cell) * 3;
            c[0] += lin[(p >> 16) & 0xFF];
            c[1] += lin[(p >> 8) & 0xFF];
            c[2] += lin[p & 0xFF];
        }
    }

    const bool first = report->frames == 0;
    if (first) report->first_ms = t_ms;
    ++report->frames;
    report->last_ms = t_ms;
    const size_t second = t_ms / 1000;
    if (report->seconds.size() <= second) report->seconds.resize(second + 1, FlashSecond{0, 0});

    for (int kind = 0; kind < 2; ++kind) {
        std::vector<FlashCellState>& cells = report->cells[kind];
        std::vector<FlashWindowState>& windows = report->windows[kind];
        if (first) {
            cells.assign(n, FlashCellState{0, 0, false, false, 0});
            windows.assign(fields, FlashWindowState{0, false, {}});
        }
        report->events.assign(n, 0);
        for (size_t i = 0; i < n; ++i) {
            const double r = sums[i * 3] / (k_cell * k_cell), g = sums[i * 3 + 1] / (k_cell * k_cell),
                         b = sums[i * 3 + 2] / (k_cell * k_cell);
            FlashCellState* s = &cells[i];
            if (kind == 0) {
                const double l = 0.2126 * r + 0.7152 * g + 0.0722 * b;
                if (first) s->lo = s->hi = l;
                else report->events[i] = static_cast<int8_t>(general_step(s, l));
            } else {
                const double v = std::max(0.0, (r - g - b) * 320.0);
                const bool red = r + g + b > 0 && r / (r + g + b) >= k_red_saturated;
                if (first) {
                    s->lo = s->hi = v;
                    s->lo_red = s->hi_red = red;
                } else {
                    report->events[i] = static_cast<int8_t>(red_step(s, v, red));
                }
            }
        }
        // Each field: the cells rising and falling in this frame, against a quarter of the field.
        std::vector<int> up, down;
        area_build(report->events, 1, cols, rows, &up);
        area_build(report->events, -1, cols, rows, &down);
        int most = 0;
        for (int fy = 0; fy < fields_y; ++fy) {
            for (int fx = 0; fx < fields_x; ++fx) {
                FlashWindowState* w = &windows[static_cast<size_t>(fy) * fields_x + fx];
                const int rising = field_cells(up, cols, fx, fy), falling = field_cells(down, cols, fx, fy);
                int dir = 0;
                if (rising >= k_quarter_cells && rising >= falling) dir = 1;
                else if (falling >= k_quarter_cells) dir = -1;
                if (dir && dir != w->last_dir) {
                    w->last_dir = dir;
                    if (w->pending) w->times.push_back(t_ms);
                    w->pending = !w->pending;
                }
                // Only the second up to and including this frame: (t - 1000, t].
                size_t old = 0;
                while (old < w->times.size() && w->times[old] + 1000 <= t_ms) ++old;
                if (old) w->times.erase(w->times.begin(), w->times.begin() + old);
                most = std::max(most, static_cast<int>(w->times.size()));
            }
        }
        int& slot = kind == 0 ? report->seconds[second].general : report->seconds[second].red;
        slot = std::max(slot, most);
    }
}

int flash_report_seconds_over(const FlashReport* report)
{
    int over = 0;
    for (const FlashSecond& s : report->seconds) over += s.general > 3 || s.red > 3;
    return over;
}

namespace {

// The two summary lines of one report.
std::string report_summary(const FlashReport* report, const char* label)
{
    int over[2] = {0, 0}, most[2] = {0, 0};
    size_t where[2] = {0, 0};
    std::string over_list;
    for (size_t s = 0; s < report->seconds.size(); ++s) {
        const int counts[2] = {report->seconds[s].general, report->seconds[s].red};
        for (int k = 0; k < 2; ++k) {
            over[k] += counts[k] > 3;
            if (counts[k] > most[k]) {
                most[k] = counts[k];
                where[k] = s;
            }
        }
        if (counts[0] > 3 || counts[1] > 3) over_list += " " + std::to_string(s);
    }
    const size_t seconds = report->seconds.size() - report->first_ms / 1000;
    std::string text = std::string(label) + "seconds over three flashes: " +
                       std::to_string(flash_report_seconds_over(report)) + " of " + std::to_string(seconds) +
                       " (general " + std::to_string(over[0]) + ", red " + std::to_string(over[1]) + ")" +
                       (over_list.empty() ? "" : ":" + over_list) + "\n";
    text += std::string(std::strlen(label), ' ') + "largest count: general " + std::to_string(most[0]);
    if (most[0]) text += " in second " + std::to_string(where[0]);
    text += ", red " + std::to_string(most[1]);
    if (most[1]) text += " in second " + std::to_string(where[1]);
    return text + "\n";
}

}  // namespace

std::string flash_report_text(const FlashReport* drawn, const FlashReport* reduced, uint64_t changed)
{
    const FlashReport* any = drawn ? drawn : reduced;
    char line[512];
    std::snprintf(line, sizeof line,
                  "flash report: %llu frames, %u to %u ms\n"
                  "A flash counts where it covers a quarter of a 10-degree field of view: 5456 of the 512x384\n"
                  "frame's pixels, the frame shown full screen on a 1024x768 screen. A second's count is the\n"
                  "most flashes of any such field in a one-second stretch ending in that second; seconds\n"
                  "without a flash are left out.\n%s\n",
                  static_cast<unsigned long long>(any->frames), any->first_ms, any->last_ms,
                  !drawn    ? "The frames are those --reduce-flashing shows.\n"
                  : reduced ? "As drawn: the demo's frames; reduced: the same frames as --reduce-flashing shows them.\n"
                            : "");
    std::string text = line;
    text += drawn && reduced ? "        as drawn       reduced\nsecond  general  red  general  red\n"
                             : "second  general  red\n";
    for (size_t s = any->first_ms / 1000; s < any->seconds.size(); ++s) {
        std::string row;
        bool lit = false;
        int overs = 0;
        const char* which = "";
        for (const FlashReport* r : {drawn, reduced}) {
            if (!r) continue;
            const FlashSecond f = s < r->seconds.size() ? r->seconds[s] : FlashSecond{0, 0};
            std::snprintf(line, sizeof line, "  %7d  %3d", f.general, f.red);
            row += line;
            lit = lit || f.general || f.red;
            if (f.general > 3 || f.red > 3) {
                ++overs;
                which = r == drawn ? " as drawn" : " reduced";
            }
        }
        if (!lit) continue;
        std::snprintf(line, sizeof line, "%6zu", s);
        const std::string mark = !overs                 ? ""
                                 : !(drawn && reduced) ? "  over three"
                                 : overs == 2          ? "  over three in both"
                                                       : std::string("  over three") + which;
        text += line + row + mark + "\n";
    }
    text += "\n";
    if (drawn) text += report_summary(drawn, reduced ? "as drawn: " : "");
    if (reduced) text += report_summary(reduced, drawn ? "reduced:  " : "");
    if (reduced) {
        std::snprintf(line, sizeof line, "%sframes changed by the reduced-flashing filter: %llu of %llu, %.1f%% as drawn\n",
                      drawn ? "          " : "", static_cast<unsigned long long>(changed),
                      static_cast<unsigned long long>(reduced->frames),
                      reduced->frames ? 100.0 * static_cast<double>(reduced->frames - changed) / reduced->frames : 100.0);
        text += line;
    }
    return text;
}
