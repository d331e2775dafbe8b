// Windows backend: the music. "music.mp3" is decoded whole at start (win_mp3_decode.cpp), lined up
// so that the same sample of the music is at 0 ms here and on Linux, and streamed to waveOut in a
// ring of buffers that a feeder thread refills. A file that gives less than a second of sound is
// reported and not played. The play position is the device's count of samples played. When no
// device opens, or the position stalls, or it runs far from real time against the performance
// counter, the run goes on silently on the performance-counter clock and says so in one line.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/desktop.h"
#include "platform/platform.h"
#include "platform/win_sound.h"

namespace {

constexpr int k_buffers = 8;
constexpr int k_buffer_frames = 4096;      // about 93 ms a buffer at 44.1 kHz: 0.74 s queued in all
constexpr LONGLONG k_wake_ms = 2000;       // a device that has not begun playing by then never will
constexpr LONGLONG k_stall_ms = 500;       // a playing position that stands still this long has stalled
constexpr LONGLONG k_drift_ms = 1000;      // a position this far from real time is not to be trusted

}  // namespace

struct SoundStream {
    std::vector<int16_t> pcm;    // the whole soundtrack, interleaved, from its first sample
    size_t frames;               // sample frames in pcm
    int rate;
    int channels;
    HWAVEOUT device;             // null when silent
    WAVEHDR headers[k_buffers];
    std::vector<int16_t> buffers;
    int next_buffer;             // the ring's next buffer to fill
    size_t queued_frames;        // frames handed to the device so far
    HANDLE wake;                 // signalled by the device when a buffer is done
    std::thread feeder;
    std::atomic<bool> feeding;
    bool playing;
    LONGLONG play_ticks;         // performance counter when play began
    bool on_counter;             // the clock is the performance counter from counter_base_*
    uint32_t counter_base_ms;
    LONGLONG counter_base_ticks;
    uint64_t last_samples;       // the device position at the last read, and when it last moved
    LONGLONG last_move_ticks;
    bool moving;                 // the position has moved since play; real time is counted from
    LONGLONG moved_ticks;        // that first move (a device may take a while to wake), when the
    LONGLONG moved_ms;           // device stood at moved_ms
    uint32_t last_ms;            // the position only grows
};

namespace {

bool s_audio_ready = false;
LARGE_INTEGER s_frequency;

LONGLONG ticks_now()
{
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t.QuadPart;
}

LONGLONG ticks_to_ms(LONGLONG ticks)
{
    return ticks * 1000 / s_frequency.QuadPart;
}

void silent_notice(const char* why)
{
    std::fprintf(stderr, "quorvelle: %s; running silently on the system clock\n", why);
    std::fflush(stderr);
}

// Refills, in ring order, the buffers the device has finished with (or never had) and hands them
// over; past the end of the music nothing more is queued.
void buffers_feed(SoundStream* stream)
{
    for (;;) {
        WAVEHDR& h = stream->headers[stream->next_buffer];
        const bool free = h.dwUser == 0 || (h.dwFlags & WHDR_DONE);
        if (!free || stream->queued_frames >= stream->frames) return;
        const size_t n = std::min<size_t>(k_buffer_frames, stream->frames - stream->queued_frames);
        std::memcpy(h.lpData, stream->pcm.data() + stream->queued_frames * stream->channels,
                    n * stream->channels * sizeof(int16_t));
        h.dwBufferLength = static_cast<DWORD>(n * stream->channels * sizeof(int16_t));
        h.dwFlags &= ~WHDR_DONE;
        h.dwUser = 1;
        if (waveOutWrite(stream->device, &h, sizeof h) != MMSYSERR_NOERROR) return;
        stream->queued_frames += n;
        stream->next_buffer = (stream->next_buffer + 1) % k_buffers;
    }
}

void feeder_run(SoundStream* stream)
{
    while (stream->feeding) {
        WaitForSingleObject(stream->wake, 50);
        if (stream->feeding) buffers_feed(stream);
    }
}

// Stops and closes the device; the stream keeps its clock.
void device_release(SoundStream* stream)
{
    if (!stream->device) return;
    stream->feeding = false;
    SetEvent(stream->wake);
    if (stream->feeder.joinable()) stream->feeder.join();
    waveOutReset(stream->device);
    for (WAVEHDR& h : stream->headers)
        if (h.dwFlags & WHDR_PREPARED) waveOutUnprepareHeader(stream->device, &h, sizeof h);
    waveOutClose(stream->device);
    stream->device = nullptr;
}

// From here on the clock is the performance counter, going on from the last position reported.
void counter_clock_take(SoundStream* stream, LONGLONG now, const char* why)
{
    if (why) silent_notice(why);
    device_release(stream);
    stream->on_counter = true;
    stream->counter_base_ms = stream->last_ms;
    stream->counter_base_ticks = now;
}

uint64_t device_samples(SoundStream* stream)
{
    MMTIME t = {};
    t.wType = TIME_SAMPLES;
    if (waveOutGetPosition(stream->device, &t, sizeof t) != MMSYSERR_NOERROR) return stream->last_samples;
    if (t.wType == TIME_SAMPLES) return t.u.sample;
    if (t.wType == TIME_BYTES) return t.u.cb / (2 * stream->channels);
    if (t.wType == TIME_MS) return static_cast<uint64_t>(t.u.ms) * stream->rate / 1000;
    return stream->last_samples;
}

}  // namespace


