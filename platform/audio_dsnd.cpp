// The "dsnd" driver: every voice is a buffer of its own at its own frequency, with volume and
// pan applied as millibel attenuations; the sound device's thread reads each playing buffer at
// its play cursor, so a stream voice is a ring the game writes ahead of that cursor. No
// software mixer, no level budget. Voice calls and the device thread share the driver's lock.
#include "platform/audio.h"
#include "platform/log.h"
#include "platform/mutex.h"
#include "platform/os/os_audio.h"
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

enum { DSND_DEFAULT_RATE = 22050, DSND_OUTPUT_RATE = 44100, DSND_DEVICE_SAMPLES = 1024 };

struct dsnd_record;

struct dsnd_sample {
    int            references;
    int            length;
    unsigned char *data;
};

struct dsnd_voice {
    dsnd_record  *owner;
    dsnd_voice   *next;
    dsnd_voice   *prev;
    dsnd_sample  *sample;
    int           volume;        // 0..0x7FFF as given
    int           pan;           // -0x7FFF..0x7FFF
    int           loop;          // acts at the next play
    int           rate;          // Hz
    int           rate_control;  // only voices made with rate 0 may change their rate
    int           playing;
    int           playing_looped;
    std::uint64_t cursor;        // 32.32 fixed point byte offset
    int           volume_mb;     // what was last applied
    int           pan_mb;
    float         gain_left;
    float         gain_right;
};

struct dsnd_record {
    std::uint32_t  device;
    os_audio_format format;
    kubl_mutex    *mutex;
    dsnd_voice    *voices;
    float         *mix;          // 2 floats a frame
    int            mix_frames;
};

// T[0] = -10000, T[k] = 2000 log10(k / 1024) truncated, T[1024] = 0.
static std::int16_t g_millibel_table[1025];
static int          g_millibel_built;

int kubl_millibels(int amplitude)
{
    if (!g_millibel_built) {
        g_millibel_table[0] = -10000;
        for (int k = 1; k < 1024; ++k)
            g_millibel_table[k] = (std::int16_t)(2000.0 * std::log10(k / 1024.0));
        g_millibel_table[1024] = 0;
        g_millibel_built = 1;
    }
    if (amplitude < 0) return -10000;
    if (amplitude > 0x7FFF) return 0;
    int k = amplitude >> 5, f = amplitude & 31;
    return g_millibel_table[k] + (((g_millibel_table[k + 1] - g_millibel_table[k]) * f) >> 5);
}

static float millibel_gain(int mb) { return mb <= -10000 ? 0.0f : (float)std::pow(10.0, mb / 2000.0); }

// A centred voice sounds 6 dB below full, a fully panned one at full volume on its side.
static int dsnd_apply(dsnd_voice *v)
{
    int p = v->pan;
    v->pan_mb = p < 0 ? kubl_millibels(p + 0x7FFF) : -kubl_millibels(0x7FFF - p);
    long long amplitude = ((long long)(std::abs(p) / 2) + 0x4000) * v->volume / 0x8000;
    v->volume_mb = kubl_millibels(amplitude > 0x7FFF ? 0x7FFF + 1 : (int)amplitude);
    // A negative pan attenuates the right side, a positive one the left.
    v->gain_left = millibel_gain(v->volume_mb + (v->pan_mb > 0 ? -v->pan_mb : 0));
    v->gain_right = millibel_gain(v->volume_mb + (v->pan_mb < 0 ? v->pan_mb : 0));
    return 1;
}

static void sample_release(dsnd_sample *s)
{
    if (s && --s->references <= 0) {
        free(s->data);
        free(s);
    }
}

