// MP3 encoding of the rendered soundtrack with libmp3lame: 44.1 kHz joint stereo, constant
// 192 kbit/s. The first frame carries the encoder's delay and padding, so a gapless decoder
// starts the music exactly at sample 0 and the picture stays in step; no date or path is written,
// so two runs give identical files.
#include <lame/lame.h>

#include <algorithm>
#include <cstdio>

#include "music/music.h"

std::string mp3_encode(const std::vector<float>& stereo, const std::string& path)
{
    lame_global_flags* lame = lame_init();
    if (!lame) return "cannot initialise the MP3 encoder";
    lame_set_in_samplerate(lame, k_sample_rate);
    lame_set_out_samplerate(lame, k_sample_rate);
    lame_set_num_channels(lame, 2);
    lame_set_mode(lame, JOINT_STEREO);
    lame_set_VBR(lame, vbr_off);
    lame_set_brate(lame, 192);
    lame_set_quality(lame, 5);
    lame_set_bWriteVbrTag(lame, 1);
    if (lame_init_params(lame) < 0) {
        lame_close(lame);
        return "cannot set up the MP3 encoder";
    }
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        lame_close(lame);
        return "cannot write " + path;
    }
    const int frames = static_cast<int>(stereo.size() / 2);
    const int chunk = 8192;
    std::vector<unsigned char> out(static_cast<size_t>(1.25 * chunk + 7200));
    bool ok = true;
    for (int pos = 0; pos < frames && ok; pos += chunk) {
        const int n = std::min(chunk, frames - pos);
        const int bytes = lame_encode_buffer_interleaved_ieee_float(lame, stereo.data() + static_cast<size_t>(pos) * 2, n,
                                                                     out.data(), static_cast<int>(out.size()));
        ok = bytes >= 0 && std::fwrite(out.data(), 1, bytes, f) == static_cast<size_t>(bytes);
    }
    if (ok) {
        const int bytes = lame_encode_flush(lame, out.data(), static_cast<int>(out.size()));
        ok = bytes >= 0 && std::fwrite(out.data(), 1, bytes, f) == static_cast<size_t>(bytes);
    }
    if (ok) {
        // The tag frame is known only now; it replaces the placeholder at the start of the file.
        const size_t bytes = lame_get_lametag_frame(lame, out.data(), out.size());
        ok = bytes > 0 && bytes <= out.size() && std::fseek(f, 0, SEEK_SET) == 0 &&
             std::fwrite(out.data(), 1, bytes, f) == bytes;
    }
    lame_close(lame);
    if (std::fclose(f) != 0 || !ok) return "cannot write " + path;
    return "";
}
