// Frame destinations of the capture tool.
#include "frame_writer.h"

#include <sys/stat.h>
#include <unistd.h>
#ifdef _WIN32
#include <windows.h>

#include "platform/win_png.h"
#else
#include <fcntl.h>
#include <png.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#endif

#include <cerrno>
#include <cinttypes>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "display/flash_filter.h"
#include "display/frame_size.h"
#include "display/surface.h"
#include "flash_report.h"

namespace {

std::string frame_file(const FrameWriter* writer, uint64_t index, const char* ext)
{
    char name[64];
    std::snprintf(name, sizeof name, "/frame_%06" PRIu64 ".%s", index, ext);
    return writer->path + name;
}

// One frame row as RGB bytes, each pixel repeated `scale` times.
void row_to_rgb(const uint32_t* row, int width, int scale, uint8_t* out)
{
    for (int x = 0; x < width; ++x) {
        for (int i = 0; i < scale; ++i, out += 3) {
            out[0] = static_cast<uint8_t>(row[x] >> 16);
            out[1] = static_cast<uint8_t>(row[x] >> 8);
            out[2] = static_cast<uint8_t>(row[x]);
        }
    }
}

// One frame row as 32-bit words, each pixel repeated `scale` times.
void row_widen(const uint32_t* row, int width, int scale, uint32_t* out)
{
    for (int x = 0; x < width; ++x)
        for (int i = 0; i < scale; ++i) *out++ = row[x];
}

int write_failed(FrameWriter* writer, const std::string& file, int error_number)
{
    writer->error = "writing " + file + " failed: " + std::strerror(error_number);
    return 0;
}

// Beside the file, so that the rename that completes it stays within one folder.
std::string temp_name(const std::string& path)
{
    return path + "." + std::to_string(static_cast<long>(getpid())) + ".part";
}

// Gives the complete temporary file its own name, in place of any earlier file of that name; the
// temporary file goes when that fails.
int file_complete(FrameWriter* writer, const std::string& temp, const std::string& file)
{
#ifdef _WIN32
    if (MoveFileExA(temp.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING)) return 1;
    const int error_number = EACCES;
#else
    if (std::rename(temp.c_str(), file.c_str()) == 0) return 1;
    const int error_number = errno;
#endif
    std::remove(temp.c_str());
    return write_failed(writer, file, error_number);
}

#ifdef _WIN32
// Windows has no libpng here: its own imaging component writes the file.
int png_write(FrameWriter* writer, const Surface* frame, const std::string& temp, const std::string& file)
{
    return win_png_write(temp.c_str(), frame, writer->scale) ? 1 : write_failed(writer, file, errno);
}
#else
// libpng's own complaint would be a second line: the failure is said once, with its reason.
void png_failed(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

int png_write(FrameWriter* writer, const Surface* frame, const std::string& temp, const std::string& file)
{
    FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f) return write_failed(writer, file, errno);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, png_failed, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info || setjmp(png_jmpbuf(png))) {
        const int error_number = errno ? errno : EIO;
        png_destroy_write_struct(&png, info ? &info : nullptr);
        std::fclose(f);
        return write_failed(writer, file, error_number);
    }
    const int s = writer->scale;
    png_init_io(png, f);
    png_set_compression_level(png, 3);
    png_set_IHDR(png, info, frame->width * s, frame->height * s, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < frame->height; ++y) {
        row_to_rgb(surface_row(frame, y), frame->width, s, writer->row_buffer);
        for (int i = 0; i < s; ++i) png_write_row(png, writer->row_buffer);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (std::fclose(f) != 0) return write_failed(writer, file, errno);
    return 1;
}
#endif

int ppm_write(FrameWriter* writer, const Surface* frame, const std::string& temp, const std::string& file)
{
    FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f) return write_failed(writer, file, errno);
    const int s = writer->scale;
    const size_t row_bytes = static_cast<size_t>(frame->width) * s * 3;
    std::fprintf(f, "P6\n%d %d\n255\n", frame->width * s, frame->height * s);
    bool ok = true;
    for (int y = 0; y < frame->height && ok; ++y) {
        row_to_rgb(surface_row(frame, y), frame->width, s, writer->row_buffer);
        for (int i = 0; i < s && ok; ++i) ok = std::fwrite(writer->row_buffer, 1, row_bytes, f) == row_bytes;
    }
    const int error_number = errno;
    if (std::fclose(f) != 0 || !ok) return write_failed(writer, file, ok ? errno : error_number);
    return 1;
}

