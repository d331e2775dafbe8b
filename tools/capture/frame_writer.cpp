// Frame destinations of the capture tool.
#include "frame_writer.h"

#include <png.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cerrno>
#include <cinttypes>
#include <cstdlib>
#include <cstring>

#include "display/surface.h"

namespace {

std::string frame_file(const FrameWriter* writer, uint64_t index, const char* ext)
{
    char name[64];
    std::snprintf(name, sizeof name, "/frame_%06" PRIu64 ".%s", index, ext);
    return writer->path + name;
}

void row_to_rgb(const uint32_t* row, int width, uint8_t* out)
{
    for (int x = 0; x < width; ++x) {
        out[3 * x] = static_cast<uint8_t>(row[x] >> 16);
        out[3 * x + 1] = static_cast<uint8_t>(row[x] >> 8);
        out[3 * x + 2] = static_cast<uint8_t>(row[x]);
    }
}

int png_write(FrameWriter* writer, const Surface* frame, const std::string& file)
{
    FILE* f = std::fopen(file.c_str(), "wb");
    if (!f) return 0;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, info ? &info : nullptr);
        std::fclose(f);
        return 0;
    }
    png_init_io(png, f);
    png_set_compression_level(png, 3);
    png_set_IHDR(png, info, frame->width, frame->height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < frame->height; ++y) {
        row_to_rgb(surface_row(frame, y), frame->width, writer->row_buffer);
        png_write_row(png, writer->row_buffer);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0;
}

int ppm_write(FrameWriter* writer, const Surface* frame, const std::string& file)
{
    FILE* f = std::fopen(file.c_str(), "wb");
    if (!f) return 0;
    std::fprintf(f, "P6\n%d %d\n255\n", frame->width, frame->height);
    bool ok = true;
    for (int y = 0; y < frame->height && ok; ++y) {
        row_to_rgb(surface_row(frame, y), frame->width, writer->row_buffer);
        ok = std::fwrite(writer->row_buffer, 3, frame->width, f) == static_cast<size_t>(frame->width);
    }
    return (std::fclose(f) == 0) && ok;
}

std::string shell_quote(const std::string& s)
{
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

}  // namespace

uint64_t frame_hash(const Surface* frame)
{
    uint64_t h = 0xcbf29ce484222325ull;
    for (int y = 0; y < frame->height; ++y) {
        const uint32_t* row = surface_row(frame, y);
        for (int x = 0; x < frame->width; ++x) {
            for (int b = 0; b < 32; b += 8) {
                h ^= (row[x] >> b) & 0xFF;
                h *= 0x100000001b3ull;
            }
        }
    }
    return h;
}

int frame_writer_open(FrameWriter* writer, FrameFormat format, const std::string& path, int fps,
                      const std::string& music, uint32_t audio_from_ms, std::string* error)
{
    writer->format = format;
    writer->path = path;
    writer->out = nullptr;
    writer->row_buffer = static_cast<uint8_t*>(std::malloc(512 * 4));
    if (!writer->row_buffer) {
        *error = "out of memory";
        return 0;
    }
    switch (format) {
    case FRAME_PNG:
    case FRAME_PPM:
        if (mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) {
            *error = "cannot create the directory " + path + ": " + std::strerror(errno);
            return 0;
        }
        return 1;
    case FRAME_HASH:
        writer->out = path == "-" ? stdout : std::fopen(path.c_str(), "w");
        if (!writer->out) *error = "cannot write " + path + ": " + std::strerror(errno);
        return writer->out != nullptr;
    case FRAME_MP4: {
        char video[160];
        std::snprintf(video, sizeof video,
                      "ffmpeg -hide_banner -loglevel error -nostdin -y -f rawvideo -pix_fmt bgr0 -s 512x384 "
                      "-framerate %d -i -",
                      fps);
        std::string cmd = video;
        if (!music.empty()) {
            char seek[64];
            std::snprintf(seek, sizeof seek, " -ss %u.%03u -i ", audio_from_ms / 1000, audio_from_ms % 1000);
            cmd += seek + shell_quote(music) + " -map 0:v -map 1:a -c:a aac -b:a 192k -shortest";
        }
        cmd += " -c:v libx264 -preset medium -crf 16 -pix_fmt yuv420p -movflags +faststart " + shell_quote(path);
        writer->out = popen(cmd.c_str(), "w");
        if (!writer->out) *error = "cannot start ffmpeg";
        return writer->out != nullptr;
    }
    }
    return 0;
}

int frame_writer_write(FrameWriter* writer, const Surface* frame, uint64_t index, int entry, uint32_t t_ms)
{
    switch (writer->format) {
    case FRAME_PNG:
        return png_write(writer, frame, frame_file(writer, index, "png"));
    case FRAME_PPM:
        return ppm_write(writer, frame, frame_file(writer, index, "ppm"));
    case FRAME_HASH:
        return std::fprintf(writer->out, "%06" PRIu64 " %016" PRIx64 " %d %u\n", index, frame_hash(frame), entry,
                            t_ms) > 0;
    case FRAME_MP4:
        for (int y = 0; y < frame->height; ++y) {
            if (std::fwrite(surface_row(frame, y), 4, frame->width, writer->out) != static_cast<size_t>(frame->width))
                return 0;
        }
        return 1;
    }
    return 0;
}

int frame_writer_close(FrameWriter* writer)
{
    int ok = 1;
    if (writer->format == FRAME_MP4 && writer->out) {
        const int status = pclose(writer->out);
        ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    } else if (writer->out && writer->out != stdout) {
        ok = std::fclose(writer->out) == 0;
    } else if (writer->out) {
        ok = std::fflush(writer->out) == 0;
    }
    writer->out = nullptr;
    std::free(writer->row_buffer);
    writer->row_buffer = nullptr;
    return ok;
}
