// The demo's entry routine in a browser: the entry points the page calls. The page runs the
// start-up once the data files are in the module's file system and the music is decoded, then
// calls web_frame once per animation frame: one pass of the frame loop on the music's clock. On a virtual clock (the exact and benchmark modes)
// the page calls it as often as it likes, since no pass waits for time to pass.
#include <emscripten.h>

#include "display/flash_filter.h"
#include "display/render_paths.h"
#include "platform/web.h"
#include "shell/demo.h"

extern "C" {

// fps 0 plays on the music's clock; otherwise pass j reads j * 1000 / fps ms. report 1 hands every
// frame's hash to the page; plain 1 draws on the plain paths; reduce_flashing 1 passes every frame
// through the reduced-flashing filter. 0 when the demo is running, -1 when its start-up failed (the
// reason is on the console).
EMSCRIPTEN_KEEPALIVE int web_start(int fps, int report, int plain, int reduce_flashing)
{
    g_reduce_flashing = reduce_flashing ? 1 : 0;
    web_run_configure(fps, report);
    g_plain_paths = plain ? 1 : 0;
    return demo_start();
}

// One pass; 1 while the demo goes on, 0 once its script has ended.
EMSCRIPTEN_KEEPALIVE int web_frame()
{
    if (!web_pass_due()) return 1;
    return frame_loop_step();
}

EMSCRIPTEN_KEEPALIVE void web_finish()
{
    demo_finish();
}

}
