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

// Runs the demo in the build directory with nothing in its environment but PATH and `env`.
CommandResult demo_run_bare(const std::string& args, const std::string& env = "")
{
    return command_run(QUORVELLE_BINARY_DIR, "env -i PATH=/usr/bin:/bin " + env + " '" + k_demo + "' " + args);
}

// "WxH+X+Y" of the demo's window, from xdotool.
std::string window_geometry(const std::string& display)
{
    const CommandResult r =
        command_run("/", "DISPLAY=" + display + " xdotool search --name '^quorvelle$' getwindowgeometry");
    std::istringstream in(r.out);
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
    std::string stderr_text() const { return file_text(tmp_ + "/stderr.txt"); }
    Xvfb xvfb_;
    std::string tmp_;
};

}  // namespace

TEST_F(DemoRun, WholeRunEndsOnItsOwnWithTheFrameScaledIntoTheScreen)
{
    const Child demo = demo_start(QUORVELLE_BINARY_DIR);
    // 4 s of pause, then the name fade of 7.2 to 9.0 s of music: white letters on black.
    sleep(12);
    Ppm shot;
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
        Ppm later;
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

    // The 512 x 384 frame, doubled, centred: a 1024 x 768 box at (128, 128), black around it.
    ASSERT_EQ(shot.width, k_screen_w);
    std::string seen;
    EXPECT_EQ(screen_check(shot, 1, &seen), "");
    EXPECT_EQ(seen.find("frame at 2x scale, 1024x768 at (128, 128)"), 0u) << seen;

    // The audio device took the whole soundtrack's worth of samples: 44100 Hz, stereo, 16 bits.
    struct stat st;
    ASSERT_EQ(stat((tmp_ + "/audio.raw").c_str(), &st), 0);
    EXPECT_GT(st.st_size, 183.0 * 44100 * 4);
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

TEST_F(DemoRun, ShortRunsEndWithTheirExitCodeAndAtMostOneLine)
{
    char build[PATH_MAX];
    ASSERT_NE(realpath(QUORVELLE_BINARY_DIR, build), nullptr);
    struct Case {
        const char* what;
        bool empty_dir;                   // run in an empty folder: no data, no music
        std::string args;
        std::vector<std::string> env;
        int stop_after;                   // seconds before a termination request; 0: none
        int code;
        std::string says;                 // the one line on stderr; nothing when empty
    };
    const Case cases[] = {
        // The shell has exec-ed the demo, so the request reaches it and takes the normal shutdown.
        {"termination request", false, "", {}, 6, 0, ""},
        {"termination request with the frames filtered", false, "--reduce-flashing", {}, 7, 0, ""},
        {"missing data", true, "", {}, 0, 255, "no data/ folder in " + tmp_ + ": run it from " + build},
        // ALSA with an empty configuration has no device and would print its own complaints.
        {"no sound device", false, "", {"SDL_AUDIODRIVER=alsa", "ALSA_CONFIG_PATH=/dev/null"}, 5, 0,
         "quorvelle: no audio device could be opened; running silently on the system clock"},
    };
    for (const Case& c : cases) {
        const Child demo = demo_start(c.empty_dir ? tmp_ : QUORVELLE_BINARY_DIR, c.args, c.env);
        if (c.stop_after) {
            sleep(c.stop_after);
            kill(demo.pid, SIGTERM);
        }
        double seconds = 0;
        EXPECT_EQ(child_wait(demo, &seconds), c.code) << c.what;
        EXPECT_LT(seconds, c.stop_after + 4.0) << c.what;
        const std::string err = stderr_text();
        EXPECT_EQ(line_count(err), c.says.empty() ? 0 : 1) << c.what << ": " << err;
        EXPECT_NE(err.find(c.says), std::string::npos) << c.what << ": " << err;
    }
}

TEST(DemoStart, OptionsAreCheckedBeforeAnythingOpensAndNoDisplayIsOneLine)
{
    struct Case {
        const char* args;
        int code;
        const char* out;   // the start of standard output
        const char* err;   // in standard error
        const char* env = "";
    };
    // No display in the environment: a run that got past the options would end with 255.
    for (const Case& c : {Case{"", 255, "", "quorvelle: no display: "},
                          Case{"", 255, "", "quorvelle: no display: cannot open the X display :97", "DISPLAY=:97"},
                          Case{"--help", 0, "usage: quorvelle", ""}, Case{"--version", 0, "quorvelle 1.0.0\n", ""},
                          Case{"--bogus", 2, "", "quorvelle: unknown option --bogus\nusage: quorvelle"},
                          Case{"--display", 2, "", "a monitor number must follow --display"},
                          Case{"--display x", 2, "", "bad monitor number in --display x"},
                          Case{"--mute=yes", 2, "", "unknown option --mute=yes"},
                          Case{"--reduce-flashing=1", 2, "", "unknown option --reduce-flashing=1"},
                          Case{"--window extra", 2, "", "unknown option extra"}}) {
        const CommandResult r = demo_run_bare(c.args, c.env);
        EXPECT_EQ(r.exit_code, c.code) << c.args;
        EXPECT_EQ(r.out.rfind(c.out, 0), 0u) << c.args << ": " << r.out;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << c.args << ": " << r.err;
        if (c.code == 255) {
            EXPECT_EQ(line_count(r.err), 1) << c.env << ": " << r.err;
            EXPECT_EQ(r.err.rfind(c.err, 0), 0u) << r.err;
        }
    }
}
