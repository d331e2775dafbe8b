// The Linux side of the Windows tests (built and run by tests/windows/run.sh):
//   check screen SHOT.ppm W H   the demo's screenshot: the frame at the largest whole scale that
//                               fits, centred, nearest-neighbour, black around it, some of it lit
//   check sound MUSIC.mp3 RAW   the Windows decoder's samples (16-bit stereo) against libmpg123's,
//                               decoded as the Linux player decodes: the same length and the same
//                               sample at 0 ms, up to the rounding of two decoders
//   check played MUSIC.mp3 RAW  a recording of what the device played (16-bit stereo) is one
//                               unbroken stretch of the soundtrack, sample for sample
// Exit code 0 when the check holds; otherwise one line on standard error says what differs.
#include <mpg123.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/screen.h"

namespace {

int fail(const std::string& why)
{
    std::fprintf(stderr, "check: %s\n", why.c_str());
    return 1;
}

int screen_shot_check(const char* file, int screen_w, int screen_h)
{
    Ppm shot;
    if (!ppm_read(file, &shot) || shot.width != screen_w || shot.height != screen_h) return fail("not a screen-sized PPM");
    std::string seen;
    const std::string why = screen_check(shot, 2, &seen);
    if (!why.empty()) return fail(why);
    std::printf("%s\n", seen.c_str());
    return 0;
}

// The samples as the Linux player has them: libmpg123, 44100 Hz stereo 16-bit, gapless.
bool mpg123_decode(const char* file, std::vector<short>* out)
{
    int error = MPG123_OK;
    mpg123_handle* h = mpg123_new(nullptr, &error);
    if (!h) return false;
    mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    mpg123_format_none(h);
    mpg123_format(h, 44100, MPG123_STEREO, MPG123_ENC_SIGNED_16);
    if (mpg123_open(h, file) != MPG123_OK) {
        mpg123_delete(h);
        return false;
    }
    std::vector<unsigned char> buffer(65536);
    for (;;) {
        size_t got = 0;
        const int r = mpg123_read(h, buffer.data(), buffer.size(), &got);
        const short* s = reinterpret_cast<const short*>(buffer.data());
        out->insert(out->end(), s, s + got / 2);
        if (r == MPG123_DONE || (r != MPG123_OK && r != MPG123_NEW_FORMAT && got == 0)) break;
    }
    mpg123_close(h);
    mpg123_delete(h);
    return true;
}

// Mean absolute difference of the left channel over `n` frames from `at`, with b moved by `lag`.
double difference(const std::vector<short>& a, const std::vector<short>& b, size_t at, size_t n, long lag)
{
    double sum = 0;
    for (size_t i = at; i < at + n; ++i) sum += std::abs(a[2 * i] - b[2 * (i + lag)]);
    return sum / n;
}

int sound_check(const char* mp3, const char* raw)
{
    std::vector<short> linux_pcm;
    if (!mpg123_decode(mp3, &linux_pcm)) return fail(std::string("libmpg123 cannot decode ") + mp3);
    std::ifstream in(raw, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<short> windows_pcm(bytes.size() / 2);
    std::memcpy(windows_pcm.data(), bytes.data(), windows_pcm.size() * 2);
    const size_t frames_l = linux_pcm.size() / 2, frames_w = windows_pcm.size() / 2;
    // One second from 5 s on, against every lag up to a frame and a half of the codec either way.
    const size_t at = 5 * 44100, n = 44100;
    constexpr long k_reach = 1800;
    if (frames_l < at + n + k_reach || frames_w < at + n + k_reach) return fail("too little sound to compare");
    long best = 0;
    double best_diff = 1e30;
    for (long lag = -k_reach; lag <= k_reach; ++lag) {
        const double d = difference(linux_pcm, windows_pcm, at, n, lag);
        if (d < best_diff) best_diff = d, best = lag;
    }
    const size_t common = std::min(frames_l, frames_w);
    const double whole = difference(linux_pcm, windows_pcm, 0, common, 0);
    std::printf("Linux %zu frames, Windows %zu frames; best lag %ld samples; mean difference %.3f (at lag 0, "
                "whole file)\n", frames_l, frames_w, best, whole);
    if (best != 0) return fail("the Windows samples are " + std::to_string(best) + " samples off");
    if (frames_l != frames_w) return fail("the lengths differ");
    if (whole > 4.0) return fail("the samples differ by more than the rounding of two decoders");
    return 0;
}

int played_check(const char* mp3, const char* raw)
{
    std::vector<short> music;
    if (!mpg123_decode(mp3, &music)) return fail(std::string("libmpg123 cannot decode ") + mp3);
    std::ifstream in(raw, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<short> played(bytes.size() / 4 * 2);
    std::memcpy(played.data(), bytes.data(), played.size() * 2);
    const size_t frames = played.size() / 2;
    // The first loud moment of the recording, and where in the music its next 4096 samples are.
    size_t from = 0;
    while (from < frames && std::abs(played[2 * from]) < 1000) ++from;
    constexpr size_t k_print = 4096;
    if (frames < from + 44100) return fail("less than a second of sound recorded");
    const size_t reach = std::min(music.size() / 2 - k_print, static_cast<size_t>(30 * 44100));
    size_t at = 0;
    double best = 1e30;
    for (size_t o = 0; o < reach; ++o) {
        double sum = 0;
        for (size_t i = 0; i < k_print && sum < best; ++i) sum += std::abs(music[2 * (o + i)] - played[2 * (from + i)]);
        if (sum < best) best = sum, at = o;
    }
    // Every sample recorded from there on, both channels, against the music from that point.
    const size_t n = std::min(frames - from, music.size() / 2 - at);
    double sum = 0;
    for (size_t i = 0; i < 2 * n; ++i) sum += std::abs(music[2 * at + i] - played[2 * from + i]);
    const double mean = sum / (2 * n);
    std::printf("%.2f s recorded: the music from %.3f s on, mean difference %.3f\n", n / 44100.0,
                (at > from ? at - from : 0) / 44100.0, mean);
    if (mean > 4.0) return fail("the recording is not one unbroken stretch of the soundtrack");
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 5 && std::strcmp(argv[1], "screen") == 0) return screen_shot_check(argv[2], std::atoi(argv[3]), std::atoi(argv[4]));
    if (argc == 4 && std::strcmp(argv[1], "sound") == 0) return sound_check(argv[2], argv[3]);
    if (argc == 4 && std::strcmp(argv[1], "played") == 0) return played_check(argv[2], argv[3]);
    std::fputs("usage: check screen SHOT.ppm W H | check sound MUSIC.mp3 RAW | check played MUSIC.mp3 RAW\n", stderr);
    return 2;
}
