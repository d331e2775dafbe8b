// Finding data\ on Windows: the file-system calls and the names of the shared search. The Windows
// folder holds the programs, data\ and music.mp3 side by side, so the folder beside the program is
// the one to fall back on; the folders of a Linux-style install above it are looked at too.
#include <windows.h>

#include "platform/data_folder.h"

const char k_data_folder_name[] = "data\\";
const char k_data_folder_hint[] = "the folder that holds the programs, data\\ and music.mp3";

PathKind path_kind(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return PATH_MISSING;
    return attributes & FILE_ATTRIBUTE_DIRECTORY ? PATH_FOLDER : PATH_OTHER;
}

std::string program_folder()
{
    char path[MAX_PATH * 4];
    const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    if (n == 0 || n >= sizeof path) return "";
    std::string folder(path, n);
    const size_t slash = folder.find_last_of("\\/");
    return slash == std::string::npos ? "" : folder.substr(0, slash);
}

// "a\b\..\c" to "a\c", with the separators Windows shows.
std::string folder_tidy(const std::string& folder)
{
    char full[MAX_PATH * 4];
    const DWORD n = GetFullPathNameA(folder.c_str(), sizeof full, full, nullptr);
    return n > 0 && n < sizeof full ? std::string(full, n) : folder;
}

bool folder_enter(const std::string& folder)
{
    return SetCurrentDirectoryA(folder.c_str()) != 0;
}

std::string working_folder(std::string* why)
{
    char path[MAX_PATH * 4];
    const DWORD n = GetCurrentDirectoryA(sizeof path, path);
    if (n > 0 && n < sizeof path) return std::string(path, n);
    if (why) *why = n == 0 ? "error " + std::to_string(GetLastError()) : "its name is too long";
    return "";
}
