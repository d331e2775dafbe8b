// The soundtrack's composition, written against the Timeline: every entry start becomes a beat
// anchor (beats of about 375 ms, stretched a little per entry so each start lands on its beat),
// and each stretch of the script gets its own arrangement in D minor: a tense pulse under the
// opening names, a build, a driving run through the quick polygon entries, two long open
// sections with melody, a stutter before the end and a last chord that fades with the picture.
#include <algorithm>
#include <cmath>
#include <iterator>

#include "music.h"
#include "shell/scene_list.h"
#include "shell/timeline.h"

namespace {

constexpr double k_beat = 0.375;   // seconds: 160 beats a minute

struct Chord {
    int root;        // bass note, MIDI 34..47
    int tones[4];    // intervals above the root
};
const Chord Dm{38, {0, 3, 7, 14}};
const Chord Bb{46, {0, 4, 7, 11}};
const Chord F{41, {0, 4, 7, 14}};
const Chord C{36, {0, 4, 7, 10}};
const Chord Gm{43, {0, 3, 7, 10}};
const Chord A{45, {0, 4, 7, 10}};
const Chord k_prog[8] = {Dm, Bb, F, C, Dm, Bb, Gm, A};

struct Tone {
    double beat, length;
    int pitch;
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

// One short bell figure for each of the five names of the opening.
const Tone k_name_motifs[5][5] = {
    {{0, 0.5, 74}, {0.5, 0.5, 77}, {1, 1.5, 81}, {0, 0, 0}, {0, 0, 0}},
    {{0, 0.5, 72}, {0.5, 0.5, 77}, {1, 0.5, 81}, {1.5, 0.5, 79}, {2, 1, 77}},
    {{0, 0.5, 69}, {0.5, 0.5, 74}, {1, 1.5, 77}, {0, 0, 0}, {0, 0, 0}},
    {{0, 0.5, 70}, {0.5, 0.5, 74}, {1, 0.5, 79}, {1.5, 1.5, 77}, {0, 0, 0}},
    {{0, 0.5, 74}, {0.5, 0.5, 81}, {1, 0.5, 77}, {1.5, 0.5, 74}, {2, 1.5, 69}},
};
const Chord k_name_chords[5][2] = {{Dm, Bb}, {F, C}, {Dm, Bb}, {Gm, A}, {Dm, A}};

enum Groove { groove_half, groove_four };
enum BassStyle { bass_long, bass_eighths, bass_rolling };

struct Composer {
    std::vector<double> anchor_beat, anchor_time;   // one per entry start, plus the last end
    std::vector<double> entry_beat;                 // start beat of each entry
    std::vector<SceneFn> entry_scene;
    Score score;
    uint32_t noise = 0x2545F491u;

    double time_of(double beat) const
    {
        if (beat >= anchor_beat.back()) return anchor_time.back() + (beat - anchor_beat.back()) * k_beat;
        if (beat <= 0) return beat * k_beat;
        const size_t k = std::upper_bound(anchor_beat.begin(), anchor_beat.end(), beat) - anchor_beat.begin() - 1;
        return anchor_time[k] + (beat - anchor_beat[k]) * (anchor_time[k + 1] - anchor_time[k]) /
                                    (anchor_beat[k + 1] - anchor_beat[k]);
    }

    // A small fixed-sequence variation source for velocities (humanised, but the same every run).
    float jitter(float amount)
    {
        noise ^= noise << 13;
        noise ^= noise >> 17;
        noise ^= noise << 5;
        return amount * (static_cast<float>(noise % 2001) / 1000.0f - 1.0f);
    }

    void note(double beat, double length, Instrument inst, double pitch, float vel, float pan = 0, float bright = 0.5f)
    {
        const double start = time_of(beat);
        score.notes.push_back({start, std::max(0.01, time_of(beat + length) - start), inst, pitch,
                               std::clamp(vel, 0.0f, 1.0f), pan, std::clamp(bright, 0.0f, 1.0f)});
    }

    double entry_length(int e) const { return entry_beat[e + 1] - entry_beat[e]; }

    // Chord tones folded into one octave from F3, for pads and stabs.
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

