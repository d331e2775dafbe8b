// quorvelle-bench: renders the whole Timeline through the capture backend at 60 fps without writing
// frames, once on the plain drawing paths and once on the fast ones, and prints, per Timeline entry
// and per scene, the frames rendered and the mean and worst milliseconds per frame of both and their
// ratio, the whole render's frames per second of both, and one full-frame copy as the floor. Each
// render runs in a child process of its own, so that both start from the same state.
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/report.h"
#include "display/band_worker.h"
#include "display/frame_size.h"
#include "display/render_paths.h"
#include "platform/capture.h"
#include "shell/demo.h"
#include "shell/scene_list.h"
#include "shell/timeline.h"

namespace {

struct Stats {
    uint64_t frames;
    double total_ms;
    double worst_ms;
};

struct SceneName {
    SceneFn scene;
    const char* name;
};

const SceneName k_scene_names[] = {
    {scene_black, "scene_black"},           {scene_static, "scene_static"},
    {scene_static_flicker, "scene_static_flicker"}, {scene_name_strobe, "scene_name_strobe"},
    {scene_name_fade, "scene_name_fade"},   {scene_fade_plumhelm, "scene_fade_plumhelm"},
    {scene_fade_gloomfield, "scene_fade_gloomfield"}, {scene_mesh, "scene_mesh"},
    {scene_wave_floor, "scene_wave_floor"}, {scene_terrain_1, "scene_terrain_1"},
    {scene_terrain_2, "scene_terrain_2"},   {scene_terrain_3, "scene_terrain_3"},
    {scene_terrain_4, "scene_terrain_4"},   {scene_objects_1, "scene_objects_1"},
    {scene_objects_2, "scene_objects_2"},   {scene_objects_3, "scene_objects_3"},
    {scene_objects_4, "scene_objects_4"},   {scene_polygons_1, "scene_polygons_1"},
    {scene_polygons_2, "scene_polygons_2"}, {scene_polygons_3, "scene_polygons_3"},
    {scene_polygons_4, "scene_polygons_4"},
};
constexpr int k_scene_count = sizeof k_scene_names / sizeof k_scene_names[0];

TimelineEntry s_timeline[k_timeline_entries + 1];

// What one render measured.
struct Run {
    Stats entries[k_timeline_entries + 1];
    Stats scenes[k_scene_count];
    double total_s;      // the whole run, start-up included
    int ok;
    char error[200];
};
Run s_run;

int scene_index(SceneFn scene)
{
    for (int i = 0; i < k_scene_count; ++i)
        if (k_scene_names[i].scene == scene) return i;
    return -1;
}

void stats_add(Stats* s, double ms)
{
    ++s->frames;
    s->total_ms += ms;
    if (ms > s->worst_ms) s->worst_ms = ms;
}

void stats_merge(Stats* into, const Stats& from)
{
    into->frames += from.frames;
    into->total_ms += from.total_ms;
    if (from.worst_ms > into->worst_ms) into->worst_ms = from.worst_ms;
}

double stats_mean(const Stats& s)
{
    return s.frames ? s.total_ms / static_cast<double>(s.frames) : 0.0;
}

void stats_print(const char* label, const Stats& plain, const Stats& fast)
{
    if (!plain.frames && !fast.frames) return;
    const double pm = stats_mean(plain), fm = stats_mean(fast);
    std::printf("%-28s %7llu %9.3f %9.3f %9.3f %9.3f %7.2f\n", label, static_cast<unsigned long long>(fast.frames), pm,
                plain.worst_ms, fm, fast.worst_ms, fm > 0.0 ? pm / fm : 0.0);
}

int frame_count(const CaptureFrame* frame, void*)
{
    if (frame->entry < 0 || frame->entry >= k_timeline_entries) return 1;
    stats_add(&s_run.entries[frame->entry], frame->scene_ms);
    const int scene = scene_index(s_timeline[frame->entry].scene);
    if (scene >= 0) stats_add(&s_run.scenes[scene], frame->scene_ms);
    return 1;
}

// Renders the whole Timeline in a child process on the chosen paths and brings back what it
// measured; 0 when the render failed.
int render_measure(bool plain, int threads, Run* out)
{
    int fds[2];
    if (pipe(fds) != 0) return 0;
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        return 0;
    }
    if (pid == 0) {
        close(fds[0]);
        g_plain_paths = plain ? 1 : 0;
        g_threads = threads;
        CaptureConfig config = {60, 0, UINT32_MAX, UINT64_MAX, 2560, frame_count, nullptr};
        capture_configure(&config);
        const auto t0 = std::chrono::steady_clock::now();
        const int result = demo_main();
        s_run.total_s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        s_run.ok = result == 0 && capture_succeeded();
        std::snprintf(s_run.error, sizeof s_run.error, "%s", capture_error());
        const char* p = reinterpret_cast<const char*>(&s_run);
        size_t left = sizeof s_run;
        while (left > 0) {
            const ssize_t n = write(fds[1], p, left);
            if (n <= 0 && errno != EINTR) _exit(1);
            if (n > 0) {
                p += n;
                left -= static_cast<size_t>(n);
            }
        }
        _exit(0);
    }
    close(fds[1]);
    char* p = reinterpret_cast<char*>(out);
    size_t got = 0;
    while (got < sizeof *out) {
        const ssize_t n = read(fds[0], p + got, sizeof *out - got);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            break;
        }
        got += static_cast<size_t>(n);
    }
    close(fds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (got != sizeof *out) {
        std::snprintf(out->error, sizeof out->error, "the render stopped early");
        out->ok = 0;
    }
    return out->ok;
}