// One picture under its temporary name, then renamed; nothing is left of a failed one.
int picture_write(FrameWriter* writer, const Surface* frame, uint64_t index)
{
    const bool png = writer->format == FRAME_PNG;
    const std::string file = frame_file(writer, index, png ? "png" : "ppm");
    const std::string temp = temp_name(file);
    if ((png ? png_write : ppm_write)(writer, frame, temp, file)) return file_complete(writer, temp, file);
    std::remove(temp.c_str());
    return 0;
}

#ifdef _WIN32
std::string shell_quote(const std::string& s)
{
    return "\"" + s + "\"";   // cmd.exe; a Windows path holds no double quote
}
#endif

// The folder a file goes into: "." for a bare name; trailing slashes do not count.
std::string parent_folder(std::string path)
{
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Checks that `folder` exists and takes new files; says why not in `error`.
bool folder_writable(const std::string& folder, const std::string& path, std::string* error)
{
    struct stat st;
    if (stat(folder.c_str(), &st) != 0) {
        *error = "cannot write " + path + ": " +
                 (errno == ENOENT ? "the folder " + folder + " does not exist" : std::string(std::strerror(errno)));
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        *error = "cannot write " + path + ": " + folder + " is not a folder";
        return false;
    }
    if (access(folder.c_str(), W_OK | X_OK) != 0) {
        *error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool ends_with_slash(const std::string& path)
{
    return !path.empty() && path.back() == '/';
}

// Pictures go into a folder of their own, made when missing; its parent must be there.
bool picture_folder_open(const std::string& path, std::string* error)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0 && errno != ENOENT && errno != ENOTDIR) {
        *error = "cannot write pictures into " + path + ": " + std::strerror(errno);
        return false;
    }
    if (stat(path.c_str(), &st) == 0) {
        if (!S_ISDIR(st.st_mode)) {
            *error = "cannot write pictures into " + path + ": it is a file, not a folder";
            return false;
        }
        if (access(path.c_str(), W_OK | X_OK) != 0) {
            *error = "cannot write pictures into " + path + ": " + std::strerror(errno);
            return false;
        }
        return true;
    }
    if (!folder_writable(parent_folder(path), path, error)) return false;
#ifdef _WIN32
    const int made = mkdir(path.c_str());
#else
    const int made = mkdir(path.c_str(), 0777);
#endif
    if (made != 0) {
        *error = "cannot create the folder " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

// A file the tool writes itself or through ffmpeg: its folder must take it, and it must not be a
// folder. Its temporary file is made here, so that a refusal shows now rather than after the
// render; the file itself is not touched until the output is complete.
bool output_file_open(FrameWriter* writer, const char* what, std::string* error)
{
    const std::string& path = writer->path;
    struct stat st;
    if (ends_with_slash(path) || (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))) {
        *error = "cannot write " + path + ": it names a folder, and " + what + " is a file";
        return false;
    }
    if (!folder_writable(parent_folder(path), path, error)) return false;
    writer->temp = temp_name(path);
    const bool text = writer->format == FRAME_HASH || writer->format == FRAME_FLASHES;
    FILE* f = std::fopen(writer->temp.c_str(), text ? "w" : "wb");
    if (!f) {
        *error = "cannot write " + path + ": " + std::strerror(errno);
        writer->temp.clear();
        return false;
    }
    if (text) writer->out = f;
    else std::fclose(f);
    return true;
}

bool program_on_path(const char* name)
{
    const char* path = std::getenv("PATH");
#ifdef _WIN32
    const std::string dirs = path ? path : "";
    const char separator = ';';
    const std::string file = std::string(name) + ".exe";
#else
    std::string dirs = path ? path : "/usr/bin:/bin";
    const char separator = ':';
    const std::string file = name;
#endif
    size_t pos = 0;
    while (pos <= dirs.size()) {
        size_t colon = dirs.find(separator, pos);
        if (colon == std::string::npos) colon = dirs.size();
        const std::string dir = colon > pos ? dirs.substr(pos, colon - pos) : ".";
        if (access((dir + "/" + file).c_str(), X_OK) == 0) return true;
        pos = colon + 1;
    }
    return false;
}

// H.264 High profile in yuv420p with AAC sound and the index at the front: what browsers and the
// common players take. The conversion from RGB uses the BT.709 matrix and says so in the stream.
// The sound goes on as silence where the music ends first, and the video's end ends it. Names go
// as file: URLs, so that one beginning with '-' or holding ':' is never read as anything else.
std::vector<std::string> ffmpeg_arguments(const FrameWriter* writer, int fps, const std::string& music,
                                          uint64_t audio_from_us)
{
    char size[32], seek[64];
    std::snprintf(size, sizeof size, "%dx%d", k_frame_width * writer->scale, k_frame_height * writer->scale);
    std::snprintf(seek, sizeof seek, "%" PRIu64 ".%06" PRIu64, audio_from_us / 1000000, audio_from_us % 1000000);
    std::vector<std::string> args = {"ffmpeg", "-hide_banner", "-loglevel", "error", "-nostdin", "-y",
                                     "-f", "rawvideo", "-pix_fmt", "bgr0", "-s", size, "-framerate",
                                     std::to_string(fps), "-i", "-"};
    if (!music.empty())
        args.insert(args.end(), {"-ss", seek, "-i", "file:" + music, "-map", "0:v", "-map", "1:a", "-c:a", "aac",
                                 "-b:a", "192k", "-af", "apad", "-shortest"});
    args.insert(args.end(), {"-vf", "scale=out_color_matrix=bt709:out_range=tv,format=yuv420p", "-c:v", "libx264",
                             "-preset", "medium", "-crf", "16", "-profile:v", "high", "-pix_fmt", "yuv420p",
                             "-colorspace", "bt709", "-color_primaries", "bt709", "-color_trc", "bt709",
                             "-color_range", "tv", "-movflags", "+faststart", "-f", "mp4", "file:" + writer->temp});
    return args;
}

#ifdef _WIN32
int ffmpeg_start(FrameWriter* writer, const std::vector<std::string>& args, std::string* error)
{
    // The program's name stays bare: cmd.exe strips the quotes of a line that begins with one.
    std::string command = args[0];
    for (size_t i = 1; i < args.size(); ++i) command += " " + shell_quote(args[i]);
    writer->out = popen(command.c_str(), "wb");
    if (!writer->out) *error = "cannot start ffmpeg: " + std::string(std::strerror(errno));
    return writer->out != nullptr;
}
#else
// ffmpeg reads the frames from a pipe. It runs in a process group of its own, so that a Ctrl-C
// meant for the capture reaches the capture alone, which then ends it; and it dies with the
// capture, however that ends.
int ffmpeg_start(FrameWriter* writer, const std::vector<std::string>& args, std::string* error)
{
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        *error = "cannot start ffmpeg: " + std::string(std::strerror(errno));
        return 0;
    }
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0);
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(127);
        dup2(fds[0], 0);
        signal(SIGPIPE, SIG_DFL);
        signal(SIGXFSZ, SIG_DFL);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(fds[0]);
    if (pid < 0) {
        close(fds[1]);
        *error = "cannot start ffmpeg: " + std::string(std::strerror(errno));
        return 0;
    }
    writer->ffmpeg = pid;
    writer->out = fdopen(fds[1], "w");
    return writer->out != nullptr;
}
#endif

