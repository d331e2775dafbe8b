// The Windows backend's MP3 decoding, shared by the player and the capture's music check: the
// whole file through Windows' own Audio Compression Manager codec ("MPEG Layer-3"), lined up as a
// gapless decoder lines it up: the Info frame is not decoded, and the encoder's delay named in its
// LAME tag, with the decoder's own delay, is cut from the start.
#include <windows.h>
#include <mmreg.h>
#include <msacm.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/music_check.h"
#include "platform/win_sound.h"

namespace {

constexpr int k_decoder_delay = 529;                  // the synthesis filter bank's delay, in samples
constexpr long long k_music_max_bytes = 256ll << 20;  // far beyond any soundtrack of ours

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

// The whole file, when it is a regular file of a size a soundtrack can have; "" or why not.
std::string file_read(const char* path, std::vector<uint8_t>* bytes)
{
    struct _stat64 st;
    if (_stat64(path, &st) != 0) return std::strerror(errno);
    if (st.st_mode & _S_IFDIR) return "it is a folder";
    if (!(st.st_mode & _S_IFREG)) return "it is not a regular file";
    if (st.st_size > k_music_max_bytes) return "it is larger than a soundtrack can be";
    FILE* f = std::fopen(path, "rb");
    if (!f) return std::strerror(errno);
    bytes->resize(static_cast<size_t>(st.st_size));
    const size_t got = std::fread(bytes->data(), 1, bytes->size(), f);
    std::fclose(f);
    bytes->resize(got);
    return "";
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
}  // namespace

std::string sound_file_decode(const char* path, std::vector<int16_t>* pcm, int* rate, int* channels)
{
    std::vector<uint8_t> file;
    const std::string unread = file_read(path, &file);
    if (!unread.empty()) return unread;
    Mp3Layout layout = {};
    if (!mp3_layout_read(file, &layout)) return "no MPEG Layer III stream";
    *rate = layout.rate;
    *channels = layout.channels;
    const std::string failed = acm_decode(file, layout, pcm);
    if (!failed.empty()) return failed;
    return pcm->size() < static_cast<size_t>(layout.rate) * layout.channels ? "it holds less than a second of sound" : "";
}

int music_check(const char* path, std::string* why)
{
    std::vector<int16_t> pcm;
    int rate = 0, channels = 0;
    *why = sound_file_decode(path, &pcm, &rate, &channels);
    return why->empty();
}
