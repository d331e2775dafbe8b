// The raw picture loaders, the fade-picture record, the name list and the two start-up preparations
// of the flat scenes (pictures and fuzzy balls) with the globals they fill.
#pragma once
#include <cstdint>

struct Image;
struct Surface;

// A picture fading towards its backdrop; level 0 shows the backdrop only, 255 the picture only.
struct FadePicture {
    Image* picture;
    Image* backdrop;
    float level;
};

// Headerless 32-bit picture (little-endian 0x00RRGGBB words); null, after one line naming the file
// and the reason, when it is no regular file of at least width * height * 4 bytes. Bytes past the
// picture are ignored.
Image* picture_load_rgb(const char* path, int width, int height);
// Headerless 8-bit grey picture, each byte v stored as v * 0x01010101; null as above when the file
// holds fewer than width * height bytes.
Image* picture_load_grey(const char* path, int width, int height);
// Zero-filled record with the two pointers set and level 0.0, or null.
FadePicture* fade_picture_create(Image* picture, Image* backdrop);

// Names, the shared black backdrop and the three fade pictures. Returns 1, or 0 at the first failure.
int pictures_prepare();
// The row table, the three 512 x 384 work Surfaces and the fuzzy-ball picture. Returns 1 or 0.
int fuzzyballs_prepare();
// Frees what fuzzyballs_prepare made; safe to call when it never ran or failed.
void fuzzyballs_release();

extern const char** g_names;   // the five names, in the order the name scenes show them
extern int32_t g_name_count;
extern int32_t g_name_index;   // the name shown now; only the strobe moves it
extern Image* g_fade_backdrop;   // 512 x 384 black, shared by the three fade pictures
extern FadePicture* g_fade_plumhelm;
extern FadePicture* g_fade_gloomfield;
extern FadePicture* g_fade_title;

extern float* g_fuzzy_table;   // 385 values, one per row and one past the last
extern Surface* g_work_surface_a;   // glow layer
extern Surface* g_work_surface_b;   // working copy of the fuzzy-ball picture
extern Surface* g_work_surface_c;   // background layer that the flat scenes draw into
extern Surface* g_fuzzyballs;   // the fuzzy-ball picture as loaded
extern uint32_t g_fuzzy_tint;
