// The demo program: its command line and the entry routine on the SDL desktop backend. Without
// options it is the demo as it always runs: full screen, with sound, from the working folder.
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/report.h"
#include "display/band_worker.h"
#include "display/flash_filter.h"
#include "display/render_paths.h"
#include "platform/data_folder.h"
#include "platform/desktop.h"
#include "shell/demo.h"

namespace {

const char k_usage[] =
    "usage: quorvelle [--window] [--display N] [--mute] [--threads N] [--reduce-flashing] [--help]\n"
    "                 [--version]\n"
    "Plays the demo (about 188 s) full screen with sound, reading data/ and music.mp3 from the\n"
    "working folder. Escape or closing the window ends it early.\n"
    "Photosensitivity warning: the whole picture flashes up to 9 times a second; 34 of its 184\n"
    "seconds hold more than three flashes. Do not watch if flashing light may bring on a seizure or\n"
    "make you unwell. --reduce-flashing keeps every second under the three-flash threshold.\n"
    "  --window      a resizable window instead of full screen; F11 or Alt+Enter toggles full screen\n"
    "  --display N   the monitor to use, counted from 0\n"
    "  --mute        no sound; the picture keeps its timing on the system clock\n"
    "  --threads N   draw the heavy scenes with N threads (1 to 8, default 1: one core keeps far ahead\n"
    "                of the display, and the others stay free for the sound and the desktop); the\n"
    "                picture is the same\n"
    "  --reduce-flashing  hold back the flashes: every second stays under three flashes\n"
    "  --help        this text\n"
    "  --version     the program's version\n";

bool number_parse(const char* text, int* out)
{
    if (!text || *text < '0' || *text > '9') return false;
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    if (errno || *end || v > INT_MAX) return false;
    *out = static_cast<int>(v);
    return true;
}

// 0: go on; otherwise one more than the exit code of a run that ends here.
int options_parse(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::string shown = arg;   // the option as typed, for a complaint
        const char* value = nullptr;
        const size_t equals = arg.find('=');
        if (arg.compare(0, 2, "--") == 0 && equals != std::string::npos) {
            value = argv[i] + equals + 1;
            arg.resize(equals);
        }
        const char* problem = nullptr;
        if (arg == "--help" || arg == "-h") {
            std::fputs(k_usage, stdout);
            return 1;
        } else if (arg == "--version") {
            std::puts("quorvelle " QUORVELLE_VERSION);
            return 1;
        } else if ((arg == "--window" || arg == "--mute") && !value) {
            (arg == "--window" ? g_desktop_settings.window : g_desktop_settings.mute) = true;
        } else if (arg == "--reduce-flashing" && !value) {
            g_reduce_flashing = 1;
        } else if (arg == "--display") {
            if (!value && i + 1 < argc) {
                value = argv[++i];
                shown += std::string(" ") + value;
            }
            if (!value) problem = "a monitor number must follow";
            else if (!number_parse(value, &g_desktop_settings.display)) problem = "bad monitor number in";
        } else if (arg == "--threads") {
            if (!value && i + 1 < argc) {
                value = argv[++i];
                shown += std::string(" ") + value;
            }
            int threads = 0;
            if (!value) problem = "a thread count must follow";
            else if (!number_parse(value, &threads) || threads < 1 || threads > 8)
                problem = "bad thread count (1 to 8) in";
            else g_threads = threads;
        } else {
            problem = "unknown option";
        }
        if (problem) {
            std::fprintf(stderr, "quorvelle: %s %s\n", problem, shown.c_str());
            std::fputs(k_usage, stderr);
            return 3;
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const int ended = options_parse(argc, argv);
    if (ended) return ended - 1;
    render_paths_from_environment();
    // Checked before the screen is taken over: without data/ the start-up could only fail.
    if (!data_folder_here()) {
        report_failure("%s", data_folder_missing_message().c_str());
        return -1;
    }
    return demo_main();
}
