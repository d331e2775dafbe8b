// The soundtrack's tempo map: where each beat falls in time. Long stretches of the script run at
// one constant tempo fitted to their entry starts; stretches of short entries let the tempo drift
// gently, a taut string through a window around each bar's entry start, so that the groove never
// lurches while every bar still begins within a few milliseconds of its picture.
#include <algorithm>
#include <cmath>

#include "music.h"

namespace {

const TempoKnot* knot_at(const TempoMap& map, double beat)
{
    for (const TempoKnot& k : map.knots)
        if (k.beat == beat) return &k;
    return nullptr;
}

// Stable, so that of two knots on one beat the one added first stays first.
void knots_sort(TempoMap& map)
{
    std::stable_sort(map.knots.begin(), map.knots.end(), [](const TempoKnot& a, const TempoKnot& b) { return a.beat < b.beat; });
}

}  // namespace

double tempo_time(const TempoMap& map, double beat)
{
    const std::vector<TempoKnot>& k = map.knots;
    if (beat <= k.front().beat) return k.front().time + (beat - k.front().beat) * k.front().slope;
    if (beat >= k.back().beat) return k.back().time + (beat - k.back().beat) * k.back().slope;
    const size_t i = std::upper_bound(k.begin(), k.end(), beat, [](double b, const TempoKnot& n) { return b < n.beat; }) -
                     k.begin() - 1;
    const TempoKnot &a = k[i], &b = k[i + 1];
    const double h = b.beat - a.beat, s = (beat - a.beat) / h, s2 = s * s, s3 = s2 * s;
    return (2 * s3 - 3 * s2 + 1) * a.time + (s3 - 2 * s2 + s) * h * a.slope + (3 * s2 - 2 * s3) * b.time +
           (s3 - s2) * h * b.slope;
}

double tempo_beat(const TempoMap& map, double time)
{
    const std::vector<TempoKnot>& k = map.knots;
    if (time <= k.front().time) return k.front().beat + (time - k.front().time) / k.front().slope;
    if (time >= k.back().time) return k.back().beat + (time - k.back().time) / k.back().slope;
    size_t i = 0;
    while (k[i + 1].time < time) ++i;
    double lo = k[i].beat, hi = k[i + 1].beat;
    for (int step = 0; step < 60; ++step) {
        const double mid = 0.5 * (lo + hi);
        (tempo_time(map, mid) < time ? lo : hi) = mid;
    }
    return 0.5 * (lo + hi);
}

void tempo_add_steady(TempoMap& map, const std::vector<TempoAnchor>& anchors)
{
    double mb = 0, mt = 0;
    for (const TempoAnchor& a : anchors) {
        mb += a.beat;
        mt += a.time;
    }
    mb /= static_cast<double>(anchors.size());
    mt /= static_cast<double>(anchors.size());
    double num = 0, den = 0;
    for (const TempoAnchor& a : anchors) {
        num += (a.beat - mb) * (a.time - mt);
        den += (a.beat - mb) * (a.beat - mb);
    }
    const double slope = num / den;
    for (double beat : {anchors.front().beat, anchors.back().beat})
        map.knots.push_back({beat, mt + (beat - mb) * slope, slope});
    knots_sort(map);
}

void tempo_add_drifting(TempoMap& map, const std::vector<TempoAnchor>& anchors, double window)
{
    const size_t n = anchors.size();
    std::vector<double> t(n);
    for (size_t i = 0; i < n; ++i) t[i] = anchors[i].time;
    const TempoKnot* first = knot_at(map, anchors.front().beat);
    const TempoKnot* last = knot_at(map, anchors.back().beat);
    if (first) t.front() = first->time;
    if (last) t.back() = last->time;
    // Each inner point moves to the straight line between its neighbours, held inside its window;
    // repeated, this pulls the string taut. The point count is small, so a fixed number of sweeps
    // converges well and keeps the result the same on every run.
    for (int sweep = 0; sweep < 4000; ++sweep)
        for (size_t i = 1; i + 1 < n; ++i) {
            const double w = (anchors[i].beat - anchors[i - 1].beat) / (anchors[i + 1].beat - anchors[i - 1].beat);
            const double v = t[i - 1] + (t[i + 1] - t[i - 1]) * w;
            t[i] = std::clamp(v, anchors[i].time - window, anchors[i].time + window);
        }
    std::vector<TempoKnot> add;
    for (size_t i = 0; i < n; ++i) {
        double slope;
        if (i == 0)
            slope = first ? first->slope : (t[1] - t[0]) / (anchors[1].beat - anchors[0].beat);
        else if (i + 1 == n)
            slope = last ? last->slope : (t[i] - t[i - 1]) / (anchors[i].beat - anchors[i - 1].beat);
        else
            slope = (t[i + 1] - t[i - 1]) / (anchors[i + 1].beat - anchors[i - 1].beat);
        if ((i == 0 && first) || (i + 1 == n && last)) continue;
        add.push_back({anchors[i].beat, t[i], slope});
    }
    map.knots.insert(map.knots.end(), add.begin(), add.end());
    knots_sort(map);
}
