// Helpers of the asset tests: paths in the build directory, whole-file reads, running the tool.
#pragma once
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

inline std::string build_path(const std::string& name) { return std::string(QUORVELLE_BINARY_DIR) + "/" + name; }

inline std::vector<unsigned char> read_bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs the generator with `args`, stderr into `err_file`; returns its exit code.
inline int run_tool(const std::string& args, const std::string& err_file)
{
    const std::string cmd = "'" + build_path("quorvelle-assets") + "' " + args + " 2>'" + err_file + "' >/dev/null";
    const int status = std::system(cmd.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
