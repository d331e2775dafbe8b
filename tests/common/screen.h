// PPM pictures, and the check of the demo's frame on a grab of a whole screen.
#pragma once
#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>

// A binary PPM picture (P6, maxval 255).
struct Ppm {
    int width = 0, height = 0;
    std::string rgb;
    unsigned pixel(int x, int y) const
    {
        const size_t i = (static_cast<size_t>(y) * width + x) * 3;
        return static_cast<unsigned char>(rgb[i]) << 16 | static_cast<unsigned char>(rgb[i + 1]) << 8 |
               static_cast<unsigned char>(rgb[i + 2]);
    }
};

// False unless the file is a whole PPM picture.
inline bool ppm_read(const std::string& path, Ppm* out)
{
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int maxval = 0;
    in >> magic >> out->width >> out->height >> maxval;
    in.get();
    out->rgb.assign((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return magic == "P6" && maxval == 255 && out->rgb.size() == static_cast<size_t>(out->width) * out->height * 3;
}

// The 512 x 384 frame on the screen: at the largest whole scale that fits, centred, every pixel
// repeated across and down (nearest neighbour), black around it, some of it lit. The grab may meet
// the picture between two frames, so up to `torn_rows_per_scale` rows per scale step may not
// repeat down. Empty when all this holds, otherwise what differs; `summary` says what was seen.
inline std::string screen_check(const Ppm& shot, int torn_rows_per_scale, std::string* summary = nullptr)
{
    const int scale = std::min(shot.width / 512, shot.height / 384);
    if (scale < 1) return "screen smaller than the frame";
    const int fw = 512 * scale, fh = 384 * scale, x0 = (shot.width - fw) / 2, y0 = (shot.height - fh) / 2;
    const auto at = [](int x, int y) { return std::to_string(x) + "," + std::to_string(y); };
    int lit = 0, torn = 0;
    for (int y = 0; y < shot.height; ++y) {
        bool row_whole = true;
        for (int x = 0; x < shot.width; ++x) {
            const unsigned p = shot.pixel(x, y);
            if (x < x0 || x >= x0 + fw || y < y0 || y >= y0 + fh) {
                if (p != 0) return "letterbox not black at " + at(x, y);
                continue;
            }
            lit += p != 0;
            if (p != shot.pixel(x0 + (x - x0) / scale * scale, y)) return "pixel not repeated across at " + at(x, y);
            row_whole = row_whole && p == shot.pixel(x, y0 + (y - y0) / scale * scale);
        }
        torn += !row_whole;
    }
    if (torn > torn_rows_per_scale * scale) return std::to_string(torn) + " rows are not repeated down";
    if (lit < 1000) return "only " + std::to_string(lit) + " lit pixels: no picture";
    if (summary)
        *summary = "frame at " + std::to_string(scale) + "x scale, " + std::to_string(fw) + "x" + std::to_string(fh) +
                   " at (" + std::to_string(x0) + ", " + std::to_string(y0) + "), " + std::to_string(lit) + " lit pixels";
    return "";
}
