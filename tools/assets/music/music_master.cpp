// The soundtrack's mastering: tone shaping (a steep high-pass under the sub bass, a lower bass
// shelf, a lift of the presence and air bands, and a high shelf that follows the arrangement),
// levelling to an integrated loudness and a look-ahead limiter that holds the true (inter-sample)
// peak under a ceiling, so the decoded file neither booms nor clips on any player.
#include <algorithm>
#include <cmath>
#include <deque>

#include "base/angles.h"
#include "music.h"

namespace {

constexpr double k_sr = k_sample_rate;

// Direct form II transposed second-order section.
struct Biquad {
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
    double z1 = 0, z2 = 0;
    double run(double x)
    {
        const double y = b0 * x + z1;
        z1 = b1 * x - a1 * y + z2;
        z2 = b2 * x - a2 * y;
        return y;
    }
};

Biquad normalised(double b0, double b1, double b2, double a0, double a1, double a2)
{
    Biquad q;
    q.b0 = b0 / a0;
    q.b1 = b1 / a0;
    q.b2 = b2 / a0;
    q.a1 = a1 / a0;
    q.a2 = a2 / a0;
    return q;
}

Biquad highpass(double f, double q)
{
    const double w = 2 * k_pi * f / k_sr, c = std::cos(w), al = std::sin(w) / (2 * q);
    return normalised((1 + c) / 2, -(1 + c), (1 + c) / 2, 1 + al, -2 * c, 1 - al);
}

Biquad lowpass(double f, double q)
{
    const double w = 2 * k_pi * f / k_sr, c = std::cos(w), al = std::sin(w) / (2 * q);
    return normalised((1 - c) / 2, 1 - c, (1 - c) / 2, 1 + al, -2 * c, 1 - al);
}

Biquad shelf(double f, double gain_db, bool high)
{
    const double a = std::pow(10.0, gain_db / 40), w = 2 * k_pi * f / k_sr, c = std::cos(w);
    const double al = std::sin(w) / 2 * std::sqrt(2.0), r = 2 * std::sqrt(a) * al;
    if (high)
        return normalised(a * ((a + 1) + (a - 1) * c + r), -2 * a * ((a - 1) + (a + 1) * c), a * ((a + 1) + (a - 1) * c - r),
                          (a + 1) - (a - 1) * c + r, 2 * ((a - 1) - (a + 1) * c), (a + 1) - (a - 1) * c - r);
    return normalised(a * ((a + 1) - (a - 1) * c + r), 2 * a * ((a - 1) - (a + 1) * c), a * ((a + 1) - (a - 1) * c - r),
                      (a + 1) + (a - 1) * c + r, -2 * ((a - 1) + (a + 1) * c), (a + 1) + (a - 1) * c - r);
}

Biquad peaking(double f, double q, double gain_db)
{
    const double a = std::pow(10.0, gain_db / 40), w = 2 * k_pi * f / k_sr, c = std::cos(w), al = std::sin(w) / (2 * q);
    return normalised(1 + al * a, -2 * c, 1 - al * a, 1 + al / a, -2 * c, 1 - al / a);
}

// The two stages of the loudness weighting, designed for the sample rate in use.
void k_weighting(Biquad& shelf_stage, Biquad& highpass_stage)
{
    double k = std::tan(k_pi * 1681.974450955533 / k_sr);
    const double q = 0.7071752369554196, vh = std::pow(10.0, 3.999843853973347 / 20), vb = std::pow(vh, 0.4996667741545416);
    shelf_stage = normalised(vh + vb * k / q + k * k, 2 * (k * k - vh), vh - vb * k / q + k * k, 1 + k / q + k * k,
                             2 * (k * k - 1), 1 - k / q + k * k);
    k = std::tan(k_pi * 38.13547087602444 / k_sr);
    const double q2 = 0.5003270373238773;
    // The high-pass stage keeps its unnormalised numerator (1, -2, 1), as the weighting is defined.
    highpass_stage = normalised(1, -2, 1, 1 + k / q2 + k * k, 2 * (k * k - 1), 1 - k / q2 + k * k);
    highpass_stage.b0 = 1;
    highpass_stage.b1 = -2;
    highpass_stage.b2 = 1;
}

// Four-times oversampling of the signal between samples n-1 and n, for the inter-sample peak:
// a windowed sinc of 8 taps each side for each of the three inner phases.
struct Upsampler {
    static constexpr int k_taps = 16;
    double coef[3][k_taps];
    Upsampler()
    {
        for (int p = 0; p < 3; ++p) {
            const double frac = (p + 1) / 4.0;
            double sum = 0;
            for (int i = 0; i < k_taps; ++i) {
                const double x = i - (k_taps / 2 - 1) - frac;   // taps at n-8 .. n+7, point at n-1+frac
                const double sinc = x == 0 ? 1.0 : std::sin(k_pi * x) / (k_pi * x);
                const double win = 0.5 + 0.5 * std::cos(k_pi * x / (k_taps / 2 + 1));
                coef[p][i] = sinc * win;
                sum += coef[p][i];
            }
            for (int i = 0; i < k_taps; ++i) coef[p][i] /= sum;
        }
    }
    // Largest magnitude of the three points between x[n-1] and x[n].
    double between(const std::vector<float>& x, size_t n) const
    {
        double peak = 0;
        for (int p = 0; p < 3; ++p) {
            double s = 0;
            for (int i = 0; i < k_taps; ++i) {
                const long j = static_cast<long>(n) - (k_taps / 2) + i;
                if (j >= 0 && j < static_cast<long>(x.size())) s += coef[p][i] * x[static_cast<size_t>(j)];
            }
            peak = std::max(peak, std::fabs(s));
        }
        return peak;
    }
};

// The gain each sample needs so that neither it nor the points just before it pass `ceiling`.
std::vector<float> gain_needed(const std::vector<float>& l, const std::vector<float>& r, double ceiling)
{
    static const Upsampler up;
    std::vector<float> need(l.size(), 1.0f);
    const float quiet = static_cast<float>(ceiling * 0.5);   // nothing this far below can overshoot
    for (size_t n = 0; n < l.size(); ++n) {
        const float m = std::max(std::fabs(l[n]), std::fabs(r[n]));
        const float prev = n ? std::max(std::fabs(l[n - 1]), std::fabs(r[n - 1])) : 0.0f;
        if (std::max(m, prev) < quiet) continue;
        const double peak = std::max({static_cast<double>(m), up.between(l, n), up.between(r, n)});
        if (peak > ceiling) need[n] = static_cast<float>(ceiling / peak);
    }
    return need;
}

// Look-ahead limiter: the gain falls over `look` samples to meet each peak as it arrives (the
// minimum of what the next `look` samples need, averaged over `look` samples) and recovers with
// a release of `release` seconds.
void limit(std::vector<float>& l, std::vector<float>& r, double ceiling)
{
    const std::vector<float> need = gain_needed(l, r, ceiling);
    const size_t n = l.size(), look = 96;
    const double rel = 1.0 - std::exp(-1.0 / (0.08 * k_sr));
    // Sliding minimum over [i, i + look], then release, then a box average over the last look + 1.
    std::vector<float> held(n);
    std::deque<size_t> window;
    for (size_t i = 0, j = 0; i < n; ++i) {
        for (; j < n && j <= i + look; ++j) {
            while (!window.empty() && need[window.back()] >= need[j]) window.pop_back();
            window.push_back(j);
        }
        while (window.front() < i) window.pop_front();
        held[i] = need[window.front()];
    }
    double g = 1.0;
    for (size_t i = 0; i < n; ++i) {
        g = std::min(static_cast<double>(held[i]), g + (1.0 - g) * rel);
        held[i] = static_cast<float>(g);
    }
    double sum = 0;
    std::vector<float> out_gain(n);
    for (size_t i = 0; i < n; ++i) {
        sum += held[i];
        if (i > look) sum -= held[i - look - 1];
        const double count = static_cast<double>(std::min(i + 1, look + 1));
        // Before the first samples the gain was 1.
        out_gain[i] = static_cast<float>((sum + static_cast<double>(look + 1) - count) / static_cast<double>(look + 1));
    }
    for (size_t i = 0; i < n; ++i) {
        l[i] *= out_gain[i];
        r[i] *= out_gain[i];
    }
}

// Where a stretch of the mix carries little above 2 kHz (a dub pulse, a groove heavy with bass),
// a high shelf lifts it until a sixth of the stretch's power lies up there, by at most 10 dB.
// The lift is judged on six seconds around each half second and glides from one to the next, so
// it moves like a slow hand on a mixing desk, never with the beat.
void highs_follow(std::vector<float>& left, std::vector<float>& right)
{
    const double target = 1.0 / 6, most = std::pow(10.0, 10.0 / 20);
    const size_t n = left.size(), block = static_cast<size_t>(k_sr / 2), blocks = (n + block - 1) / block;
    std::vector<double> all(blocks, 0.0), high(blocks, 0.0);
    Biquad h1 = highpass(2000, 0.5412), h2 = highpass(2000, 1.3066);
    for (size_t i = 0; i < n; ++i) {
        const double m = 0.5 * (left[i] + right[i]), h = h2.run(h1.run(m));
        all[i / block] += m * m;
        high[i / block] += h * h;
    }
    std::vector<double> lift(blocks, 1.0);
    for (size_t b = 0; b < blocks; ++b) {
        double a = 0, h = 0;
        for (size_t k = b > 6 ? b - 6 : 0; k <= b + 6 && k < blocks; ++k) {
            a += all[k];
            h += high[k];
        }
        if (h > 0 && h < a * target) lift[b] = std::min(most, std::sqrt(target * (a - h) / (h * (1 - target))));
    }
    for (int ch = 0; ch < 2; ++ch) {
        std::vector<float>& x = ch ? right : left;
        Biquad split = highpass(2000, 0.7071);
        for (size_t i = 0; i < n; ++i) {
            // Each block's lift holds at its centre; between centres it moves in a straight line.
            const double pos = std::clamp(static_cast<double>(i) / block - 0.5, 0.0, static_cast<double>(blocks - 1));
            const size_t b = static_cast<size_t>(pos);
            const double f = pos - b, g = lift[b] + (lift[std::min(b + 1, blocks - 1)] - lift[b]) * f;
            x[i] = static_cast<float>(x[i] + (g - 1) * split.run(x[i]));
        }
    }
}

}  // namespace

