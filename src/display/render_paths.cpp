// The process-wide choice between the plain and the fast drawing paths.
#include "display/render_paths.h"

#include <cstdlib>

int g_plain_paths = 0;

void render_paths_from_environment()
{
    const char* v = std::getenv("QUORVELLE_PLAIN");
    if (v && *v) g_plain_paths = (*v != '0');
}
