// The soundtrack check on Linux: libmpg123 decodes the first second of the file.
#include "platform/music_check.h"

#include <fcntl.h>
#include <mpg123.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// Decodes from `fd` until a second of sound has come out; "" or why not.
std::string second_decode(int fd)
{
    int error = MPG123_OK;
    mpg123_handle* decoder = mpg123_new(nullptr, &error);
    if (!decoder) return "the decoder could not start";
    mpg123_param(decoder, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    std::string why = "it holds no MP3 sound";
    if (mpg123_open_fd(decoder, fd) == MPG123_OK) {
        unsigned char buffer[16384];
        size_t bytes = 0;
        long rate = 0;
        int channels = 0, encoding = 0;
        // Each read gives at least one decoded frame or ends; a second is a few dozen frames.
        for (int reads = 0; reads < 4096; ++reads) {
            size_t got = 0;
            const int result = mpg123_read(decoder, buffer, sizeof buffer, &got);
            bytes += got;
            if (result == MPG123_NEW_FORMAT || (rate == 0 && got > 0))
                mpg123_getformat(decoder, &rate, &channels, &encoding);
            const int sample_bytes = mpg123_encsize(encoding) * channels;
            if (rate > 0 && sample_bytes > 0 && bytes / sample_bytes >= static_cast<size_t>(rate)) {
                why.clear();
                break;
            }
            if (result != MPG123_OK && result != MPG123_NEW_FORMAT) {
                if (bytes > 0) why = "it holds less than a second of sound";
                break;
            }
        }
    }
    mpg123_delete(decoder);
    return why;
}

}  // namespace

int music_check(const char* path, std::string* why)
{
    const int fd = open(path, O_RDONLY | O_NONBLOCK);
    if (fd < 0) {
        *why = std::strerror(errno);
        return 0;
    }
    struct stat st;
    if (fstat(fd, &st) != 0) *why = std::strerror(errno);
    else if (S_ISDIR(st.st_mode)) *why = "it is a folder";
    else if (!S_ISREG(st.st_mode)) *why = "it is not a regular file";
    else *why = second_decode(fd);
    close(fd);
    return why->empty();
}