double loudness_integrated(const std::vector<float>& left, const std::vector<float>& right)
{
    // Mean squares of the weighted signal per 100 ms; a block is four of them, overlapping by 75%.
    const size_t step = static_cast<size_t>(k_sr / 10);
    std::vector<double> steps;
    for (int ch = 0; ch < 2; ++ch) {
        const std::vector<float>& x = ch ? right : left;
        Biquad s, h;
        k_weighting(s, h);
        size_t k = 0;
        double acc = 0;
        for (size_t i = 0; i < x.size(); ++i) {
            const double y = h.run(s.run(x[i]));
            acc += y * y;
            if ((i + 1) % step == 0) {
                if (ch == 0) steps.push_back(0);
                steps[k++] += acc / static_cast<double>(step);
                acc = 0;
            }
        }
    }
    std::vector<double> blocks;
    for (size_t k = 3; k < steps.size(); ++k) blocks.push_back((steps[k - 3] + steps[k - 2] + steps[k - 1] + steps[k]) / 4);
    auto lufs = [](double z) { return -0.691 + 10 * std::log10(z); };
    double sum = 0;
    size_t count = 0;
    for (double z : blocks)
        if (z > 0 && lufs(z) > -70) {
            sum += z;
            ++count;
        }
    if (!count) return -70;
    const double relative = lufs(sum / static_cast<double>(count)) - 10;
    sum = 0;
    count = 0;
    for (double z : blocks)
        if (z > 0 && lufs(z) > -70 && lufs(z) > relative) {
            sum += z;
            ++count;
        }
    return lufs(sum / static_cast<double>(count));
}

