// A private Xvfb server for a test, a child process runner with a wall clock, and screenshots.
#pragma once
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/capture_run.h"
#include "common/screen.h"

struct Xvfb {
    pid_t pid = -1;
    std::string display;   // ":N"
};

// Starts Xvfb on a free display of the given size; Xvfb reports the number it chose.
inline bool xvfb_start(Xvfb* x, int width, int height)
{
    int fds[2];
    if (pipe(fds) != 0) return false;
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    x->pid = fork();
    if (x->pid == 0) {
        close(fds[0]);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 2);
        const std::string fd = std::to_string(fds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    FILE* in = fdopen(fds[0], "r");
    char number[32] = {};
    const bool got = in && std::fgets(number, sizeof number, in) && number[0] >= '0' && number[0] <= '9';
    if (in) std::fclose(in);
    x->display = ":" + std::to_string(std::atoi(number));
    return got;
}

inline void xvfb_stop(Xvfb* x)
{
    if (x->pid > 0) {
        kill(x->pid, SIGTERM);
        waitpid(x->pid, nullptr, 0);
    }
    x->pid = -1;
}

struct Child {
    pid_t pid;
    std::chrono::steady_clock::time_point started;
};

// Runs `command` through the shell in `dir` with extra environment settings.
inline Child child_start(const std::string& dir, const std::vector<std::string>& env, const std::string& command)
{
    Child c;
    c.started = std::chrono::steady_clock::now();
    c.pid = fork();
    if (c.pid == 0) {
        if (chdir(dir.c_str()) != 0) _exit(126);
        for (const std::string& e : env) putenv(strdup(e.c_str()));
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    return c;
}

// Waits for the child; returns its exit code (-1 when killed) and the seconds it ran.
inline int child_wait(const Child& c, double* seconds)
{
    int status = 0;
    waitpid(c.pid, &status, 0);
    *seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - c.started).count();
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Grabs the whole X screen into a picture (through ffmpeg's X11 grabber and a PPM file).
inline bool screenshot_take(const std::string& display, int width, int height, const std::string& file, Ppm* out)
{
    const std::string cmd = "ffmpeg -hide_banner -loglevel error -nostdin -y -f x11grab -video_size " +
                            std::to_string(width) + "x" + std::to_string(height) + " -i " + display +
                            " -frames:v 1 -c:v ppm -f image2 '" + file + "'";
    return std::system(cmd.c_str()) == 0 && ppm_read(file, out);
}