// Ends the encoder: with `complete` it finishes the video from the frames it has; otherwise it is
// stopped at once. Returns 1 when it finished the video.
int ffmpeg_end(FrameWriter* writer, bool complete)
{
#ifdef _WIN32
    (void)complete;   // the temporary video goes afterwards when incomplete
    return pclose(writer->out) == 0;
#else
    if (!complete) kill(static_cast<pid_t>(writer->ffmpeg), SIGKILL);
    if (writer->out) std::fclose(writer->out);
    int status = 0;
    while (waitpid(static_cast<pid_t>(writer->ffmpeg), &status, 0) < 0 && errno == EINTR) {
    }
    writer->ffmpeg = 0;
    return complete && WIFEXITED(status) && WEXITSTATUS(status) == 0;
#endif
}

// The flash report's counts; unless the run filters its frames itself, a second report follows the
// same frames through the reduced-flashing filter.
void flashes_begin(FrameWriter* writer)
{
    writer->flashes = new FlashReport();
    if (g_reduce_flashing) return;
    writer->flashes_reduced = new FlashReport();
    writer->reduced_pixels =
        static_cast<uint32_t*>(std::malloc(sizeof(uint32_t) * k_frame_width * k_frame_height));
}

void flashes_add(FrameWriter* writer, const Surface* frame, uint32_t t_ms)
{
    flash_report_add(writer->flashes, frame, t_ms);
    if (g_reduce_flashing) {
        writer->filtered += g_flash_filter_changed;
        return;
    }
    if (!writer->reduced_pixels || frame->width != k_frame_width || frame->height != k_frame_height) return;
    Surface copy = {writer->reduced_pixels, k_frame_width, k_frame_height, k_frame_row_bytes, 32};
    for (int y = 0; y < k_frame_height; ++y)
        std::memcpy(surface_row(&copy, y), surface_row(frame, y), k_frame_row_bytes);
    flash_filter_apply(&copy, t_ms);
    writer->filtered += g_flash_filter_changed;
    flash_report_add(writer->flashes_reduced, &copy, t_ms);
}

}  // namespace

