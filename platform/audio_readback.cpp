// The readback driver: the software mixer with no device. The game pulls one block per tick
// and writes it away, so recorded sound follows the simulation rather than the wall clock.
// Game thread only, so no lock.
#include "platform/audio.h"
#include "platform/log.h"
#include "platform/mixer.h"
#include "platform/options.h"
#include <cstdlib>

struct readback_record {
    mix_target target;
    void      *block;   // left ints, right ints, then the output: samples × 10 bytes
};

static readback_record g_readback;
static int             g_readback_open;

static audio_handle *readback_open(display *) { return nullptr; }

static audio_handle *readback_open_readback(display *, int rate, int block_samples)
{
    kubl_log_printf("Opening readback audio...\n");
    if (g_readback_open) {
        kubl_log_printf("Audio already open\n");
        return nullptr;
    }
    if (rate < 1 || block_samples < 1 || block_samples > 1 << 24) {
        kubl_log_printf("Bad readback format: %d Hz, %d samples a block\n", rate, block_samples);
        return nullptr;
    }
    void *block = malloc((size_t)block_samples * 10);
    if (!block) {
        kubl_log_printf("Malloc failed\n");
        return nullptr;
    }
    int *left = (int *)block, *right = left + block_samples;
    kubl_mix_target_init(&g_readback.target, rate, block_samples, 1,
                         kubl_option_int("sound-channels", 16), left, right,
                         (unsigned char *)(right + block_samples));
    g_readback.block = block;
    g_readback_open = 1;
    kubl_log_printf("Audio opened!\n");
    return (audio_handle *)&g_readback;
}

static void readback_close(audio_handle *)
{
    if (!g_readback_open) return;
    free(g_readback.block);
    g_readback = readback_record{};
    g_readback_open = 0;
}

static int readback_update(void) { return 1; }

static const unsigned char *readback_mix_block(audio_handle *h)
{
    readback_record *r = (readback_record *)h;
    kubl_mix_block(&r->target);
    return r->target.output;
}

static voice *readback_create(audio_handle *h, int length, const unsigned char *data, int rate)
{
    return (voice *)kubl_mixer_sound_create(&((readback_record *)h)->target, length, data, rate);
}

static void readback_free(voice *v) { kubl_mixer_sound_free((mixer_voice *)v); }
static int readback_play(voice *v) { return kubl_mixer_sound_play((mixer_voice *)v); }
static int readback_set_rate(voice *v, int rate) { return kubl_mixer_sound_set_rate((mixer_voice *)v, rate); }
static int readback_set_volume(voice *v, int vol) { return kubl_mixer_sound_set_volume((mixer_voice *)v, vol); }
static int readback_set_pan(voice *v, int pan) { return kubl_mixer_sound_set_pan((mixer_voice *)v, pan); }
static int readback_set_loop(voice *v, int flag) { return kubl_mixer_sound_set_loop((mixer_voice *)v, flag); }
static int readback_position(voice *v) { return kubl_mixer_stream_position((mixer_voice *)v); }

static int readback_write(voice *v, int length, const unsigned char *data, int offset)
{
    return kubl_mixer_stream_write((mixer_voice *)v, length, data, offset);
}

const audio_driver readback_driver = {
    "readback", 0,
    readback_open, readback_open_readback, readback_close, readback_update, readback_mix_block,
    readback_create, readback_free, readback_play, readback_set_rate, readback_set_volume,
    readback_set_pan, readback_set_loop, readback_position, readback_write,
};