// The device's thread: read every playing buffer at its own rate into the output.
static void dsnd_callback(void *user, unsigned char *out, int bytes)
{
    dsnd_record *r = (dsnd_record *)user;
    const int channels = r->format.channels;
    const int frame_bytes = 2 * channels;
    std::int16_t *o = (std::int16_t *)out;
    int frames_left = bytes / frame_bytes;
    kubl_mutex_lock(r->mutex);
    while (frames_left > 0) {
        int frames = frames_left < r->mix_frames ? frames_left : r->mix_frames;
        memset(r->mix, 0, sizeof(float) * 2 * (size_t)frames);
        for (dsnd_voice *v = r->voices; v; v = v->next) {
            if (!v->playing) continue;
            const unsigned char *data = v->sample->data;
            const std::uint64_t end = (std::uint64_t)v->sample->length << 32;
            const std::uint64_t step = ((std::uint64_t)v->rate << 32) / (std::uint64_t)r->format.rate;
            std::uint64_t cursor = v->cursor;
            float gl = v->gain_left, gr = v->gain_right;
            for (int k = 0; k < frames; ++k) {
                float s = (float)((int)data[cursor >> 32] - 128);
                r->mix[2 * k] += s * gl;
                r->mix[2 * k + 1] += s * gr;
                cursor += step;
                if (cursor >= end) {
                    if (v->playing_looped) {
                        cursor %= end;
                    } else {
                        v->playing = 0;
                        cursor = 0;
                        break;
                    }
                }
            }
            v->cursor = cursor;
        }
        for (int k = 0; k < frames; ++k) {
            float l = r->mix[2 * k], rt = r->mix[2 * k + 1];
            if (channels == 1) {
                float m = (l + rt) * 128.0f;
                *o++ = (std::int16_t)(m > 32767.0f ? 32767 : m < -32768.0f ? -32768 : m);
            } else {
                l *= 256.0f;
                rt *= 256.0f;
                *o++ = (std::int16_t)(l > 32767.0f ? 32767 : l < -32768.0f ? -32768 : l);
                *o++ = (std::int16_t)(rt > 32767.0f ? 32767 : rt < -32768.0f ? -32768 : rt);
            }
        }
        frames_left -= frames;
    }
    kubl_mutex_unlock(r->mutex);
}

static void dsnd_release(dsnd_record *r)
{
    if (r->device) os_audio_close(r->device);   // no callback runs after this
    if (r->mutex) kubl_mutex_close(r->mutex);
    free(r->mix);
    free(r);
}

static audio_handle *dsnd_open(display *)
{
    const char *error = nullptr;
    if (!os_audio_init(&error)) return nullptr;
    dsnd_record *r = (dsnd_record *)calloc(1, sizeof *r);
    if (!r) {
        os_audio_quit();
        return nullptr;
    }
    r->mutex = kubl_mutex_create();
    os_audio_format want{DSND_OUTPUT_RATE, 2, OS_AUDIO_S16, DSND_DEVICE_SAMPLES};
    if (r->mutex) r->device = os_audio_open(&want, dsnd_callback, r, &r->format, &error);
    if (r->device) {
        r->mix_frames = r->format.samples > 0 ? r->format.samples : DSND_DEVICE_SAMPLES;
        r->mix = (float *)malloc(sizeof(float) * 2 * (size_t)r->mix_frames);
    }
    if (!r->mix) {
        dsnd_release(r);
        os_audio_quit();
        return nullptr;
    }
    os_audio_pause(r->device, 0);
    return (audio_handle *)r;
}

static void dsnd_close(audio_handle *h)
{
    dsnd_record *r = (dsnd_record *)h;
    if (!r) return;
    dsnd_release(r);
    os_audio_quit();
}

static audio_handle *dsnd_open_readback(display *, int, int) { return nullptr; }
static int dsnd_update(void) { return 1; }
static const unsigned char *dsnd_mix_block(audio_handle *) { return nullptr; }

static voice *dsnd_create(audio_handle *h, int length, const unsigned char *data, int rate)
{
    dsnd_record *r = (dsnd_record *)h;
    if (length <= 0 || !data || rate < 0) {
        kubl_log_printf("Can't make a sound of %d bytes at %d Hz\n", length, rate);
        return nullptr;
    }
    dsnd_voice *v = (dsnd_voice *)calloc(1, sizeof *v);
    dsnd_sample *s = (dsnd_sample *)calloc(1, sizeof *s);
    unsigned char *bytes = (unsigned char *)malloc((size_t)length);
    if (!v || !s || !bytes) {
        free(v);
        free(s);
        free(bytes);
        return nullptr;
    }
    memcpy(bytes, data, (size_t)length);
    s->references = 1;
    s->length = length;
    s->data = bytes;
    v->owner = r;
    v->sample = s;
    v->rate = rate ? rate : DSND_DEFAULT_RATE;
    v->rate_control = rate == 0;
    v->volume = 0x7FFF;
    dsnd_apply(v);
    kubl_mutex_lock(r->mutex);
    v->next = r->voices;
    if (r->voices) r->voices->prev = v;
    r->voices = v;
    kubl_mutex_unlock(r->mutex);
    return (voice *)v;
}