void master_process(std::vector<float>& left, std::vector<float>& right, double target_lufs, double ceiling_dbtp)
{
    // Tone: a fourth-order high-pass at 30 Hz keeps rumble out of the headroom; a low shelf keeps
    // the kick and the bass from outweighing the middle; a broad presence lift and an air shelf
    // bring the top forward on small speakers.
    for (int ch = 0; ch < 2; ++ch) {
        std::vector<float>& x = ch ? right : left;
        Biquad hp1 = highpass(30, 0.5412), hp2 = highpass(30, 1.3066), low = shelf(120, -5.0, false);
        Biquad presence = peaking(2800, 0.7, 2.5), air = shelf(7000, 3.0, true);
        // Above 16 kHz the encoder keeps little at this bit rate; taking it out here keeps the
        // decoded peaks where the limiter put them.
        Biquad top1 = lowpass(16000, 0.5412), top2 = lowpass(16000, 1.3066);
        for (float& s : x)
            s = static_cast<float>(top2.run(top1.run(air.run(presence.run(low.run(hp2.run(hp1.run(s))))))));
    }
    highs_follow(left, right);
    // Level, limit, and level again by what the limiter took, until the loudness is on target.
    const double ceiling = std::pow(10.0, ceiling_dbtp / 20);
    double gain = std::pow(10.0, (target_lufs - loudness_integrated(left, right)) / 20);
    std::vector<float> l, r;
    for (int pass = 0; pass < 4; ++pass) {
        l = left;
        r = right;
        for (size_t i = 0; i < l.size(); ++i) {
            l[i] = static_cast<float>(l[i] * gain);
            r[i] = static_cast<float>(r[i] * gain);
        }
        limit(l, r, ceiling);
        const double miss = target_lufs - loudness_integrated(l, r);
        if (std::fabs(miss) < 0.05) break;
        gain *= std::pow(10.0, miss / 20);
    }
    left.swap(l);
    right.swap(r);
}