int sound_init(int rate)
{
    (void)rate;   // the device is opened at the file's own rate
    QueryPerformanceFrequency(&s_frequency);
    if (g_desktop_settings.mute) return 1;   // asked for: nothing to say
    if (waveOutGetNumDevs() == 0) {
        silent_notice("no audio device could be opened");
        return 1;
    }
    s_audio_ready = true;
    return 1;
}

SoundStream* sound_stream_open(const char* path)
{
    SoundStream* stream = new SoundStream{};
    stream->feeding = false;
    if (!s_audio_ready) return stream;

    int rate = 0, channels = 0;
    const std::string failed = sound_file_decode(path, &stream->pcm, &rate, &channels);
    if (!failed.empty()) {
        char why[256];
        std::snprintf(why, sizeof why, "cannot play %s: %s", path, failed.c_str());
        silent_notice(why);
        stream->pcm.clear();
        return stream;
    }
    stream->rate = rate;
    stream->channels = channels;
    stream->frames = stream->pcm.size() / channels;

    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = static_cast<WORD>(channels);
    format.nSamplesPerSec = static_cast<DWORD>(rate);
    format.wBitsPerSample = 16;
    format.nBlockAlign = static_cast<WORD>(2 * channels);
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    stream->wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HWAVEOUT device = nullptr;
    if (!stream->wake || waveOutOpen(&device, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(stream->wake), 0,
                                     CALLBACK_EVENT) != MMSYSERR_NOERROR) {
        silent_notice("no audio device could be opened");
        stream->pcm.clear();
        return stream;
    }
    // Paused, with the ring filled, so that play starts the sound at once.
    waveOutPause(device);
    stream->device = device;
    stream->buffers.assign(static_cast<size_t>(k_buffers) * k_buffer_frames * channels, 0);
    for (int i = 0; i < k_buffers; ++i) {
        WAVEHDR& h = stream->headers[i];
        h.lpData = reinterpret_cast<LPSTR>(stream->buffers.data() + static_cast<size_t>(i) * k_buffer_frames *
                                                                       channels);
        h.dwBufferLength = static_cast<DWORD>(k_buffer_frames * channels * sizeof(int16_t));
        waveOutPrepareHeader(device, &h, sizeof h);
    }
    buffers_feed(stream);
    return stream;
}

void sound_stream_play(SoundStream* stream)
{
    if (!stream) return;
    stream->playing = true;
    stream->play_ticks = ticks_now();
    stream->last_move_ticks = stream->play_ticks;
    if (!stream->device) {
        counter_clock_take(stream, stream->play_ticks, nullptr);
        return;
    }
    stream->feeding = true;
    stream->feeder = std::thread(feeder_run, stream);
    waveOutRestart(stream->device);
}

// The script always begins at 0 ms: the position request is accepted and changes nothing.
void sound_stream_set_position(SoundStream*, uint32_t) {}

uint32_t sound_stream_get_time(SoundStream* stream)
{
    if (!stream || !stream->playing) return 0;
    const LONGLONG now = ticks_now();
    if (!stream->on_counter) {
        const uint64_t samples = device_samples(stream);
        const LONGLONG device_ms = static_cast<LONGLONG>(samples * 1000 / stream->rate);
        if (samples != stream->last_samples) {
            if (!stream->moving) {
                stream->moving = true;
                stream->moved_ticks = now;
                stream->moved_ms = device_ms;
            }
            stream->last_samples = samples;
            stream->last_move_ticks = now;
        }
        const LONGLONG real_ms = stream->moved_ms + ticks_to_ms(now - stream->moved_ticks);
        if (device_ms > stream->last_ms) stream->last_ms = static_cast<uint32_t>(device_ms);
        if (samples >= stream->frames) {
            // The music has ended: the clock keeps running.
            counter_clock_take(stream, now, nullptr);
        } else if (!stream->moving && ticks_to_ms(now - stream->play_ticks) > k_wake_ms) {
            counter_clock_take(stream, now, "the audio device does not play");
        } else if (stream->moving && ticks_to_ms(now - stream->last_move_ticks) > k_stall_ms) {
            counter_clock_take(stream, now, "the audio device stopped taking the music");
        } else if (stream->moving && (device_ms > real_ms + k_drift_ms || device_ms < real_ms - k_drift_ms)) {
            counter_clock_take(stream, now, "the audio device's clock runs far from real time");
        } else {
            return stream->last_ms;
        }
    }
    const LONGLONG ms = stream->counter_base_ms + ticks_to_ms(now - stream->counter_base_ticks);
    if (ms > stream->last_ms) stream->last_ms = ms > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(ms);
    return stream->last_ms;
}

void sound_stream_stop(SoundStream* stream)
{
    if (stream) device_release(stream);
}

void sound_stream_close(SoundStream* stream)
{
    if (!stream) return;
    device_release(stream);
    if (stream->wake) CloseHandle(stream->wake);
    delete stream;
}
