// The one-line start-up failure message.
#include "shell/report.h"

#include <cstdarg>
#include <cstdio>

int g_failure_reported = 0;

void report_failure(const char* fmt, ...)
{
    std::fputs("quorvelle: ", stderr);
    va_list args;
    va_start(args, fmt);
    std::vfprintf(stderr, fmt, args);
    va_end(args);
    std::fputc('\n', stderr);
    g_failure_reported = 1;
}
