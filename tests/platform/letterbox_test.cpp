// The frame's place in windows and screens of other sizes: whole-number scales centred, and a
// fractional fit that keeps the shape where even one frame does not fit.
#include <gtest/gtest.h>

#include "platform/letterbox.h"

TEST(Letterbox, WholeScaleCentredOrShapeKeepingFit)
{
    struct Case {
        int out_w, out_h, x, y, w, h;
    } const cases[] = {
        {512, 384, 0, 0, 512, 384},       // exactly one frame
        {1023, 768, 255, 192, 512, 384},  // one short of twice as wide: still scale 1
        {1920, 1080, 448, 156, 1024, 768},
        {3840, 2160, 640, 120, 2560, 1920},
        {400, 200, 67, 0, 266, 200},      // smaller and wider than the frame
        {320, 400, 0, 80, 320, 240},      // smaller and taller
    };
    for (const Case& c : cases) {
        const LetterboxRect r = letterbox_fit(c.out_w, c.out_h);
        EXPECT_EQ(r.x, c.x) << c.out_w << "x" << c.out_h;
        EXPECT_EQ(r.y, c.y) << c.out_w << "x" << c.out_h;
        EXPECT_EQ(r.w, c.w) << c.out_w << "x" << c.out_h;
        EXPECT_EQ(r.h, c.h) << c.out_w << "x" << c.out_h;
    }
}
