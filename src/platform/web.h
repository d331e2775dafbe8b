// The web backend's controls, for the page's entry routine: which clock the page runs the demo on,
// and the start-up pause, which the browser cannot sleep through.
#pragma once

// fps 0 plays on the music's clock; otherwise pass j reads j * 1000 / fps ms. report 1 hands every
// frame's hash to the page (the exact mode).
void web_run_configure(int fps, int report);

// 0 while the start-up pause lasts: no pass runs before the page's clock has passed it.
int web_pass_due();