double copy_floor_ms()
{
    const size_t bytes = static_cast<size_t>(k_frame_row_bytes) * k_frame_height;
    char* a = static_cast<char*>(std::malloc(bytes));
    char* b = static_cast<char*>(std::malloc(bytes));
    std::memset(a, 1, bytes);
    std::memset(b, 2, bytes);
    const int rounds = 2000;
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i) {
        std::memcpy(i & 1 ? a : b, i & 1 ? b : a, bytes);
        asm volatile("" : : "r"(a), "r"(b) : "memory");
    }
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    std::free(a);
    std::free(b);
    return ms / rounds;
}

const char k_usage[] =
    "usage: quorvelle-bench [--threads N] [--rounds N]\n"
    "Renders the whole script at 60 fps on the plain drawing paths and on the fast ones and prints\n"
    "the mean and worst milliseconds per frame of both, per Timeline entry and per scene, with the\n"
    "ratio plain / fast, and the whole render's frames per second.\n"
    "  --threads N   threads for the fast paths (1 to 8, default: every core, at most 8); the plain\n"
    "                paths use one\n"
    "  --rounds N    renders of each kind, alternating, summed into one table (1 to 20, default 1)\n"
    "QUORVELLE_SSE2=1 in the environment keeps the fast paths off their AVX2 twins.\n";

bool count_parse(const char* text, int max, int* out)
{
    if (!text || *text < '0' || *text > '9') return false;
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (*end || v < 1 || v > max) return false;
    *out = static_cast<int>(v);
    return true;
}

// The whole render: frames, and frames per second of the scenes' own time and of the wall clock.
void whole_print(const char* label, const Run& run)
{
    uint64_t frames = 0;
    double ms = 0.0;
    for (int i = 0; i < k_timeline_entries; ++i) {
        frames += run.entries[i].frames;
        ms += run.entries[i].total_ms;
    }
    std::printf("whole render, %-5s %llu frames: %.1f frames per second of drawing (%.3f ms a frame); "
                "%.1f with start-up and frame loop\n",
                label, static_cast<unsigned long long>(frames), ms > 0.0 ? frames * 1000.0 / ms : 0.0,
                frames ? ms / static_cast<double>(frames) : 0.0,
                run.total_s > 0.0 ? static_cast<double>(frames) / run.total_s : 0.0);
}

}  // namespace

