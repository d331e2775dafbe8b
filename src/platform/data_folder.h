// Where the programs find data/ and music.mp3: in the working folder, as the demo reads them, or in
// the folder beside the program that holds them (the build folder, or share/quorvelle of an install).
#pragma once
#include <string>

// The working folder, or "." when it cannot be named.
std::string working_folder();

// 1 when the working folder holds a data/ folder.
int data_folder_here();

// The folder beside the running program that holds data/, or "" when there is none.
std::string data_folder_beside_program();

// One line for a start-up without data/: the working folder and the folder to run from.
std::string data_folder_missing_message();

// Leaves the working folder where it is when it holds data/, else moves to the folder beside the
// program. Returns 0, with data_folder_missing_message() in `why`, when neither holds it.
int data_folder_enter(std::string* why);
