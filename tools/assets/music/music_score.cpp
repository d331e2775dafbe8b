// The soundtrack's composition, written against the Timeline in D minor. Two layers keep both the
// picture and the groove in step: drums, bass and tunes sit on a beat grid (one steady tempo through
// each long section and the quick polygon run, a gently drifting one through the short scenes), and
// every cut gets its own accent at the exact millisecond the picture changes. The arrangement: a
// tense pulse under the opening names, a build, a driving run through the quick polygon entries,
// a first long section with a bridge, a dub interlude, a second long section of its own tune and
// chords that lifts a whole tone for the last peak, a stutter, and a last chord that ends with the
// script.
#include <algorithm>
#include <cmath>
#include <iterator>

#include "music.h"
#include "shell/scene_list.h"
#include "shell/timeline.h"

namespace {

struct Chord {
    int root;        // bass note, MIDI 34..47
    int tones[4];    // intervals above the root
};
const Chord Dm{38, {0, 3, 7, 14}};
const Chord Bb{46, {0, 4, 7, 11}};
const Chord F{41, {0, 4, 7, 14}};
const Chord Fmaj7{41, {0, 4, 7, 11}};
const Chord C{36, {0, 4, 7, 10}};
const Chord Gm{43, {0, 3, 7, 10}};
const Chord A{45, {0, 4, 7, 10}};
const Chord Am{45, {0, 3, 7, 10}};
const Chord Em7b5{40, {0, 3, 6, 10}};
const Chord k_prog[8] = {Dm, Bb, F, C, Dm, Bb, Gm, A};
// The bridge walks the circle of fifths back to the dominant.
const Chord k_bridge[6] = {Gm, C, Fmaj7, Bb, Em7b5, A};
// The second long section: a falling line under its own tune, then a turn through the minor five.
const Chord k_prog_fall[8] = {Dm, C, Bb, A, Dm, C, Gm, A};
const Chord k_prog_turn[8] = {Bb, C, Am, Dm, Gm, C, A, A};

struct Tone {
    double beat, length;
    int pitch;
};
struct Motif {
    const Tone* tones;
    size_t count;
};

// Eight bars over k_prog: a long-breathed tune and a busier one for the driving sections.
const Tone k_melody_a[] = {{0, 1.5, 69},  {1.5, 0.5, 65},  {2, 1, 69},     {3, 1, 72},   {4, 2, 74},     {6, 1, 72},
                           {7, 1, 70},    {8, 3, 69},      {11, 0.5, 67},  {11.5, 0.5, 65}, {12, 2, 67}, {14, 1, 64},
                           {15, 1, 67},   {16, 1.5, 69},   {17.5, 0.5, 74}, {18, 1, 77}, {19, 1, 76},    {20, 2, 74},
                           {22, 1, 77},   {23, 1, 74},     {24, 1.5, 70},  {25.5, 1.5, 74}, {27, 1, 79}, {28, 2, 76},
                           {30, 1, 73},   {31, 1, 69}};
const Tone k_melody_b[] = {{0, 0.5, 74},    {0.5, 0.5, 72},  {1, 0.5, 69},   {1.5, 1, 74},   {2.5, 0.5, 72}, {3, 1, 69},
                           {4, 0.5, 70},    {4.5, 0.5, 74},  {5, 1, 77},     {6, 0.5, 74},   {6.5, 0.5, 72}, {7, 1, 70},
                           {8, 0.5, 72},    {8.5, 0.5, 69},  {9, 1, 65},     {10, 0.5, 69},  {10.5, 0.5, 72}, {11, 1, 77},
                           {12, 1.5, 76},   {13.5, 0.5, 72}, {14, 1, 67},    {15, 1, 72},    {16, 0.5, 74},  {16.5, 0.5, 77},
                           {17, 1, 81},     {18, 0.5, 79},   {18.5, 0.5, 77}, {19, 1, 74},   {20, 0.5, 77},  {20.5, 0.5, 74},
                           {21, 1, 70},     {22, 1, 74},     {23, 1, 77},    {24, 1, 79},    {25, 0.5, 77},  {25.5, 0.5, 74},
                           {26, 1, 70},     {27, 1, 74},     {28, 1.5, 73},  {29.5, 0.5, 76}, {30, 2, 81}};
// Six bars over k_bridge.
const Tone k_melody_bridge[] = {{0, 1.5, 70},  {1.5, 0.5, 69}, {2, 1, 67},    {3, 1, 74},   {4, 1.5, 76},  {5.5, 0.5, 74},
                                {6, 1, 72},    {7, 1, 70},     {8, 2, 69},    {10, 1, 72},  {11, 1, 76},   {12, 1.5, 77},
                                {13.5, 0.5, 76}, {14, 1, 74},  {15, 1, 69},   {16, 1, 70},  {17, 1, 67},   {18, 1, 74},
                                {19, 1, 79},   {20, 2, 73},    {22, 1, 76},   {23, 1, 79}};
// Eight bars over k_prog_fall: a rising three-note call answered by a step down.
const Tone k_melody_fall[] = {{0, 0.75, 74},  {0.75, 0.75, 77},  {1.5, 1.5, 81}, {3, 1, 79},      {4, 0.75, 72},
                              {4.75, 0.75, 76}, {5.5, 1.5, 79}, {7, 1, 77},      {8, 0.75, 70},   {8.75, 0.75, 74},
                              {9.5, 1.5, 77}, {11, 1, 76},      {12, 0.75, 73},  {12.75, 0.75, 76}, {13.5, 2.5, 81},
                              {16, 0.75, 74}, {16.75, 0.75, 77}, {17.5, 1.5, 81}, {19, 1, 82},     {20, 1.5, 81},
                              {21.5, 0.5, 79}, {22, 2, 76},     {24, 0.75, 79},  {24.75, 0.75, 77}, {25.5, 1.5, 74},
                              {27, 1, 70},    {28, 2, 73},      {30, 1, 76},     {31, 1, 69}};
// Eight bars over k_prog_turn.
const Tone k_melody_turn[] = {{0, 1, 74},    {1, 1, 77},    {2, 1.5, 81},  {3.5, 0.5, 79}, {4, 1, 79},   {5, 1, 76},
                              {6, 2, 72},    {8, 1, 72},    {9, 1, 76},    {10, 1.5, 79},  {11.5, 0.5, 77}, {12, 3, 77},
                              {15, 1, 74},   {16, 1, 70},   {17, 1, 74},   {18, 1.5, 79},  {19.5, 0.5, 77}, {20, 1, 76},
                              {21, 1, 79},   {22, 1, 79},   {23, 1, 76},   {24, 1.5, 73},  {25.5, 0.5, 76}, {26, 2, 81},
                              {28, 1, 79},   {29, 1, 76},   {30, 2, 73}};

// One short bell figure for each of the five names of the opening.
const Tone k_name_0[] = {{0, 0.5, 74}, {0.5, 0.5, 77}, {1, 1.5, 81}};
const Tone k_name_1[] = {{0, 0.5, 72}, {0.5, 0.5, 77}, {1, 0.5, 81}, {1.5, 0.5, 79}, {2, 1, 77}};
const Tone k_name_2[] = {{0, 0.5, 69}, {0.5, 0.5, 74}, {1, 1.5, 77}};
const Tone k_name_3[] = {{0, 0.5, 70}, {0.5, 0.5, 74}, {1, 0.5, 79}, {1.5, 1.5, 77}};
const Tone k_name_4[] = {{0, 0.5, 74}, {0.5, 0.5, 81}, {1, 0.5, 77}, {1.5, 0.5, 74}, {2, 1.5, 69}};
const Motif k_name_motifs[5] = {{k_name_0, std::size(k_name_0)},
                                {k_name_1, std::size(k_name_1)},
                                {k_name_2, std::size(k_name_2)},
                                {k_name_3, std::size(k_name_3)},
                                {k_name_4, std::size(k_name_4)}};
const Chord k_name_chords[5][2] = {{Dm, Bb}, {F, C}, {Dm, Bb}, {Gm, A}, {Dm, A}};

enum Groove { groove_half, groove_four };
enum BassStyle { bass_long, bass_eighths, bass_rolling };
// The colours a cut can have: the big hit is kept for the starts of sections.
enum Accent { accent_big, accent_glitch, accent_chime, accent_tom, accent_swell, accent_stab, accent_zap, accent_soft };

constexpr double k_drift_window = 0.010;   // seconds a drifting bar may start off its picture

struct Composer {
    TempoMap tempo;
    std::vector<double> entry_time;   // exact start of each entry in seconds, plus the script's end
    std::vector<double> entry_beat;   // the same on the beat axis (fractional off the grid)
    std::vector<SceneFn> entry_scene;
    Score score;
    int lift = 0;   // semitones added to every pitched note: the key of the last peak
    std::vector<double> cuts;   // times of the accents
    uint32_t noise = 0x2545F491u;

