// The real demo program, run as a user runs it, in a private X server with SDL's disk audio driver;
// and the ways its start-up ends at once: no display, bad options, no data.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <climits>
#include <cstdlib>
#include <sstream>
#include <string>

#include "xvfb.h"

namespace {

constexpr int k_screen_w = 1280;
constexpr int k_screen_h = 1024;
const std::string k_demo = std::string(QUORVELLE_BINARY_DIR) + "/quorvelle";

struct BareRun {
    int code;
    std::string out, err;
};

// Runs the demo in the build directory with nothing in its environment but PATH and `env`.
BareRun demo_run_bare(const std::string& args, const std::string& env = "")
{
    const std::string base = "/tmp/quorvelle-e2e-bare-" + std::to_string(getpid());
    const std::string cmd = "cd '" QUORVELLE_BINARY_DIR "' && env -i PATH=/usr/bin:/bin " + env + " '" + k_demo +
                            "' " + args + " >'" + base + ".out' 2>'" + base + ".err'";
    const int status = std::system(cmd.c_str());
    BareRun r = {WIFEXITED(status) ? WEXITSTATUS(status) : -1, file_read(base + ".out"), file_read(base + ".err")};
    std::remove((base + ".out").c_str());
    std::remove((base + ".err").c_str());
    return r;
}

int lines(const std::string& text)
{
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

// "WxH+X+Y" of the demo's window, from xdotool.
std::string window_geometry(const std::string& display)
{
    const std::string file = "/tmp/quorvelle-e2e-geometry-" + std::to_string(getpid());
    const std::string cmd = "DISPLAY=" + display + " xdotool search --name '^quorvelle$' getwindowgeometry >'" + file +
                            "' 2>/dev/null";
    if (std::system(cmd.c_str()) != 0) return "";
    std::istringstream in(file_read(file));
    std::remove(file.c_str());
    std::string word, position, size;
    while (in >> word) {
        if (word == "Position:") in >> position;
        if (word == "Geometry:") in >> size;
    }
    const size_t comma = position.find(',');
    if (comma == std::string::npos) return size;
    return size + "+" + position.substr(0, comma) + "+" + position.substr(comma + 1);
}

void key_press(const std::string& display, const std::string& keys)
{
    ASSERT_EQ(std::system(("DISPLAY=" + display + " xdotool key " + keys).c_str()), 0);
}

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
    Child demo_start(const std::string& dir, const std::string& args = "",
                     const std::vector<std::string>& more_env = {})
    {
        std::vector<std::string> all = env();
        all.insert(all.end(), more_env.begin(), more_env.end());
        return child_start(dir, all, "exec " + k_demo + " " + args + " 2>'" + tmp_ + "/stderr.txt'");
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
    // One moment inside each long section (seconds since the start; the music runs at least 4 s
    // behind), each where the section has shown a lit picture for a few seconds on either side: the
    // wave floor between its loops, the red ground of terrain 3, the clouds, the octopus.
    struct Moment {
        int at;
        const char* section;
    };
    int waited = 12;
    for (const Moment m : {Moment{64, "wave floor"}, Moment{76, "terrain"}, Moment{140, "objects"},
                           Moment{158, "mesh"}}) {
        sleep(m.at - waited);
        waited = m.at;
        Picture later;
        ASSERT_TRUE(screenshot_take(xvfb_.display, k_screen_w, k_screen_h, tmp_ + "/later.ppm", &later));
        int lit_later = 0;
        for (int y = 128; y < 128 + 768; ++y)
            for (int x = 128; x < 128 + 1024; ++x) lit_later += later.pixel(x, y) != 0;
        EXPECT_GT(lit_later, 20000) << m.section << " at " << m.at << " s";
    }
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

TEST_F(DemoRun, MissingDataNamesTheFolderToRunFrom)
{
    const Child demo = demo_start(tmp_);   // an empty directory: no data, no music
    double seconds = 0;
    const int code = child_wait(demo, &seconds);
    EXPECT_EQ(code, 255);   // -1
    const std::string err = stderr_text();
    EXPECT_EQ(lines(err), 1) << err;
    char build[PATH_MAX];
    ASSERT_NE(realpath(QUORVELLE_BINARY_DIR, build), nullptr);
    EXPECT_NE(err.find("no data/ folder in " + tmp_ + ": run it from " + build), std::string::npos) << err;
}

TEST_F(DemoRun, WindowOptionOpensAWindowThatTheKeysTurnFullScreenAndBack)
{
    if (std::system("command -v xdotool >/dev/null") != 0) GTEST_SKIP() << "xdotool is not installed";
    const Child demo = demo_start(QUORVELLE_BINARY_DIR, "--window --mute");
    sleep(6);   // past the start-up pause: the frame loop takes the keys
    // The largest multiple of 512 x 384 within nine tenths of the screen, centred.
    EXPECT_EQ(window_geometry(xvfb_.display), "1024x768+128+128");
    key_press(xvfb_.display, "F11");
    sleep(1);
    EXPECT_EQ(window_geometry(xvfb_.display), "1280x1024+0+0");
    key_press(xvfb_.display, "alt+Return");
    sleep(1);
    EXPECT_EQ(window_geometry(xvfb_.display), "1024x768+128+128");
    key_press(xvfb_.display, "Escape");
    double seconds = 0;
    EXPECT_EQ(child_wait(demo, &seconds), 0) << stderr_text();
    EXPECT_EQ(stderr_text(), "");   // muted on request: nothing to say
    struct stat st;
    EXPECT_NE(stat((tmp_ + "/audio.raw").c_str(), &st), 0);   // no sound device was opened
}

TEST_F(DemoRun, NoSoundDeviceIsOneLineWithoutTheSoundLibrarysOwn)
{
    // ALSA with an empty configuration has no device and would print its own complaints.
    const Child demo =
        demo_start(QUORVELLE_BINARY_DIR, "", {"SDL_AUDIODRIVER=alsa", "ALSA_CONFIG_PATH=/dev/null"});
    sleep(5);
    kill(demo.pid, SIGTERM);
    double seconds = 0;
    EXPECT_EQ(child_wait(demo, &seconds), 0) << stderr_text();
    EXPECT_EQ(stderr_text(), "quorvelle: no audio device could be opened; running silently on the system clock\n");
}

TEST_F(DemoRun, DisplayNumberPastTheLastEndsTheStartUp)
{
    const Child demo = demo_start(QUORVELLE_BINARY_DIR, "--display 3");
    double seconds = 0;
    EXPECT_EQ(child_wait(demo, &seconds), 255);
    EXPECT_EQ(stderr_text(), "quorvelle: --display 3: this desktop has 1 display, numbered from 0\n");
}

TEST(DemoStart, NoDisplayEndsTheStartUpWithOneLine)
{
    const BareRun r = demo_run_bare("");
    EXPECT_EQ(r.code, 255);
    EXPECT_EQ(lines(r.err), 1) << r.err;
    EXPECT_EQ(r.err.rfind("quorvelle: no display: ", 0), 0u) << r.err;
    // An X display that is not there is no display either.
    const BareRun gone = demo_run_bare("", "DISPLAY=:97");
    EXPECT_EQ(gone.code, 255);
    EXPECT_EQ(gone.err.rfind("quorvelle: no display: cannot open the X display :97", 0), 0u) << gone.err;
    EXPECT_EQ(lines(gone.err), 1) << gone.err;
}

TEST(DemoStart, OptionsAreCheckedBeforeAnythingOpens)
{
    struct Case {
        const char* args;
        int code;
        const char* out;   // the start of standard output
        const char* err;   // in standard error
    };
    // No display in the environment: a run that got past the options would end with 255.
    for (const Case& c : {Case{"--help", 0, "usage: quorvelle", ""}, Case{"--version", 0, "quorvelle 1.0.0\n", ""},
                          Case{"--bogus", 2, "", "quorvelle: unknown option --bogus\nusage: quorvelle"},
                          Case{"--display", 2, "", "a monitor number must follow --display"},
                          Case{"--display x", 2, "", "bad monitor number in --display x"},
                          Case{"--mute=yes", 2, "", "unknown option --mute=yes"},
                          Case{"--window extra", 2, "", "unknown option extra"}}) {
        const BareRun r = demo_run_bare(c.args);
        EXPECT_EQ(r.code, c.code) << c.args;
        EXPECT_EQ(r.out.rfind(c.out, 0), 0u) << c.args << ": " << r.out;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << c.args << ": " << r.err;
    }
}
