// The menu icon: the title card's sun, mountains and river, a 256x256 square of the picture
// averaged down to 128x128 RGB.
#include "assets.h"

std::vector<uint8_t> icon_build_rgb(int* size)
{
    const int side = 128, x0 = 128, y0 = 104;   // the square's top left corner on the title card
    const std::vector<uint8_t> card = raw32_to_rgb24(title_build());
    std::vector<uint8_t> icon(static_cast<size_t>(side) * side * 3);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int dy = 0; dy < 2; ++dy)
                    for (int dx = 0; dx < 2; ++dx)
                        sum += card[((y0 + 2 * y + dy) * 512 + x0 + 2 * x + dx) * 3 + c];
                icon[(y * side + x) * 3 + c] = static_cast<uint8_t>((sum + 2) / 4);
            }
    *size = side;
    return icon;
}
