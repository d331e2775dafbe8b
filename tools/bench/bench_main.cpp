// quorvelle-bench: renders the whole Timeline through the capture backend at 60 fps without writing
// frames and prints, per Timeline entry and per scene, the frames rendered and the mean and worst
// milliseconds per frame, the whole render's frames per second, and one full-frame copy as the floor.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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
Stats s_entries[k_timeline_entries + 1];
Stats s_scenes[k_scene_count];

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

void stats_print(const char* label, const Stats* s)
{
    if (!s->frames) return;
    std::printf("%-28s %7llu %9.3f %9.3f\n", label, static_cast<unsigned long long>(s->frames),
                s->total_ms / static_cast<double>(s->frames), s->worst_ms);
}

int frame_count(const CaptureFrame* frame, void*)
{
    if (frame->entry < 0 || frame->entry >= k_timeline_entries) return 1;
    stats_add(&s_entries[frame->entry], frame->scene_ms);
    const int scene = scene_index(s_timeline[frame->entry].scene);
    if (scene >= 0) stats_add(&s_scenes[scene], frame->scene_ms);
    return 1;
}

double copy_floor_ms()
{
    const size_t bytes = 512 * 384 * 4;
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

}  // namespace

int main()
{
    timeline_build(s_timeline);
    CaptureConfig config = {60, 0, UINT32_MAX, UINT64_MAX, 2560, frame_count, nullptr};
    capture_configure(&config);
    const auto t0 = std::chrono::steady_clock::now();
    const int result = demo_main();
    const double total_s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    if (result != 0 || !capture_succeeded()) {
        std::fprintf(stderr, "quorvelle-bench: the render failed%s%s\n", capture_succeeded() ? "" : ": ",
                     capture_succeeded() ? "" : capture_error());
        return 1;
    }

    std::printf("%-28s %7s %9s %9s\n", "entry", "frames", "mean ms", "worst ms");
    uint64_t frames = 0;
    for (int i = 0; i < k_timeline_entries; ++i) {
        const int scene = scene_index(s_timeline[i].scene);
        char label[64];
        std::snprintf(label, sizeof label, "%2d %s", i, scene >= 0 ? k_scene_names[scene].name : "?");
        stats_print(label, &s_entries[i]);
        frames += s_entries[i].frames;
    }
    std::printf("\n%-28s %7s %9s %9s\n", "scene", "frames", "mean ms", "worst ms");
    for (int i = 0; i < k_scene_count; ++i) stats_print(k_scene_names[i].name, &s_scenes[i]);
    std::printf("\nwhole render: %llu frames in %.2f s (start-up included): %.1f frames per second\n",
                static_cast<unsigned long long>(frames), total_s, static_cast<double>(frames) / total_s);
    std::printf("floor: one 512x384x4 memcpy takes %.3f ms\n", copy_floor_ms());
    return 0;
}
