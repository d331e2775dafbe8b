// Where captured frames go: numbered PNG or PPM files, a list of frame hashes, or an H.264 video
// made by piping the frames to ffmpeg with the soundtrack muxed in.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

struct Surface;

enum FrameFormat { FRAME_PNG, FRAME_PPM, FRAME_HASH, FRAME_MP4 };

struct FrameWriter {
    FrameFormat format;
    std::string path;     // directory (PNG, PPM), text file or "-" (hash), video file (MP4)
    FILE* out;            // hash list or the pipe into ffmpeg
    uint8_t* row_buffer;  // one converted row
};

// 64-bit FNV-1a over the 512 x 384 pixel words of the frame, row by row, each word little-endian.
uint64_t frame_hash(const Surface* frame);

// Opens the destination. For MP4 the audio is the file `music`, from `audio_from_ms` on
// (empty `music`: no audio). Returns 0 with a message in `error` on failure.
int frame_writer_open(FrameWriter* writer, FrameFormat format, const std::string& path, int fps,
                      const std::string& music, uint32_t audio_from_ms, std::string* error);
// Hash lines read "NNNNNN HHHHHHHHHHHHHHHH E T": frame number, hash, Timeline entry, clock in ms.
int frame_writer_write(FrameWriter* writer, const Surface* frame, uint64_t index, int entry, uint32_t t_ms);
// Finishes the file or the video; returns 0 when anything failed.
int frame_writer_close(FrameWriter* writer);
