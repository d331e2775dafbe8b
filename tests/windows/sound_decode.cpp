// quorvelle-sound-decode (Windows test helper): decodes an MP3 file with the Windows backend's
// decoder and writes the samples raw (16-bit little-endian, interleaved), so that the Windows tests
// can line them up against the Linux decoder's samples of the same file.
#include <cstdio>

#include "platform/desktop.h"
#include "platform/win_sound.h"

DesktopSettings g_desktop_settings = {false, -1, false};

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fputs("usage: quorvelle-sound-decode FILE.mp3 OUT.raw\n", stderr);
        return 2;
    }
    std::vector<int16_t> pcm;
    int rate = 0, channels = 0;
    const std::string failed = sound_file_decode(argv[1], &pcm, &rate, &channels);
    if (!failed.empty()) {
        std::fprintf(stderr, "quorvelle-sound-decode: %s: %s\n", argv[1], failed.c_str());
        return 1;
    }
    FILE* out = std::fopen(argv[2], "wb");
    if (!out || std::fwrite(pcm.data(), sizeof(int16_t), pcm.size(), out) != pcm.size() || std::fclose(out) != 0) {
        std::fprintf(stderr, "quorvelle-sound-decode: cannot write %s\n", argv[2]);
        return 1;
    }
    std::printf("%d %d %zu\n", rate, channels, pcm.size() / (channels ? channels : 1));
    return 0;
}
