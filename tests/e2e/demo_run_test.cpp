// The real demo program, run as a user runs it, in a private X server with SDL's disk audio driver.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "xvfb.h"

namespace {

constexpr int k_screen_w = 1280;
constexpr int k_screen_h = 1024;

class DemoRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(xvfb_start(&xvfb_, k_screen_w, k_screen_h));
        char tmpl[] = "/tmp/quorvelle-e2e-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        tmp_ = tmpl;
    }
    void TearDown() override
    {
        xvfb_stop(&xvfb_);
        ASSERT_EQ(std::system(("rm -rf '" + tmp_ + "'").c_str()), 0);
    }
    std::vector<std::string> env() const
    {
        return {"DISPLAY=" + xvfb_.display, "SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + tmp_ + "/audio.raw"};
    }
    Child demo_start(const std::string& dir)
    {
        return child_start(dir, env(), "exec " + std::string(QUORVELLE_BINARY_DIR) + "/quorvelle 2>'" + tmp_ + "/stderr.txt'");
    }
    std::string stderr_text() const
    {
        std::ifstream in(tmp_ + "/stderr.txt");
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    Xvfb xvfb_;
    std::string tmp_;
};

}  // namespace

TEST_F(DemoRun, WholeRunEndsOnItsOwnWithTheFrameScaledIntoTheScreen)
{
    const Child demo = demo_start(QUORVELLE_BINARY_DIR);
    // 4 s of pause, then the name fade of 7.2 to 9.0 s of music: white letters on black.
    sleep(12);
    Picture shot;
    ASSERT_TRUE(screenshot_take(xvfb_.display, k_screen_w, k_screen_h, tmp_ + "/shot.ppm", &shot));
    double seconds = 0;
    const int code = child_wait(demo, &seconds);
    EXPECT_EQ(code, 0) << stderr_text();
    EXPECT_EQ(stderr_text(), "");   // found its music and its device: nothing to say
    EXPECT_GT(seconds, 187.0);      // 4 s of pause and 183.981 s of script
    EXPECT_LT(seconds, 200.0);

    // The 512 x 384 frame, doubled, centred: a 1024 x 768 box at (128, 128), black around it,
    // every pixel of it one of a pair of equal columns, and some of it lit. Rows pair up too,
    // except where the grab met the picture between two frames.
    ASSERT_EQ(shot.width, k_screen_w);
    const int x0 = (k_screen_w - 1024) / 2, y0 = (k_screen_h - 768) / 2;
    int lit = 0, odd_rows = 0;
    for (int y = 0; y < k_screen_h; ++y) {
        bool row_pairs = true;
        for (int x = 0; x < k_screen_w; ++x) {
            const unsigned p = shot.pixel(x, y);
            const bool inside = x >= x0 && x < x0 + 1024 && y >= y0 && y < y0 + 768;
            if (!inside) {
                ASSERT_EQ(p, 0u) << "letterbox at " << x << "," << y;
                continue;
            }
            lit += p != 0;
            ASSERT_EQ(p, shot.pixel(x0 + ((x - x0) & ~1), y)) << "column pair at " << x << "," << y;
            row_pairs = row_pairs && p == shot.pixel(x, y0 + ((y - y0) & ~1));
        }
        odd_rows += !row_pairs;
    }
    EXPECT_LE(odd_rows, 2);
    EXPECT_GT(lit, 1000);

    // The audio device took the whole soundtrack's worth of samples: 44100 Hz, stereo, 16 bits.
    struct stat st;
    ASSERT_EQ(stat((tmp_ + "/audio.raw").c_str(), &st), 0);
    EXPECT_GT(st.st_size, 183.0 * 44100 * 4);
}

TEST_F(DemoRun, TerminationRequestTakesTheNormalShutdown)
{
    const Child demo = demo_start(QUORVELLE_BINARY_DIR);
    sleep(6);
    kill(demo.pid, SIGTERM);   // the shell has exec-ed the demo: this is its pid
    double seconds = 0;
    const int code = child_wait(demo, &seconds);
    EXPECT_EQ(code, 0) << stderr_text();
    EXPECT_LT(seconds, 10.0);
}

TEST_F(DemoRun, MissingDataEndsTheStartUpWithOneLine)
{
    const Child demo = demo_start(tmp_);   // an empty directory: no data, no music
    double seconds = 0;
    const int code = child_wait(demo, &seconds);
    EXPECT_EQ(code, 255);   // -1
    const std::string err = stderr_text();
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find("./data/"), std::string::npos) << err;
}
