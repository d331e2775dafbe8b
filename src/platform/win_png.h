// PNG pictures on Windows, written by Windows' own imaging component (WIC), for the capture tool.
#pragma once

struct Surface;

// Writes the frame, each pixel enlarged to scale x scale, as a 24-bit PNG file. Returns 1, or 0
// with errno set when the file cannot be made or written.
int win_png_write(const char* path, const Surface* frame, int scale);
