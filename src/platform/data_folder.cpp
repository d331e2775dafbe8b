// Finding data/ for the programs. The build writes data/ and music.mp3 beside the programs; an
// install puts them in share/quorvelle, next to bin/ (the tools) and libexec/quorvelle/ (the demo).
#include "platform/data_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>

namespace {

bool folder_has_data(const std::string& folder)
{
    struct stat st;
    return stat((folder + "/data").c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The folder of the running program, without a trailing slash; "" when it cannot be read.
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

// "a/b/../c" to "a/c", so that the folders named in messages read plainly.
std::string folder_tidy(const std::string& folder)
{
    char resolved[PATH_MAX];
    return realpath(folder.c_str(), resolved) ? std::string(resolved) : folder;
}

}  // namespace

std::string working_folder()
{
    char path[PATH_MAX];
    return getcwd(path, sizeof path) ? std::string(path) : std::string(".");
}

int data_folder_here()
{
    return folder_has_data(".");
}

std::string data_folder_beside_program()
{
    const std::string folder = program_folder();
    if (folder.empty()) return "";
    for (const char* relative : {"", "/../share/quorvelle", "/../../share/quorvelle"}) {
        const std::string candidate = folder + relative;
        if (folder_has_data(candidate)) return folder_tidy(candidate);
    }
    return "";
}

std::string data_folder_missing_message()
{
    const std::string beside = data_folder_beside_program();
    std::string message = "no data/ folder in " + working_folder() + ": run it from ";
    return message + (beside.empty() ? "the build folder, where the build writes data/ and music.mp3" : beside);
}

int data_folder_enter(std::string* why)
{
    if (data_folder_here()) return 1;
    const std::string beside = data_folder_beside_program();
    if (!beside.empty() && chdir(beside.c_str()) == 0) return 1;
    *why = data_folder_missing_message();
    return 0;
}
