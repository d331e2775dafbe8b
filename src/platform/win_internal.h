// What the Windows backend's files share among themselves.
#pragma once
#include <windows.h>

// Set by Ctrl-C, Ctrl-Break or the console's close; the message pump turns it into the destroy path.
extern volatile LONG g_console_quit;