    // The accent that marks an entry's start: a crash, a sub drop and a chord hit.
    void accent(double beat, const Chord& c, float strength)
    {
        note(beat, 2, inst_crash, 0, 0.75f * strength, 0.2f);
        note(beat, 2, inst_boom, 0, 0.9f * strength);
        note(beat, 0.1, inst_kick, 0, 1.0f * strength);
        stab(beat, 0.75, c, 0.7f * strength, 0.9f);
    }

    void drums(double beat, double length, Groove groove, float intensity)
    {
        for (double b = 0; b < length - 1e-9; b += 0.25) {
            const double t = beat + b, in_bar = std::fmod(b, 4.0);
            const bool on_beat = std::fmod(b, 1.0) == 0, on_eighth = std::fmod(b, 0.5) == 0;
            if (groove == groove_four) {
                if (on_beat) note(t, 0.1, inst_kick, 0, 0.95f + jitter(0.03f));
                if (in_bar == 1 || in_bar == 3) note(t, 0.1, inst_clap, 0, 0.75f + jitter(0.05f), 0.05f);
                if (std::fmod(b, 1.0) == 0.5) note(t, 0.5, inst_open_hat, 0, 0.35f * intensity + jitter(0.04f), 0.25f);
                else if (intensity > 0.5f || on_eighth)
                    note(t, 0.1, inst_hat, 0, (on_eighth ? 0.42f : 0.25f) * intensity + jitter(0.05f), -0.25f);
            } else {
                if (in_bar == 0 || in_bar == 2.5 || (intensity > 0.7f && in_bar == 1.75))
                    note(t, 0.1, inst_kick, 0, 0.9f + jitter(0.03f));
                if (in_bar == 2) note(t, 0.1, inst_snare, 0, 0.8f + jitter(0.04f), 0.05f);
                if (in_bar == 3.75 && intensity > 0.4f) note(t, 0.1, inst_snare, 0, 0.25f, 0.05f);
                if (on_eighth) note(t, 0.1, inst_hat, 0, (on_beat ? 0.3f : 0.42f) * intensity + jitter(0.04f), -0.25f);
                else if (intensity > 0.75f) note(t, 0.1, inst_hat, 0, 0.18f * intensity + jitter(0.03f), -0.3f);
            }
        }
    }

    void bass(double beat, double length, const Chord& c, BassStyle style, float bright)
    {
        if (style == bass_long) {
            note(beat, length * 0.97, inst_bass, c.root, 0.75f, 0, bright);
            return;
        }
        const double step = style == bass_eighths ? 0.5 : 0.25;
        int k = 0;
        for (double b = 0; b < length - 1e-9; b += step, ++k) {
            const bool up = style == bass_rolling ? (k % 4 == 2) : (k % 4 == 3);
            if (style == bass_rolling && k % 4 == 0 && b > 0) continue;   // room for the kick
            note(beat + b, step * 0.8, inst_bass, c.root + (up ? 12 : 0), (k % 2 ? 0.6f : 0.8f) + jitter(0.05f), 0,
                 bright);
        }
    }

