// Finding data/ on Linux: the file-system calls and the names of the shared search.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/data_folder.h"

const char k_data_folder_name[] = "data/";
const char k_data_folder_hint[] = "the build folder, where the build writes data/ and music.mp3";

bool folder_has_data(const std::string& folder)
{
    struct stat st;
    return stat((folder + "/data").c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string program_folder()
{
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return "";
    path[n] = 0;
    std::string folder(path);
    const size_t slash = folder.rfind('/');
    return slash == std::string::npos ? "" : folder.substr(0, slash);
}

std::string folder_tidy(const std::string& folder)
{
    char resolved[PATH_MAX];
    return realpath(folder.c_str(), resolved) ? std::string(resolved) : folder;
}

bool folder_enter(const std::string& folder)
{
    return chdir(folder.c_str()) == 0;
}

std::string working_folder(std::string* why)
{
    // Any length: the C library sizes the answer.
    char* path = getcwd(nullptr, 0);
    if (!path) {
        if (why) *why = std::strerror(errno);
        return "";
    }
    std::string folder(path);
    std::free(path);
    return folder;
}
