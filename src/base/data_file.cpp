// Opening and reading the data files, with one line for every way they can be unusable.
#include "base/data_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include <cerrno>
#include <cstring>

#include "base/report.h"

#ifndef O_NONBLOCK
#define O_NONBLOCK 0   // no FIFOs to wait on
#endif
#ifndef O_BINARY
#define O_BINARY 0
#define O_TEXT 0
#endif

namespace {

const char* file_kind(mode_t mode)
{
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISCHR(mode)) return "a device";
#ifdef S_ISFIFO
    if (S_ISFIFO(mode)) return "a pipe";
#endif
    return "not a regular file";
}

}  // namespace

std::FILE* data_file_open(const char* path, long long min_bytes, long long max_bytes, bool text)
{
    // Non-blocking, so that a FIFO opens at once and is then turned away like any other non-file.
    const int fd = open(path, O_RDONLY | O_NONBLOCK | (text ? O_TEXT : O_BINARY));
    if (fd < 0) {
        report_failure("cannot open %s: %s", path, std::strerror(errno));
        return nullptr;
    }
    struct stat st;
    if (fstat(fd, &st) != 0) {
        report_failure("cannot read %s: %s", path, std::strerror(errno));
    } else if (!S_ISREG(st.st_mode)) {
        report_failure("cannot read %s: it is %s", path, file_kind(st.st_mode));
    } else if (st.st_size < min_bytes) {
        report_failure("%s is too short: %lld bytes, %lld expected", path, static_cast<long long>(st.st_size),
                       min_bytes);
    } else if (st.st_size > max_bytes) {
        report_failure("%s is too long: %lld bytes, at most %lld expected", path,
                       static_cast<long long>(st.st_size), max_bytes);
    } else {
        std::FILE* f = fdopen(fd, text ? "r" : "rb");
        if (f) return f;
        report_failure("cannot read %s: %s", path, std::strerror(errno));
    }
    close(fd);
    return nullptr;
}

int data_file_read(std::FILE* f, const char* path, void* to, size_t bytes)
{
    if (std::fread(to, 1, bytes, f) == bytes) return 1;
    if (std::ferror(f)) report_failure("cannot read %s: %s", path, std::strerror(errno));
    else report_failure("%s ended early: it shrank while being read", path);
    return 0;
}
