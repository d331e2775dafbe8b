// SDL desktop backend: the music. libmpg123 decodes "music.mp3" to 44100 Hz stereo inside the audio
// callback; the play position is the count of sample frames the device has taken, interpolated
// between callbacks with the monotonic clock, so picture and sound stay in step. Without a device or
// a playable file, or when muted, the run goes on silently on the monotonic clock.
#include <SDL.h>
#include <alsa/asoundlib.h>
#include <mpg123.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/desktop.h"
#include "platform/music_check.h"
#include "platform/platform.h"

struct SoundStream {
    mpg123_handle* decoder;   // null when silent
    SDL_AudioDeviceID device; // 0 when silent
    int buffer_frames;        // frames the device asks for per callback
    bool decoding;            // false once the file has ended: the device then takes silence
    uint64_t frames_taken;    // frames handed to the device, counted in the callback
    uint64_t callback_ticks;  // performance counter at the last callback
    uint64_t play_ticks;      // performance counter when play began (silent clock)
    bool playing;
    uint32_t last_ms;         // the position only grows
};

namespace {

constexpr int k_rate = 44100;
bool s_audio_ready = false;

uint64_t ticks_to_ms(uint64_t ticks)
{
    return ticks * 1000 / SDL_GetPerformanceFrequency();
}

void fill_audio(void* user, Uint8* out, int len)
{
    SoundStream* stream = static_cast<SoundStream*>(user);
    size_t done = 0;
    while (stream->decoding && done < static_cast<size_t>(len)) {
        size_t got = 0;
        const int result = mpg123_read(stream->decoder, out + done, len - done, &got);
        done += got;
        if (result == MPG123_DONE || (result != MPG123_OK && result != MPG123_NEW_FORMAT && got == 0))
            stream->decoding = false;
    }
    std::memset(out + done, 0, len - done);
    stream->frames_taken += static_cast<uint64_t>(len) / 4;
    stream->callback_ticks = SDL_GetPerformanceCounter();
}

// The sound library writes its own complaints ("ALSA lib ...") to stderr when it finds no device;
// the demo says what that means in its one line instead.
void alsa_quiet(const char*, int, const char*, int, const char*, ...) {}

void silent_notice(const char* why)
{
    std::fprintf(stderr, "quorvelle: %s; running silently on the system clock\n", why);
}

}  // namespace

int sound_init(int rate)
{
    (void)rate;   // the device is always opened at 44100 Hz
    if (g_desktop_settings.mute) return 1;   // asked for: nothing to say
    snd_lib_error_set_handler(alsa_quiet);
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        silent_notice("no audio device could be opened");
        return 1;
    }
    s_audio_ready = true;
    return 1;
}

SoundStream* sound_stream_open(const char* path)
{
    SoundStream* stream = new SoundStream{};
    if (!s_audio_ready) return stream;

    int error = MPG123_OK;
    mpg123_handle* decoder = mpg123_new(nullptr, &error);
    if (decoder) {
        mpg123_param(decoder, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
        mpg123_format_none(decoder);
        mpg123_format(decoder, k_rate, MPG123_STEREO, MPG123_ENC_SIGNED_16);
    }
    std::string why;
    if (!music_check(path, &why) || !decoder || mpg123_open(decoder, path) != MPG123_OK) {
        silent_notice(("cannot play " + std::string(path) + (why.empty() ? "" : ": " + why)).c_str());
        if (decoder) mpg123_delete(decoder);
        return stream;
    }

    SDL_AudioSpec want = {};
    want.freq = k_rate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 1024;
    want.callback = fill_audio;
    want.userdata = stream;
    SDL_AudioSpec have = {};
    const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device == 0) {
        silent_notice("no audio device could be opened");
        mpg123_delete(decoder);
        return stream;
    }
    stream->decoder = decoder;
    stream->device = device;
    stream->buffer_frames = have.samples;
    stream->decoding = true;
    return stream;
}

void sound_stream_play(SoundStream* stream)
{
    if (!stream) return;
    stream->playing = true;
    stream->play_ticks = SDL_GetPerformanceCounter();
    if (stream->device) SDL_PauseAudioDevice(stream->device, 0);
}

// The script always begins at 0 ms: the position request is accepted and changes nothing.
void sound_stream_set_position(SoundStream*, uint32_t) {}

uint32_t sound_stream_get_time(SoundStream* stream)
{
    if (!stream || !stream->playing) return 0;
    uint64_t ms;
    if (!stream->device) {
        ms = ticks_to_ms(SDL_GetPerformanceCounter() - stream->play_ticks);
    } else {
        SDL_LockAudioDevice(stream->device);
        const uint64_t taken = stream->frames_taken;
        const uint64_t at = stream->callback_ticks;
        SDL_UnlockAudioDevice(stream->device);
        // Read after the callback's stamp, so the time since it is never negative.
        const uint64_t now = SDL_GetPerformanceCounter();
        if (taken == 0) {
            ms = 0;
        } else {
            // The buffer handed over at the last callback is still ahead of the speaker: the
            // frames before it have been played, and time runs on from there.
            const uint64_t played = taken - SDL_min(taken, static_cast<uint64_t>(stream->buffer_frames));
            const uint64_t since = now > at ? ticks_to_ms(now - at) : 0;
            ms = played * 1000 / k_rate + since;
            // Between callbacks the clock may not pass the end of the buffer being played, unless
            // the device has stalled, when the clock alone carries the position.
            const uint64_t limit = taken * 1000 / k_rate;
            if (since < 250 && ms > limit) ms = limit;
        }
    }
    if (ms > UINT32_MAX) ms = UINT32_MAX;
    if (ms > stream->last_ms) stream->last_ms = static_cast<uint32_t>(ms);
    return stream->last_ms;
}

void sound_stream_stop(SoundStream* stream)
{
    if (stream && stream->device) SDL_PauseAudioDevice(stream->device, 1);
}

void sound_stream_close(SoundStream* stream)
{
    if (!stream) return;
    if (stream->device) SDL_CloseAudioDevice(stream->device);
    if (stream->decoder) mpg123_delete(stream->decoder);
    delete stream;
}
