// The Windows backend's MP3 decoding, open to the Windows tests: the whole file through the Audio
// Compression Manager, lined up as a gapless decoder lines it up.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Decodes `path` into interleaved 16-bit samples at the file's own rate; "" or why not (no regular
// file, no MP3 stream, or less than a second of sound).
std::string sound_file_decode(const char* path, std::vector<int16_t>* pcm, int* rate, int* channels);
