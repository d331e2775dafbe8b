// The soundtrack's records: the note events a score is made of, the score itself, and the
// composer, synthesiser and encoder that turn the Timeline into "music.mp3".
#pragma once
#include <string>
#include <vector>

struct TimelineEntry;

enum Instrument {
    inst_kick,
    inst_snare,
    inst_clap,
    inst_hat,
    inst_open_hat,
    inst_crash,
    inst_static,   // crackling band-passed noise, `length` long
    inst_riser,    // noise sweep rising over `length`
    inst_boom,     // sub drop under big hits
    inst_tom,
    inst_bass,
    inst_pad,
    inst_stab,
    inst_lead,
    inst_pluck,
    inst_bell,
    inst_count
};

struct NoteEvent {
    double start;     // seconds
    double length;    // seconds the note is held (releases follow)
    int instrument;   // Instrument
    double pitch;     // MIDI note number
    float velocity;   // 0..1
    float pan;        // -1 left .. 1 right
    float bright;     // 0..1: filter opening and similar tone control
};

struct Score {
    std::vector<NoteEvent> notes;
    double length_seconds;
    double fade_start, fade_end;   // master fade to silence
};

constexpr int k_sample_rate = 44100;

Score score_compose(const TimelineEntry* timeline);
// Interleaved stereo samples, normalised to a peak a little under full scale.
std::vector<float> music_render(const Score& score);
// Encodes interleaved stereo; returns an empty string on success, else what failed.
std::string mp3_encode(const std::vector<float>& stereo, const std::string& path);
