// The soundtrack's records: the note events a score is made of, the score itself, the tempo map
// that places beats in time, and the composer, synthesiser, mastering and encoder that turn the
// Timeline into "music.mp3".
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
    inst_boom,     // short sub thump under the biggest hits
    inst_tom,
    inst_bass,
    inst_pad,
    inst_stab,
    inst_lead,
    inst_pluck,
    inst_bell,
    inst_swell,    // reversed cymbal: grows over `length` and stops dead at its end
    inst_zap,      // a fast falling blip, for glitches
    inst_rim,      // a short wooden click
    inst_shaker,   // soft high noise tick
    inst_count
};

// Instruments whose `pitch` is a MIDI note; the others ignore it.
bool instrument_pitched(int instrument);

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
};

constexpr int k_sample_rate = 44100;

// Where each beat falls: cubic Hermite segments through knots of (beat, seconds, seconds per
// beat). Between two knots of equal slope on one line the tempo is exactly constant. Two knots on
// one beat and at one time change the tempo there at a stroke: the first ends the stretch before
// it, the second begins the stretch after it.
struct TempoKnot {
    double beat, time, slope;
};
struct TempoMap {
    std::vector<TempoKnot> knots;   // rising beats
};
double tempo_time(const TempoMap& map, double beat);
double tempo_beat(const TempoMap& map, double time);   // the inverse

// Anchors tie a grid beat to the time it should fall near.
struct TempoAnchor {
    double beat, time;
};
// A stretch at one constant tempo: the least-squares line through the anchors, as two knots. Of
// two stretches that meet on one beat, the earlier must be added first.
void tempo_add_steady(TempoMap& map, const std::vector<TempoAnchor>& anchors);
// A stretch whose tempo drifts gently: beats pass within `window` seconds of each anchor while
// the tempo changes as little as possible. An end that meets a steady stretch already in the map
// takes that stretch's time and tempo; a free end keeps its anchor's time.
void tempo_add_drifting(TempoMap& map, const std::vector<TempoAnchor>& anchors, double window);

Score score_compose(const TimelineEntry* timeline);
// Interleaved stereo samples, mastered: high-passed, levelled to the loudness target and held
// under the true-peak ceiling.
std::vector<float> music_render(const Score& score);
// Mastering of the rendered mix (left and right in place): tone shaping, levelling to
// `target_lufs` and a look-ahead limiter that keeps the true peak under `ceiling_dbtp`.
void master_process(std::vector<float>& left, std::vector<float>& right, double target_lufs, double ceiling_dbtp);
// Integrated loudness (K-weighted, gated) of a stereo pair, in LUFS.
double loudness_integrated(const std::vector<float>& left, const std::vector<float>& right);
// Encodes interleaved stereo; returns an empty string on success, else what failed.
std::string mp3_encode(const std::vector<float>& stereo, const std::string& path);
