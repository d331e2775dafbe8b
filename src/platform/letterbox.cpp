// The frame's place in a window or screen of another size.
#include "platform/letterbox.h"

#include "display/frame_size.h"

int frame_scale_fit(int out_w, int out_h)
{
    const int across = out_w / k_frame_width, down = out_h / k_frame_height;
    return across < down ? across : down;
}

LetterboxRect letterbox_fit(int out_w, int out_h)
{
    int w, h;
    const int scale = frame_scale_fit(out_w, out_h);
    if (scale >= 1) {
        w = k_frame_width * scale;
        h = k_frame_height * scale;
    } else if (out_w * k_frame_height < out_h * k_frame_width) {
        w = out_w;
        h = out_w * k_frame_height / k_frame_width;
    } else {
        h = out_h;
        w = out_h * k_frame_width / k_frame_height;
    }
    return LetterboxRect{(out_w - w) / 2, (out_h - h) / 2, w, h};
}
