// quorvelle-capture: runs the demo's own start-up, frame loop and shutdown on the capture backend
// and writes the frames it renders to numbered pictures, a hash list or a 60 fps video.
#include <unistd.h>

#include <chrono>
#include <cerrno>
#include <cinttypes>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "frame_writer.h"
#include "platform/capture.h"
#include "shell/demo.h"

namespace {

constexpr uint32_t k_script_end_ms = 183981;

struct FrameRange {
    uint64_t first, last;
};

struct Capture {
    FrameWriter writer;
    std::vector<FrameRange> frames;   // empty: every frame
    uint64_t expected;                // frames the whole capture will deliver, for the progress bar
    uint64_t written;
    bool progress;
    bool tty;
    std::chrono::steady_clock::time_point last_report;
    int last_decile;
};

void usage()
{
    std::fputs("usage: quorvelle-capture [--fps N] [--from MS] [--to MS] [--frames LIST] [--format png|ppm|hash]"
               " --out PATH\n"
               "  PATH ending in .mp4: an H.264 video with music.mp3 as its sound; otherwise a directory of\n"
               "  frame_NNNNNN.png (or .ppm) files, or with --format hash a list of frame hashes ('-': stdout).\n"
               "  LIST: frame numbers and ranges, e.g. 0,10,100-200.\n",
               stderr);
}

bool number_parse(const char* text, uint64_t max, uint64_t* out)
{
    if (!*text) return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long long v = std::strtoull(text, &end, 10);
    if (errno || *end || text[0] == '-' || v > max) return false;
    *out = v;
    return true;
}

bool frames_parse(const char* text, std::vector<FrameRange>* out)
{
    std::string list = text;
    size_t pos = 0;
    while (pos <= list.size()) {
        const size_t comma = list.find(',', pos);
        const std::string item = list.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
        const size_t dash = item.find('-');
        FrameRange range;
        if (dash == std::string::npos) {
            if (!number_parse(item.c_str(), UINT64_MAX - 1, &range.first)) return false;
            range.last = range.first;
        } else if (!number_parse(item.substr(0, dash).c_str(), UINT64_MAX - 1, &range.first) ||
                   !number_parse(item.substr(dash + 1).c_str(), UINT64_MAX - 1, &range.last) ||
                   range.last < range.first) {
            return false;
        }
        out->push_back(range);
        if (comma == std::string::npos) break;
        pos = comma + 1;
    }
    return !out->empty();
}

uint64_t min_u64(uint64_t a, uint64_t b)
{
    return a < b ? a : b;
}

bool frame_wanted(const Capture* capture, uint64_t k)
{
    if (capture->frames.empty()) return true;
    for (const FrameRange& r : capture->frames)
        if (k >= r.first && k <= r.last) return true;
    return false;
}

void progress_show(Capture* capture, uint64_t k, bool final)
{
    if (!capture->progress) return;
    const uint64_t total = capture->expected ? capture->expected : 1;
    const int percent = static_cast<int>(min_u64(k * 100 / total, 100));
    if (capture->tty) {
        const auto now = std::chrono::steady_clock::now();
        if (!final && now - capture->last_report < std::chrono::milliseconds(200)) return;
        capture->last_report = now;
        char bar[41];
        const int filled = percent * 40 / 100;
        for (int i = 0; i < 40; ++i) bar[i] = i < filled ? '#' : '.';
        bar[40] = 0;
        std::fprintf(stderr, "\r[%s] %3d%%  frame %" PRIu64 " of %" PRIu64, bar, percent, k, total);
        if (final) std::fputc('\n', stderr);
    } else if (percent / 10 > capture->last_decile || (final && capture->last_decile < 10)) {
        capture->last_decile = percent / 10;
        std::fprintf(stderr, "quorvelle-capture: %3d%%  frame %" PRIu64 " of %" PRIu64 "\n", percent, k, total);
    }
}

int frame_deliver(const CaptureFrame* frame, void* context)
{
    Capture* capture = static_cast<Capture*>(context);
    progress_show(capture, frame->index, false);
    if (!frame_wanted(capture, frame->index)) return 1;
    ++capture->written;
    return frame_writer_write(&capture->writer, frame->frame, frame->index, frame->entry, frame->t_ms);
}

}  // namespace

