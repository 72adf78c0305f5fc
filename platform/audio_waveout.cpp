// The "waveout" driver: the software mixer on a mixing thread of its own, feeding the sound
// device fragments of 1/64 s and keeping "mixahead" of them queued. Every voice operation takes
// the mixer mutex so the game never changes a voice while the thread mixes.
#include "platform/audio.h"
#include "platform/log.h"
#include "platform/mixer.h"
#include "platform/mutex.h"
#include "platform/options.h"
#include "platform/clock.h"
#include "platform/os/os_audio.h"
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <thread>

enum { FRAGMENTS = 64, TIMEOUT_MS = 1000, WAIT_MS = 15 };

struct waveout_record {
    std::uint32_t     device;       // 0 while closed
    int               written;      // fragments written since open
    int               mixahead;     // fragments, 1..32
    int               fragment_bytes;
    mix_target        target;
    int              *accumulators;
    unsigned char    *fragments;    // 64 fragment buffers
    kubl_mutex       *mutex;
    std::thread       thread;
    int               running;
    std::atomic<int>  close_requested;
    int               error;
};

static waveout_record g_waveout;

static void waveout_thread(void)
{
    waveout_record *w = &g_waveout;
    kubl_log_printf("Audio thread begin\n");
    const int limit = (w->mixahead - 1) * w->fragment_bytes;
    int i = 0;
    while (!w->close_requested.load()) {
        w->written++;
        w->target.output = w->fragments + (size_t)i * w->fragment_bytes;
        kubl_mutex_lock(w->mutex);
        kubl_mix_block(&w->target);
        kubl_mutex_unlock(w->mutex);
        if (!os_audio_queue(w->device, w->target.output, w->fragment_bytes)) {
            kubl_log_printf("Audio thread: Write error\n");
            w->error = 1;
        }
        i = (i + 1) % FRAGMENTS;
        if (w->written >= w->mixahead) {
            // Mix the next fragment once the one written mixahead - 1 before the last is played.
            int waited = 0;
            while (os_audio_queued_bytes(w->device) > limit) {
                kubl_sleep_for(0, WAIT_MS * 1000);
                waited += WAIT_MS;
                if (waited >= TIMEOUT_MS) {
                    os_audio_clear(w->device);
                    kubl_log_printf("Audio thread: Timeout on fragment %d\n", w->written);
                    waited = 0;
                }
            }
        }
    }
    kubl_log_printf("Audio thread end\n");
    w->close_requested.store(0);
}

static void waveout_release(waveout_record *w)
{
    if (w->running) {
        w->close_requested.store(1);
        while (w->close_requested.load()) std::this_thread::yield();
        w->thread.join();
        w->running = 0;
    }
    if (w->mutex) kubl_mutex_close(w->mutex);
    if (w->device) {
        os_audio_clear(w->device);
        os_audio_close(w->device);
    }
    free(w->fragments);
    free(w->accumulators);
    w->device = 0;
    w->mutex = nullptr;
    w->fragments = nullptr;
    w->accumulators = nullptr;
    os_audio_quit();
}