int frame_writer_open(FrameWriter* writer, FrameFormat format, const std::string& path, int fps, int scale,
                      const std::string& music, uint64_t audio_from_us, std::string* error)
{
    writer->format = format;
    writer->path = path;
    writer->temp.clear();
    writer->scale = scale < 1 ? 1 : scale;
    writer->out = nullptr;
    writer->ffmpeg = 0;
    writer->error.clear();
    writer->flashes = nullptr;
    writer->flashes_reduced = nullptr;
    writer->reduced_pixels = nullptr;
    writer->filtered = 0;
    writer->report_path.clear();
    writer->report_temp.clear();
    writer->report_out = nullptr;
    writer->row_buffer = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(k_frame_width) * writer->scale * 4));
    if (!writer->row_buffer) {
        *error = "out of memory";
        return 0;
    }
    switch (format) {
    case FRAME_PNG:
    case FRAME_PPM:
        return picture_folder_open(path, error);
    case FRAME_HASH:
        if (path == "-") {
            writer->out = stdout;
            return 1;
        }
        return output_file_open(writer, "a hash list", error);
    case FRAME_FLASHES:
        flashes_begin(writer);
        if (path == "-") {
            writer->out = stdout;
            return 1;
        }
        return output_file_open(writer, "a flash report", error);
    case FRAME_MP4:
        if (!program_on_path("ffmpeg")) {
            *error = "cannot make " + path + ": ffmpeg, which encodes the video, is not installed";
            return 0;
        }
        if (!output_file_open(writer, "a video", error)) return 0;
        return ffmpeg_start(writer, ffmpeg_arguments(writer, fps, music, audio_from_us), error);
    }
    return 0;
}

