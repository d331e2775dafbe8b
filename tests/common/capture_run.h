// Runs the capture tool from the build directory and returns what it reports, for golden-hash tests.
#pragma once
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

struct CaptureResult {
    int exit_code;
    // "NNNNNN HHHHHHHHHHHHHHHH E T": frame number, 64-bit FNV-1a hash of the pixels, Timeline entry
    // and the clock in ms.
    std::vector<std::string> lines;
};

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
