// Raw picture loading and the preparations that load the flat scenes' pictures and buffers.
#include "draw2d/pictures.h"

#include <cstdio>
#include <cstdlib>

#include "base/data_file.h"
#include "display/frame_size.h"
#include "display/surface.h"

const char** g_names = nullptr;
int32_t g_name_count = 0;
int32_t g_name_index = 0;
Image* g_fade_backdrop = nullptr;
FadePicture* g_fade_plumhelm = nullptr;
FadePicture* g_fade_gloomfield = nullptr;
FadePicture* g_fade_title = nullptr;

float* g_fuzzy_table = nullptr;
Surface* g_work_surface_a = nullptr;
Surface* g_work_surface_b = nullptr;
Surface* g_work_surface_c = nullptr;
Surface* g_fuzzyballs = nullptr;
uint32_t g_fuzzy_tint = 0;

namespace {

constexpr int k_fuzzy_table_size = 385;
// Bytes past a picture are ignored, but a file this large is no picture of ours.
constexpr long long k_picture_max_bytes = 1ll << 30;

// Each letter is followed by one space inside a name; the fourth has three between its words.
const char* const k_names[] = {"v o s k", "p l o n k e r t o d", "z e p t", "w i b b l e   q",
                               "m a r r o w v a l e"};

void fade_picture_free(FadePicture*& fade)
{
    if (!fade) return;
    image_free(fade->picture);
    std::free(fade);
    fade = nullptr;
}

// A second run of pictures_prepare (the tests) replaces what the first one made.
void pictures_free()
{
    fade_picture_free(g_fade_plumhelm);
    fade_picture_free(g_fade_gloomfield);
    fade_picture_free(g_fade_title);
    image_free(g_fade_backdrop);
    g_fade_backdrop = nullptr;
    std::free(g_names);
    g_names = nullptr;
}

// The picture is made before the record, so a failed record would lose it: free it then.
FadePicture* fade_picture_make(Image* picture)
{
    if (!picture) return nullptr;
    FadePicture* fade = fade_picture_create(picture, g_fade_backdrop);
    if (!fade) image_free(picture);
    return fade;
}

// A zero-filled Image and its file opened for reading, which holds at least `bytes` bytes; nothing
// is left allocated on failure.
Image* picture_begin(const char* path, int width, int height, size_t bytes, std::FILE** f)
{
    Image* img = image_create(width, height);
    if (!img) return nullptr;
    *f = data_file_open(path, static_cast<long long>(bytes), k_picture_max_bytes);
    if (!*f) {
        image_free(img);
        return nullptr;
    }
    return img;
}

// Closes the file; frees the picture and returns null when reading it failed.
Image* picture_end(Image* img, std::FILE* f, int read)
{
    std::fclose(f);
    if (read) return img;
    image_free(img);
    return nullptr;
}

}  // namespace

Image* picture_load_rgb(const char* path, int width, int height)
{
    const size_t bytes = static_cast<size_t>(width) * height * 4;
    std::FILE* f = nullptr;
    Image* img = picture_begin(path, width, height, bytes, &f);
    if (!img) return nullptr;
    // The file's words are little-endian like ours.
    return picture_end(img, f, data_file_read(f, path, img->pixels, bytes));
}

Image* picture_load_grey(const char* path, int width, int height)
{
    const size_t count = static_cast<size_t>(width) * height;
    std::FILE* f = nullptr;
    Image* img = picture_begin(path, width, height, count, &f);
    if (!img) return nullptr;
    // The bytes land at the start of the pixels and are widened from the last one back, so that
    // each is read before a wider pixel covers it.
    uint8_t* bytes = reinterpret_cast<uint8_t*>(img->pixels);
    const int read = data_file_read(f, path, bytes, count);
    for (size_t i = count; read && i-- > 0;) img->pixels[i] = static_cast<uint32_t>(bytes[i]) * 0x01010101u;
    return picture_end(img, f, read);
}

FadePicture* fade_picture_create(Image* picture, Image* backdrop)
{
    FadePicture* fade = static_cast<FadePicture*>(std::calloc(1, sizeof(FadePicture)));
    if (!fade) return nullptr;
    fade->picture = picture;
    fade->backdrop = backdrop;
    fade->level = 0.0f;
    return fade;
}

int pictures_prepare()
{
    pictures_free();
    g_name_count = 5;
    g_name_index = 0;
    g_names = static_cast<const char**>(std::malloc(sizeof(const char*) * g_name_count));
    if (!g_names) return 0;
    for (int i = 0; i < g_name_count; ++i) g_names[i] = k_names[i];

    g_fade_backdrop = image_create(k_frame_width, k_frame_height);
    if (!g_fade_backdrop) return 0;
    g_fade_plumhelm = fade_picture_make(picture_load_grey("./data/plumhelm234x257.raw", 234, 257));
    if (!g_fade_plumhelm) return 0;
    g_fade_gloomfield = fade_picture_make(picture_load_grey("./data/gloomfield97x73.raw", 97, 73));
    if (!g_fade_gloomfield) return 0;
    g_fade_title = fade_picture_make(picture_load_rgb("./data/marrowvale512x384x32.raw", 512, 384));
    return g_fade_title ? 1 : 0;
}

int fuzzyballs_prepare()
{
    fuzzyballs_release();
    g_fuzzy_table = static_cast<float*>(std::calloc(k_fuzzy_table_size, sizeof(float)));
    if (!g_fuzzy_table) return 0;
    if (!(g_work_surface_a = surface_create(k_frame_width, k_frame_height))) return 0;
    if (!(g_work_surface_b = surface_create(k_frame_width, k_frame_height))) return 0;
    if (!(g_work_surface_c = surface_create(k_frame_width, k_frame_height))) return 0;
    if (!(g_fuzzyballs = surface_create(k_frame_width, k_frame_height))) return 0;

    const char* path = "./data/fuzzyballs512x384x32.raw";
    const size_t bytes = static_cast<size_t>(k_frame_width) * k_frame_height * 4;
    std::FILE* f = data_file_open(path, static_cast<long long>(bytes), k_picture_max_bytes);
    if (!f) return 0;
    // The Surface's pitch is exactly 2048, so the file's rows land on its rows in one read.
    const int read = data_file_read(f, path, g_fuzzyballs->pixels, bytes);
    std::fclose(f);
    if (!read) return 0;

    g_fuzzy_tint = 0xFFFF8000u;
    return 1;
}

void fuzzyballs_release()
{
    std::free(g_fuzzy_table);
    g_fuzzy_table = nullptr;
    surface_free(g_work_surface_a);
    surface_free(g_work_surface_b);
    surface_free(g_work_surface_c);
    surface_free(g_fuzzyballs);
    g_work_surface_a = g_work_surface_b = g_work_surface_c = g_fuzzyballs = nullptr;
}
