// Finding data/ for the programs, the same on every desktop: the working folder first, then the
// folder beside the program and the install folders above it. The backends supply the file-system
// calls and the names their users see.
#include "platform/data_folder.h"

std::string data_folder_beside_program()
{
    const std::string folder = program_folder();
    if (folder.empty()) return "";
    // The build writes data/ beside the programs; an install puts it in share/quorvelle, next to
    // bin/ (the tools) and libexec/quorvelle/ (the demo).
    for (const char* relative : {"", "/../share/quorvelle", "/../../share/quorvelle"}) {
        const std::string candidate = folder + relative;
        if (folder_has_data(candidate)) return folder_tidy(candidate);
    }
    return "";
}

std::string data_folder_missing_message()
{
    const std::string beside = data_folder_beside_program();
    std::string why;
    std::string here = working_folder(&why);
    if (here.empty()) here = "the working folder (" + why + ")";
    std::string message = std::string("no ") + k_data_folder_name + " folder in " + here + ": run it from ";
    return message + (beside.empty() ? k_data_folder_hint : beside);
}

int data_folder_enter(std::string* why)
{
    if (data_folder_here()) return 1;
    const std::string beside = data_folder_beside_program();
    if (!beside.empty() && folder_enter(beside)) return 1;
    *why = data_folder_missing_message();
    return 0;
}

int data_folder_here()
{
    return folder_has_data(".");
}
