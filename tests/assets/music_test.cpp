// The soundtrack, measured from the decoded file as a listener would get it: its length, the
// encoder delay undone, nothing below 20 Hz, the true peak and the loudness, the balance of lows,
// middles and highs, an accent on every cut that is not a cut to black, a tempo that steps only at
// a cut and otherwise ramps gently, and a last chord that has died away when the script ends.
#include <gtest/gtest.h>
#include <mpg123.h>

#include <algorithm>
#include <cmath>

#include "asset_files.h"
#include "base/angles.h"
#include "shell/scene_list.h"
#include "shell/timeline.h"

namespace {


struct Decoded {
    long rate = 0;
    int channels = 0;
    std::vector<float> left, right;
};

Decoded decode_file(const std::string& path)
{
    Decoded d;
    mpg123_init();
    int err = 0;
    mpg123_handle* h = mpg123_new(nullptr, &err);
    if (!h) return d;
    mpg123_param(h, MPG123_FORCE_RATE, 0, 0);
    int encoding = 0;
    if (mpg123_open(h, path.c_str()) == MPG123_OK && mpg123_getformat(h, &d.rate, &d.channels, &encoding) == MPG123_OK) {
        mpg123_format_none(h);
        mpg123_format(h, d.rate, d.channels, MPG123_ENC_SIGNED_16);
        std::vector<unsigned char> buf(65536);
        size_t done = 0;
        int r;
        do {
            r = mpg123_read(h, buf.data(), buf.size(), &done);
            const short* s = reinterpret_cast<const short*>(buf.data());
            for (size_t i = 0; i + 1 < done / 2 && d.channels == 2; i += 2) {
                d.left.push_back(s[i] / 32768.0f);
                d.right.push_back(s[i + 1] / 32768.0f);
            }
        } while (r == MPG123_OK);
        mpg123_close(h);
    }
    mpg123_delete(h);
    return d;
}

// Decoded once for all the tests below.
const Decoded& music()
{
    static const Decoded d = decode_file(build_path("music.mp3"));
    return d;
}

// The script as the program plays it: where each entry starts (ms), which entries cut to black,
// and where the script ends.
struct Script {
    std::vector<long> starts;
    std::vector<bool> black;
    long end = 0;
};

const Script& script()
{
    static const Script s = [] {
        TimelineEntry timeline[k_timeline_entries + 1];
        timeline_build(timeline);
        Script out;
        for (int e = 0; e < k_timeline_entries; ++e) {
            out.starts.push_back(out.end);
            out.black.push_back(timeline[e].scene == scene_black);
            out.end = timeline[e].end_ms;
        }
        return out;
    }();
    return s;
}

struct Biquad {
    double b0, b1, b2, a1, a2, z1 = 0, z2 = 0;
    double run(double x)
    {
        const double y = b0 * x + z1;
        z1 = b1 * x - a1 * y + z2;
        z2 = b2 * x - a2 * y;
        return y;
    }
};

Biquad lowpass(double f, double q, double rate)
{
    const double w = 2 * k_pi * f / rate, al = std::sin(w) / (2 * q), c = std::cos(w), a0 = 1 + al;
    return {(1 - c) / 2 / a0, (1 - c) / a0, (1 - c) / 2 / a0, -2 * c / a0, (1 - al) / a0};
}

Biquad highpass(double f, double q, double rate)
{
    const double w = 2 * k_pi * f / rate, al = std::sin(w) / (2 * q), c = std::cos(w), a0 = 1 + al;
    return {(1 + c) / 2 / a0, -(1 + c) / a0, (1 + c) / 2 / a0, -2 * c / a0, (1 - al) / a0};
}

// Mean square of a signal in bins of 1 / `per_second` s, and the level in dB of a stretch of bins.
std::vector<double> ms_bins(const std::vector<double>& x, long rate, long per_second = 1000)
{
    std::vector<double> bins(x.size() * per_second / static_cast<size_t>(rate));
    for (size_t k = 0; k < bins.size(); ++k) {
        const size_t a = k * rate / per_second, b = (k + 1) * rate / per_second;
        for (size_t i = a; i < b; ++i) bins[k] += x[i] * x[i];
        bins[k] /= static_cast<double>(b - a);
    }
    return bins;
}

double level_db(const std::vector<double>& bins, long from, long to)
{
    double sum = 0;
    long n = 0;
    for (long k = std::max(0L, from); k < to && k < static_cast<long>(bins.size()); ++k, ++n) sum += bins[k];
    return 10 * std::log10(sum / std::max(1L, n) + 1e-12);
}

// How far the 20 ms from `ms` rise above the 50 ms before them.
double rise_db(const std::vector<double>& bins, long ms) { return level_db(bins, ms, ms + 20) - level_db(bins, ms - 50, ms); }

struct Envelopes {
    std::vector<double> full, high;   // the mono mix and its first difference, in 1 ms bins
    std::vector<double> low;          // the mix below 150 Hz, in 0.1 ms bins
};

const Envelopes& envelopes()
{
    static const Envelopes env = [] {
        const Decoded& d = music();
        std::vector<double> mono(d.left.size()), high(mono.size()), low(mono.size());
        Biquad a = lowpass(150, 0.7071, d.rate), b = lowpass(150, 0.7071, d.rate);
        for (size_t i = 0; i < mono.size(); ++i) {
            mono[i] = 0.5 * (d.left[i] + d.right[i]);
            high[i] = i ? mono[i] - mono[i - 1] : 0.0;
            low[i] = b.run(a.run(mono[i]));
        }
        return Envelopes{ms_bins(mono, d.rate), ms_bins(high, d.rate), ms_bins(low, d.rate, 10000)};
    }();
    return env;
}

// Kick onsets (ms): a clear rise (12 dB) in the low band, then timed to a tenth of a millisecond
// where the band's level crosses halfway (in dB) from before the kick to its peak.
std::vector<double> kick_onsets()
{
    const std::vector<double>& low = envelopes().low;   // 10 bins a millisecond
    auto rise = [&](long s) { return level_db(low, s, s + 150) - level_db(low, s - 400, s); };
    std::vector<double> onsets;
    long last = -10000;
    for (long s = 1000; s < static_cast<long>(low.size()) - 1000; s += 10) {
        const double r = rise(s);
        if (r < 12 || level_db(low, s, s + 150) < -30 || s - last < 600) continue;
        bool peak = true;
        for (long u = s - 250; u <= s + 250 && peak; u += 10) peak = u == s || rise(u) <= r;
        if (!peak) continue;
        double top = -200;
        for (long u = s - 100; u < s + 200; ++u) top = std::max(top, level_db(low, u - 20, u));
        const double half = (level_db(low, s - 400, s - 100) + top) / 2;
        long x = s - 100;
        while (level_db(low, x - 20, x) < half && x < s + 200) ++x;
        onsets.push_back(x / 10.0);
        last = s;
    }
    return onsets;
}

// Mean square of the mono mix per 100 ms, through a fourth-order band from `low_hz` to `high_hz`
// (0: that side open).
std::vector<double> band_steps(double low_hz, double high_hz)
{
    const Decoded& d = music();
    Biquad h[2] = {highpass(low_hz, 0.5412, d.rate), highpass(low_hz, 1.3066, d.rate)};
    Biquad l[2] = {lowpass(high_hz, 0.5412, d.rate), lowpass(high_hz, 1.3066, d.rate)};
    const size_t step = static_cast<size_t>(d.rate / 10);
    std::vector<double> out(d.left.size() / step + 1, 0.0);
    for (size_t i = 0; i < d.left.size(); ++i) {
        double y = 0.5 * (d.left[i] + d.right[i]);
        if (low_hz > 0) y = h[1].run(h[0].run(y));
        if (high_hz > 0) y = l[1].run(l[0].run(y));
        out[i / step] += y * y;
    }
    return out;
}

double steps_sum(const std::vector<double>& steps, long from_ms, long to_ms)
{
    double sum = 0;
    for (long k = from_ms / 100; k < to_ms / 100 && k < static_cast<long>(steps.size()); ++k) sum += steps[k];
    return sum;
}

}  // namespace

