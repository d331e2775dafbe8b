// Where the programs find data/ and music.mp3: in the working folder, as the demo reads them, or in
// the folder beside the program that holds them (the build folder, or share/quorvelle of an install).
#pragma once
#include <string>

// The working folder; "" when it cannot be named (it was deleted, say), with the reason in `why`.
std::string working_folder(std::string* why = nullptr);

// 1 when the working folder holds a data/ folder with the demo's files in it.
int data_folder_here();

// The folder beside the running program that holds data/, or "" when there is none.
std::string data_folder_beside_program();

// One line for a start-up without data/: every folder looked at (the working folder, and with
// `beside_looked_at` those beside the program) and the folder to run from.
std::string data_folder_missing_message(bool beside_looked_at = false);

// Leaves the working folder where it is when it holds data/, else moves to the folder beside the
// program. Returns 0, with data_folder_missing_message(true) in `why`, when none holds it.
int data_folder_enter(std::string* why);

// What each desktop's file system supplies to the search above.
extern const char k_data_folder_name[];   // "data/", as its users write it
extern const char k_data_folder_hint[];   // where to run from when no folder beside the program has it
enum PathKind { PATH_MISSING, PATH_FOLDER, PATH_OTHER };
PathKind path_kind(const std::string& path);   // what a name stands for, links followed
bool folder_has_data(const std::string& folder);
std::string program_folder();             // without a trailing separator; "" when it cannot be read
std::string folder_tidy(const std::string& folder);   // "a/b/../c" to "a/c", for the messages
bool folder_enter(const std::string& folder);
