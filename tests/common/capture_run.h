// Runs the capture tool and other commands as a user runs them, keeping what they report: hash
// lists, standard output and error.
#pragma once
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

struct CaptureResult {
    int exit_code;
    // "NNNNNN HHHHHHHHHHHHHHHH E T": frame number, 64-bit FNV-1a hash of the pixels, Timeline entry
    // and the clock in ms.
    std::vector<std::string> lines;
};

inline std::string file_text(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Runs `quorvelle-capture <args> --format hash --out <file>` in the build directory.
inline CaptureResult capture_hashes(const std::string& args)
{
    static int serial = 0;
    const std::string out = std::string(QUORVELLE_BINARY_DIR) + "/test-hashes-" +
                            std::to_string(::getpid()) + "-" + std::to_string(serial++) + ".txt";
    const std::string cmd = std::string("cd '") + QUORVELLE_BINARY_DIR + "' && ./quorvelle-capture " + args +
                            " --format hash --out '" + out + "' 2>/dev/null";
    CaptureResult result;
    const int status = std::system(cmd.c_str());
    result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream in(out);
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) result.lines.push_back(line);
    std::remove(out.c_str());
    return result;
}

struct CommandResult {
    int exit_code;
    std::string out;   // standard output
    std::string err;   // standard error
};

// Runs a shell command in `dir`, keeping what it prints.
inline CommandResult command_run(const std::string& dir, const std::string& command)
{
    static int serial = 0;
    const std::string base = std::string(QUORVELLE_BINARY_DIR) + "/test-command-" + std::to_string(::getpid()) +
                             "-" + std::to_string(serial++);
    const std::string cmd = "cd '" + dir + "' && (" + command + ") >'" + base + ".out' 2>'" + base + ".err'";
    const int status = std::system(cmd.c_str());
    CommandResult r = {WIFEXITED(status) ? WEXITSTATUS(status) : -1, file_text(base + ".out"),
                       file_text(base + ".err")};
    std::remove((base + ".out").c_str());
    std::remove((base + ".err").c_str());
    return r;
}

inline int line_count(const std::string& text)
{
    int n = 0;
    for (char c : text) n += c == '\n';
    return n;
}