    double time_of(double beat) const { return tempo_time(tempo, beat); }

    // A small fixed-sequence variation source for velocities (humanised, but the same every run).
    float jitter(float amount)
    {
        noise ^= noise << 13;
        noise ^= noise >> 17;
        noise ^= noise << 5;
        return amount * (static_cast<float>(noise % 2001) / 1000.0f - 1.0f);
    }

    // The one way into the score: a note without length, or a pitched note without a pitch, is
    // never played.
    void hit(double start, double length, Instrument inst, double pitch, float vel, float pan = 0, float bright = 0.5f)
    {
        const bool pitched = instrument_pitched(inst);
        if (!(length > 0) || (pitched && !(pitch > 0)) || !(vel > 0)) return;
        score.notes.push_back({start, length, inst, pitched ? pitch + lift : 0.0, std::min(vel, 1.0f),
                               std::clamp(pan, -1.0f, 1.0f), std::clamp(bright, 0.0f, 1.0f)});
    }

    void note(double beat, double length, Instrument inst, double pitch, float vel, float pan = 0, float bright = 0.5f)
    {
        const double start = time_of(beat);
        hit(start, time_of(beat + length) - start, inst, pitch, vel, pan, bright);
    }

    bool is_static(int e) const
    {
        return entry_scene[e] == scene_static || entry_scene[e] == scene_static_flicker || entry_scene[e] == scene_polygons_2;
    }

    // The first grid position at or after `beat`, in steps of `step` beats.
    static double grid_after(double beat, double step) { return std::ceil(beat / step - 1e-6) * step; }

    // Chord tones folded into one octave from `low`, for pads and stabs.
    static int voiced(const Chord& c, int i, int low)
    {
        int p = (c.root + c.tones[i]) % 12 + low - low % 12;
        while (p < low) p += 12;
        while (p >= low + 12) p -= 12;
        return p;
    }

    void pad(double beat, double length, const Chord& c, float vel, float bright)
    {
        for (int i = 0; i < 4; ++i) note(beat, length, inst_pad, voiced(c, i, 53), vel, i % 2 ? 0.35f : -0.35f, bright);
        note(beat, length, inst_pad, c.root + 12, vel * 0.8f, 0, bright * 0.6f);
    }

    void stab(double beat, double length, const Chord& c, float vel, float bright)
    {
        for (int i = 0; i < 3; ++i) note(beat, length, inst_stab, voiced(c, i, 60), vel, (i - 1) * 0.45f, bright);
    }

    void chord_hit(double time, double length, Instrument inst, const Chord& c, int low, float vel, float bright)
    {
        for (int i = 0; i < 3; ++i) hit(time, length, inst, voiced(c, i, low), vel, (i - 1) * 0.45f, bright);
    }

