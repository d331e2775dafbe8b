// Finding data/ for the Windows programs. The Windows folder holds the programs, data/ and
// music.mp3 side by side, so the folder beside the program is the one to fall back on; the folders
// of a Linux-style install above it are looked at too, as on Linux.
#include <windows.h>

#include "platform/data_folder.h"

namespace {

bool folder_has_data(const std::string& folder)
{
    const DWORD attributes = GetFileAttributesA((folder + "\\data").c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The folder of the running program, without a trailing separator; "" when it cannot be read.
std::string program_folder()
{
    char path[MAX_PATH * 4];
    const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    if (n == 0 || n >= sizeof path) return "";
    std::string folder(path, n);
    const size_t slash = folder.find_last_of("\\/");
    return slash == std::string::npos ? "" : folder.substr(0, slash);
}

// "a\b\..\c" to "a\c", so that the folders named in messages read plainly.
std::string folder_tidy(const std::string& folder)
{
    char full[MAX_PATH * 4];
    const DWORD n = GetFullPathNameA(folder.c_str(), sizeof full, full, nullptr);
    return n > 0 && n < sizeof full ? std::string(full, n) : folder;
}

}  // namespace

std::string working_folder()
{
    char path[MAX_PATH * 4];
    const DWORD n = GetCurrentDirectoryA(sizeof path, path);
    return n > 0 && n < sizeof path ? std::string(path, n) : std::string(".");
}

int data_folder_here()
{
    return folder_has_data(".");
}

std::string data_folder_beside_program()
{
    const std::string folder = program_folder();
    if (folder.empty()) return "";
    for (const char* relative : {"", "\\..\\share\\quorvelle", "\\..\\..\\share\\quorvelle"}) {
        const std::string candidate = folder + relative;
        if (folder_has_data(candidate)) return folder_tidy(candidate);
    }
    return "";
}

std::string data_folder_missing_message()
{
    const std::string beside = data_folder_beside_program();
    std::string message = "no data\\ folder in " + working_folder() + ": run it from ";
    return message + (beside.empty() ? "the folder that holds the programs, data\\ and music.mp3" : beside);
}

int data_folder_enter(std::string* why)
{
    if (data_folder_here()) return 1;
    const std::string beside = data_folder_beside_program();
    if (!beside.empty() && SetCurrentDirectoryA(beside.c_str())) return 1;
    *why = data_folder_missing_message();
    return 0;
}
