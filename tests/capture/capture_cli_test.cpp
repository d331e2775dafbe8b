// The capture tool as a user runs it: repeatable frames, --from landing on its entry, picture and
// video output, and rejected arguments.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <sys/stat.h>

#include "common/capture_run.h"

namespace {

struct HashLine {
    int frame;
    std::string hash;
    int entry;
    unsigned t_ms;
};

HashLine line_parse(const std::string& line)
{
    std::istringstream in(line);
    HashLine h = {};
    in >> h.frame >> h.hash >> h.entry >> h.t_ms;
    return h;
}

int shell_run(const std::string& cmd)
{
    const int status = std::system(("cd '" QUORVELLE_BINARY_DIR "' && " + cmd).c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST(CaptureTool, SameCaptureTwiceGivesIdenticalFrames)
{
    const CaptureResult a = capture_hashes("--from 0 --to 6500 --frames 0-5,60,200-203,380");
    const CaptureResult b = capture_hashes("--from 0 --to 6500 --frames 0-5,60,200-203,380");
    ASSERT_EQ(a.exit_code, 0);
    ASSERT_EQ(a.lines.size(), 12u);
    EXPECT_EQ(a.lines, b.lines);
}

TEST(CaptureTool, FromLandsOnTheEntryThatCoversIt)
{
    struct Case {
        unsigned from;
        int entry;
    };
    // An entry's start belongs to it; one millisecond before belongs to the previous entry.
    for (const Case c : {Case{27068, 18}, Case{27067, 17}, Case{147943, 74}, Case{182004, 91}, Case{0, 0}}) {
        const CaptureResult r = capture_hashes("--from " + std::to_string(c.from) + " --to " +
                                               std::to_string(c.from + 100) + " --frames 0-1");
        ASSERT_EQ(r.exit_code, 0) << c.from;
        ASSERT_EQ(r.lines.size(), 2u) << c.from;
        const HashLine first = line_parse(r.lines[0]);
        const HashLine second = line_parse(r.lines[1]);
        EXPECT_EQ(first.entry, c.entry) << c.from;
        EXPECT_EQ(first.t_ms, c.from);
        EXPECT_EQ(second.t_ms, c.from + 16);   // from + 1000 / 60
    }
}

TEST(CaptureTool, WritesPicturesAndAVideoWithSound)
{
    const std::string dir = std::string(QUORVELLE_BINARY_DIR) + "/test-capture-out";
    shell_run("rm -rf '" + dir + "'");
    ASSERT_EQ(shell_run("./quorvelle-capture --from 6500 --to 7000 --frames 0,3 --out '" + dir + "' 2>/dev/null"), 0);
    ASSERT_EQ(shell_run("./quorvelle-capture --from 6500 --to 7000 --frames 0 --format ppm --out '" + dir +
                        "' 2>/dev/null"),
              0);
    struct stat st;
    EXPECT_EQ(stat((dir + "/frame_000000.png").c_str(), &st), 0);
    EXPECT_EQ(stat((dir + "/frame_000003.png").c_str(), &st), 0);
    EXPECT_NE(stat((dir + "/frame_000001.png").c_str(), &st), 0);   // not listed
    ASSERT_EQ(stat((dir + "/frame_000000.ppm").c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 15 + 512 * 384 * 3);                       // "P6\n512 384\n255\n" + pixels

    // Two seconds of video: one H.264 stream at 60 fps and one audio stream.
    const std::string video = dir + "/clip.mp4";
    ASSERT_EQ(shell_run("./quorvelle-capture --to 2000 --out '" + video + "' 2>/dev/null"), 0);
    const std::string probe = dir + "/probe.txt";
    ASSERT_EQ(shell_run("ffprobe -v error -show_entries stream=codec_type,codec_name,r_frame_rate,nb_frames -of csv=p=0 '" +
                        video + "' > '" + probe + "'"),
              0);
    std::ifstream in(probe);
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(all.find("h264,video,60/1,120"), std::string::npos) << all;
    EXPECT_NE(all.find("audio"), std::string::npos) << all;
    shell_run("rm -rf '" + dir + "'");
}

TEST(CaptureTool, RejectsBadArguments)
{
    for (const char* args : {"", "--out x --fps 0", "--out x --from 500 --to 400", "--out x --frames 5-2",
                             "--out x --frames a", "--out x --format gif", "--out x --bogus"}) {
        EXPECT_EQ(shell_run(std::string("./quorvelle-capture ") + args + " 2>/dev/null"), 2) << args;
    }
}
