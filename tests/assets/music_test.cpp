// The soundtrack, measured from the decoded file as a listener would get it: its length, the
// encoder delay undone, nothing below 20 Hz, the true peak and the loudness, an accent on every cut
// that is not a cut to black, one steady beat through the quick polygon run and each long section,
// and silence once the script is over.
#include <gtest/gtest.h>
#include <mpg123.h>

#include <algorithm>
#include <cmath>
#include <iterator>

#include "asset_files.h"

namespace {

constexpr double k_pi = 3.141592653589793;

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

// Where each Timeline entry starts (ms), and which entries cut to black.
const int k_starts_ms[92] = {
    0,      1217,   3036,   4185,   6024,   7194,   9051,   10225,  12049,  13189,  15018,  16167,  18030,  19215,
    21025,  22141,  24038,  25192,  27068,  28223,  29979,  31159,  33013,  34194,  36013,  37159,  39000,  40181,
    41973,  43109,  43450,  43785,  44150,  44505,  44823,  45191,  45550,  45921,  46271,  46620,  46985,  47318,
    47670,  48028,  48382,  48736,  49091,  49450,  49809,  50161,  51963,  63963,  65463,  66963,  75948,  87948,
    99948,  101216, 102941, 104066, 105931, 107056, 108929, 110049, 111928, 113078, 114957, 116081, 117919, 119039,
    120926, 122042, 122558, 123956, 147943, 159943, 171965, 173082, 174885, 176073, 177903, 179025, 180880, 181005,
    181130, 181255, 181380, 181505, 181630, 181755, 181880, 182004};
constexpr int k_script_end_ms = 183981;
const int k_black[] = {1, 3, 15, 17, 19, 21, 23, 25, 27, 49, 57, 59, 61, 63, 65, 67, 69, 71, 77, 79, 81};

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

// Mean square of a signal in 1 ms bins, and the level in dB of a stretch of bins.
std::vector<double> ms_bins(const std::vector<double>& x, long rate)
{
    std::vector<double> bins(x.size() * 1000 / static_cast<size_t>(rate));
    for (size_t k = 0; k < bins.size(); ++k) {
        const size_t a = k * rate / 1000, b = (k + 1) * rate / 1000;
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
    std::vector<double> full, high, low;   // the mono mix, its first difference, below 150 Hz
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
        return Envelopes{ms_bins(mono, d.rate), ms_bins(high, d.rate), ms_bins(low, d.rate)};
    }();
    return env;
}

// Kick onsets (ms) in [from, to): a clear rise (9 dB) in the low band found coarsely, then timed
// where the band's level crosses halfway (in dB) from before the kick to its peak.
std::vector<double> kick_onsets(long from, long to)
{
    const std::vector<double>& low = envelopes().low;
    auto rise = [&](long s) { return level_db(low, s, s + 15) - level_db(low, s - 40, s); };
    std::vector<double> onsets;
    long last = -1000;
    for (long s = from; s < to; ++s) {
        const double r = rise(s);
        if (r < 9 || level_db(low, s, s + 15) < -30 || s - last < 60) continue;
        bool peak = true;
        for (long u = s - 25; u <= s + 25 && peak; ++u) peak = u == s || rise(u) <= r;
        if (!peak) continue;
        double top = -200;
        for (long u = s; u < s + 20; ++u) top = std::max(top, level_db(low, u - 4, u));
        const double half = (level_db(low, s - 40, s - 5) + top) / 2;
        long x = s - 10;
        while (level_db(low, x - 4, x) < half && x < s + 20) ++x;
        onsets.push_back(static_cast<double>(x));
        last = s;
    }
    return onsets;
}

// Fits one constant beat to the onsets, each on its nearest sixteenth, growing the fit onset by
// onset so that the sixteenths are counted right across a long stretch. Returns the beat (ms) and
// the largest distance of an onset from its sixteenth.
void steady_fit(const std::vector<double>& t, double first_beat, double* beat, double* worst)
{
    double a = t[0], p = first_beat;
    std::vector<double> k(t.size(), 0.0);
    for (size_t n = 1; n < t.size(); ++n) {
        for (size_t i = 0; i <= n; ++i) k[i] = std::round((t[i] - a) / (p / 4)) / 4;
        double mk = 0, mt = 0;
        for (size_t i = 0; i <= n; ++i) {
            mk += k[i];
            mt += t[i];
        }
        mk /= static_cast<double>(n + 1);
        mt /= static_cast<double>(n + 1);
        double num = 0, den = 0;
        for (size_t i = 0; i <= n; ++i) {
            num += (k[i] - mk) * (t[i] - mt);
            den += (k[i] - mk) * (k[i] - mk);
        }
        if (den > 0) p = num / den;
        a = mt - p * mk;
    }
    *beat = p;
    *worst = 0;
    for (size_t i = 0; i < t.size(); ++i) *worst = std::max(*worst, std::fabs(t[i] - (a + p * k[i])));
}

}  // namespace

TEST(AssetMusic, DecodesToTheWholeScriptFromItsFirstSampleAndEndsWithIt)
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
    EXPECT_GT(level_db(full, 182000, 183000), -30.0) << "the last picture should still be heard";
    EXPECT_LT(level_db(full, k_script_end_ms + 10, static_cast<long>(full.size())), -70.0)
        << "the music should be over when the script is";
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
    for (int e = 0; e < 92; ++e) {
        if (std::find(std::begin(k_black), std::end(k_black), e) != std::end(k_black)) continue;
        const long t = k_starts_ms[e];
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

TEST(AssetMusic, TheBeatIsSteadyThroughTheQuickRunAndTheLongSections)
{
    // Each stretch is measured from just after its opening cut, whose big hit and sub thump
    // would blur the timing of the kick under them.
    const struct {
        const char* name;
        int from_ms, to_ms;
        size_t min_kicks;
    } stretches[] = {{"quick polygon run", 43109 + 60, 50161, 15},
                     {"first long section", 51963 + 60, 99948, 60},
                     {"second long section", 123956 + 60, 171965, 60}};
    for (const auto& s : stretches) {
        const std::vector<double> kicks = kick_onsets(s.from_ms, s.to_ms);
        ASSERT_GE(kicks.size(), s.min_kicks) << s.name;
        std::vector<double> gaps;
        for (size_t i = 1; i < kicks.size(); ++i)
            if (kicks[i] - kicks[i - 1] > 300 && kicks[i] - kicks[i - 1] < 450) gaps.push_back(kicks[i] - kicks[i - 1]);
        ASSERT_FALSE(gaps.empty()) << s.name;
        std::nth_element(gaps.begin(), gaps.begin() + gaps.size() / 2, gaps.end());
        double beat = 0, worst = 0;
        steady_fit(kicks, gaps[gaps.size() / 2], &beat, &worst);
        EXPECT_LT(worst, 8.0) << s.name << ": a kick lies off one steady beat of " << beat << " ms";
    }
}