int frame_writer_write(FrameWriter* writer, const Surface* frame, uint64_t index, int entry, uint32_t t_ms)
{
    if (writer->flashes) flashes_add(writer, frame, t_ms);
    switch (writer->format) {
    case FRAME_PNG:
    case FRAME_PPM:
        return picture_write(writer, frame, index);
    case FRAME_HASH:
        if (std::fprintf(writer->out, "%06" PRIu64 " %016" PRIx64 " %d %u\n", index, frame_hash(frame), entry, t_ms) <
            0)
            return write_failed(writer, writer->path, errno);
        return 1;
    case FRAME_FLASHES:
        return 1;
    case FRAME_MP4: {
        const int s = writer->scale;
        const size_t words = static_cast<size_t>(frame->width) * s;
        uint32_t* wide = reinterpret_cast<uint32_t*>(writer->row_buffer);
        for (int y = 0; y < frame->height; ++y) {
            const uint32_t* row = surface_row(frame, y);
            if (s > 1) row_widen(row, frame->width, s, wide);
            for (int i = 0; i < s; ++i) {
                if (std::fwrite(s > 1 ? wide : row, 4, words, writer->out) != words) {
                    writer->error = "ffmpeg stopped while encoding " + writer->path;
                    return 0;
                }
            }
        }
        return 1;
    }
    }
    return 0;
}

int frame_writer_close(FrameWriter* writer, bool complete)
{
    int ok = complete;
    if (writer->flashes) {
        FILE* report = writer->format == FRAME_FLASHES ? writer->out : writer->report_out;
        const std::string& name = writer->format == FRAME_FLASHES ? writer->path : writer->report_path;
        const std::string text = g_reduce_flashing
                                     ? flash_report_text(nullptr, writer->flashes, writer->filtered)
                                     : flash_report_text(writer->flashes, writer->flashes_reduced, writer->filtered);
        if (ok && report && std::fputs(text.c_str(), report) < 0) {
            ok = 0;
            writer->error = "writing " + name + " failed: " + std::strerror(errno);
        }
        if (writer->report_out && std::fclose(writer->report_out) != 0 && ok) {
            ok = 0;
            writer->error = "writing " + name + " failed: " + std::strerror(errno);
        }
        writer->report_out = nullptr;
        if (!writer->report_temp.empty()) {
            if (ok) ok = file_complete(writer, writer->report_temp, writer->report_path);
            else std::remove(writer->report_temp.c_str());
            writer->report_temp.clear();
        }
    }
    delete writer->flashes;
    delete writer->flashes_reduced;
    std::free(writer->reduced_pixels);
    writer->flashes = writer->flashes_reduced = nullptr;
    writer->reduced_pixels = nullptr;
    if (writer->format == FRAME_MP4 && (writer->out || writer->ffmpeg)) {
        ok = ffmpeg_end(writer, complete);
        if (complete && !ok && writer->error.empty()) writer->error = "ffmpeg failed to finish " + writer->path;
    } else if (writer->out && writer->out != stdout) {
        if (std::fclose(writer->out) != 0 && ok) {
            ok = 0;
            writer->error = "writing " + writer->path + " failed: " + std::strerror(errno);
        }
    } else if (writer->out && std::fflush(writer->out) != 0 && ok) {
        ok = 0;
        writer->error = "writing to the standard output failed: " + std::string(std::strerror(errno));
    }
    writer->out = nullptr;
    if (!writer->temp.empty()) {
        if (ok) ok = file_complete(writer, writer->temp, writer->path);
        else std::remove(writer->temp.c_str());
        writer->temp.clear();
    }
    std::free(writer->row_buffer);
    writer->row_buffer = nullptr;
    return ok;
}

int frame_writer_flashes_open(FrameWriter* writer, const std::string& path, std::string* error)
{
    struct stat st;
    if (ends_with_slash(path) || (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))) {
        *error = "cannot write " + path + ": it names a folder, and a flash report is a file";
        return 0;
    }
    if (!folder_writable(parent_folder(path), path, error)) return 0;
    writer->report_path = path;
    writer->report_temp = temp_name(path);
    writer->report_out = std::fopen(writer->report_temp.c_str(), "w");
    if (!writer->report_out) {
        *error = "cannot write " + path + ": " + std::strerror(errno);
        writer->report_temp.clear();
        return 0;
    }
    flashes_begin(writer);
    return 1;
}