TEST(AssetMusic, DecodesToTheWholeScriptFromItsFirstSampleAndDiesAwayWithIt)
{
    const Decoded& d = music();
    ASSERT_EQ(d.rate, 44100);
    ASSERT_EQ(d.channels, 2);
    const std::vector<double>& full = envelopes().full;
    const double seconds = static_cast<double>(d.left.size()) / d.rate;
    EXPECT_GE(seconds, 186.0);
    EXPECT_LE(seconds, 190.0);
    // The encoder's delay is undone by the decoder: the opening hit sounds from the first sample.
    EXPECT_GT(level_db(full, 0, 10), -40.0);
    const long end = script().end;
    EXPECT_GT(level_db(full, end - 2000, end - 1000), -30.0) << "the last picture should still be heard";
    // The last chord decays by itself: 60 dB down on the way out of the script, then silence.
    EXPECT_LT(level_db(full, end - 50, end), -60.0);
    EXPECT_LT(level_db(full, end + 10, static_cast<long>(full.size())), -70.0) << "the music should be over";
}

TEST(AssetMusic, NothingBelowTwentyHertz)
{
    // What an eighth-order low-pass at 20 Hz lets through, in 0.25 s stretches, in dBFS.
    const Decoded& d = music();
    double worst = -200, worst_at = 0;
    for (const std::vector<float>* ch : {&d.left, &d.right}) {
        Biquad f[4] = {lowpass(20, 0.5098, d.rate), lowpass(20, 0.6013, d.rate), lowpass(20, 0.9000, d.rate),
                       lowpass(20, 2.5629, d.rate)};
        const size_t block = static_cast<size_t>(d.rate / 4);
        double sum = 0;
        for (size_t i = 0; i < ch->size(); ++i) {
            double y = (*ch)[i];
            for (Biquad& b : f) y = b.run(y);
            sum += y * y;
            if ((i + 1) % block == 0) {
                const double db = 10 * std::log10(sum / static_cast<double>(block) + 1e-20);
                if (db > worst) {
                    worst = db;
                    worst_at = static_cast<double>(i) / d.rate;
                }
                sum = 0;
            }
        }
    }
    EXPECT_LT(worst, -40.0) << "at " << worst_at << " s";
}

