// The sound front and the driver table. The front keeps no lock: drivers that mix on a thread
// of their own lock inside their operations.
#include "platform/audio.h"
#include "platform/options.h"

static const audio_driver *const audio_drivers[] = {
    &dsnd_driver,
    &waveout_driver,
    &readback_driver,
    nullptr,
};

static const audio_driver *g_current;

const audio_driver *kubl_audio_current(void) { return g_current; }

audio_handle *kubl_audio_open(display *d)
{
    if (g_current) return nullptr;
    for (int i = 0; audio_drivers[i]; ++i) {
        const audio_driver *drv = audio_drivers[i];
        if (!drv->has_device || !kubl_option_bool(drv->name, 1)) continue;
        if (audio_handle *h = drv->open(d)) {
            g_current = drv;
            return h;
        }
    }
    return nullptr;
}

audio_handle *kubl_audio_open_readback(display *d, int rate, int block_samples)
{
    for (int i = 0; audio_drivers[i]; ++i) {
        if (audio_handle *h = audio_drivers[i]->open_readback(d, rate, block_samples)) {
            g_current = audio_drivers[i];
            return h;
        }
    }
    return nullptr;
}

void kubl_audio_close(audio_handle *h)
{
    if (!g_current) return;
    if (h) g_current->close(h);
    g_current = nullptr;
}

int kubl_audio_update(void) { return g_current ? g_current->update() : 1; }

const unsigned char *kubl_audio_mix_block(audio_handle *h)
{
    return g_current && h ? g_current->mix_block(h) : nullptr;
}

voice *kubl_sound_create(audio_handle *h, int length, const unsigned char *data, int rate)
{
    return g_current && h ? g_current->create(h, length, data, rate) : nullptr;
}

void kubl_sound_free(voice *v)
{
    if (g_current && v) g_current->free_voice(v);
}

int kubl_sound_play(voice *v) { return g_current && v ? g_current->play(v) : 0; }
int kubl_sound_set_rate(voice *v, int rate) { return g_current && v ? g_current->set_rate(v, rate) : 0; }
int kubl_sound_set_volume(voice *v, int volume) { return g_current && v ? g_current->set_volume(v, volume) : 0; }
int kubl_sound_set_pan(voice *v, int pan) { return g_current && v ? g_current->set_pan(v, pan) : 0; }
int kubl_sound_set_loop(voice *v, int flag) { return g_current && v ? g_current->set_loop(v, flag) : 0; }
int kubl_stream_position(voice *v) { return g_current && v ? g_current->stream_position(v) : 0; }

int kubl_stream_write(voice *v, int length, const unsigned char *data, int offset)
{
    return g_current && v ? g_current->stream_write(v, length, data, offset) : 0;
}
