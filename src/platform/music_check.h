// The soundtrack checked before it plays or goes into a video: a file that is no regular file, or
// that decodes to less than a second of sound, is reported instead of played as silence.
#pragma once
#include <string>

// 1 when `path` is a regular file that decodes to at least one second of sound; otherwise 0 with
// the reason in `why`. Reads no more than that second's worth of the file, and never waits on a
// FIFO or a device.
int music_check(const char* path, std::string* why);
