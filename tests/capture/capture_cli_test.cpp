// The capture tool as a user runs it: exact seeking on one clock from 0, picture and video output at
// a chosen scale, rejected arguments and unusable output paths.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/capture_run.h"
#include "common/screen.h"

namespace {

const std::string k_bin = QUORVELLE_BINARY_DIR;

int shell_run(const std::string& cmd) { return command_run(k_bin, cmd).exit_code; }

// A fresh empty folder under the build directory.
std::string scratch_folder(const std::string& name)
{
    const std::string dir = k_bin + "/test-capture-" + name + "-" + std::to_string(::getpid());
    shell_run("rm -rf '" + dir + "' && mkdir -p '" + dir + "'");
    return dir;
}

// Compares frames of partial captures with the same frames of one whole capture: three frames
// from each seek point on, at the given frame rate.
void expect_partial_equals_whole(int fps, const std::vector<unsigned>& seek_points)
{
    std::string list;
    std::vector<std::vector<std::string>> partials;
    for (const unsigned from : seek_points) {
        const unsigned first = (from * fps + 999) / 1000;   // the first frame at or after `from`
        const std::string frames = std::to_string(first) + "-" + std::to_string(first + 2);
        const CaptureResult r = capture_hashes("--fps " + std::to_string(fps) + " --from " + std::to_string(from) +
                                               " --frames " + frames);
        ASSERT_EQ(r.exit_code, 0) << from;
        ASSERT_EQ(r.lines.size(), 3u) << from;
        partials.push_back(r.lines);
        list += (list.empty() ? "" : ",") + frames;
    }
    const CaptureResult whole = capture_hashes("--fps " + std::to_string(fps) + " --frames " + list);
    ASSERT_EQ(whole.exit_code, 0);
    ASSERT_EQ(whole.lines.size(), 3 * seek_points.size());
    for (size_t i = 0; i < seek_points.size(); ++i) {
        const std::vector<std::string> same(whole.lines.begin() + 3 * i, whole.lines.begin() + 3 * i + 3);
        EXPECT_EQ(partials[i], same) << "seek to " << seek_points[i] << " ms at " << fps << " fps";
    }
}

}  // namespace

TEST(CaptureTool, FromStartsAtTheFirstFrameOfTheClockAtOrAfterIt)
{
    struct Case {
        int fps;
        unsigned from;
        int frame;      // numbered from 0 ms, as in a whole capture
        unsigned t_ms;  // frame * 1000 / fps
        int entry;      // the entry the frame loop draws then
    };
    for (const Case c : {Case{60, 0, 0, 0, 0}, Case{60, 27068, 1625, 27083, 17}, Case{60, 27084, 1626, 27100, 18},
                         Case{24, 1000, 24, 1000, 0}, Case{24, 1217, 30, 1250, 0}, Case{24, 1251, 31, 1291, 1}}) {
        // 27083 ms is past entry 17's end: that pass still draws 17, and the loop moves on after it.
        const CaptureResult r = capture_hashes("--fps " + std::to_string(c.fps) + " --from " + std::to_string(c.from) +
                                               " --to " + std::to_string(c.from + 100));
        ASSERT_EQ(r.exit_code, 0) << c.from;
        ASSERT_GE(r.lines.size(), 2u) << c.from;
        int frame = -1, entry = -1;
        unsigned t_ms = 0, next_ms = 0;
        std::sscanf(r.lines[0].c_str(), "%d %*s %d %u", &frame, &entry, &t_ms);
        std::sscanf(r.lines[1].c_str(), "%*d %*s %*d %u", &next_ms);
        EXPECT_TRUE(frame == c.frame && t_ms == c.t_ms && entry == c.entry) << c.from << ": " << r.lines[0];
        EXPECT_EQ(next_ms, (c.frame + 1) * 1000u / c.fps) << c.from;
    }
}

// Seek points inside long entries: the mesh, the terrain, the objects and the wave floor.
TEST(CaptureTool, PartialCaptureFramesEqualTheWholeCapture)
{
    expect_partial_equals_whole(60, {80000, 130000, 150000});   // terrain 4, objects 2, mesh
    expect_partial_equals_whole(24, {55000, 70000, 150000, 165000});   // wave floor, terrain 3, mesh, objects 4
}

TEST(CaptureTool, WritesPicturesNumberedFromTheStartAndScaledToUniformBlocks)
{
    const std::string dir = scratch_folder("scale");
    // Frame 5 is static noise, frame 700 a name; 700 frames to render make the progress line show.
    const CommandResult r = command_run(k_bin, "./quorvelle-capture --frames 5,700 --scale 3 --format ppm --out '" +
                                                   dir + "/x3' && ./quorvelle-capture --frames 5,700 --format ppm --out '" +
                                                   dir + "/x1' && ./quorvelle-capture --from 6500 --to 7000 --frames "
                                                   "390,393 --scale 2 --out '" + dir + "/png'");
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_NE(r.err.find("1536x1152"), std::string::npos) << r.err;   // size and scale in the progress line
    EXPECT_NE(r.err.find("x3"), std::string::npos) << r.err;
    for (const char* name : {"/frame_000005.ppm", "/frame_000700.ppm"}) {
        Ppm big, small;
        ASSERT_TRUE(ppm_read(dir + "/x3" + name, &big) && ppm_read(dir + "/x1" + name, &small)) << name;
        ASSERT_EQ(big.width * 1000 + big.height, 1536 * 1000 + 1152);
        ASSERT_EQ(small.width * 1000 + small.height, 512 * 1000 + 384);
        EXPECT_EQ(file_text(dir + "/x1" + name).size(), 15u + 512 * 384 * 3);   // "P6\n512 384\n255\n" + pixels
        int mismatches = 0;
        for (int y = 0; y < 1152; ++y)
            for (int x = 0; x < 1536; ++x)
                mismatches += big.rgb.compare(static_cast<size_t>(y * 1536 + x) * 3, 3, small.rgb,
                                              static_cast<size_t>((y / 3) * 512 + x / 3) * 3, 3) != 0;
        EXPECT_EQ(mismatches, 0) << name;
    }
    // Numbered from 0 ms whatever --from says, only those listed; 1024 x 768 in the PNG header.
    for (const char* name : {"/frame_000390.png", "/frame_000393.png"})
        EXPECT_EQ(file_text(dir + "/png" + name).substr(16, 8), std::string("\0\0\4\0\0\0\3\0", 8)) << name;
    EXPECT_EQ(file_text(dir + "/png/frame_000391.png"), "");
    shell_run("rm -rf '" + dir + "'");
}

