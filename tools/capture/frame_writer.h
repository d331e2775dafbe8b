// Where captured frames go: numbered PNG or PPM files, a list of frame hashes, a flash report, or an
// H.264 video made by piping the frames to ffmpeg with the soundtrack muxed in. Pictures and videos can be
// enlarged a whole number of times, nearest-neighbour, for sharing.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

#include "display/frame_hash.h"

struct Surface;
struct FlashReport;

enum FrameFormat { FRAME_PNG, FRAME_PPM, FRAME_HASH, FRAME_MP4, FRAME_FLASHES };

// Hash lists and flash reports are text, which --out - sends to the standard output; the others are
// pictures.
inline bool frame_format_text(FrameFormat format)
{
    return format == FRAME_HASH || format == FRAME_FLASHES;
}

struct FrameWriter {
    FrameFormat format;
    std::string path;     // directory (PNG, PPM), text file or "-" (hash, flashes), video file (MP4)
    std::string temp;     // the file being written, renamed to its own name once complete
    int scale;            // each pixel becomes scale x scale pixels (pictures and video)
    FILE* out;            // hash list or the pipe into ffmpeg
    long ffmpeg;          // the encoder's process id, 0 when none runs
    uint8_t* row_buffer;  // one converted, enlarged row
    std::string error;    // why the last write failed
    // The flash report (FRAME_FLASHES, or frame_writer_flashes_open): the counts of the frames
    // written and, when the run itself does not filter them, of the same frames through the
    // reduced-flashing filter, which works on a copy.
    FlashReport* flashes;
    FlashReport* flashes_reduced;
    uint32_t* reduced_pixels;
    uint64_t filtered;         // frames written that the filter changed
    std::string report_path;   // frame_writer_flashes_open: the report beside the other output
    std::string report_temp;
    FILE* report_out;
};

// Every file is written under a temporary name beside its own and renamed over it only when
// complete, so a failed or interrupted capture leaves an earlier file as it was.

// Opens the destination after checking that it can be written: a missing or unwritable folder
// fails here with one line in `error`, before anything is rendered. For MP4 the audio is the
// file `music` from `audio_from_us` microseconds on (empty `music`: no audio), followed by silence
// where it is shorter than the video.
int frame_writer_open(FrameWriter* writer, FrameFormat format, const std::string& path, int fps, int scale,
                      const std::string& music, uint64_t audio_from_us, std::string* error);
// Also writes a flash report of the frames written to `path` (after frame_writer_open); 0 with the
// reason in `error` when that file cannot be written.
int frame_writer_flashes_open(FrameWriter* writer, const std::string& path, std::string* error);
// Hash lines read "NNNNNN HHHHHHHHHHHHHHHH E T": frame number, hash, Timeline entry, clock in ms.
// Returns 0 with the reason in writer->error on failure.
int frame_writer_write(FrameWriter* writer, const Surface* frame, uint64_t index, int entry, uint32_t t_ms);
// With `complete`, finishes the file or the video and gives it its name; returns 0, with the reason
// in writer->error, when anything failed. Without, or after a failure, the temporary file goes (and
// the encoder with it) and nothing is renamed.
int frame_writer_close(FrameWriter* writer, bool complete);
