// Finding data/ for the programs, the same on every desktop: the working folder first, then the
// folder beside the program and the install folders above it. A data/ folder counts only when it
// holds the demo's files (the mesh, the first file the start-up reads), so that an unrelated
// data/ in the working folder, a home folder's say, does not hide the installed one. The backends
// supply the file-system calls and the names their users see.
#include "platform/data_folder.h"

#include <vector>

namespace {

const char k_data_first_file[] = "octopus.ase";

// The folders beside the program that may hold data/, as they are named in messages. The build
// writes data/ beside the programs; an install puts it in share/quorvelle, next to bin/ (the tools)
// and libexec/quorvelle/ (the demo).
std::vector<std::string> folders_beside_program()
{
    std::vector<std::string> folders;
    const std::string folder = program_folder();
    if (folder.empty()) return folders;
    for (const char* relative : {"", "/../share/quorvelle", "/../../share/quorvelle"})
        folders.push_back(folder_tidy(folder + relative));
    return folders;
}

// A place looked at, for the message: its name, and what is wrong with a data/ folder it has.
std::string place_shown(const std::string& name, const std::string& folder)
{
    if (path_kind(folder + "/data") != PATH_FOLDER) return name;
    return name + " (its " + k_data_folder_name + " has no " + k_data_first_file + ")";
}

}  // namespace

bool folder_has_data(const std::string& folder)
{
    return path_kind(folder + "/data/" + k_data_first_file) != PATH_MISSING;
}

std::string data_folder_beside_program()
{
    for (const std::string& folder : folders_beside_program())
        if (folder_has_data(folder)) return folder;
    return "";
}

std::string data_folder_missing_message(bool beside_looked_at)
{
    std::string why;
    std::string here = working_folder(&why);
    std::vector<std::string> places = {place_shown(here.empty() ? "the working folder (" + why + ")" : here, ".")};
    if (beside_looked_at) {
        for (const std::string& folder : folders_beside_program()) {
            const std::string shown = place_shown(folder, folder);
            bool seen = false;
            for (const std::string& place : places) seen = seen || place == shown;
            if (!seen) places.push_back(shown);
        }
    }
    std::string list;
    for (size_t i = 0; i < places.size(); ++i)
        list += (i == 0 ? "" : i + 1 == places.size() ? " or " : ", ") + places[i];
    const std::string beside = data_folder_beside_program();
    return std::string("no ") + k_data_folder_name + " folder in " + list + ": run it from " +
           (beside.empty() ? k_data_folder_hint : beside);
}

int data_folder_enter(std::string* why)
{
    if (data_folder_here()) return 1;
    const std::string beside = data_folder_beside_program();
    if (!beside.empty() && folder_enter(beside)) return 1;
    *why = data_folder_missing_message(true);
    return 0;
}

int data_folder_here()
{
    return folder_has_data(".");
}
