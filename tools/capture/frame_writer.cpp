// Frame destinations of the capture tool.
#include "frame_writer.h"

#include <sys/stat.h>
#include <unistd.h>
#ifdef _WIN32
#include <io.h>
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
    // Only text written in place or to the standard output goes into a pipe of the user's.
    writer->reader_gone = frame_format_text(writer->format) && error_number == EPIPE;
    return 0;
}

// Beside the file, so that the rename that completes it stays within one folder.
std::string temp_name(const std::string& path)
{
    return path + "." + std::to_string(static_cast<long>(getpid())) + ".part";
}

// Gives the complete temporary file its own name, in place of any earlier file of that name; the
// temporary file goes when that fails. `shown` is the name the user gave.
int file_complete(FrameWriter* writer, const std::string& temp, const std::string& file,
                  const std::string& shown)
{
#ifdef _WIN32
    if (MoveFileExA(temp.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING)) return 1;
    const int error_number = EACCES;
#else
    if (std::rename(temp.c_str(), file.c_str()) == 0) return 1;
    const int error_number = errno;
#endif
    std::remove(temp.c_str());
    return write_failed(writer, shown, error_number);
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
    if ((png ? png_write : ppm_write)(writer, frame, temp, file)) return file_complete(writer, temp, file, file);
    std::remove(temp.c_str());
    return 0;
}

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
    // Another capture may have made it meanwhile: a folder is a folder, whoever made it.
    if (made != 0 && !(errno == EEXIST && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))) {
        *error = "cannot create the folder " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

#ifndef _WIN32
// Where a name's chain of symbolic links ends (a name that need not exist yet), and whether it
// passes through a descriptor's own name (/dev/stdout, /proc/self/fd/1), which is no file to
// replace but the descriptor's file itself.
bool link_follow(const std::string& path, std::string* target, bool* descriptor, std::string* error)
{
    std::string name = path;
    *descriptor = false;
    int why = ELOOP;   // unless a link cannot be read
    for (int hops = 0; hops < 40; ++hops) {
        *descriptor = *descriptor || name.compare(0, 6, "/proc/") == 0 || name.compare(0, 8, "/dev/fd/") == 0;
        struct stat st;
        if (lstat(name.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            *target = name;
            return true;
        }
        // As the kernel's own rule for opening: a link in a sticky, world-writable folder (/tmp) is
        // followed only when it is the user's or the folder owner's, never one planted by another.
        struct stat folder;
        if (stat(parent_folder(name).c_str(), &folder) == 0 && (folder.st_mode & S_ISVTX) &&
            (folder.st_mode & S_IWOTH) && st.st_uid != geteuid() && st.st_uid != folder.st_uid) {
            *error = "cannot write " + path + ": " + (name == path ? std::string("it") : name) +
                     " is another user's link in a sticky folder open to all";
            return false;
        }
        std::vector<char> text(static_cast<size_t>(st.st_size > 0 ? st.st_size : 4096) + 1);
        const ssize_t n = readlink(name.c_str(), text.data(), text.size() - 1);
        if (n < 0) {
            why = errno;
            break;
        }
        const std::string to(text.data(), static_cast<size_t>(n));
        name = to[0] == '/' ? to : parent_folder(name) + "/" + to;
    }
    *error = "cannot write " + path + ": " + std::strerror(why);
    return false;
}

// A sticky folder (/tmp) lets only the owner of a file, or of the folder, replace it: found now
// rather than by the rename after the render.
bool target_replaceable(const std::string& target, const std::string& path, std::string* error)
{
    struct stat file, folder;
    const std::string parent = parent_folder(target);
    if (lstat(target.c_str(), &file) != 0 || stat(parent.c_str(), &folder) != 0) return true;
    const uid_t me = geteuid();
    if (!(folder.st_mode & S_ISVTX) || me == 0 || file.st_uid == me || folder.st_uid == me) return true;
    *error = "cannot write " + path + ": it belongs to another user, and " + parent +
             " lets only a file's owner replace it";
    return false;
}

const char* kind_name(mode_t mode)
{
    return S_ISFIFO(mode) ? "a pipe" : S_ISSOCK(mode) ? "a socket" : S_ISREG(mode) ? "a descriptor's name" : "a device";
}

// Text into a device, a pipe or a descriptor's file: opened as it is, nothing renamed. A
// pipe nobody reads yet is waited for a while, not for ever.
bool in_place_open(FrameWriter* writer, mode_t mode, std::string* error)
{
    const std::string& path = writer->path;
    if (!frame_format_text(writer->format)) {
        *error = "cannot make " + path + ": it is " + kind_name(mode) + ", and a video needs a regular file";
        return false;
    }
    // A descriptor's regular file is added to, as the shell's >> or > left it.
    const int flags = O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC | (S_ISREG(mode) ? O_APPEND : 0);
    int fd = -1;
    for (int tries = 0; tries < 100; ++tries) {
        fd = open(path.c_str(), flags);
        if (fd >= 0 || errno != ENXIO || !S_ISFIFO(mode)) break;
        const timespec step = {0, 100 * 1000 * 1000};
        nanosleep(&step, nullptr);
    }
    if (fd < 0) {
        *error = "cannot write " + path + ": " +
                 (errno == ENXIO && S_ISFIFO(mode) ? std::string("no program opened the pipe to read it within 10 s")
                                                   : std::string(std::strerror(errno)));
        return false;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    writer->out = fdopen(fd, "w");
    if (!writer->out) {
        close(fd);
        *error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}
#endif

// A file the tool writes itself or through ffmpeg: its folder must take it, and it must not be a
// folder. Its temporary file is made here, so that a refusal shows now rather than after the
// render; the file itself is not touched until the output is complete.
bool output_file_open(FrameWriter* writer, const char* what, std::string* error)
{
    const std::string& path = writer->path;
    struct stat st;
    const bool exists = stat(path.c_str(), &st) == 0;
    if (ends_with_slash(path) || (exists && S_ISDIR(st.st_mode))) {
        *error = "cannot write " + path + ": it names a folder, and " + what + " is a file";
        return false;
    }
    writer->target = path;
#ifndef _WIN32
    bool descriptor = false;
    if (!link_follow(path, &writer->target, &descriptor, error)) return false;
    if (exists && (!S_ISREG(st.st_mode) || descriptor)) return in_place_open(writer, st.st_mode, error);
    if (!folder_writable(parent_folder(writer->target), path, error)) return false;
    if (!target_replaceable(writer->target, path, error)) return false;
#else
    if (!folder_writable(parent_folder(path), path, error)) return false;
#endif
    writer->temp = temp_name(writer->target);
    FILE* f = std::fopen(writer->temp.c_str(), frame_format_text(writer->format) ? "w" : "wb");
    if (!f) {
        *error = "cannot write " + path + ": " + std::strerror(errno);
        writer->temp.clear();
        return false;
    }
    if (frame_format_text(writer->format)) writer->out = f;
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
// One argument of a Windows command line, quoted so that the C runtime reads it back unchanged.
std::string argument_quote(const std::string& arg)
{
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (const char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    return quoted.append(backslashes * 2, '\\') + "\"";
}

// A copy of a standard handle that the encoder inherits; null where the capture has none.
HANDLE handle_inheritable(DWORD which)
{
    HANDLE copy = nullptr, own = GetStdHandle(which);
    if (own && own != INVALID_HANDLE_VALUE)
        DuplicateHandle(GetCurrentProcess(), own, GetCurrentProcess(), &copy, 0, TRUE, DUPLICATE_SAME_ACCESS);
    return copy;
}

int ffmpeg_start_failed(const char* what, std::string* error)
{
    *error = std::string("cannot start ffmpeg: ") + what + " failed (Windows error " + std::to_string(GetLastError()) + ")";
    return 0;
}

// ffmpeg reads the frames from a pipe. It runs in a process group of its own, so that a Ctrl-C
// meant for the capture reaches the capture alone, which then ends it; and in a job object that
// ends it when the capture's handle to the job closes, so it dies with the capture, however that
// ends.
int ffmpeg_start(FrameWriter* writer, const std::vector<std::string>& args, std::string* error)
{
    HANDLE job = CreateJobObjectA(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!job || !SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
        if (job) CloseHandle(job);
        return ffmpeg_start_failed("CreateJobObject", error);
    }
    writer->ffmpeg_job = job;
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    HANDLE read_end = nullptr, write_end = nullptr;
    if (!CreatePipe(&read_end, &write_end, &inherited, 0)) return ffmpeg_start_failed("CreatePipe", error);
    SetHandleInformation(write_end, HANDLE_FLAG_INHERIT, 0);
    std::string command;
    for (const std::string& a : args) command += (command.empty() ? "" : " ") + argument_quote(a);
    std::vector<char> line(command.begin(), command.end());
    line.push_back(0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = read_end;
    startup.hStdOutput = handle_inheritable(STD_OUTPUT_HANDLE);
    startup.hStdError = handle_inheritable(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process = {};
    // Suspended until it is in the job, so that no moment of it runs outside.
    const BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE,
                                        CREATE_SUSPENDED | CREATE_NEW_PROCESS_GROUP, nullptr, nullptr, &startup,
                                        &process);
    const DWORD start_error = GetLastError();
    for (HANDLE h : {read_end, startup.hStdOutput, startup.hStdError})
        if (h) CloseHandle(h);
    if (!started) {
        CloseHandle(write_end);
        SetLastError(start_error);
        return ffmpeg_start_failed("CreateProcess", error);
    }
    writer->ffmpeg = static_cast<long>(process.dwProcessId);
    writer->ffmpeg_process = process.hProcess;
    if (!AssignProcessToJobObject(job, process.hProcess)) {
        const DWORD assign_error = GetLastError();
        TerminateProcess(process.hProcess, 1);
        CloseHandle(process.hThread);
        CloseHandle(write_end);
        SetLastError(assign_error);
        return ffmpeg_start_failed("AssignProcessToJobObject", error);
    }
    ResumeThread(process.hThread);
    CloseHandle(process.hThread);
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(write_end), 0);
    writer->out = fd >= 0 ? _fdopen(fd, "wb") : nullptr;
    if (!writer->out) {
        if (fd >= 0) _close(fd);
        else CloseHandle(write_end);
        *error = "cannot start ffmpeg: " + std::string(std::strerror(errno));
        return 0;
    }
    return 1;
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
    HANDLE process = writer->ffmpeg_process, job = writer->ffmpeg_job;
    if (!complete && job) TerminateJobObject(job, 1);
    if (writer->out) std::fclose(writer->out);
    DWORD code = 1;
    if (process) {
        WaitForSingleObject(process, INFINITE);
        GetExitCodeProcess(process, &code);
        CloseHandle(process);
    }
    if (job) CloseHandle(job);
    writer->ffmpeg_process = writer->ffmpeg_job = nullptr;
    writer->ffmpeg = 0;
    return complete && code == 0;
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
    writer->target.clear();
    writer->temp.clear();
    writer->scale = scale < 1 ? 1 : scale;
    writer->out = nullptr;
    writer->ffmpeg = 0;
#ifdef _WIN32
    writer->ffmpeg_process = nullptr;
    writer->ffmpeg_job = nullptr;
#endif
    writer->error.clear();
    writer->reader_gone = false;
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
        if (ok && report && std::fputs(text.c_str(), report) < 0) ok = write_failed(writer, name, errno);
        if (writer->report_out && std::fclose(writer->report_out) != 0 && ok) {
            ok = 0;
            writer->error = "writing " + name + " failed: " + std::strerror(errno);
        }
        writer->report_out = nullptr;
        if (!writer->report_temp.empty()) {
            if (ok) ok = file_complete(writer, writer->report_temp, writer->report_path, writer->report_path);
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
        if (std::fclose(writer->out) != 0 && ok) ok = write_failed(writer, writer->path, errno);
    } else if (writer->out && std::fflush(writer->out) != 0 && ok) {
        const int error_number = errno;
        ok = write_failed(writer, writer->path, error_number);
        writer->error = "writing to the standard output failed: " + std::string(std::strerror(error_number));
    }
    writer->out = nullptr;
    if (!writer->temp.empty()) {
        if (ok) ok = file_complete(writer, writer->temp, writer->target, writer->path);
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
