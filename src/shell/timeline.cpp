// The Timeline table.
#include "shell/timeline.h"

#include "shell/scene_list.h"

namespace {

const TimelineEntry k_timeline[k_timeline_entries + 1] = {
    {scene_static_flicker, 1217},   //  0
    {scene_black, 3036},
    {scene_static_flicker, 4185},
    {scene_black, 6024},
    {scene_name_strobe, 7194},
    {scene_name_fade, 9051},        //  5
    {scene_name_strobe, 10225},
    {scene_name_fade, 12049},
    {scene_name_strobe, 13189},
    {scene_name_fade, 15018},
    {scene_name_strobe, 16167},     // 10
    {scene_name_fade, 18030},
    {scene_name_strobe, 19215},
    {scene_name_fade, 21025},
    {scene_polygons_2, 22141},
    {scene_black, 24038},           // 15
    {scene_objects_1, 25192},
    {scene_black, 27068},
    {scene_mesh, 28223},
    {scene_black, 29979},
    {scene_static_flicker, 31159},  // 20
    {scene_black, 33013},
    {scene_objects_3, 34194},
    {scene_black, 36013},
    {scene_objects_1, 37159},
    {scene_black, 39000},           // 25
    {scene_objects_3, 40181},
    {scene_black, 41973},
    {scene_polygons_4, 43109},      // 28: 21 short polygon entries begin
    {scene_polygons_4, 43450},
    {scene_polygons_4, 43785},      // 30
    {scene_polygons_4, 44150},
    {scene_polygons_4, 44505},
    {scene_polygons_4, 44823},
    {scene_polygons_4, 45191},
    {scene_polygons_4, 45550},      // 35
    {scene_polygons_4, 45921},
    {scene_polygons_4, 46271},
    {scene_polygons_4, 46620},
    {scene_polygons_4, 46985},
    {scene_polygons_4, 47318},      // 40
    {scene_polygons_4, 47670},
    {scene_polygons_4, 48028},
    {scene_polygons_4, 48382},
    {scene_polygons_4, 48736},
    {scene_polygons_4, 49091},      // 45
    {scene_polygons_4, 49450},
    {scene_polygons_4, 49809},
    {scene_polygons_4, 50161},
    {scene_black, 51963},
    {scene_wave_floor, 63963},      // 50
    {scene_terrain_1, 65463},
    {scene_terrain_2, 66963},
    {scene_terrain_3, 75948},
    {scene_terrain_4, 87948},
    {scene_polygons_3, 99948},      // 55
    {scene_static, 101216},
    {scene_black, 102941},
    {scene_objects_4, 104066},
    {scene_black, 105931},
    {scene_static_flicker, 107056}, // 60
    {scene_black, 108929},
    {scene_objects_3, 110049},
    {scene_black, 111928},
    {scene_static, 113078},
    {scene_black, 114957},          // 65
    {scene_polygons_2, 116081},
    {scene_black, 117919},
    {scene_objects_4, 119039},
    {scene_black, 120926},
    {scene_polygons_2, 122042},     // 70
    {scene_black, 122558},
    {scene_fade_plumhelm, 123956},
    {scene_objects_2, 147943},
    {scene_mesh, 159943},
    {scene_objects_4, 171965},      // 75
    {scene_static_flicker, 173082},
    {scene_black, 174885},
    {scene_static_flicker, 176073},
    {scene_black, 177903},
    {scene_static_flicker, 179025}, // 80
    {scene_black, 180880},
    {scene_fade_plumhelm, 181005},  // 82: nine entries of about 125 ms
    {scene_terrain_3, 181130},
    {scene_static, 181255},
    {scene_polygons_1, 181380},     // 85
    {scene_fade_plumhelm, 181505},
    {scene_static, 181630},
    {scene_static, 181755},
    {scene_terrain_3, 181880},
    {scene_static, 182004},         // 90: 124 ms, not 125
    {scene_fade_gloomfield, 183981},
    {nullptr, 0},                   // terminator
};

}  // namespace

void timeline_build(TimelineEntry* out)
{
    for (int i = 0; i <= k_timeline_entries; ++i) out[i] = k_timeline[i];
}