TEST(CaptureTool, VideoPlaysInBrowsersWithSoundAndTheChosenSize)
{
    const std::string dir = scratch_folder("video");
    const std::string video = dir + "/clip.mp4";
    // Half a second from 6 s on, three times the size.
    ASSERT_EQ(shell_run("./quorvelle-capture --from 6000 --to 6500 --scale 3 --out '" + video + "' 2>/dev/null"), 0);
    const CommandResult probe = command_run(
        k_bin, "ffprobe -v error -show_entries stream=codec_name,profile,pix_fmt,width,height,r_frame_rate,nb_frames "
               "-of compact=p=0 '" + video + "'");
    ASSERT_EQ(probe.exit_code, 0) << probe.err;
    EXPECT_NE(probe.out.find("codec_name=h264|profile=High|width=1536|height=1152|pix_fmt=yuv420p|r_frame_rate=60/1"
                             "|nb_frames=30"),
              std::string::npos)
        << probe.out;
    EXPECT_NE(probe.out.find("codec_name=aac"), std::string::npos) << probe.out;
    // faststart: the index (moov) comes before the media data (mdat).
    const std::string bytes = file_text(video);
    ASSERT_NE(bytes.find("moov"), std::string::npos);
    EXPECT_LT(bytes.find("moov"), bytes.find("mdat"));
    shell_run("rm -rf '" + dir + "'");
}

TEST(CaptureTool, RunsFromAnotherFolderAndWritesWhereItIsCalled)
{
    const std::string dir = scratch_folder("elsewhere");
    const CommandResult r = command_run(dir, "'" + k_bin + "/quorvelle-capture' --frames 0 --format hash --out here.txt");
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(file_text(dir + "/here.txt").substr(0, 7), "000000 ");

    // A copy of the program with no data beside it names the folder to run from.
    shell_run("cp quorvelle-capture '" + dir + "/'");
    const CommandResult lost = command_run(dir, "./quorvelle-capture --frames 0 --format hash --out there.txt");
    EXPECT_EQ(lost.exit_code, 1);
    EXPECT_EQ(line_count(lost.err), 1) << lost.err;
    EXPECT_NE(lost.err.find("no data/ folder in " + dir + ": run it from the build folder"), std::string::npos)
        << lost.err;
    shell_run("rm -rf '" + dir + "'");
}

TEST(CaptureTool, RejectsBadArgumentsWithTheUsageOrTheReason)
{
    struct Case {
        const char* args;
        const char* says;   // in the one line before the usage, if any
        bool usage;
    };
    const Case cases[] = {
        {"", "--out is required", true},
        {"--out x --fps 0", "bad value for --fps: 0", true},
        {"--out x --from 500 --to 400", "--to must be after --from", true},
        {"--out x --frames 5-2", "bad value for --frames", true},
        {"--out x --frames a", "bad value for --frames", true},
        {"--out x --format gif", "unknown format gif", true},
        {"--out x.mp4 --format png", "--format does not apply to a video", true},
        {"--out x --scale 0", "bad value for --scale", true},
        {"--out - --format hash --scale 3", "--scale applies to pictures and videos", true},
        {"--out - --format flashes --scale 2", "--scale applies to pictures and videos", true},
        {"--out x --flashes", "--flashes needs a value", true},
        {"--out x --bogus", "unknown option --bogus", true},
        {"--out x --from", "--from needs a value", true},
        {"--out x --from 190000", "--from 190000 is past the end of the script", false},
        {"--out x --fps 24 --from 184001", "past the end of the script", false},
        {"--out x --from 6500 --to 7000 --frames 500", "--frames 500 selects no frame", false},
        {"--out x.mp4 --frames 1,5", "one range of --frames", false},
    };
    for (const Case& c : cases) {
        const CommandResult r = command_run(k_bin, std::string("./quorvelle-capture ") + c.args);
        EXPECT_EQ(r.exit_code, 2) << c.args;
        EXPECT_EQ(r.err.rfind("quorvelle-capture: ", 0), 0u) << c.args << ": " << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.args << ": " << r.err;
        EXPECT_EQ(r.err.find("usage:") != std::string::npos, c.usage) << c.args << ": " << r.err;
        if (!c.usage) {
            EXPECT_EQ(line_count(r.err), 1) << c.args << ": " << r.err;
        }
    }
    const CommandResult help = command_run(k_bin, "./quorvelle-capture --help");
    EXPECT_EQ(help.exit_code, 0);
    EXPECT_EQ(help.out.rfind("usage: quorvelle-capture", 0), 0u) << help.out;
}
