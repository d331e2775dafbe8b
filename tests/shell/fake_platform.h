// A scripted platform backend for the frame loop and start-up tests: the clock returns a list of
// positions, chosen calls fail, and every call is logged by name.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct FakePlatform {
    std::vector<uint32_t> clock;   // one position per read; the last one repeats
    size_t clock_reads;
    std::vector<int> lock_fails;   // pass numbers (0-based) whose lock fails
    int quit_on_pass;              // the pump of this pass sees the window destroyed; -1 never
    bool display_fails;
    bool sound_fails;
    int passes;                    // pumps so far
    std::vector<int> entries;      // the entry index each pass announced
    std::vector<std::string> log;
};

extern FakePlatform g_fake;

// Resets the fake and the shell's process-wide flags.
void fake_reset();

// The number of times `name` appears in the log.
int fake_count(const std::string& name);
