// What the SDL desktop backend's files share among themselves.
#pragma once
#include <csignal>

// Set by SIGINT and SIGTERM; the event pump turns it into the destroy path.
extern volatile sig_atomic_t g_signal_quit;

// Asks the display to rebuild its renderer on the next present (the device was reset).
void display_mark_lost();