    // The accent of a cut, at the exact start of entry `e`; `variant` turns the same kind of cut
    // into a different sound each time it comes back.
    void accent(int e, Accent kind, const Chord& c, float s, int variant = 0)
    {
        const double t = entry_time[e];
        cuts.push_back(t);
        const float side = variant % 2 ? 0.3f : -0.3f;
        switch (kind) {
        case accent_big: {   // crash, chord stab, clap and a short sub thump
            hit(t, 1.6, inst_crash, 0, 0.7f * s, 0.2f);
            chord_hit(t, 0.35, inst_stab, c, 60, 0.65f * s, 0.9f);
            hit(t, 0.1, inst_clap, 0, 0.55f * s, -0.1f);
            // The thump belongs to the kick: on the grid beat when the cut is that close to it.
            const double beat = std::round(entry_beat[e]);
            hit(std::fabs(beat - entry_beat[e]) < 0.1 ? time_of(beat) : t, 0.35, inst_boom, 0, 0.6f * s);
            break;
        }
        case accent_glitch:   // a burst of static, a falling blip and a rim click
            hit(t, 0.1, inst_static, 0, 0.85f * s, side, 0.9f);
            hit(t, 0.07, inst_zap, 96 - 5 * (variant % 3), 0.5f * s, -side);
            hit(t, 0.05, inst_rim, 0, 0.6f * s, side * 0.5f);
            break;
        case accent_chime:   // a bell chord over a rim click and a shaker
            chord_hit(t, 0.5, inst_bell, c, 72 + 2 * (variant % 3), 0.4f * s, 0.6f);
            hit(t, 0.05, inst_rim, 0, 0.55f * s, -side);
            hit(t, 0.08, inst_shaker, 0, 0.5f * s, side);
            break;
        case accent_tom:   // two toms falling and a clap
            hit(t, 0.2, inst_tom, c.root + 19 + variant % 3, 0.8f * s, side);
            hit(t + 0.09, 0.2, inst_tom, c.root + 12 + variant % 3, 0.7f * s, -side);
            hit(t, 0.1, inst_clap, 0, 0.5f * s, 0.05f);
            break;
        case accent_swell:   // a reversed cymbal that stops dead just before the cut, into a stab
            hit(t - 0.86, 0.8, inst_swell, 0, 0.5f * s, side);
            chord_hit(t, 0.3, inst_stab, c, 60, 0.55f * s, 0.8f);
            hit(t, 0.3, inst_open_hat, 0, 0.5f * s, -side);
            break;
        case accent_stab:   // a chord stab, a clap and an open hat
            chord_hit(t, 0.3, inst_stab, c, 60 + 2 * (variant % 2), 0.7f * s, 0.8f);
            hit(t, 0.1, inst_clap, 0, 0.5f * s, side);
            hit(t, 0.3, inst_open_hat, 0, 0.35f * s, -side);
            break;
        case accent_zap:   // a falling blip over a snare
            hit(t, 0.12, inst_zap, 100 - 3 * (variant % 3), 0.55f * s, side);
            hit(t, 0.1, inst_snare, 0, 0.6f * s, -side * 0.3f);
            break;
        case accent_soft:   // a cut to black: only a breath of air
            hit(t, 0.3, inst_open_hat, 0, 0.3f * s, side);
            hit(t, 0.08, inst_shaker, 0, 0.35f * s, -side);
            break;
        }
    }

    // The accent a short scene's cut gets, by what the scene shows.
    Accent scene_accent(int e, int variant) const
    {
        const SceneFn s = entry_scene[e];
        if (s == scene_static || s == scene_static_flicker) return accent_glitch;
        if (s == scene_polygons_2) return variant % 2 ? accent_zap : accent_stab;
        if (s == scene_objects_1) return accent_tom;
        if (s == scene_objects_3) return variant % 2 ? accent_swell : accent_stab;
        if (s == scene_objects_4 || s == scene_mesh || s == scene_fade_plumhelm) return accent_chime;
        return accent_stab;
    }

    // Drums on the grid from `from` to `to` (beats), bars counted from `origin`.
    void drums(double origin, double from, double to, Groove groove, float intensity)
    {
        for (double t = grid_after(from - origin, 0.25) + origin; t < to - 1e-6; t += 0.25) {
            const double b = t - origin, in_bar = std::fmod(b, 4.0);
            const bool on_beat = std::fmod(b, 1.0) == 0, on_eighth = std::fmod(b, 0.5) == 0;
            if (groove == groove_four) {
                if (on_beat) note(t, 0.1, inst_kick, 0, 0.95f + jitter(0.03f));
                if (in_bar == 1 || in_bar == 3) note(t, 0.1, inst_clap, 0, 0.75f + jitter(0.05f), 0.05f);
                if (std::fmod(b, 1.0) == 0.5) note(t, 0.5, inst_open_hat, 0, 0.35f * intensity + jitter(0.04f), 0.25f);
                else if (intensity > 0.5f || on_eighth)
                    note(t, 0.1, inst_hat, 0, (on_eighth ? 0.42f : 0.25f) * intensity + jitter(0.05f), -0.25f);
                if (intensity > 0.75f && !on_eighth) note(t, 0.1, inst_shaker, 0, 0.3f * intensity + jitter(0.05f), 0.4f);
            } else {
                if (in_bar == 0 || in_bar == 2.5 || (intensity > 0.7f && in_bar == 1.75))
                    note(t, 0.1, inst_kick, 0, 0.9f + jitter(0.03f));
                if (in_bar == 2) note(t, 0.1, inst_snare, 0, 0.8f + jitter(0.04f), 0.05f);
                if (in_bar == 3.75 && intensity > 0.4f) note(t, 0.1, inst_snare, 0, 0.25f, 0.05f);
                if (on_eighth) note(t, 0.1, inst_hat, 0, (on_beat ? 0.3f : 0.42f) * intensity + jitter(0.04f), -0.25f);
                else if (intensity > 0.75f) note(t, 0.1, inst_hat, 0, 0.18f * intensity + jitter(0.03f), -0.3f);
                if (intensity > 0.5f && !on_eighth) note(t, 0.1, inst_shaker, 0, 0.22f * intensity + jitter(0.04f), 0.4f);
            }
        }
    }