static audio_handle *waveout_open(display *)
{
    waveout_record *w = &g_waveout;
    kubl_log_printf("Opening waveOut audio...\n");
    if (w->device) {
        kubl_log_printf("Audio already open\n");
        return nullptr;
    }
    w->written = 0;
    w->error = 0;
    w->running = 0;
    w->close_requested.store(0);

    const char *error = nullptr;
    if (!os_audio_init(&error)) {
        kubl_log_printf("No audio device\n");
        kubl_log_printf("%s\n", error ? error : "");
        return nullptr;
    }
    kubl_log_printf("Found a %s\n", os_audio_device_name());

    int budget = kubl_option_int("sound-channels", 16);
    int rate = kubl_option_int("sound-rate", 22050);
    int mixahead_ms = kubl_option_int("sound-mixahead", 125);
    if (rate < 4000 || rate > 384000) {
        // Below this a fragment holds too few samples to be worth a thread; above it no device.
        kubl_log_printf("Sound rate %d is out of range\n", rate);
        os_audio_quit();
        return nullptr;
    }
    long long ahead = (long long)mixahead_ms * 64 / 1000;
    w->mixahead = ahead < 1 ? 1 : ahead > 32 ? 32 : (int)ahead;
    int fragment_samples = rate / 64;

    kubl_log_printf("Waveout rate: %d\n", rate);
    kubl_log_printf("Waveout channels: %d\n", budget);
    kubl_log_printf("Waveout mixahead: %d\n", w->mixahead * 1000 / 64);

    os_audio_format want{rate, 2, OS_AUDIO_U8, 64}, got{};
    while (want.samples * 2 <= fragment_samples) want.samples *= 2;
    w->device = os_audio_open(&want, nullptr, nullptr, &got, &error);
    if (!w->device) {
        kubl_log_printf("Can't open waveOut\n");
        kubl_log_printf("%s\n", error ? error : "");
        os_audio_quit();
        return nullptr;
    }
    int stereo = got.channels == 2;
    w->fragment_bytes = fragment_samples * (stereo ? 2 : 1);

    w->fragments = (unsigned char *)calloc(FRAGMENTS, (size_t)w->fragment_bytes);
    if (!w->fragments) {
        kubl_log_printf("malloc() failed\n");
        waveout_release(w);
        return nullptr;
    }
    w->accumulators = (int *)malloc(sizeof(int) * (size_t)fragment_samples * (stereo ? 2 : 1));
    if (!w->accumulators) {
        kubl_log_printf("malloc() failed\n");
        waveout_release(w);
        return nullptr;
    }
    kubl_mix_target_init(&w->target, rate, fragment_samples, stereo, budget, w->accumulators,
                         stereo ? w->accumulators + fragment_samples : nullptr, w->fragments);
    w->mutex = kubl_mutex_create();
    if (!w->mutex) {
        kubl_log_printf("Can't create mutex\n");
        waveout_release(w);
        return nullptr;
    }
    try {
        w->thread = std::thread(waveout_thread);
        w->running = 1;
    } catch (...) {
        kubl_log_printf("Can't create thread\n");
        waveout_release(w);
        return nullptr;
    }
    os_audio_pause(w->device, 0);
    kubl_log_printf("Audio opened!\n");
    return (audio_handle *)w;
}

static void waveout_close(audio_handle *)
{
    waveout_record *w = &g_waveout;
    if (!w->device) {
        kubl_log_printf("Can't close audio, not open\n");
        return;
    }
    kubl_log_printf("Closing audio\n");
    waveout_release(w);
}

static audio_handle *waveout_open_readback(display *, int, int) { return nullptr; }
static int waveout_update(void) { return 1; }
static const unsigned char *waveout_mix_block(audio_handle *) { return nullptr; }

// Each voice operation holds the mixer mutex for its whole call.
struct mixer_lock {
    mixer_lock() { if (g_waveout.mutex) kubl_mutex_lock(g_waveout.mutex); }
    ~mixer_lock() { if (g_waveout.mutex) kubl_mutex_unlock(g_waveout.mutex); }
};

static voice *waveout_create(audio_handle *h, int length, const unsigned char *data, int rate)
{
    mixer_lock lock;
    return (voice *)kubl_mixer_sound_create(&((waveout_record *)h)->target, length, data, rate);
}

static void waveout_free(voice *v)
{
    mixer_lock lock;
    kubl_mixer_sound_free((mixer_voice *)v);
}

static int waveout_play(voice *v) { mixer_lock lock; return kubl_mixer_sound_play((mixer_voice *)v); }
static int waveout_set_rate(voice *v, int r) { mixer_lock lock; return kubl_mixer_sound_set_rate((mixer_voice *)v, r); }
static int waveout_set_volume(voice *v, int x) { mixer_lock lock; return kubl_mixer_sound_set_volume((mixer_voice *)v, x); }
static int waveout_set_pan(voice *v, int p) { mixer_lock lock; return kubl_mixer_sound_set_pan((mixer_voice *)v, p); }
static int waveout_set_loop(voice *v, int f) { mixer_lock lock; return kubl_mixer_sound_set_loop((mixer_voice *)v, f); }
static int waveout_position(voice *v) { mixer_lock lock; return kubl_mixer_stream_position((mixer_voice *)v); }

static int waveout_write(voice *v, int length, const unsigned char *data, int offset)
{
    mixer_lock lock;
    return kubl_mixer_stream_write((mixer_voice *)v, length, data, offset);
}

const audio_driver waveout_driver = {
    "waveout", 1,
    waveout_open, waveout_open_readback, waveout_close, waveout_update, waveout_mix_block,
    waveout_create, waveout_free, waveout_play, waveout_set_rate, waveout_set_volume,
    waveout_set_pan, waveout_set_loop, waveout_position, waveout_write,
};
