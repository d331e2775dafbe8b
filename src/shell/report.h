// The one-line start-up failure message on stderr.
#pragma once

extern int g_failure_reported;

// Prints "quorvelle: <what>" (printf-style) on one line and remembers that a failure was reported.
void report_failure(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
