// Windows backend: the music. "music.mp3" is decoded whole at start by Windows' own Audio
// Compression Manager codec ("MPEG Layer-3") at the file's own rate, and streamed to waveOut in a
// ring of buffers that a feeder thread refills. The decoded samples are lined up as a gapless
// decoder lines them up: the Info frame is not decoded, and the encoder's delay named in its LAME
// tag, with the decoder's own delay, is cut from the start, so that the same sample of the music is
// at 0 ms here and on Linux. The play position is the device's count of samples played. When no
// device opens, or the position stalls, or it runs far from real time against the performance
// counter, the run goes on silently on the performance-counter clock and says so in one line.
#include <windows.h>
#include <mmreg.h>
#include <msacm.h>

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
constexpr int k_decoder_delay = 529;       // the synthesis filter bank's delay, in samples
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

// What the decoder needs of the file: the stream's format and where its audio frames lie.
struct Mp3Layout {
    int rate;
    int channels;
    int kbps;
    bool mpeg1;
    size_t first;     // offset of the first audio frame (past the tags and the Info frame)
    size_t end;       // end of the audio frames (an ID3v1 tag at the end excluded)
    int skip;         // samples to cut from the start: encoder delay plus decoder delay
    int padding;      // samples of padding at the end, from the LAME tag
};

struct FrameHeader {
    int rate, channels, kbps, bytes;
    bool mpeg1, protected_crc;
};

