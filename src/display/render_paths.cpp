// The process-wide choice between the plain and the fast drawing paths.
#include "display/render_paths.h"

#include <cstdlib>

int g_plain_paths = 0;

namespace {

// The processor check is x86's own; elsewhere (WebAssembly, say) no AVX2 twin is built.
int avx2_present()
{
#if defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") ? 1 : 0;
#else
    return 0;
#endif
}

}  // namespace

int g_avx2_paths = avx2_present();

void render_paths_from_environment()
{
    const char* v = std::getenv("QUORVELLE_PLAIN");
    if (v && *v) g_plain_paths = (*v != '0');
    const char* sse2 = std::getenv("QUORVELLE_SSE2");
    if (sse2 && *sse2 && *sse2 != '0') g_avx2_paths = 0;
}
