// quorvelle-assets: generates the demo's data files and soundtrack (--out DIR), preview PNGs of
// the pictures, the font and the 3D object (--preview DIR), or the menu icon (--icon FILE).
// One line on stderr on failure.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "assets.h"
#include "music/music.h"
#include "shell/timeline.h"

namespace {

bool make_dir(const std::string& path)
{
    return ::mkdir(path.c_str(), 0755) == 0 || errno == EEXIST;
}

int fail(const std::string& what)
{
    std::fprintf(stderr, "quorvelle-assets: %s\n", what.c_str());
    return 1;
}

struct Picture {
    const char* name;
    int width, height;
    bool rgb;
    std::vector<uint8_t> (*build)();
};

const Picture k_pictures[] = {
    {"marrowvale512x384x32.raw", 512, 384, true, title_build},
    {"marrowvaleagain512x384x32.raw", 512, 384, true, title_again_build},
    {"fuzzyballs512x384x32.raw", 512, 384, true, fuzzyballs_build},
    {"plumhelm234x257.raw", 234, 257, false, plumhelm_build},
    {"gloomfield97x73.raw", 97, 73, false, gloomfield_build},
};

int write_data(const std::string& dir)
{
    const std::string data = dir + "/data";
    if (!make_dir(dir) || !make_dir(data)) return fail("cannot create " + data);
    const std::vector<uint8_t> font = font_build();
    if (!file_write(data + "/font209x25.raw", font.data(), font.size()))
        return fail("cannot write " + data + "/font209x25.raw");
    for (const Picture& p : k_pictures) {
        const std::vector<uint8_t> bytes = p.build();
        if (!file_write(data + "/" + p.name, bytes.data(), bytes.size())) return fail("cannot write " + data + "/" + p.name);
    }
    const std::string ase = octopus_build();
    if (!file_write(data + "/octopus.ase", ase.data(), ase.size())) return fail("cannot write " + data + "/octopus.ase");

    TimelineEntry timeline[k_timeline_entries + 1];
    timeline_build(timeline);
    const Score score = score_compose(timeline);
    const std::vector<float> stereo = music_render(score);
    const std::string error = mp3_encode(stereo, dir + "/music.mp3");
    if (!error.empty()) return fail(error);
    return 0;
}

int write_preview(const std::string& dir)
{
    if (!make_dir(dir)) return fail("cannot create " + dir);
    for (const Picture& p : k_pictures) {
        const std::vector<uint8_t> bytes = p.build();
        const std::vector<uint8_t> pixels = p.rgb ? raw32_to_rgb24(bytes) : bytes;
        std::string name = p.name;
        name = dir + "/" + name.substr(0, name.size() - 4) + ".png";
        if (!png_write(name, p.width, p.height, p.rgb ? 3 : 1, pixels.data())) return fail("cannot write " + name);
    }
    int w = 0, h = 0;
    const std::vector<uint8_t> sheet = font_sheet_rgb(font_build(), &w, &h);
    if (!png_write(dir + "/font209x25.png", w, h, 3, sheet.data())) return fail("cannot write " + dir + "/font209x25.png");
    const std::vector<uint8_t> wire = octopus_wire_rgb(512, 384);
    if (!png_write(dir + "/octopus.png", 512, 384, 3, wire.data())) return fail("cannot write " + dir + "/octopus.png");
    return 0;
}

// Written under a temporary name and renamed, so a failed run leaves no half icon behind.
int write_icon(const std::string& path)
{
    int side = 0;
    const std::vector<uint8_t> icon = icon_build_rgb(&side);
    const std::string part = path + ".part";
    if (!png_write(part, side, side, 3, icon.data()) || std::rename(part.c_str(), path.c_str()) != 0) {
        std::remove(part.c_str());
        return fail("cannot write " + path);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--out") == 0) return write_data(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "--preview") == 0) return write_preview(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "--icon") == 0) return write_icon(argv[2]);
    return fail("usage: quorvelle-assets --out DIR | --preview DIR | --icon FILE");
}