    // Bass on the grid from `from` to `to`; the notes of a rolling or eighth line are placed by
    // their grid position, so a line that starts mid-bar stays in step.
    void bass(double from, double to, const Chord& c, BassStyle style, float bright)
    {
        if (style == bass_long) {
            note(from, (to - from) * 0.97, inst_bass, c.root, 0.75f, 0, bright);
            return;
        }
        const double step = style == bass_eighths ? 0.5 : 0.25;
        for (double b = grid_after(from, step); b < to - 1e-6; b += step) {
            const int k = static_cast<int>(std::lround(b / step)) % 4;
            const bool up = style == bass_rolling ? k == 2 : k == 3;
            if (style == bass_rolling && k == 0 && b > from + 1e-6) continue;   // room for the kick
            note(b, step * 0.8, inst_bass, c.root + (up ? 12 : 0), (k % 2 ? 0.6f : 0.8f) + jitter(0.05f), 0, bright);
        }
    }

    void arp(double from, double to, const Chord& c, double step, float vel, float bright)
    {
        static const int order[8] = {0, 1, 2, 3, 2, 1, 3, 0};
        for (double b = grid_after(from, step); b < to - 1e-6; b += step) {
            const int k = static_cast<int>(std::lround(b / step)) % 8;
            note(b, step * 0.9, inst_pluck, voiced(c, order[k], 62) + (k >= 6 ? 12 : 0), vel * (k % 2 ? 0.75f : 1.0f),
                 (k % 2 ? 0.4f : -0.4f), bright);
        }
    }

    void melody(double beat, const Tone* tones, size_t count, double from, double to, Instrument inst, int shift,
                float vel, float bright)
    {
        for (size_t i = 0; i < count; ++i)
            if (tones[i].beat >= from && tones[i].beat < to)
                note(beat + tones[i].beat - from, tones[i].length * 0.95, inst, tones[i].pitch + shift,
                     vel + jitter(0.04f), 0.1f, bright);
    }
    void melody(double beat, const Motif& m, double to, Instrument inst, float vel, float bright)
    {
        melody(beat, m.tones, m.count, 0, to, inst, 0, vel, bright);
    }

    // Risers stop an eighth and rolls a sixteenth short of the beat they lead to, so the hit lands
    // in air.
    void riser(double beat, double length, float vel) { note(beat, length - 0.5, inst_riser, 50, vel, 0, 0.5f); }

    void snare_roll(double beat, double length, float vel)
    {
        double step = 0.5;
        for (double b = 0; b < length - 0.25 - 1e-6; b += step) {
            const double f = b / length;
            note(beat + b, 0.1, inst_snare, 0, vel * static_cast<float>(0.35 + 0.65 * f), 0.05f);
            if (f > 0.4) step = 0.25;
            if (f > 0.75) step = 0.125;
        }
    }

    // Colour for a short scene, held exactly as long as the scene is on screen.
    void scene_colour(int e, double grid, const Chord& c, float level)
    {
        const double b = entry_beat[e], end = entry_beat[e + 1];
        if (is_static(e))
            hit(entry_time[e], entry_time[e + 1] - entry_time[e], inst_static, 0, 0.5f * level, 0, 0.6f);
        else if (entry_scene[e] == scene_mesh || entry_scene[e] == scene_fade_plumhelm)
            melody(grid, k_name_motifs[4], end - grid, inst_bell, 0.45f * level, 0.5f);
        else
            arp(std::max(b, grid), end, c, 0.25, 0.45f * level, 0.8f);
    }