int main(int argc, char** argv)
{
    g_program_name = "quorvelle-bench";
    int threads = band_threads_all();
    int rounds = 1;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        const char* value = nullptr;
        const size_t equals = arg.find('=');
        if (arg.compare(0, 2, "--") == 0 && equals != std::string::npos) {
            value = argv[i] + equals + 1;
            arg.resize(equals);
        }
        if (arg == "--help" || arg == "-h") {
            std::fputs(k_usage, stdout);
            return 0;
        }
        if (arg != "--threads" && arg != "--rounds") {
            std::fprintf(stderr, "quorvelle-bench: unknown option %s\n%s", argv[i], k_usage);
            return 2;
        }
        if (!value && i + 1 < argc) value = argv[++i];
        const int max = arg == "--threads" ? 8 : 20;
        if (!count_parse(value, max, arg == "--threads" ? &threads : &rounds)) {
            std::fprintf(stderr, "quorvelle-bench: bad value for %s (1 to %d)\n%s", arg.c_str(), max, k_usage);
            return 2;
        }
    }
    timeline_build(s_timeline);
    // QUORVELLE_SSE2=1 measures the fast paths without their AVX2 twins.
    render_paths_from_environment();
    g_plain_paths = 0;

    // Plain and fast alternate, so that a machine that gets busier part-way hurts both alike.
    static Run plain, fast, run;
    for (int round = 0; round < rounds; ++round) {
        for (int k = 0; k < 2; ++k) {
            const bool is_plain = (k == 0) == (round % 2 == 0);
            std::memset(&run, 0, sizeof run);
            if (!render_measure(is_plain, is_plain ? 1 : threads, &run)) {
                std::fprintf(stderr, "quorvelle-bench: the render failed%s%s\n", run.error[0] ? ": " : "", run.error);
                return 1;
            }
            Run& into = is_plain ? plain : fast;
            for (int i = 0; i <= k_timeline_entries; ++i) stats_merge(&into.entries[i], run.entries[i]);
            for (int i = 0; i < k_scene_count; ++i) stats_merge(&into.scenes[i], run.scenes[i]);
            into.total_s += run.total_s;
        }
    }

    std::printf("plain paths on 1 thread, fast paths on %d thread%s (%s); %d render%s of each\n\n", threads,
                threads == 1 ? "" : "s", g_avx2_paths ? "AVX2 where it has a twin, else SSE2" : "SSE2", rounds,
                rounds == 1 ? "" : "s");
    const char* head = "%-28s %7s %9s %9s %9s %9s %7s\n";
    std::printf(head, "entry", "frames", "plain ms", "worst", "fast ms", "worst", "ratio");
    for (int i = 0; i < k_timeline_entries; ++i) {
        const int scene = scene_index(s_timeline[i].scene);
        char label[64];
        std::snprintf(label, sizeof label, "%2d %s", i, scene >= 0 ? k_scene_names[scene].name : "?");
        stats_print(label, plain.entries[i], fast.entries[i]);
    }
    std::printf("\n");
    std::printf(head, "scene", "frames", "plain ms", "worst", "fast ms", "worst", "ratio");
    for (int i = 0; i < k_scene_count; ++i) stats_print(k_scene_names[i].name, plain.scenes[i], fast.scenes[i]);
    std::printf("\n");
    whole_print("plain", plain);
    whole_print("fast", fast);
    double plain_ms = 0.0, fast_ms = 0.0;
    for (int i = 0; i < k_timeline_entries; ++i) {
        plain_ms += plain.entries[i].total_ms;
        fast_ms += fast.entries[i].total_ms;
    }
    std::printf("whole render, plain / fast: %.2f times as fast\n", fast_ms > 0.0 ? plain_ms / fast_ms : 0.0);
    std::printf("floor: one 512x384x4 memcpy takes %.3f ms\n", copy_floor_ms());
    return 0;
}
