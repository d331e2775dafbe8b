// The soundtrack: it decodes with libmpg123 to at least 186 s of 44.1 kHz stereo, it is audible
// at the start of a sample of Timeline entries, and it has faded out by its end.
#include <gtest/gtest.h>
#include <mpg123.h>

#include <cmath>

#include "asset_files.h"

namespace {

struct Decoded {
    long rate = 0;
    int channels = 0;
    std::vector<short> samples;   // interleaved
};

Decoded decode(const std::string& path)
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
            d.samples.insert(d.samples.end(), s, s + done / 2);
        } while (r == MPG123_OK);
        mpg123_close(h);
    }
    mpg123_delete(h);
    return d;
}

double rms_dbfs(const Decoded& d, double from_s, double to_s)
{
    const size_t a = static_cast<size_t>(from_s * d.rate) * 2, b = static_cast<size_t>(to_s * d.rate) * 2;
    double sum = 0;
    for (size_t i = a; i < b && i < d.samples.size(); ++i) sum += static_cast<double>(d.samples[i]) * d.samples[i];
    return 10 * std::log10(sum / static_cast<double>(b - a) / (32768.0 * 32768.0) + 1e-12);
}

}  // namespace

TEST(AssetMusic, DecodesToTheWholeScriptAndIsHeardAtEntryStarts)
{
    const Decoded d = decode(build_path("music.mp3"));
    ASSERT_EQ(d.rate, 44100);
    ASSERT_EQ(d.channels, 2);
    const double seconds = static_cast<double>(d.samples.size()) / 2 / d.rate;
    EXPECT_GE(seconds, 186.0);
    EXPECT_LE(seconds, 190.0);
    // Entry starts across the script: the opening, the names, the build, the quick polygon run,
    // the long sections, the interlude, the stutter and the last picture.
    const int starts_ms[] = {0,      6024,   21025,  29979,  41973,  43109,  46985,  50161,  51963,  66963,
                             87948,  99948,  110049, 122558, 123956, 147943, 159943, 171965, 180880, 181255,
                             181630, 182004};
    for (int ms : starts_ms) EXPECT_GT(rms_dbfs(d, ms / 1000.0, ms / 1000.0 + 0.15), -32.0) << "at " << ms << " ms";
    EXPECT_LT(rms_dbfs(d, seconds - 0.5, seconds), -60.0) << "the end should have faded out";
    // The encoder's delay is undone by the decoder: the opening hit sounds from the first sample.
    EXPECT_GT(rms_dbfs(d, 0.0, 0.01), -40.0);
    EXPECT_GT(rms_dbfs(d, 182.0, 183.0), -30.0) << "the last picture should still be heard";
}

TEST(AssetMusic, QuickPolygonEntriesAreHitOnTheirStarts)
{
    const Decoded d = decode(build_path("music.mp3"));
    ASSERT_EQ(d.rate, 44100);
    // Entries 29 to 48 start at these times; each start is louder than the moment before it.
    const int starts_ms[] = {43109, 43450, 43785, 44150, 44505, 44823, 45191, 45550, 45921, 46271,
                             46620, 46985, 47318, 47670, 48028, 48382, 48736, 49091, 49450, 49809};
    for (int ms : starts_ms) {
        const double t = ms / 1000.0;
        EXPECT_GT(rms_dbfs(d, t, t + 0.05), rms_dbfs(d, t - 0.05, t) + 2.0) << "at " << ms << " ms";
    }
}
