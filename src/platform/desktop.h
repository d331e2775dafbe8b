// The SDL desktop backend's settings, chosen on the demo's command line before anything opens.
// The defaults are the demo as it always runs: full screen at the desktop's origin, with sound.
#pragma once

struct DesktopSettings {
    bool window;    // a resizable window instead of full screen; F11 or Alt+Enter toggles
    int display;    // the monitor, counted from 0; -1: the one at the desktop's origin
    bool mute;      // no sound device at all: the clock runs on the monotonic clock
};

extern DesktopSettings g_desktop_settings;