    void compose();
    void opening();
    void names();
    void build();
    void drive();
    void long_a();
    void interlude();
    void long_b();
    void ending();
};

void Composer::opening()
{
    // Static crackle on the two flicker entries, a dark drone beneath the black ones.
    accent(0, accent_glitch, Dm, 1.0f, 0);
    hit(entry_time[0], entry_time[1] - entry_time[0], inst_static, 0, 0.55f, 0, 0.5f);
    pad(entry_beat[1], 8 - entry_beat[1] + 0.5, Dm, 0.3f, 0.12f);
    note(entry_beat[1], 8 - entry_beat[1], inst_bass, Dm.root, 0.5f, 0, 0.1f);
    accent(2, accent_glitch, Dm, 1.0f, 1);
    hit(entry_time[2], entry_time[3] - entry_time[2], inst_static, 0, 0.65f, 0, 0.65f);
    note(8, 2, inst_crash, 0, 0.35f);
    pad(entry_beat[3], 16 - entry_beat[3] + 0.5, Bb, 0.32f, 0.18f);
    note(entry_beat[3], 16 - entry_beat[3], inst_bass, Bb.root, 0.55f, 0, 0.12f);
    for (double b = 12; b < 16; b += 1) note(b, 0.1, inst_kick, 0, 0.3f + 0.08f * static_cast<float>(b - 11));
    riser(entry_beat[3] + 0.5, 16 - entry_beat[3] - 0.5, 0.45f);
}

void Composer::names()
{
    static const Accent kinds[5] = {accent_big, accent_swell, accent_stab, accent_swell, accent_big};
    for (int k = 0; k < 5; ++k) {
        const int strobe = 4 + 2 * k, fade = strobe + 1;
        const double s = 16 + 8 * k, f = entry_beat[fade], end = s + 8;
        const Chord& c1 = k_name_chords[k][0];
        const Chord& c2 = k_name_chords[k][1];
        accent(strobe, kinds[k], c1, 0.7f + 0.05f * k, k);
        // The strobe's flashes echo as fading chord hits, silent before the name settles.
        for (double b = s + 0.5; b < f - 0.4; b += 0.5)
            stab(b, 0.3, c1, 0.32f * static_cast<float>(1.0 - (b - s) / 3.5), 0.6f);
        melody(s, k_name_motifs[k], f - s, inst_bell, 0.45f, 0.6f);
        pad(s, f - s, c1, 0.22f, 0.3f);
        // The fade rings in the answering chord over a pulse that grows name by name.
        accent(fade, accent_chime, c2, 0.7f + 0.05f * k, k);
        pad(f, end - f, c2, 0.28f, 0.25f + 0.06f * k);
        note(f, end - f, inst_bass, c2.root, 0.5f, 0, 0.15f + 0.05f * k);
        for (double b = grid_after(f + 0.25, 1.0); b < end - 1e-6; b += 1) {
            if (k >= 1) note(b, 0.1, inst_kick, 0, 0.35f + 0.1f * k);
            if (k >= 2) note(b + 0.5, 0.1, inst_hat, 0, 0.2f + 0.05f * k, -0.25f);
        }
        if (k >= 3) bass(s, f, c1, bass_eighths, 0.25f + 0.05f * k);
        if (k == 4) riser(f + 2, end - f - 2, 0.5f);
    }
}

void Composer::build()
{
    static const Chord chords[7][2] = {{Dm, Bb}, {F, C}, {Dm, Bb}, {Gm, A}, {Dm, Bb}, {F, C}, {Gm, A}};
    for (int c = 0; c < 7; ++c) {
        const int scene = 14 + 2 * c, gap = scene + 1;
        const float rise = c / 6.0f;
        const double s = 56 + 8 * c, g = entry_beat[gap], end = s + 8;
        accent(scene, c == 0 ? accent_big : scene_accent(scene, c), chords[c][0], 0.85f + 0.15f * rise, c);
        scene_colour(scene, s, chords[c][0], 0.8f + 0.2f * rise);
        pad(s, g - s, chords[c][0], 0.28f, 0.3f + 0.4f * rise);
        bass(s, g, chords[c][0], bass_eighths, 0.3f + 0.5f * rise);
        // The cut to black takes the scene's colour away and leaves the pulse.
        accent(gap, accent_soft, chords[c][1], 0.8f, c);
        pad(g, end - g, chords[c][1], 0.3f, 0.3f + 0.4f * rise);
        drums(s, s, end - (c == 6 ? 3 : 0), groove_half, 0.35f + 0.6f * rise);
        if (c < 6) {
            bass(g, end, chords[c][1], bass_eighths, 0.3f + 0.5f * rise);
            if (c >= 2) {
                // The bar of the tune that was written over this chord.
                int bar = 7;
                while (bar > 0 && k_prog[bar].root != chords[c][1].root) --bar;
                melody(s + 4, k_melody_a, std::size(k_melody_a), bar * 4, bar * 4 + 4, inst_lead, 0, 0.35f + 0.15f * rise, 0.4f);
            }
        } else {
            bass(g, end - 1, chords[c][1], bass_eighths, 0.8f);
            snare_roll(s + 4, 4, 0.85f);
            riser(g, end - g, 0.7f);
        }
    }
}

void Composer::drive()
{
    // Entry 28: three beats of pickup at the drive's start; then twenty one-beat entries over a
    // steady four-to-the-floor, each entry's own chord hit landing on its cut.
    const double p = 112;
    accent(28, accent_big, Dm, 1.0f);
    for (int b = 0; b < 3; ++b) note(p + b, 0.1, inst_kick, 0, 0.95f);
    snare_roll(p + 1, 2, 0.7f);
    bass(p, p + 3, Dm, bass_rolling, 0.7f);
    pad(p, 3, Dm, 0.3f, 0.6f);
    static const Chord chords[5] = {Dm, Bb, F, C, Gm};
    const double d = 115;   // the drive's first beat: entry 29
    drums(d, d, d + 20, groove_four, 0.9f);
    for (int bar = 0; bar < 5; ++bar) {
        const double b = d + 4 * bar;
        bass(b, b + 4, chords[bar], bass_rolling, 0.6f + 0.08f * bar);
        arp(b, b + 4, chords[bar], 0.25, 0.3f, 0.7f);
        pad(b, 4, chords[bar], 0.26f, 0.7f);
    }
    for (int e = 29; e <= 48; ++e) {
        const int i = e - 29;
        const Chord& c = chords[i / 4];
        const double t = entry_time[e];
        const float side = i % 2 ? 0.3f : -0.3f;
        chord_hit(t, 0.25, inst_stab, c, 60 + 2 * (i % 2), 0.7f + (i % 4 == 0 ? 0.1f : 0.0f), 0.6f + 0.12f * (i % 4));
        switch (i % 4) {
        case 0:
            hit(t, 1.2, inst_crash, 0, i ? 0.55f : 0.7f, 0.2f);
            hit(t, 0.1, inst_clap, 0, 0.7f, -0.05f);
            break;
        case 1:
            hit(t, 0.05, inst_rim, 0, 0.75f, side);
            hit(t, 0.1, inst_snare, 0, 0.6f, -side);
            break;
        case 2:
            hit(t, 0.08, inst_zap, 98 - i / 4, 0.55f, side);
            hit(t, 0.1, inst_clap, 0, 0.65f, -side);
            break;
        default:
            hit(t, 0.2, inst_tom, c.root + 19, 0.7f, side);
            hit(t, 0.1, inst_snare, 0, 0.6f, -side);
            break;
        }
    }
    // Entry 49: the drive breaks off on the dominant; a sweep and a roll on the coming grid lead
    // into the long section.
    accent(49, accent_swell, A, 1.0f, 1);
    pad(entry_beat[49], 140 - entry_beat[49], A, 0.4f, 0.5f);
    riser(entry_beat[49], 140 - entry_beat[49], 0.8f);
    snare_roll(137, 3, 0.8f);
}

void Composer::long_a()
{
    // Wave floor: eight open bars, bell tune over pads and echoing plucks.
    const double w = 140;
    accent(50, accent_big, Dm, 1.0f);
    for (int bar = 0; bar < 8; ++bar) {
        const double b = w + bar * 4;
        pad(b, 4, k_prog[bar], 0.34f, 0.45f + 0.03f * bar);
        bass(b, b + 4, k_prog[bar], bass_long, 0.3f);
        arp(b, b + 4, k_prog[bar], 0.5, 0.35f, 0.5f);
        note(b, 0.1, inst_kick, 0, 0.7f);
        if (bar >= 2) drums(w, b, b + 4, groove_half, 0.3f + 0.05f * bar);
    }
    melody(w, k_melody_a, std::size(k_melody_a), 0, 32, inst_bell, 12, 0.45f, 0.5f);
    // Terrain 1 and 2: two one-bar turns, a tom fill and a roll.
    accent(51, accent_tom, Gm, 0.9f, 1);
    pad(172, 4, Gm, 0.35f, 0.6f);
    bass(172, 176, Gm, bass_eighths, 0.5f);
    drums(172, 172, 176, groove_half, 0.8f);
    accent(52, accent_stab, A, 0.9f, 1);
    pad(176, 4, A, 0.35f, 0.6f);
    bass(176, 180, A, bass_eighths, 0.6f);
    for (int b = 0; b < 4; ++b) note(176 + b, 0.1, inst_kick, 0, 0.85f);
    snare_roll(176, 4, 0.8f);
    riser(176, 4, 0.6f);
    // Terrain 3: the bridge, six bars round the circle of fifths with its own tune on the lead.
    const double t3 = 180;
    accent(53, accent_swell, k_bridge[0], 1.0f, 0);
    for (int bar = 0; bar < 6; ++bar) {
        const double b = t3 + bar * 4;
        pad(b, 4, k_bridge[bar], 0.3f, 0.55f);
        bass(b, b + 4, k_bridge[bar], bass_eighths, 0.5f + 0.04f * bar);
        drums(t3, b, b + 4, groove_half, 0.8f);
        arp(b, b + 4, k_bridge[bar], 0.5, 0.25f, 0.65f);
    }
    melody(t3, k_melody_bridge, std::size(k_melody_bridge), 0, 24, inst_lead, 0, 0.55f, 0.55f);
    // Terrain 4 and polygons 3: sixteen bars four to the floor, the busy tune, then both tunes.
    for (int part = 0; part < 2; ++part) {
        const int e = 54 + part;
        const double s = 204 + 32 * part;
        accent(e, accent_big, Dm, 1.0f, part);
        for (int bar = 0; bar < 8; ++bar) {
            const double b = s + bar * 4;
            const Chord& c = k_prog[bar];
            pad(b, 4, c, 0.3f, 0.6f + 0.2f * part);
            bass(b, b + 4, c, bass_rolling, 0.6f + 0.1f * part);
            const bool last = part == 1 && bar == 7;
            drums(s, b, b + (last ? 3 : 4), groove_four, 0.7f + 0.3f * part);
            arp(b, b + 4, c, 0.25, 0.22f + 0.08f * part, 0.6f);
            if (bar % 2 == 0 && bar > 0) note(b, 2, inst_crash, 0, 0.45f, -0.2f);
        }
        melody(s, k_melody_b, std::size(k_melody_b), 0, 32, inst_lead, part * 12, 0.5f, 0.55f + 0.15f * part);
        if (part == 1) melody(s, k_melody_a, std::size(k_melody_a), 0, 32, inst_bell, 12, 0.4f, 0.5f);
    }
    riser(264, 4, 0.6f);
}

void Composer::interlude()
{
    // Entries 56 to 70: scene and black pairs again, quieter, with echoing stabs and a dub pulse.
    static const Chord chords[8][2] = {{Dm, Bb}, {F, C}, {Gm, A}, {Dm, Bb}, {F, C}, {Gm, A}, {Bb, C}, {Dm, Dm}};
    for (int k = 0; k < 8; ++k) {
        const int scene = 56 + 2 * k, gap = scene + 1;
        const double s = 268 + 8 * k, g = entry_beat[gap];
        const Chord& c1 = chords[k][0];
        accent(scene, k == 0 ? accent_big : scene_accent(scene, k), c1, 0.85f, k);
        scene_colour(scene, s, c1, 0.8f);
        pad(s, g - s, c1, 0.28f, 0.35f);
        bass(s, g, c1, bass_long, 0.25f);
        if (k == 7) break;   // entry 71 is short and entry 72 is the helmet
        const Chord& c2 = chords[k][1];
        accent(gap, accent_soft, c2, 0.8f, k);
        pad(g, s + 8 - g, c2, 0.3f, 0.3f);
        bass(g, s + 8, c2, bass_long, 0.2f);
        for (double b = 0; b < 8 - 1e-6; b += 2) {
            note(s + b, 0.1, inst_kick, 0, 0.6f);
            note(s + b + 1, 0.1, inst_clap, 0, 0.45f, -0.1f);
            note(s + b + 1.5, 0.1, inst_hat, 0, 0.3f, 0.3f);
            note(s + b + 0.75, 0.1, inst_shaker, 0, 0.3f, 0.4f);
        }
    }
    // Entry 71: a breath; entry 72: the helmet's big hit and its bell figure, then a sweep.
    const double br = entry_beat[71];
    riser(br, entry_beat[72] - br, 0.5f);
    snare_roll(grid_after(br, 0.5), entry_beat[72] - grid_after(br, 0.5), 0.6f);
    const double h = entry_beat[72];
    accent(72, accent_big, Dm, 1.0f, 1);
    melody(h, k_name_motifs[4], 332 - h, inst_bell, 0.65f, 0.6f);
    pad(h, 332 - h, Dm, 0.38f, 0.5f);
    note(h, 332 - h, inst_bass, Dm.root, 0.7f, 0, 0.3f);
    riser(h + 1.5, 332 - h - 1.5, 0.6f);
}

void Composer::long_b()
{
    // Objects 2: sixteen bars of new material over a falling line; the first eight float with the
    // tune on the bell, the second eight bring the groove back with the tune on the lead.
    const double o = 332;
    accent(73, accent_big, Dm, 1.0f, 2);
    for (int bar = 0; bar < 16; ++bar) {
        const double b = o + bar * 4;
        const Chord& c = k_prog_fall[bar % 8];
        pad(b, 4, c, bar < 8 ? 0.27f : 0.32f, 0.4f + 0.02f * bar);
        arp(b, b + 4, c, bar < 8 ? 0.75 : 0.5, 0.26f + 0.015f * bar, 0.45f + 0.02f * bar);
        if (bar < 8) {
            bass(b, b + 4, c, bass_long, 0.3f);
            if (bar >= 4)
                for (double hb = 0.5; hb < 4; hb += 1) note(b + hb, 0.1, inst_hat, 0, 0.25f, -0.2f);
            note(b, 0.1, inst_kick, 0, 0.6f);
            if (bar % 2 == 1) note(b + 2, 0.1, inst_rim, 0, 0.45f, 0.3f);
        } else {
            bass(b, b + 4, c, bass_eighths, 0.5f);
            drums(o, b, b + 4, groove_half, 0.65f + 0.04f * (bar - 8));
        }
        if (bar == 8) note(b, 2, inst_crash, 0, 0.6f);
    }
    melody(o, k_melody_fall, std::size(k_melody_fall), 0, 32, inst_bell, 0, 0.42f, 0.5f);
    melody(o + 32, k_melody_fall, std::size(k_melody_fall), 0, 32, inst_lead, 0, 0.55f, 0.5f);
    riser(o + 60, 4, 0.55f);
    // Mesh: the turn through the minor five, the full band under its answering tune.
    const double m = 396;
    accent(74, accent_big, k_prog_turn[0], 1.0f, 3);
    for (int bar = 0; bar < 8; ++bar) {
        const double b = m + bar * 4;
        const Chord& c = k_prog_turn[bar];
        pad(b, 4, c, 0.3f, 0.65f);
        bass(b, b + 4, c, bass_rolling, 0.65f);
        drums(m, b, b + 4, groove_four, 0.85f);
        arp(b, b + 4, c, 0.25, 0.25f, 0.65f);
        if (bar % 2 == 0 && bar > 0) note(b, 2, inst_crash, 0, 0.45f, 0.2f);
    }
    melody(m, k_melody_turn, std::size(k_melody_turn), 0, 32, inst_lead, 0, 0.55f, 0.6f);
    melody(m + 16, k_melody_fall, std::size(k_melody_fall), 16, 32, inst_bell, 12, 0.3f, 0.5f);
    riser(m + 28, 4, 0.6f);
    // Objects 4: the last peak, a whole tone up, with both tunes of the first section.
    lift = 2;
    const double s = 428;
    accent(75, accent_big, Dm, 1.0f, 4);
    note(s - 0.5, 0.1, inst_snare, 0, 0.8f);
    for (int bar = 0; bar < 8; ++bar) {
        const double b = s + bar * 4;
        const Chord& c = k_prog[bar];
        pad(b, 4, c, 0.3f, 0.8f);
        const bool last = bar == 7;
        bass(b, b + (last ? 2 : 4), c, bass_rolling, 0.75f);
        drums(s, b, b + (last ? 2 : 4), groove_four, 1.0f);
        arp(b, b + 4, c, 0.25, 0.3f, 0.65f);
        if (bar % 2 == 0 && bar > 0) note(b, 2, inst_crash, 0, 0.45f, 0.2f);
    }
    melody(s, k_melody_a, std::size(k_melody_a), 0, 32, inst_lead, 12, 0.55f, 0.6f);
    melody(s, k_melody_b, std::size(k_melody_b), 0, 32, inst_bell, 12, 0.35f, 0.5f);
    riser(s + 28, 4, 0.7f);
}

void Composer::ending()
{
    // Entries 76 to 81, in the lifted key: three flicker and black pairs over a dark pulse.
    static const Chord chords[3][2] = {{Dm, Bb}, {Gm, A}, {Bb, A}};
    for (int k = 0; k < 3; ++k) {
        const int scene = 76 + 2 * k, gap = scene + 1;
        const double s = 460 + 8 * k, g = entry_beat[gap];
        accent(scene, accent_glitch, chords[k][0], 0.95f + 0.05f * k, k);
        if (k == 0) hit(entry_time[scene], 1.2, inst_crash, 0, 0.6f, -0.2f);
        scene_colour(scene, s, chords[k][0], 0.9f);
        pad(s, g - s, chords[k][0], 0.3f, 0.3f);
        accent(gap, accent_soft, chords[k][1], 0.9f, k);
        pad(g, s + 8 - g, chords[k][1], 0.34f, 0.3f + 0.1f * k);
        note(s, k == 2 ? 7.5 : 8, inst_bass, chords[k][0].root, 0.6f, 0, 0.2f);
        for (double b = 0; b < 8 - 1e-6; b += 1) {
            note(s + b, 0.1, inst_kick, 0, 0.5f + 0.1f * k);
            if (k == 2 && b >= 3) note(s + b + 0.5, 0.1, inst_hat, 0, 0.3f, -0.2f);
        }
    }
    snare_roll(477, 6.75, 0.8f);
    riser(entry_beat[81], 484 - entry_beat[81], 0.75f);
    // Entries 82 to 90: nine slices of about 125 ms, a chord hit climbing on each, every sound
    // cut off before the next slice.
    for (int e = 82; e <= 90; ++e) {
        const int i = e - 82;
        const double t = entry_time[e], len = entry_time[e + 1] - t;
        Chord c = A;
        c.root += i;
        chord_hit(t, len * 0.4, inst_stab, c, 60 + i, 0.8f + 0.02f * i, 0.55f + 0.05f * i);
        hit(t, 0.05, inst_rim, 0, 0.8f + 0.02f * i, (i % 2) ? 0.3f : -0.3f);
        if (i == 0) hit(t, 0.06, inst_zap, 86, 0.7f, -0.2f);
        if (is_static(e)) hit(t, len * 0.45, inst_static, 0, 0.7f, (i % 2) ? -0.4f : 0.4f, 0.8f);
        else if (entry_scene[e] == scene_terrain_3) hit(t, 0.06, inst_zap, 90 + i, 0.6f, 0.2f);
        else hit(t, 0.05, inst_rim, 0, 0.7f, -0.2f);
    }
    // Entry 91: the last chord, struck once and left to ring out. Every voice of it decays by
    // itself (a stab loses about 30 dB a second, a pluck more) and closes with its short release
    // just before the script's end, so the music ends rather than being faded out.
    const double t = entry_time[91], ring = entry_time[92] - t - 0.6;
    cuts.push_back(t);
    chord_hit(t, ring, inst_stab, Dm, 60, 0.75f, 0.85f);
    chord_hit(t, ring, inst_stab, Dm, 50, 0.55f, 0.6f);
    hit(t, ring, inst_stab, Dm.root, 0.6f, 0, 0.4f);
    hit(t, 0.35, inst_boom, 0, 0.6f);
    hit(t, 0.1, inst_clap, 0, 0.55f, -0.1f);
    for (int i = 0; i < 4; ++i)   // a rolled chord on top
        hit(t + 0.09 * i, 0.8, inst_pluck, voiced(Dm, i, 74), 0.45f, i % 2 ? 0.4f : -0.4f, 0.7f);
}

void Composer::compose()
{
    opening();
    names();
    build();
    drive();
    long_a();
    interlude();
    long_b();
    ending();
    // A grid drum that falls just before a cut would blunt the cut's own hit: it stays on its
    // beat but plays softer. Closer than 12 ms the two are heard as one stroke and stay as they are.
    for (NoteEvent& n : score.notes) {
        if (n.instrument != inst_kick && n.instrument != inst_clap && n.instrument != inst_snare) continue;
        for (double t : cuts)
            if (t - n.start > 0.012 && t - n.start < 0.04) n.velocity *= 0.55f;
    }
}

// The beat each bar-opening entry is tied to, and how the tempo is held between them: the short
// scenes drift, the quick polygon run and the long sections keep one tempo each.
void tempo_build(TempoMap& map, const std::vector<double>& start)
{
    auto anchors = [&](std::initializer_list<std::pair<int, double>> list) {
        std::vector<TempoAnchor> a;
        for (const auto& p : list) a.push_back({p.second, start[p.first]});
        return a;
    };
    std::vector<TempoAnchor> drive;
    for (int e = 29; e <= 49; ++e) drive.push_back({115.0 + (e - 29), start[e]});
    // The drive's three beats of pickup keep one tempo of their own, so that the drive's quicker
    // tempo arrives at a stroke on its first downbeat rather than lurching in across the pickup.
    TempoMap drive_line;
    tempo_add_steady(drive_line, drive);
    tempo_add_steady(map, {{112, start[28]}, {115, drive_line.knots.front().time}});
    tempo_add_steady(map, drive);
    tempo_add_steady(map, anchors({{50, 140}, {51, 172}, {52, 176}, {53, 180}, {54, 204}, {55, 236}, {56, 268}}));
    tempo_add_steady(map, anchors({{73, 332}, {74, 396}, {75, 428}, {76, 460}}));
    std::vector<TempoAnchor> opening;
    for (int e = 0; e <= 28; e += 2) opening.push_back({4.0 * e, start[e]});
    tempo_add_drifting(map, opening, k_drift_window);
    std::vector<TempoAnchor> inter;
    for (int e = 56; e <= 70; e += 2) inter.push_back({268 + 4.0 * (e - 56), start[e]});
    inter.push_back({332, start[73]});
    tempo_add_drifting(map, inter, k_drift_window);
    tempo_add_drifting(map, anchors({{76, 460}, {78, 468}, {80, 476}, {82, 484}, {91, 487}}), k_drift_window);
}

}  // namespace

Score score_compose(const TimelineEntry* timeline)
{
    Composer c;
    c.entry_time.push_back(0);
    for (int e = 0; e < k_timeline_entries; ++e) {
        c.entry_time.push_back(timeline[e].end_ms / 1000.0);
        c.entry_scene.push_back(timeline[e].scene);
    }
    tempo_build(c.tempo, c.entry_time);
    for (double t : c.entry_time) c.entry_beat.push_back(tempo_beat(c.tempo, t));
    c.compose();
    // The last chord dies away with the picture and is gone by the script's end; the file runs on
    // in silence to its usual length.
    c.score.length_seconds = c.entry_time.back() + 3.5;
    std::stable_sort(c.score.notes.begin(), c.score.notes.end(),
                     [](const NoteEvent& a, const NoteEvent& b) { return a.start < b.start; });
    return c.score;
}