    void arp(double beat, double length, const Chord& c, double step, float vel, float bright)
    {
        static const int order[8] = {0, 1, 2, 3, 2, 1, 3, 0};
        int k = 0;
        for (double b = 0; b < length - 1e-9; b += step, ++k) {
            const int i = order[k % 8];
            note(beat + b, step * 0.9, inst_pluck, voiced(c, i, 62) + (k % 8 >= 6 ? 12 : 0),
                 vel * (k % 2 ? 0.75f : 1.0f), (k % 2 ? 0.4f : -0.4f), bright);
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

    void riser(double beat, double length, float vel) { note(beat, length, inst_riser, 50, vel, 0, 0.5f); }

    void snare_roll(double beat, double length, float vel)
    {
        double step = 0.5;
        for (double b = 0; b < length - 1e-9; b += step) {
            const double f = b / length;
            note(beat + b, 0.1, inst_snare, 0, vel * static_cast<float>(0.35 + 0.65 * f), 0.05f);
            if (f > 0.4) step = 0.25;
            if (f > 0.75) step = 0.125;
        }
    }

    bool is_static(int e) const
    {
        return entry_scene[e] == scene_static || entry_scene[e] == scene_static_flicker || entry_scene[e] == scene_polygons_2;
    }

    // Colour for a short scene's start, chosen by what the scene shows.
    void scene_colour(int e, const Chord& c, float level)
    {
        const double b = entry_beat[e], len = entry_length(e);
        if (is_static(e))
            note(b, len, inst_static, 0, 0.55f * level, 0, 0.6f);
        else if (entry_scene[e] == scene_mesh || entry_scene[e] == scene_fade_plumhelm)
            melody(b, k_name_motifs[4], 5, 0, len, inst_bell, 0, 0.5f * level, 0.5f);
        else
            arp(b, len, c, 0.25, 0.45f * level, 0.8f);
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
    note(0, entry_length(0), inst_static, 0, 0.6f, 0, 0.5f);
    note(0, 3, inst_boom, 0, 0.8f);
    pad(entry_beat[1], entry_length(1) + 0.5, Dm, 0.3f, 0.12f);
    note(entry_beat[1], entry_length(1), inst_bass, Dm.root, 0.5f, 0, 0.1f);
    note(entry_beat[2], entry_length(2), inst_static, 0, 0.7f, 0, 0.65f);
    note(entry_beat[2], 3, inst_boom, 0, 0.7f);
    note(entry_beat[2], 2, inst_crash, 0, 0.35f);
    pad(entry_beat[3], entry_length(3) + 0.5, Bb, 0.32f, 0.18f);
    note(entry_beat[3], entry_length(3), inst_bass, Bb.root - 12, 0.55f, 0, 0.12f);
    for (double b = 1; b < entry_length(3); b += 1) note(entry_beat[3] + b, 0.1, inst_kick, 0, 0.25f + 0.08f * b);
    riser(entry_beat[3] + 1, entry_length(3) - 1, 0.45f);
}

void Composer::names()
{
    for (int k = 0; k < 5; ++k) {
        const int strobe = 4 + 2 * k, fade = strobe + 1;
        const double s = entry_beat[strobe], f = entry_beat[fade];
        const Chord& c1 = k_name_chords[k][0];
        const Chord& c2 = k_name_chords[k][1];
        accent(s, c1, 0.75f + 0.05f * k);
        // The strobe's flashes echo as fading chord hits.
        for (double b = 0.5; b < entry_length(strobe) - 1e-9; b += 0.5)
            stab(s + b, 0.3, c1, 0.42f * static_cast<float>(1.0 - b / 3.5), 0.6f);
        melody(s, k_name_motifs[k], 5, 0, 4, inst_bell, 0, 0.6f, 0.6f);
        pad(s, entry_length(strobe), c1, 0.25f, 0.3f);
        // The fade holds the answering chord over a pulse that grows name by name.
        pad(f, entry_length(fade), c2, 0.32f, 0.25f + 0.06f * k);
        note(f, 0.5, inst_open_hat, 0, 0.3f);
        note(f, entry_length(fade), inst_bass, c2.root, 0.5f, 0, 0.15f + 0.05f * k);
        for (double b = 0; b < entry_length(fade) - 1e-9; b += 1) {
            if (k >= 1) note(f + b, 0.1, inst_kick, 0, 0.35f + 0.1f * k);
            if (k >= 2) note(f + b + 0.5, 0.1, inst_hat, 0, 0.2f + 0.05f * k, -0.25f);
        }
        if (k >= 3) bass(s, entry_length(strobe), c1, bass_eighths, 0.25f + 0.05f * k);
        if (k == 4) riser(f + 2, entry_length(fade) - 2, 0.5f);
    }
}

void Composer::build()
{
    static const Chord chords[7][2] = {{Dm, Bb}, {F, C}, {Dm, Bb}, {Gm, A}, {Dm, Bb}, {F, C}, {Gm, A}};
    for (int c = 0; c < 7; ++c) {
        const int scene = 14 + 2 * c, gap = scene + 1;
        const float rise = c / 6.0f;
        const double s = entry_beat[scene], g = entry_beat[gap];
        accent(s, chords[c][0], 0.8f + 0.2f * rise);
        scene_colour(scene, chords[c][0], 0.8f + 0.2f * rise);
        pad(s, entry_length(scene), chords[c][0], 0.28f, 0.3f + 0.4f * rise);
        pad(g, entry_length(gap), chords[c][1], 0.3f, 0.3f + 0.4f * rise);
        note(g, 0.5, inst_open_hat, 0, 0.4f, 0.2f);
        bass(s, entry_length(scene), chords[c][0], bass_eighths, 0.3f + 0.5f * rise);
        drums(s, entry_length(scene) + entry_length(gap) - (c == 6 ? 2 : 0), groove_half, 0.35f + 0.6f * rise);
        if (c < 6) {
            bass(g, entry_length(gap), chords[c][1], bass_eighths, 0.3f + 0.5f * rise);
            if (c >= 2) {
                // The bar of the tune that was written over this chord.
                int bar = 7;
                while (bar > 0 && k_prog[bar].root != chords[c][1].root) --bar;
                melody(g, k_melody_a, std::size(k_melody_a), bar * 4, bar * 4 + 4, inst_lead, 0, 0.35f + 0.15f * rise, 0.4f);
            }
        } else {
            bass(g, entry_length(gap) - 1, chords[c][1], bass_eighths, 0.8f);
            snare_roll(g + 1, entry_length(gap) - 1, 0.85f);
            riser(g, entry_length(gap), 0.7f);
        }
    }
}

void Composer::drive()
{
    // Entry 28: three beats of pickup, then twenty one-beat entries, each hit on its start.
    const double p = entry_beat[28];
    accent(p, Dm, 1.0f);
    for (int b = 0; b < 3; ++b) note(p + b, 0.1, inst_kick, 0, 0.95f);
    snare_roll(p + 1, 2, 0.7f);
    bass(p, 3, Dm, bass_rolling, 0.7f);
    pad(p, 3, Dm, 0.3f, 0.6f);
    static const Chord chords[5] = {Dm, Bb, F, C, Gm};
    for (int e = 29; e <= 48; ++e) {
        const int i = e - 29;
        const Chord& c = chords[i / 4];
        const double b = entry_beat[e], len = entry_length(e);
        note(b, 0.1, inst_kick, 0, 1.0f);
        stab(b, 0.4, c, 0.5f + (i % 4 == 0 ? 0.15f : 0.0f), 0.55f + 0.4f * (i % 4) / 3.0f);
        if (i % 2 == 1) note(b, 0.1, inst_clap, 0, 0.8f, 0.05f);
        if (i % 4 == 0) {
            note(b, 2, inst_crash, 0, 0.5f, 0.2f);
            pad(b, 4, c, 0.28f, 0.7f);
        }
        for (double h = 0; h < len - 1e-9; h += 0.25)
            note(b + h, 0.1, h == 0.5 ? inst_open_hat : inst_hat, 0, h == 0.5 ? 0.4f : 0.3f, -0.2f);
        bass(b, len, c, bass_rolling, 0.6f + 0.02f * i);
        arp(b, len, c, 0.25, 0.35f, 0.7f);
    }
    // Entry 49: the drive breaks off; a dominant pad and a rising sweep lead into the long section.
    const double k = entry_beat[49];
    accent(k, A, 1.0f);
    pad(k, entry_length(49), A, 0.4f, 0.5f);
    riser(k, entry_length(49), 0.8f);
    snare_roll(k + 2, entry_length(49) - 2, 0.8f);
}

void Composer::long_a()
{
    // Wave floor: eight open bars, bell tune over pads and echoing plucks.
    const double w = entry_beat[50];
    accent(w, Dm, 1.0f);
    for (int bar = 0; bar < 8; ++bar) {
        const double b = w + bar * 4;
        pad(b, 4, k_prog[bar], 0.34f, 0.45f + 0.03f * bar);
        bass(b, 4, k_prog[bar], bass_long, 0.3f);
        arp(b, 4, k_prog[bar], 0.5, 0.35f, 0.5f);
        note(b, 0.1, inst_kick, 0, 0.7f);
        if (bar >= 2) drums(b, 4, groove_half, 0.3f + 0.05f * bar);
    }
    melody(w, k_melody_a, std::size(k_melody_a), 0, 32, inst_bell, 12, 0.45f, 0.5f);
    // Terrain 1 and 2: two one-bar turns with a roll.
    accent(entry_beat[51], Gm, 0.9f);
    pad(entry_beat[51], 4, Gm, 0.35f, 0.6f);
    bass(entry_beat[51], 4, Gm, bass_eighths, 0.5f);
    drums(entry_beat[51], 4, groove_half, 0.8f);
    accent(entry_beat[52], A, 0.9f);
    pad(entry_beat[52], 4, A, 0.35f, 0.6f);
    bass(entry_beat[52], 4, A, bass_eighths, 0.6f);
    snare_roll(entry_beat[52], 4, 0.8f);
    riser(entry_beat[52], 4, 0.6f);
    // Terrain 3: six bars of full half-time groove and the tune on the lead.
    const double t3 = entry_beat[53];
    accent(t3, Dm, 1.0f);
    static const Chord six[6] = {Dm, Bb, F, C, Gm, A};
    for (int bar = 0; bar < 6; ++bar) {
        const double b = t3 + bar * 4;
        pad(b, 4, six[bar], 0.3f, 0.55f);
        bass(b, 4, six[bar], bass_eighths, 0.5f + 0.04f * bar);
        drums(b, 4, groove_half, 0.8f);
    }
    melody(t3, k_melody_a, std::size(k_melody_a), 0, 16, inst_lead, 0, 0.55f, 0.5f);
    melody(t3 + 16, k_melody_a, std::size(k_melody_a), 24, 32, inst_lead, 0, 0.55f, 0.55f);
    // Terrain 4 and polygons 3: sixteen bars four to the floor, the busy tune, then both tunes.
    for (int part = 0; part < 2; ++part) {
        const int e = 54 + part;
        const double s = entry_beat[e];
        accent(s, Dm, 1.0f);
        for (int bar = 0; bar < 8; ++bar) {
            const double b = s + bar * 4;
            const Chord& c = k_prog[bar];
            pad(b, 4, c, 0.3f, 0.6f + 0.2f * part);
            bass(b, 4, c, bass_rolling, 0.6f + 0.1f * part);
            const bool last = part == 1 && bar == 7;
            drums(b, last ? 3 : 4, groove_four, 0.7f + 0.3f * part);
            arp(b, 4, c, 0.25, 0.22f + 0.08f * part, 0.6f);
            if (bar % 2 == 0 && bar > 0) note(b, 2, inst_crash, 0, 0.45f, -0.2f);
        }
        melody(s, k_melody_b, std::size(k_melody_b), 0, 32, inst_lead, part * 12, 0.5f, 0.55f + 0.15f * part);
        if (part == 1) melody(s, k_melody_a, std::size(k_melody_a), 0, 32, inst_bell, 12, 0.4f, 0.5f);
    }
    riser(entry_beat[55] + 28, 4, 0.6f);
}

void Composer::interlude()
{
    // Entries 56 to 70: scene and black pairs again, quieter, with echoing stabs and a dub pulse.
    static const Chord chords[8][2] = {{Dm, Bb}, {F, C}, {Gm, A}, {Dm, Bb}, {F, C}, {Gm, A}, {Bb, C}, {Dm, Dm}};
    for (int k = 0; k < 8; ++k) {
        const int scene = 56 + 2 * k, gap = scene + 1;
        const double s = entry_beat[scene], g = entry_beat[gap];
        const Chord& c1 = chords[k][0];
        accent(s, c1, 0.8f);
        scene_colour(scene, c1, 0.8f);
        pad(s, entry_length(scene), c1, 0.28f, 0.35f);
        bass(s, entry_length(scene), c1, bass_long, 0.25f);
        if (k == 7) break;   // entry 71 is short and entry 72 is the helmet
        const Chord& c2 = chords[k][1];
        pad(g, entry_length(gap), c2, 0.3f, 0.3f);
        bass(g, entry_length(gap), c2, bass_long, 0.2f);
        note(g, 0.5, inst_open_hat, 0, 0.35f, 0.2f);
        for (double b = 0; b < entry_length(scene) + entry_length(gap) - 1e-9; b += 2) {
            note(s + b, 0.1, inst_kick, 0, 0.6f);
            note(s + b + 1, 0.1, inst_clap, 0, 0.45f, -0.1f);
            note(s + b + 1.5, 0.1, inst_hat, 0, 0.3f, 0.3f);
        }
    }
    // Entry 71: a breath; entry 72: the helmet's big hit and its bell figure, then a sweep.
    riser(entry_beat[71], entry_length(71), 0.5f);
    snare_roll(entry_beat[71], entry_length(71), 0.6f);
    const double h = entry_beat[72];
    accent(h, Dm, 1.0f);
    melody(h, k_name_motifs[4], 5, 0, 4, inst_bell, 0, 0.65f, 0.6f);
    pad(h, entry_length(72), Dm, 0.38f, 0.5f);
    note(h, entry_length(72), inst_bass, Dm.root, 0.7f, 0, 0.3f);
    riser(h + 1.5, entry_length(72) - 1.5, 0.6f);
}

void Composer::long_b()
{
    // Objects 2: sixteen bars; the first eight float, the second eight bring the groove back.
    const double o = entry_beat[73];
    accent(o, Dm, 1.0f);
    for (int bar = 0; bar < 16; ++bar) {
        const double b = o + bar * 4;
        const Chord& c = k_prog[bar % 8];
        pad(b, 4, c, 0.32f, 0.4f + 0.02f * bar);
        arp(b, 4, c, 0.5, 0.3f + 0.01f * bar, 0.45f + 0.02f * bar);
        if (bar < 8) {
            bass(b, 4, c, bass_long, 0.3f);
            if (bar >= 4) for (double h = 0.5; h < 4; h += 1) note(b + h, 0.1, inst_hat, 0, 0.25f, -0.2f);
            note(b, 0.1, inst_kick, 0, 0.6f);
        } else {
            bass(b, 4, c, bass_eighths, 0.5f);
            drums(b, 4, groove_half, 0.6f + 0.04f * (bar - 8));
        }
        if (bar == 8) note(b, 2, inst_crash, 0, 0.6f);
    }
    melody(o, k_melody_a, std::size(k_melody_a), 0, 32, inst_bell, 12, 0.45f, 0.5f);
    melody(o + 32, k_melody_b, std::size(k_melody_b), 0, 32, inst_lead, 0, 0.5f, 0.45f);
    riser(o + 60, 4, 0.55f);
    // Mesh and objects 4: the full band, then the peak with both tunes.
    for (int part = 0; part < 2; ++part) {
        const int e = 74 + part;
        const double s = entry_beat[e];
        accent(s, Dm, 1.0f);
        for (int bar = 0; bar < 8; ++bar) {
            const double b = s + bar * 4;
            const Chord& c = k_prog[bar];
            pad(b, 4, c, 0.3f, 0.65f + 0.15f * part);
            const bool last = part == 1 && bar == 7;
            bass(b, last ? 2 : 4, c, bass_rolling, 0.65f + 0.1f * part);
            drums(b, last ? 2 : 4, groove_four, 0.8f + 0.2f * part);
            arp(b, 4, c, 0.25, 0.25f + 0.05f * part, 0.65f);
            if (bar % 2 == 0 && bar > 0) note(b, 2, inst_crash, 0, 0.45f, 0.2f);
        }
        melody(s, k_melody_a, std::size(k_melody_a), 0, 32, inst_lead, 12 * part, 0.55f, 0.6f);
        if (part == 1) melody(s, k_melody_b, std::size(k_melody_b), 0, 32, inst_bell, 12, 0.35f, 0.5f);
    }
    riser(entry_beat[75] + 28, 4, 0.7f);
}

void Composer::ending()
{
    // Entries 76 to 81: three flicker and black pairs over a dark pulse, tension rising.
    static const Chord chords[3][2] = {{Dm, Bb}, {Gm, A}, {Bb, A}};
    for (int k = 0; k < 3; ++k) {
        const int scene = 76 + 2 * k, gap = scene + 1;
        const double s = entry_beat[scene], g = entry_beat[gap];
        accent(s, chords[k][0], 0.85f + 0.05f * k);
        scene_colour(scene, chords[k][0], 0.9f);
        pad(s, entry_length(scene), chords[k][0], 0.3f, 0.3f);
        pad(g, entry_length(gap), chords[k][1], 0.34f, 0.3f + 0.1f * k);
        note(s, entry_length(scene) + entry_length(gap), inst_bass, chords[k][0].root - (k == 2 ? 12 : 0), 0.6f, 0, 0.2f);
        note(g, 0.5, inst_open_hat, 0, 0.4f, 0.2f);
        for (double b = 0; b < entry_length(scene) + entry_length(gap) - 1e-9; b += 1) {
            note(s + b, 0.1, inst_kick, 0, 0.5f + 0.1f * k);
            if (k == 2 && b >= 3) note(s + b + 0.5, 0.1, inst_hat, 0, 0.3f, -0.2f);
        }
    }
    snare_roll(entry_beat[81] + 1, entry_length(81) - 1, 0.8f);
    riser(entry_beat[81], entry_length(81), 0.75f);
    // Entries 82 to 90: nine slices of about 125 ms, a chord hit climbing on each.
    for (int e = 82; e <= 90; ++e) {
        const int i = e - 82;
        const double b = entry_beat[e], len = entry_length(e);
        Chord c = A;
        c.root += i;
        stab(b, len * 0.9, c, 0.55f + 0.03f * i, 0.5f + 0.05f * i);
        note(b, 0.1, inst_snare, 0, 0.55f + 0.04f * i, (i % 2) ? 0.3f : -0.3f);
        if (i % 3 == 0) note(b, 0.1, inst_kick, 0, 0.9f);
        if (is_static(e)) note(b, len, inst_static, 0, 0.6f, (i % 2) ? -0.4f : 0.4f, 0.8f);
    }
    // Entry 91: the last chord, held while the picture fades, the music fading after it.
    const double f = entry_beat[91];
    accent(f, Dm, 1.0f);
    note(f, 4, inst_boom, 0, 1.0f);
    pad(f, 10, Dm, 0.42f, 0.45f);
    note(f, 9, inst_bass, Dm.root, 0.7f, 0, 0.25f);
    melody(f, k_name_motifs[4], 5, 0, 4, inst_bell, 0, 0.6f, 0.5f);
    note(f + 3, 2, inst_bell, 62, 0.35f, -0.3f, 0.4f);
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
}

}  // namespace

Score score_compose(const TimelineEntry* timeline)
{
    Composer c;
    double beat = 0, prev_ms = 0;
    for (int e = 0; e < k_timeline_entries; ++e) {
        const double len = (timeline[e].end_ms - prev_ms) / 1000.0;
        // Whole-or-half beats for ordinary entries, thirds of a beat for the very short ones.
        const double grid = len >= 0.25 ? 2.0 : 3.0;
        const double beats = std::max(1.0 / grid, std::round(len / k_beat * grid) / grid);
        c.anchor_beat.push_back(beat);
        c.anchor_time.push_back(prev_ms / 1000.0);
        c.entry_beat.push_back(beat);
        c.entry_scene.push_back(timeline[e].scene);
        beat += beats;
        prev_ms = timeline[e].end_ms;
    }
    c.anchor_beat.push_back(beat);
    c.anchor_time.push_back(prev_ms / 1000.0);
    c.entry_beat.push_back(beat);
    c.compose();
    const double end = prev_ms / 1000.0;
    c.score.length_seconds = end + 3.5;
    c.score.fade_start = end - 1.4;
    c.score.fade_end = end + 3.0;
    std::stable_sort(c.score.notes.begin(), c.score.notes.end(),
              [](const NoteEvent& a, const NoteEvent& b) { return a.start < b.start; });
    return c.score;
}