TEST(AssetMusic, TruePeakAndLoudness)
{
    const Decoded& d = music();
    // True peak: the samples and three points between each pair, by a Hann-windowed sinc of 12
    // taps each side; quiet stretches cannot reach the ceiling and are skipped.
    double taps[3][24];
    for (int p = 1; p < 4; ++p)
        for (int i = -11; i <= 12; ++i) {
            const double u = i - p / 4.0;
            taps[p - 1][i + 11] = std::sin(k_pi * u) / (k_pi * u) * (0.5 + 0.5 * std::cos(k_pi * u / 13));
        }
    double peak = 0;
    for (const std::vector<float>* ch : {&d.left, &d.right}) {
        const std::vector<float>& x = *ch;
        for (size_t n = 12; n + 12 < x.size(); ++n) {
            peak = std::max(peak, static_cast<double>(std::fabs(x[n])));
            if (std::fabs(x[n]) < 0.25f && std::fabs(x[n + 1]) < 0.25f) continue;
            for (int p = 0; p < 3; ++p) {
                double s = 0;
                for (int i = 0; i < 24; ++i) s += x[n + i - 11] * taps[p][i];
                peak = std::max(peak, std::fabs(s));
            }
        }
    }
    EXPECT_LE(20 * std::log10(peak), -1.0) << "dBTP";
    // Integrated loudness: K-weighted mean squares in 400 ms blocks every 100 ms, gated at
    // -70 LUFS and at 10 LU under the ungated mean.
    const double rate = static_cast<double>(d.rate);
    double k = std::tan(k_pi * 1681.974450955533 / rate);
    const double q = 0.7071752369554196, vh = std::pow(10.0, 3.999843853973347 / 20), vb = std::pow(vh, 0.4996667741545416);
    const double a0 = 1 + k / q + k * k;
    const Biquad shelf{(vh + vb * k / q + k * k) / a0, 2 * (k * k - vh) / a0, (vh - vb * k / q + k * k) / a0,
                       2 * (k * k - 1) / a0, (1 - k / q + k * k) / a0};
    k = std::tan(k_pi * 38.13547087602444 / rate);
    const double q2 = 0.5003270373238773, b0 = 1 + k / q2 + k * k;
    const Biquad high{1, -2, 1, 2 * (k * k - 1) / b0, (1 - k / q2 + k * k) / b0};
    const size_t step = static_cast<size_t>(rate / 10);
    std::vector<double> steps(d.left.size() / step, 0.0);
    for (const std::vector<float>* ch : {&d.left, &d.right}) {
        Biquad s1 = shelf, s2 = high;
        for (size_t i = 0; i < steps.size() * step; ++i) {
            const double y = s2.run(s1.run((*ch)[i]));
            steps[i / step] += y * y / static_cast<double>(step);
        }
    }
    auto lufs = [](double z) { return -0.691 + 10 * std::log10(z + 1e-20); };
    std::vector<double> blocks;
    for (size_t i = 3; i < steps.size(); ++i) blocks.push_back((steps[i - 3] + steps[i - 2] + steps[i - 1] + steps[i]) / 4);
    double gate = -70, loudness = 0;
    for (int pass = 0; pass < 2; ++pass) {
        double sum = 0;
        int count = 0;
        for (double z : blocks)
            if (lufs(z) > gate && lufs(z) > -70) {
                sum += z;
                ++count;
            }
        loudness = lufs(sum / std::max(1, count));
        gate = loudness - 10;
    }
    EXPECT_NEAR(loudness, -14.0, 0.7) << "LUFS";
}

