// The standard streams of the programs, made safe before anything else is opened.
#pragma once

// Opens descriptors 0, 1 and 2 on /dev/null where they are closed (a program started with 2>&-),
// so that no file, pipe or display connection opened later takes a standard stream's number and
// receives the lines meant for the terminal. Windows hands out no such numbers: nothing to do.
// pipe_signal_ignore: a write into a closed pipe fails with EPIPE instead of ending the program,
// whose notices are then lost rather than fatal.
#ifdef _WIN32
inline void std_streams_ensure() {}
inline void pipe_signal_ignore() {}
#else
void std_streams_ensure();
void pipe_signal_ignore();
#endif
