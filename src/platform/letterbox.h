// Where a frame goes in a window or screen of another size: the largest whole-number scale that
// fits, centred, the rest black. Shared by the desktop backends, which differ only in how they draw.
#pragma once

struct LetterboxRect {
    int x, y, w, h;
};

// The largest whole number by which the frame can be multiplied and still fit in out_w x out_h
// (0 when it does not fit even once).
int frame_scale_fit(int out_w, int out_h);

// The frame's rectangle in out_w x out_h: scaled by frame_scale_fit and centred; an area smaller
// than the frame gets the largest fit that keeps the frame's shape.
LetterboxRect letterbox_fit(int out_w, int out_h);