int main(int argc, char** argv)
{
    uint64_t fps = 60, from = 0, to = UINT32_MAX;
    std::string out, format_name;
    Capture capture = {};
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        bool ok = value != nullptr;
        if (arg == "--fps") ok = ok && number_parse(value, 1000, &fps) && fps >= 1;
        else if (arg == "--from") ok = ok && number_parse(value, UINT32_MAX - 1, &from);
        else if (arg == "--to") ok = ok && number_parse(value, UINT32_MAX, &to);
        else if (arg == "--frames") ok = ok && frames_parse(value, &capture.frames);
        else if (arg == "--format") ok = ok && (format_name = value, true);
        else if (arg == "--out") ok = ok && (out = value, true);
        else if (arg == "--help" || arg == "-h") {
            usage();
            return 0;
        } else {
            ok = false;
        }
        if (!ok) {
            std::fprintf(stderr, "quorvelle-capture: bad argument %s%s%s\n", arg.c_str(), value ? " " : "",
                         value ? value : "");
            usage();
            return 2;
        }
        ++i;
    }
    if (out.empty() || to <= from) {
        std::fputs(out.empty() ? "quorvelle-capture: --out is required\n" : "quorvelle-capture: --to must be after --from\n",
                   stderr);
        usage();
        return 2;
    }

    FrameFormat format = FRAME_PNG;
    const bool video = out.size() > 4 && out.compare(out.size() - 4, 4, ".mp4") == 0;
    if (video) format = FRAME_MP4;
    else if (format_name == "ppm") format = FRAME_PPM;
    else if (format_name == "hash") format = FRAME_HASH;
    else if (!format_name.empty() && format_name != "png") {
        std::fprintf(stderr, "quorvelle-capture: unknown format %s\n", format_name.c_str());
        return 2;
    }
    if (video && !format_name.empty()) {
        std::fputs("quorvelle-capture: --format does not apply to a video\n", stderr);
        return 2;
    }

    std::string music = "music.mp3";
    if (access(music.c_str(), R_OK) != 0) {
        std::fputs("quorvelle-capture: music.mp3 not found; the capture has no sound\n", stderr);
        music.clear();
    }
    std::signal(SIGPIPE, SIG_IGN);
    std::string error;
    if (!frame_writer_open(&capture.writer, format, out, static_cast<int>(fps), music, static_cast<uint32_t>(from),
                           &error)) {
        std::fprintf(stderr, "quorvelle-capture: %s\n", error.c_str());
        return 1;
    }

    const uint64_t end = to < k_script_end_ms ? to : k_script_end_ms;
    // Frames before the end, plus, when the script's end comes first, the pass that reaches it.
    capture.expected = end > from ? ((end - from) * fps + 999) / 1000 + (to > end ? 1 : 0) : 0;
    uint64_t last_frame = UINT64_MAX;
    if (!capture.frames.empty()) {
        last_frame = 0;
        for (const FrameRange& r : capture.frames) last_frame = r.last > last_frame ? r.last : last_frame;
        if (last_frame + 1 < capture.expected) capture.expected = last_frame + 1;
    }
    capture.progress = capture.expected >= 600;
    capture.tty = isatty(2);
    capture.last_decile = -1;

    CaptureConfig config = {static_cast<int>(fps), static_cast<uint32_t>(from), static_cast<uint32_t>(to),
                            last_frame, 2560, frame_deliver, &capture};
    capture_configure(&config);
    const int demo_result = demo_main();
    if (demo_result == 0 && capture_succeeded()) progress_show(&capture, capture.expected, true);
    const int closed = frame_writer_close(&capture.writer);

    if (demo_result != 0) {
        std::fputs("quorvelle-capture: the demo's start-up failed\n", stderr);
        return 1;
    }
    if (!capture_succeeded()) {
        std::fprintf(stderr, "quorvelle-capture: %s\n", capture_error());
        return 1;
    }
    if (!closed) {
        std::fprintf(stderr, "quorvelle-capture: finishing %s failed\n", out.c_str());
        return 1;
    }
    return 0;
}
