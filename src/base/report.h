// The one-line start-up failure message on stderr.
#pragma once

extern int g_failure_reported;
extern const char* g_program_name;   // what the messages begin with: "quorvelle" unless a tool says

// Prints "<program>: <what>" (printf-style) on one line and remembers that a failure was reported.
void report_failure(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