TEST(AssetMusic, EveryCutButACutToBlackIsAccented)
{
    // An accent: within 20 ms of the cut, the next 20 ms (of the mix, or of its top end) rise at
    // least 6 dB above the 50 ms before them, at an audible level.
    const Envelopes& env = envelopes();
    for (int e = 0; e < k_timeline_entries; ++e) {
        if (script().black[e]) continue;
        const long t = script().starts[e];
        double best = -100, level = -100;
        for (long s = std::max(1L, t - 20); s <= t + 20; ++s) {
            const double r = std::max(rise_db(env.full, s), rise_db(env.high, s));
            if (r > best) {
                best = r;
                level = level_db(env.full, s, s + 20);
            }
        }
        EXPECT_GE(best, 6.0) << "entry " << e << " at " << t << " ms";
        EXPECT_GT(level, -45.0) << "entry " << e << " at " << t << " ms";
    }
}

TEST(AssetMusic, LowsMiddlesAndHighsInBalance)
{
    // Over the whole script the octave around 63 Hz stays within 6 dB of the octave around 1 kHz;
    // every twelve seconds keep at least a tenth of their power above 2 kHz, so no stretch is dull.
    const long end = script().end;
    const std::vector<double> all = band_steps(0, 0), highs = band_steps(2000, 0);
    const double balance = 10 * std::log10(steps_sum(band_steps(44.5, 89), 0, end) / steps_sum(band_steps(707, 1414), 0, end));
    EXPECT_LE(std::fabs(balance), 6.0) << "dB of the 63 Hz octave over the 1 kHz octave";
    for (long t = 0; t + 12000 <= end; t += 1000) {
        const double share = steps_sum(highs, t, t + 12000) / steps_sum(all, t, t + 12000);
        EXPECT_GE(share, 0.10) << "above 2 kHz from " << t << " ms";
    }
}

TEST(AssetMusic, TheTempoStepsOnlyAtACutAndOtherwiseRampsGently)
{
    // From one beat to the next (kicks 300 to 450 ms apart) the beat may change by the 1.5% of a
    // gentle ramp, plus half a percent for the timing of the kicks; a larger step must come on a
    // cut, where a section begins in a tempo of its own.
    const std::vector<double> kicks = kick_onsets();
    int measured = 0;
    for (size_t i = 2; i < kicks.size(); ++i) {
        const double a = kicks[i - 1] - kicks[i - 2], b = kicks[i] - kicks[i - 1];
        if (a < 300 || a > 450 || b < 300 || b > 450) continue;
        ++measured;
        if (std::fabs(b / a - 1) <= 0.02) continue;
        bool at_cut = false;
        for (long s : script().starts) at_cut = at_cut || std::fabs(kicks[i - 1] - s) <= 30;
        EXPECT_TRUE(at_cut) << "the beat goes " << a << " ms, then " << b << " ms at " << kicks[i - 1] << " ms";
    }
    EXPECT_GE(measured, 100) << "beats measured";
}
