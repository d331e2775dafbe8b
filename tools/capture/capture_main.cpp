// quorvelle-capture: runs the demo's own start-up, frame loop and shutdown on the capture backend
// and writes the frames it renders to numbered pictures, a hash list or a video. Frame j is the
// moment j * 1000 / fps ms on the clock that starts at 0; a capture from a later point renders every
// earlier frame without writing it, so that its frames are the same as those of a whole capture.
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/report.h"
#include "display/band_worker.h"
#include "display/flash_filter.h"
#include "display/frame_size.h"
#include "display/render_paths.h"
#include "frame_writer.h"
#include "platform/capture.h"
#include "platform/data_folder.h"
#include "platform/music_check.h"
#include "shell/demo.h"
#include "shell/timeline.h"

namespace {

constexpr int k_max_scale = 8;

// SIGINT or SIGTERM: the capture stops at the next frame and leaves earlier output as it was.
volatile sig_atomic_t s_signal = 0;

void on_signal(int signal_number)
{
    s_signal = signal_number;
}

void signals_catch()
{
#ifdef _WIN32
    std::signal(SIGINT, on_signal);
    std::signal(SIGTERM, on_signal);
#else
    // No restart: a write blocked on the encoder's pipe returns, and the capture stops.
    struct sigaction action = {};
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // A write past a file-size limit or into a closed pipe fails with its reason instead.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

struct FrameRange {
    uint64_t first, last;
};

struct Options {
    uint64_t fps = 60, from = 0, to = UINT32_MAX, scale = 1, threads = 0;   // threads 0: all cores
    bool plain = false, reduce_flashing = false;
    std::vector<FrameRange> frames;   // empty: every frame
    std::string frames_text, format_name, out, flashes;
};

// The frames a capture renders (0 to last) and writes (from first_written on, where listed).
struct Plan {
    uint64_t first;          // the first frame at or after --from
    uint64_t last;           // the last frame the run renders
    uint64_t first_written;
    uint64_t last_written;
};

struct Capture {
    FrameWriter writer;
    const Options* options;
    Plan plan;
    uint64_t written;
    bool progress;
    bool tty;
    std::chrono::steady_clock::time_point last_report;
    int last_decile;
};

const char k_usage[] =
    "usage: quorvelle-capture [--fps N] [--from MS] [--to MS] [--frames LIST]\n"
    "                         [--format png|ppm|hash|flashes] [--scale N] [--threads N] [--plain]\n"
    "                         [--reduce-flashing] [--flashes FILE] --out PATH\n"
    "Renders the demo on an exact clock and writes its frames. Frame j shows the moment\n"
    "j * 1000 / fps ms of the script, in a whole capture and in any part of one alike.\n"
    "  --out PATH     a name ending in .mp4: an H.264 video with music.mp3 as its sound; otherwise a\n"
    "                 folder of frame_NNNNNN.png (or .ppm) files named by frame number, or with\n"
    "                 --format hash a list of frame hashes ('-': the standard output, for hashes only)\n"
    "  --fps N        frames per second of the clock (default 60)\n"
    "  --from MS      write from the first frame at or after MS ms (default 0); the frames before\n"
    "                 it are rendered, not written\n"
    "  --to MS        stop before the first frame at or after MS ms (default: the end of the script)\n"
    "  --frames LIST  write only these frame numbers and ranges, e.g. 0,10,100-200\n"
    "  --format F     png (default), ppm, hash, or flashes: a report of the flashes in each second\n"
    "  --scale N      enlarge pictures and videos N times, nearest-neighbour (1 to 8; 3: 1536x1152)\n"
    "  --threads N    draw the heavy scenes with N threads (1 to 8, default: every core, at most 8);\n"
    "                 the frames are the same\n"
    "  --plain        draw everything on the plain reference paths (as QUORVELLE_PLAIN=1 does); the\n"
    "                 frames are the same, only slower\n"
    "  --reduce-flashing  the frames as the player's --reduce-flashing shows them\n"
    "  --flashes FILE also write the flash report (as --format flashes does) to FILE\n"
    "  --help, --version\n";

void usage_mistake(const std::string& what)
{
    std::fprintf(stderr, "quorvelle-capture: %s\n%s", what.c_str(), k_usage);
}

void mistake(const std::string& what)
{
    std::fprintf(stderr, "quorvelle-capture: %s\n", what.c_str());
}

bool number_parse(const char* text, uint64_t max, uint64_t* out)
{
    if (!text || *text < '0' || *text > '9') return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long long v = std::strtoull(text, &end, 10);
    if (errno || *end || v > max) return false;
    *out = v;
    return true;
}

bool frames_parse(const std::string& list, std::vector<FrameRange>* out)
{
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

uint64_t frame_ms(uint64_t j, uint64_t fps)
{
    return j * 1000 / fps;
}

// 0: go on; otherwise one more than the exit code.
int options_parse(int argc, char** argv, Options* o)
{
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::string value;
        bool has_value = false;
        const size_t equals = arg.find('=');
        if (arg.compare(0, 2, "--") == 0 && equals != std::string::npos) {
            value = arg.substr(equals + 1);
            arg.resize(equals);
            has_value = true;
        }
        if (arg == "--help" || arg == "-h") {
            std::fputs(k_usage, stdout);
            return 1;
        }
        if (arg == "--version") {
            std::puts("quorvelle-capture " QUORVELLE_VERSION);
            return 1;
        }
        if ((arg == "--plain" || arg == "--reduce-flashing") && !has_value) {
            (arg == "--plain" ? o->plain : o->reduce_flashing) = true;
            continue;
        }
        const char* names[] = {"--fps", "--from", "--to", "--frames", "--format", "--scale", "--threads", "--out", "--flashes"};
        if (std::find(std::begin(names), std::end(names), arg) == std::end(names)) {
            usage_mistake("unknown option " + std::string(argv[i]));
            return 3;
        }
        if (!has_value) {
            if (i + 1 >= argc) {
                usage_mistake(arg + " needs a value");
                return 3;
            }
            value = argv[++i];
        }
        bool ok = true;
        if (arg == "--fps") ok = number_parse(value.c_str(), 1000, &o->fps) && o->fps >= 1;
        else if (arg == "--from") ok = number_parse(value.c_str(), UINT32_MAX - 1, &o->from);
        else if (arg == "--to") ok = number_parse(value.c_str(), UINT32_MAX, &o->to);
        else if (arg == "--frames") ok = frames_parse(value, &o->frames);
        else if (arg == "--format") o->format_name = value;
        else if (arg == "--scale") ok = number_parse(value.c_str(), k_max_scale, &o->scale) && o->scale >= 1;
        else if (arg == "--threads") ok = number_parse(value.c_str(), 8, &o->threads) && o->threads >= 1;
        else if (arg == "--flashes") o->flashes = value;
        else o->out = value;
        if (arg == "--frames") o->frames_text = value;
        if (!ok) {
            const char* hint = arg == "--fps"                           ? " (1 to 1000)"
                               : arg == "--scale" || arg == "--threads" ? " (1 to 8)"
                                                                        : "";
            usage_mistake("bad value for " + arg + ": " + value + hint);
            return 3;
        }
    }
    return 0;
}

bool name_ends_with(const std::string& name, const char* tail)
{
    const size_t n = std::strlen(tail);
    if (name.size() <= n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(name[name.size() - n + i])) != tail[i]) return false;
    return true;
}

// The format from --format and the name; 0 with a complaint shown for a mistake.
bool format_choose(const Options& o, FrameFormat* format)
{
    const bool video = name_ends_with(o.out, ".mp4");
    if (video && !o.format_name.empty()) {
        usage_mistake("--format does not apply to a video (" + o.out + ")");
        return false;
    }
    if (video) *format = FRAME_MP4;
    else if (o.format_name.empty() || o.format_name == "png") *format = FRAME_PNG;
    else if (o.format_name == "ppm") *format = FRAME_PPM;
    else if (o.format_name == "hash") *format = FRAME_HASH;
    else if (o.format_name == "flashes") *format = FRAME_FLASHES;
    else {
        usage_mistake("unknown format " + o.format_name + ": png, ppm, hash or flashes");
        return false;
    }
    if (o.out == "-" && !frame_format_text(*format)) {
        usage_mistake("--out - (the standard output) takes only a hash list or a flash report");
        return false;
    }
    if (frame_format_text(*format) && o.scale != 1) {
        usage_mistake("--scale applies to pictures and videos, not to hashes or flash reports");
        return false;
    }
    return true;
}

// Walks the frame loop's clock over the Timeline as the capture will: the last pass is the one
// that reaches the end of the script, unless --to comes first.
uint64_t last_frame_find(const Options& o)
{
    TimelineEntry timeline[k_timeline_entries + 1];
    timeline_build(timeline);
    const TimelineEntry* entry = timeline;
    uint64_t last = 0;
    for (uint64_t j = 0; entry->scene; ++j) {
        const uint64_t t = frame_ms(j, o.fps);
        if (t >= o.to) break;
        last = j;
        if (t >= entry->end_ms) ++entry;
    }
    return last;
}

std::string frame_span(uint64_t first, uint64_t last, uint64_t fps)
{
    char text[128];
    std::snprintf(text, sizeof text, "%" PRIu64 " to %" PRIu64 " (%" PRIu64 " to %" PRIu64 " ms)", first, last,
                  frame_ms(first, fps), frame_ms(last, fps));
    return text;
}

// What the capture renders and writes; 0 with a complaint shown when it would write nothing.
bool plan_make(const Options& o, FrameFormat format, Plan* plan)
{
    plan->first = (o.from * o.fps + 999) / 1000;
    plan->last = last_frame_find(o);
    if (plan->first > plan->last) {
        char text[200];
        if (o.to == UINT32_MAX || frame_ms(plan->last + 1, o.fps) < o.to)
            std::snprintf(text, sizeof text,
                          "--from %" PRIu64 " is past the end of the script: its last frame at %" PRIu64
                          " fps is %" PRIu64 ", at %" PRIu64 " ms",
                          o.from, o.fps, plan->last, frame_ms(plan->last, o.fps));
        else
            std::snprintf(text, sizeof text, "no frame of the %" PRIu64 " fps clock lies from %" PRIu64 " to %" PRIu64
                          " ms", o.fps, o.from, o.to);
        mistake(text);
        return false;
    }
    plan->first_written = plan->first;
    plan->last_written = plan->last;
    if (!o.frames.empty()) {
        uint64_t lo = UINT64_MAX, hi = 0;
        for (const FrameRange& r : o.frames) {
            if (r.last < plan->first || r.first > plan->last) continue;
            lo = std::min(lo, std::max(r.first, plan->first));
            hi = std::max(hi, std::min(r.last, plan->last));
        }
        if (lo == UINT64_MAX) {
            mistake("--frames " + o.frames_text + " selects no frame of this capture, which has frames " +
                    frame_span(plan->first, plan->last, o.fps));
            return false;
        }
        if (format == FRAME_MP4 && o.frames.size() > 1) {
            mistake("a video takes one range of --frames, so that its sound runs with the picture");
            return false;
        }
        plan->first_written = lo;
        plan->last_written = hi;
    }
    return true;
}

bool frame_wanted(const Capture* capture, uint64_t j)
{
    if (j < capture->plan.first_written || j > capture->plan.last_written) return false;
    if (capture->options->frames.empty()) return true;
    for (const FrameRange& r : capture->options->frames)
        if (j >= r.first && j <= r.last) return true;
    return false;
}

// One line of progress: the share of the frames rendered, the frame under way, and the size of
// the pictures written.
void progress_show(Capture* capture, uint64_t j, bool final)
{
    if (!capture->progress) return;
    const uint64_t total = capture->plan.last_written + 1;
    const int percent = static_cast<int>(std::min<uint64_t>(j * 100 / total, 100));
    const int scale = capture->writer.scale;
    char size[64];
    const int w = k_frame_width, h = k_frame_height;
    if (frame_format_text(capture->writer.format)) std::snprintf(size, sizeof size, "%dx%d", w, h);
    else if (scale == 1) std::snprintf(size, sizeof size, "%dx%d pictures", w, h);
    else std::snprintf(size, sizeof size, "%dx%d pictures (%dx%d x%d)", w * scale, h * scale, w, h, scale);
    const char* doing = j < capture->plan.first_written && !final ? "seeking" : "writing";
    if (capture->tty) {
        const auto now = std::chrono::steady_clock::now();
        if (!final && now - capture->last_report < std::chrono::milliseconds(200)) return;
        capture->last_report = now;
        char bar[41];
        const int filled = percent * 40 / 100;
        for (int i = 0; i < 40; ++i) bar[i] = i < filled ? '#' : '.';
        bar[40] = 0;
        std::fprintf(stderr, "\r[%s] %3d%%  %s frame %" PRIu64 " of %" PRIu64 ", %s\033[K", bar, percent, doing,
                     std::min(j, total - 1), total - 1, size);
        if (final) std::fputc('\n', stderr);
    } else if (percent / 10 > capture->last_decile || (final && capture->last_decile < 10)) {
        capture->last_decile = percent / 10;
        std::fprintf(stderr, "quorvelle-capture: %3d%%  %s frame %" PRIu64 " of %" PRIu64 ", %s\n", percent, doing,
                     std::min(j, total - 1), total - 1, size);
    }
}

int frame_deliver(const CaptureFrame* frame, void* context)
{
    Capture* capture = static_cast<Capture*>(context);
    if (s_signal) return 0;
    progress_show(capture, frame->index, false);
    if (frame->seeking || !frame_wanted(capture, frame->index)) return 1;
    ++capture->written;
    return frame_writer_write(&capture->writer, frame->frame, frame->index, frame->entry, frame->t_ms);
}

// Reads and checks the command line and plans the run: 0 to go on, otherwise one more than the
// exit code of a run that ends here (a mistake, or --help).
int options_read(int argc, char** argv, Options* options, FrameFormat* format, Plan* plan)
{
    const int ended = options_parse(argc, argv, options);
    if (ended) return ended;
    render_paths_from_environment();
    if (options->plain) g_plain_paths = 1;
    g_reduce_flashing = options->reduce_flashing;
    g_threads = options->threads ? static_cast<int>(options->threads) : band_threads_all();
    if (options->out.empty()) {
        usage_mistake("--out is required");
        return 3;
    }
    if (options->to <= options->from) {
        usage_mistake("--to must be after --from");
        return 3;
    }
    if (!format_choose(*options, format)) return 3;
    if (!plan_make(*options, *format, plan)) return 3;
    return 0;
}

// Finds the data, names the output from the caller's folder, checks the music of a video and opens
// the writer; false after one line saying why.
bool output_prepare(const Options& options, FrameFormat format, Capture* capture, std::string* out)
{
    // The data comes from the working folder or the one beside the program; the output stays
    // where the user named it.
    std::string why;
    const std::string caller_folder = working_folder(&why);
    const std::string caller_why = why;
    if (!data_folder_enter(&why)) {
        mistake(why);
        return false;
    }
    *out = options.out;
#ifdef _WIN32
    const bool absolute = (*out)[0] == '/' || (*out)[0] == '\\' || (out->size() > 1 && (*out)[1] == ':');
#else
    const bool absolute = (*out)[0] == '/';
#endif
    if (*out != "-" && !absolute && working_folder() != caller_folder) {
        // Without the caller's folder a relative name would land beside the program.
        if (caller_folder.empty()) {
            mistake("cannot write " + *out + ": the working folder cannot be named (" + caller_why + ")");
            return false;
        }
        *out = caller_folder + "/" + *out;
    }

    std::string music;
    if (format == FRAME_MP4) {
        music = "music.mp3";
        if (!music_check(music.c_str(), &why)) {
            mistake("cannot use music.mp3 in " + working_folder() + " (" + why + "): the video has no sound");
            music.clear();
        }
    }
    signals_catch();
    const uint64_t audio_from_us = capture->plan.first_written * 1000000 / options.fps;
    if (!frame_writer_open(&capture->writer, format, *out, static_cast<int>(options.fps),
                           static_cast<int>(options.scale), music, audio_from_us, &why)) {
        mistake(why);
        frame_writer_close(&capture->writer, false);
        return false;
    }
    std::string flashes = options.flashes;   // named from the caller's folder, as the output is
    if (!flashes.empty() && flashes[0] != '/' && !caller_folder.empty() && working_folder() != caller_folder)
        flashes = caller_folder + "/" + flashes;
    if (!flashes.empty() && !frame_writer_flashes_open(&capture->writer, flashes, &why)) {
        mistake(why);
        frame_writer_close(&capture->writer, false);
        return false;
    }
    return true;
}

// After the render: the interrupt, failure or summary line, and the exit code.
int run_report(const Options& options, FrameFormat format, const Capture& capture, const std::string& out,
               int demo_result, bool closed)
{
    if (s_signal) {
        std::string kept = out + " is left as it was";
        if (out == "-") kept = "the hash list is cut short";
        else if (format == FRAME_PNG || format == FRAME_PPM)
            kept = std::to_string(capture.written) + " pictures written to " + out + ", the others left as they were";
        mistake(std::string("interrupted by ") + (s_signal == SIGINT ? "SIGINT" : "SIGTERM") + "; " + kept);
        return 128 + s_signal;
    }
    if (demo_result != 0) {
        if (!g_failure_reported) mistake("the demo's start-up failed");
        return 1;
    }
    if (!capture_succeeded() || !closed) {
        mistake(!capture.writer.error.empty() ? capture.writer.error : capture_error());
        return 1;
    }
    if (out != "-") {
        const int scale = capture.writer.scale;
        char size[32] = "";
        if (!frame_format_text(format)) std::snprintf(size, sizeof size, " at %dx%d", k_frame_width * scale, k_frame_height * scale);
        std::fprintf(stderr, "quorvelle-capture: wrote %" PRIu64 " frame%s, %s,%s to %s\n", capture.written,
                     capture.written == 1 ? "" : "s",
                     frame_span(capture.plan.first_written, capture.plan.last_written, options.fps).c_str(), size,
                     out.c_str());
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    g_program_name = "quorvelle-capture";
    Options options;
    FrameFormat format = FRAME_PNG;
    Capture capture = {};
    capture.options = &options;
    const int ended = options_read(argc, argv, &options, &format, &capture.plan);
    if (ended) return ended - 1;
    std::string out;
    if (!output_prepare(options, format, &capture, &out)) return 1;

    capture.progress = capture.plan.last_written >= 600;
    capture.tty = isatty(2);
    capture.last_decile = -1;
    CaptureConfig config = {static_cast<int>(options.fps), static_cast<uint32_t>(options.from),
                            static_cast<uint32_t>(options.to), capture.plan.last_written, 2560, frame_deliver,
                            &capture};
    capture_configure(&config);
    const int demo_result = demo_main();
    const bool rendered = demo_result == 0 && capture_succeeded() && !s_signal;
    if (rendered) progress_show(&capture, capture.plan.last_written + 1, true);
    else if (capture.progress && capture.tty) std::fputc('\n', stderr);
    const int closed = frame_writer_close(&capture.writer, rendered);
    return run_report(options, format, capture, out, demo_result, closed);
}
