// The one-line start-up failure message.
#include "base/report.h"

#include <cstdarg>
#include <cstdio>

int g_failure_reported = 0;
const char* g_program_name = "quorvelle";

void report_failure(const char* fmt, ...)
{
    std::fprintf(stderr, "%s: ", g_program_name);
    va_list args;
    va_start(args, fmt);
    std::vfprintf(stderr, fmt, args);
    va_end(args);
    std::fputc('\n', stderr);
    g_failure_reported = 1;
}
