// Opening and reading the data files. Only a regular file is read, so a FIFO, a device or a folder
// in place of one ends the start-up at once instead of blocking or reading without end; its size
// is checked against what the reader needs before anything is read.
#pragma once
#include <cstddef>
#include <cstdio>

// Opens `path` for reading (binary, or text when `text`) when it is a regular file of at least
// `min_bytes` and at most `max_bytes` bytes; otherwise reports one line naming the file and the
// reason and returns null. Opening never waits for a writer.
std::FILE* data_file_open(const char* path, long long min_bytes, long long max_bytes, bool text = false);

// Reads exactly `bytes` bytes; 0 after a one-line report when the file gives fewer.
int data_file_read(std::FILE* f, const char* path, void* to, size_t bytes);