bool header_parse(const uint8_t* p, size_t left, FrameHeader* h)
{
    static const int k_kbps_1[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
    static const int k_kbps_2[16] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
    static const int k_rates[3] = {44100, 48000, 32000};
    if (left < 4 || p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return false;
    const int version = (p[1] >> 3) & 3;   // 3: MPEG-1, 2: MPEG-2, 0: MPEG-2.5
    const int layer = (p[1] >> 1) & 3;     // 1: Layer III
    const int bitrate_index = p[2] >> 4;
    const int rate_index = (p[2] >> 2) & 3;
    if (version == 1 || layer != 1 || bitrate_index == 0 || bitrate_index == 15 || rate_index == 3) return false;
    h->mpeg1 = version == 3;
    h->rate = k_rates[rate_index] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
    h->kbps = (h->mpeg1 ? k_kbps_1 : k_kbps_2)[bitrate_index];
    h->channels = (p[3] >> 6) == 3 ? 1 : 2;
    h->protected_crc = !(p[1] & 1);
    h->bytes = (h->mpeg1 ? 144000 : 72000) * h->kbps / h->rate + ((p[2] >> 1) & 1);
    return true;
}

uint32_t big_endian(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}

// Finds the first audio frame (one whose successor is a frame too), and reads the Info frame with
// its LAME tag when the file starts with one. Returns 0 when there is no MPEG Layer III stream.
int mp3_layout_read(const std::vector<uint8_t>& file, Mp3Layout* layout)
{
    const uint8_t* data = file.data();
    size_t end = file.size();
    if (end >= 128 && std::memcmp(data + end - 128, "TAG", 3) == 0) end -= 128;
    size_t pos = 0;
    if (end >= 10 && std::memcmp(data, "ID3", 3) == 0) {
        pos = 10 + ((data[6] & 0x7F) << 21 | (data[7] & 0x7F) << 14 | (data[8] & 0x7F) << 7 | (data[9] & 0x7F));
        if (data[5] & 0x10) pos += 10;
    }
    FrameHeader h = {};
    for (;; ++pos) {
        if (pos + 4 > end) return 0;
        FrameHeader next;
        if (header_parse(data + pos, end - pos, &h) && pos + h.bytes <= end &&
            (pos + h.bytes == end || header_parse(data + pos + h.bytes, end - pos - h.bytes, &next)))
            break;
    }
    layout->rate = h.rate;
    layout->channels = h.channels;
    layout->kbps = h.kbps;
    layout->mpeg1 = h.mpeg1;
    layout->first = pos;
    layout->end = end;
    layout->skip = 0;
    layout->padding = 0;

    const size_t side = h.mpeg1 ? (h.channels == 1 ? 17 : 32) : (h.channels == 1 ? 9 : 17);
    const size_t xing = pos + 4 + (h.protected_crc ? 2 : 0) + side;
    if (xing + 8 > pos + h.bytes) return 1;
    if (std::memcmp(data + xing, "Xing", 4) != 0 && std::memcmp(data + xing, "Info", 4) != 0) return 1;
    // The Info frame holds no music: a gapless decoder skips it, and so do we.
    layout->first = pos + h.bytes;
    const uint32_t flags = big_endian(data + xing + 4);
    const size_t lame = xing + 8 + (flags & 1 ? 4 : 0) + (flags & 2 ? 4 : 0) + (flags & 4 ? 100 : 0) + (flags & 8 ? 4 : 0);
    if (lame + 24 <= pos + h.bytes) {
        // 9 bytes of encoder name, then revision, low-pass, peak, two gains, flags and bit rate;
        // then 12 bits of encoder delay and 12 bits of padding.
        const uint8_t* d = data + lame + 21;
        layout->skip = ((d[0] << 4) | (d[1] >> 4)) + k_decoder_delay;
        layout->padding = ((d[1] & 0x0F) << 8) | d[2];
    }
    return 1;
}

std::vector<uint8_t> file_read(const char* path)
{
    std::vector<uint8_t> bytes;
    FILE* f = std::fopen(path, "rb");
    if (!f) return bytes;
    uint8_t chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
    std::fclose(f);
    return bytes;
}

// Decodes the audio frames through the ACM's MPEG Layer-3 codec into 16-bit PCM. Returns "" or why not.
std::string acm_decode(const std::vector<uint8_t>& file, const Mp3Layout& layout, std::vector<int16_t>* pcm)
{
    MPEGLAYER3WAVEFORMAT mp3 = {};
    mp3.wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
    mp3.wfx.nChannels = static_cast<WORD>(layout.channels);
    mp3.wfx.nSamplesPerSec = static_cast<DWORD>(layout.rate);
    mp3.wfx.nAvgBytesPerSec = static_cast<DWORD>(layout.kbps * 1000 / 8);
    mp3.wfx.nBlockAlign = 1;
    mp3.wfx.wBitsPerSample = 0;
    mp3.wfx.cbSize = MPEGLAYER3_WFX_EXTRA_BYTES;
    mp3.wID = MPEGLAYER3_ID_MPEG;
    mp3.fdwFlags = MPEGLAYER3_FLAG_PADDING_ISO;
    mp3.nBlockSize = static_cast<WORD>((layout.mpeg1 ? 144000 : 72000) * layout.kbps / layout.rate);
    mp3.nFramesPerBlock = 1;
    mp3.nCodecDelay = 0;
    WAVEFORMATEX out = {};
    out.wFormatTag = WAVE_FORMAT_PCM;
    out.nChannels = static_cast<WORD>(layout.channels);
    out.nSamplesPerSec = static_cast<DWORD>(layout.rate);
    out.wBitsPerSample = 16;
    out.nBlockAlign = static_cast<WORD>(2 * layout.channels);
    out.nAvgBytesPerSec = out.nSamplesPerSec * out.nBlockAlign;

    HACMSTREAM acm = nullptr;
    if (acmStreamOpen(&acm, nullptr, &mp3.wfx, &out, nullptr, 0, 0, ACM_STREAMOPENF_NONREALTIME) != 0)
        return "no MPEG Layer-3 codec";
    constexpr DWORD k_in_chunk = 16384;
    DWORD out_chunk = 0;
    if (acmStreamSize(acm, k_in_chunk, &out_chunk, ACM_STREAMSIZEF_SOURCE) != 0 || out_chunk == 0)
        out_chunk = k_in_chunk * 64;
    std::vector<uint8_t> in_buffer(k_in_chunk);
    std::vector<uint8_t> out_buffer(out_chunk);
    ACMSTREAMHEADER header = {};
    header.cbStruct = sizeof header;
    header.pbSrc = in_buffer.data();
    header.cbSrcLength = k_in_chunk;
    header.pbDst = out_buffer.data();
    header.cbDstLength = out_chunk;
    if (acmStreamPrepareHeader(acm, &header, 0) != 0) {
        acmStreamClose(acm, 0);
        return "the MPEG Layer-3 codec refused the stream";
    }
    std::vector<uint8_t> bytes;
    bytes.reserve((layout.end - layout.first) * 12);
    size_t pos = layout.first;
    DWORD carried = 0;   // input the codec left unused, at the start of in_buffer
    DWORD flags = ACM_STREAMCONVERTF_START | ACM_STREAMCONVERTF_BLOCKALIGN;
    int flushes = 0;
    std::string why;
    for (;;) {
        const DWORD take = static_cast<DWORD>(std::min<size_t>(k_in_chunk - carried, layout.end - pos));
        std::memcpy(in_buffer.data() + carried, file.data() + pos, take);
        pos += take;
        const bool last = pos == layout.end;
        header.cbSrcLength = carried + take;
        if (last) flags = (flags & ACM_STREAMCONVERTF_START) | ACM_STREAMCONVERTF_END;
        if (acmStreamConvert(acm, &header, flags) != 0) {
            why = "the MPEG Layer-3 codec failed";
            break;
        }
        flags &= ~ACM_STREAMCONVERTF_START;
        bytes.insert(bytes.end(), out_buffer.begin(), out_buffer.begin() + header.cbDstLengthUsed);
        carried = header.cbSrcLength - header.cbSrcLengthUsed;
        if (carried) std::memmove(in_buffer.data(), in_buffer.data() + header.cbSrcLengthUsed, carried);
        if (last) {
            // What the codec still holds comes out on further ends; a few are plenty.
            if (header.cbDstLengthUsed == 0 || carried == 0 || ++flushes == 16) break;
        } else if (header.cbSrcLengthUsed == 0 && header.cbDstLengthUsed == 0 && carried == k_in_chunk) {
            why = "the MPEG Layer-3 codec stopped";
            break;
        }
    }
    header.cbSrcLength = k_in_chunk;
    acmStreamUnprepareHeader(acm, &header, 0);
    acmStreamClose(acm, 0);
    if (!why.empty()) return why;
    const size_t frame_bytes = static_cast<size_t>(2 * layout.channels);
    const size_t decoded = bytes.size() / frame_bytes;
    const size_t skip = std::min<size_t>(decoded, static_cast<size_t>(layout.skip));
    size_t keep = decoded - skip;
    // The encoder's padding ends the music; the decoder's delay has moved that end later too.
    const size_t tail = layout.padding > k_decoder_delay ? static_cast<size_t>(layout.padding - k_decoder_delay) : 0;
    if (layout.skip > 0 && keep > tail) keep -= tail;
    pcm->resize(keep * layout.channels);
    if (keep) std::memcpy(pcm->data(), bytes.data() + skip * frame_bytes, keep * frame_bytes);
    return "";
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

std::string sound_file_decode(const char* path, std::vector<int16_t>* pcm, int* rate, int* channels)
{
    const std::vector<uint8_t> file = file_read(path);
    Mp3Layout layout = {};
    if (file.empty()) return "no such file";
    if (!mp3_layout_read(file, &layout)) return "no MPEG Layer III stream";
    *rate = layout.rate;
    *channels = layout.channels;
    return acm_decode(file, layout, pcm);
}

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