static void dsnd_free(voice *vp)
{
    dsnd_voice *v = (dsnd_voice *)vp;
    dsnd_record *r = v->owner;
    kubl_mutex_lock(r->mutex);
    if (v->prev) v->prev->next = v->next;
    else r->voices = v->next;
    if (v->next) v->next->prev = v->prev;
    kubl_mutex_unlock(r->mutex);
    sample_release(v->sample);
    free(v);
}

static int dsnd_play(voice *vp)
{
    dsnd_voice *v = (dsnd_voice *)vp;
    kubl_mutex_lock(v->owner->mutex);
    v->cursor = 0;
    v->playing = 1;
    v->playing_looped = v->loop;
    kubl_mutex_unlock(v->owner->mutex);
    return 1;
}

static int dsnd_set_rate(voice *vp, int rate)
{
    dsnd_voice *v = (dsnd_voice *)vp;
    if (!v->rate_control) return 0;
    kubl_mutex_lock(v->owner->mutex);
    v->rate = rate < 1 ? 1 : rate;
    kubl_mutex_unlock(v->owner->mutex);
    return 1;
}

static int dsnd_set_volume(voice *vp, int volume)
{
    dsnd_voice *v = (dsnd_voice *)vp;
    kubl_mutex_lock(v->owner->mutex);
    v->volume = volume;
    int ok = dsnd_apply(v);
    kubl_mutex_unlock(v->owner->mutex);
    return ok;
}

static int dsnd_set_pan(voice *vp, int pan)
{
    dsnd_voice *v = (dsnd_voice *)vp;
    kubl_mutex_lock(v->owner->mutex);
    v->pan = pan < -0x7FFF ? -0x7FFF : pan > 0x7FFF ? 0x7FFF : pan;
    int ok = dsnd_apply(v);
    kubl_mutex_unlock(v->owner->mutex);
    return ok;
}

static int dsnd_set_loop(voice *vp, int flag)
{
    dsnd_voice *v = (dsnd_voice *)vp;
    kubl_mutex_lock(v->owner->mutex);
    v->loop = flag;
    kubl_mutex_unlock(v->owner->mutex);
    return 1;
}

static int dsnd_position(voice *vp)
{
    dsnd_voice *v = (dsnd_voice *)vp;
    kubl_mutex_lock(v->owner->mutex);
    int position = v->playing ? (int)(v->cursor >> 32) : 0;
    kubl_mutex_unlock(v->owner->mutex);
    return position;
}

static int dsnd_write(voice *vp, int length, const unsigned char *data, int offset)
{
    dsnd_voice *v = (dsnd_voice *)vp;
    int c = v->sample->length;
    if (length <= 0) return 1;
    if (!data) return 0;
    long long start = length > c ? (long long)offset + length - c : offset;
    if (length > c) {
        data += length - c;
        length = c;
    }
    start %= c;
    if (start < 0) start += c;
    int first = c - (int)start < length ? c - (int)start : length;
    kubl_mutex_lock(v->owner->mutex);
    memcpy(v->sample->data + start, data, (size_t)first);
    if (first < length) memcpy(v->sample->data, data + first, (size_t)(length - first));
    kubl_mutex_unlock(v->owner->mutex);
    return 1;
}

void kubl_dsound_levels(voice *vp, int *volume_mb, int *pan_mb, int *rate)
{
    dsnd_voice *v = (dsnd_voice *)vp;
    *volume_mb = v->volume_mb;
    *pan_mb = v->pan_mb;
    *rate = v->rate;
}

const audio_driver dsnd_driver = {
    "dsnd", 1,
    dsnd_open, dsnd_open_readback, dsnd_close, dsnd_update, dsnd_mix_block,
    dsnd_create, dsnd_free, dsnd_play, dsnd_set_rate, dsnd_set_volume,
    dsnd_set_pan, dsnd_set_loop, dsnd_position, dsnd_write,
};
