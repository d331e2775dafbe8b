// Web backend: the music. The page fetches "music.mp3" and decodes it with Web Audio before the
// start; playing schedules the decoded buffer on the page's audio context after the start-up pause.
// The play position comes from the audio output's timestamp (what the listener hears now), carried
// forward with the page's clock between the output's updates, and it never goes back. Without
// playable music, or with the audio context not running, the run goes on silently on the page's
// monotonic clock. On the virtual clock the position is the pass's time and nothing plays.
#include <emscripten.h>

#include "platform/platform.h"
#include "platform/web_internal.h"

struct SoundStream {
    bool audible;     // the page holds decoded music and a running audio context
    bool playing;
    uint32_t last_ms;
};

namespace {

SoundStream s_stream = {false, false, 0};

}  // namespace

EM_JS(int, page_music_ready, (), {
    const page = Module.page;
    return page && page.music && page.audio && page.audio.state === 'running' ? 1 : 0;
});

// Starts the music (or, silent, the clock alone) delay_ms from now, page.seek ms into it.
EM_JS(void, page_music_play, (int audible, double delay_ms), {
    const page = Module.page;
    page.clockStart = performance.now() + delay_ms - page.seek;
    if (!audible) return;
    const source = page.audio.createBufferSource();
    source.buffer = page.music;
    source.connect(page.gain);
    const when = page.audio.currentTime + delay_ms / 1000;
    source.start(when, page.seek / 1000);
    page.musicStart = when - page.seek / 1000;
    page.source = source;
});

EM_JS(double, page_music_position, (), {
    const page = Module.page;
    if (!page.source) return performance.now() - page.clockStart;
    const stamp = page.audio.getOutputTimestamp();
    if (!(stamp.performanceTime > 0)) return (page.audio.currentTime - page.musicStart) * 1000;
    return (stamp.contextTime - page.musicStart) * 1000 + (performance.now() - stamp.performanceTime);
});

EM_JS(void, page_music_stop, (), {
    const page = Module.page;
    if (page && page.source) page.source.stop();
});

int sound_init(int)
{
    return 1;
}

SoundStream* sound_stream_open(const char*)
{
    s_stream.audible = g_web.fps == 0 && page_music_ready();
    return &s_stream;
}

void sound_stream_play(SoundStream* stream)
{
    if (g_web.fps) return;
    const double delay = g_web.wake_ms > web_now_ms() ? g_web.wake_ms - web_now_ms() : 0.0;
    page_music_play(stream->audible, delay);
    stream->playing = true;
}

// The script always begins at 0 ms: the position request is accepted and changes nothing.
void sound_stream_set_position(SoundStream*, uint32_t) {}

uint32_t sound_stream_get_time(SoundStream* stream)
{
    if (g_web.fps) {
        const uint64_t t = g_web.pass * 1000 / static_cast<uint64_t>(g_web.fps);
        g_web.clock_ms = t > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(t);
        return g_web.clock_ms;
    }
    if (!stream || !stream->playing) return g_web.clock_ms = 0;
    const double ms = page_music_position();
    if (ms > 4294967295.0) stream->last_ms = UINT32_MAX;
    else if (ms > stream->last_ms) stream->last_ms = static_cast<uint32_t>(ms);
    return g_web.clock_ms = stream->last_ms;
}

void sound_stream_stop(SoundStream* stream)
{
    if (stream && stream->playing && stream->audible) page_music_stop();
    if (stream) stream->playing = false;
}

void sound_stream_close(SoundStream*) {}
