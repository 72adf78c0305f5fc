// The software mixer: per-voice cursors filed in level lists so the loudest voices get the
// budget, lookup tables in place of per-sample multiplications, and zero-crossing hand-overs
// so level changes, stops and restarts do not click.
#include "platform/mixer.h"
#include "platform/log.h"
#include <climits>
#include <cstdlib>
#include <cstring>

// Row level-1 holds the contribution of each sample byte at that level.
static signed char g_level_tables[MIX_LEVELS - 1][256];
static int         g_tables_built;

static void build_level_tables(void)
{
    for (int level = 1; level < MIX_LEVELS; ++level) {
        for (int m = 0; m < 256; ++m) {
            int v = m - 128, e = 0;
            if (v > 0) e = (v - 1) * level / 32;
            else if (v < 0) e = -((-v - 1) * level / 32);
            g_level_tables[level - 1][m] = (signed char)e;
        }
    }
    g_tables_built = 1;
}

const signed char *kubl_mixer_level_row(int level)
{
    if (!g_tables_built) build_level_tables();
    if (level < 1 || level >= MIX_LEVELS) return nullptr;
    return g_level_tables[level - 1];
}

void kubl_mix_target_init(mix_target *t, int rate, int block_samples, int stereo, int budget,
                          int *left, int *right, unsigned char *output)
{
    memset(t, 0, sizeof *t);
    t->rate = rate;
    t->block_samples = block_samples;
    t->stereo = stereo;
    t->budget = budget;
    t->left = left;
    t->right = right;
    t->output = output;
}

static int cursor_channel(const voice_cursor *c) { return c == &c->voice->right; }

static void cursor_link(voice_cursor *c)
{
    voice_cursor **head = &c->voice->target->lists[cursor_channel(c)][c->level];
    c->prev = nullptr;
    c->next = *head;
    if (*head) (*head)->prev = c;
    *head = c;
    c->linked = 1;
}

static void cursor_unlink(voice_cursor *c)
{
    if (!c->linked) return;
    voice_cursor **head = &c->voice->target->lists[cursor_channel(c)][c->level];
    if (c->prev) c->prev->next = c->next;
    else *head = c->next;
    if (c->next) c->next->prev = c->prev;
    c->next = c->prev = nullptr;
    c->linked = 0;
}

static void voice_link(mixer_voice *v)
{
    cursor_link(&v->left);
    if (v->stereo) cursor_link(&v->right);
}

static void voice_unlink(mixer_voice *v)
{
    cursor_unlink(&v->left);
    cursor_unlink(&v->right);
}

// Full volume at a centred pan gives 15 and 15; fully left gives 31 and 0.
static void voice_levels(mixer_voice *v)
{
    std::uint32_t volume = (std::uint32_t)v->volume;
    v->left.level = (int)(((std::uint32_t)(0x7FFF - v->pan) * volume) >> 26);
    v->right.level = (int)(((std::uint32_t)(v->pan + 0x8000) * volume) >> 26);
}

static void voice_refile(mixer_voice *v)
{
    if (v->playing) voice_unlink(v);
    voice_levels(v);
    if (v->playing) voice_link(v);
}

static void sample_release(sound_sample *s)
{
    if (s && --s->references <= 0) {
        free(s->data);
        free(s);
    }
}

mixer_voice *kubl_mixer_sound_create(mix_target *t, int length, const unsigned char *data, int rate)
{
    if (length <= 0 || !data || rate < 0) {
        kubl_log_printf("Can't make a sound of %d bytes at %d Hz\n", length, rate);
        return nullptr;
    }
    long long stored = rate ? (long long)length * t->rate / rate : length;
    if (stored <= 0 || stored > INT_MAX) {
        // Too short to hold one output sample (or too long to index): nothing could play.
        kubl_log_printf("Sound of %d bytes at %d Hz has %lld bytes at %d Hz\n", length, rate,
                        stored, t->rate);
        return nullptr;
    }
    if (!g_tables_built) build_level_tables();

    sound_sample *s = (sound_sample *)calloc(1, sizeof *s);
    mixer_voice *v = (mixer_voice *)calloc(1, sizeof *v);
    unsigned char *bytes = (unsigned char *)malloc((size_t)stored);
    if (!s || !v || !bytes) {
        kubl_log_printf("Out of memory for a sound of %lld bytes\n", stored);
        free(s);
        free(v);
        free(bytes);
        return nullptr;
    }
    // Nearest lower source byte: byte k comes from data[floor(k * length / stored)].
    int n = (int)stored, q = length / n, r = length % n, index = 0, carry = 0;
    for (int k = 0; k < n; ++k) {
        bytes[k] = data[index];
        index += q;
        carry += r;
        if (carry >= n) {
            carry -= n;
            index++;
        }
    }
    s->references = 1;
    s->length = n;
    s->data = bytes;

    v->sample = s;
    v->target = t;
    v->left.voice = v;
    v->right.voice = v;
    v->output_rate = t->rate;
    v->rate = t->rate;
    v->stereo = t->stereo;
    v->volume = 0x7FFF;
    v->pan = v->stereo ? 0 : -0x8000;
    voice_levels(v);
    return v;
}

void kubl_mixer_sound_free(mixer_voice *v)
{
    if (!v) return;
    if (v->playing) voice_unlink(v);
    sample_release(v->sample);
    free(v);
}

int kubl_mixer_sound_play(mixer_voice *v)
{
    v->finished = 0;
    v->restart = 1;
    if (!v->playing) {
        v->playing = 1;
        voice_link(v);
    }
    return 1;
}

int kubl_mixer_sound_set_rate(mixer_voice *v, int rate)
{
    // A rate of 0 would stop the position for good and divide by zero in the silent advance.
    v->rate = rate < 1 ? 1 : rate;
    return 1;
}

int kubl_mixer_sound_set_volume(mixer_voice *v, int volume)
{
    v->volume = volume > 0x7FFF ? 0x7FFF : volume < 0 ? 0 : volume;
    voice_refile(v);
    return 1;
}

int kubl_mixer_sound_set_pan(mixer_voice *v, int pan)
{
    if (!v->stereo || pan < -0x8000) pan = -0x8000;
    if (pan > 0x7FFF) pan = 0x7FFF;
    v->pan = pan;
    voice_refile(v);
    return 1;
}

int kubl_mixer_sound_set_loop(mixer_voice *v, int flag)
{
    v->loop = flag & 1;
    return 1;
}

int kubl_mixer_stream_position(mixer_voice *v)
{
    return v->playing && !v->restart ? v->left.position : 0;
}

static int true_mod(long long x, int c)
{
    long long m = x % c;
    return (int)(m < 0 ? m + c : m);
}

int kubl_mixer_stream_write(mixer_voice *v, int length, const unsigned char *data, int offset)
{
    int c = v->sample->length;
    if (length <= 0) return 1;
    if (!data) return 0;
    int start;
    if (length > c) {
        data += length - c;
        start = true_mod((long long)offset + length - c, c);
        length = c;
    } else {
        start = true_mod(offset, c);
    }
    int first = c - start < length ? c - start : length;
    memcpy(v->sample->data + start, data, (size_t)first);
    if (first < length) memcpy(v->sample->data, data + first, (size_t)(length - first));
    return 1;
}

// Mixes one cursor of a voice into its channel's accumulator for n samples.
static void mix_cursor(voice_cursor *c, int *acc, int n, int audible)
{
    mixer_voice *v = c->voice;
    const unsigned char *data = v->sample->data;
    const int length = v->sample->length;
    const int out = v->output_rate, rate = v->rate;
    const int int_step = rate / out;
    const std::uint32_t step31 = (std::uint32_t)(rate % out) * (std::uint32_t)(0x80000000u / (std::uint32_t)out);
    const std::uint32_t step32 = step31 * 2;

    int pos = c->position;
    std::uint32_t fraction = c->fraction;
    if (pos >= length) pos %= length;

    int new_level = audible && !v->finished ? c->level : 0;
    int old = c->last_level;
    int i = 0;

    // Hand-over: the old level plays on until the waveform crosses the midpoint.
    if (old > 0 && (new_level != old || v->restart)) {
        const signed char *row = g_level_tables[old - 1];
        const unsigned char top = data[pos] & 0x80;
        std::uint32_t f31 = fraction >> 1;
        while (i < n && (data[pos] & 0x80) == top) {
            acc[i++] += row[data[pos]];
            f31 += step31;
            pos += int_step + (int)(f31 >> 31);
            f31 &= 0x7FFFFFFF;
            if (pos >= length) {
                pos = 0;
                f31 = 0;
                // A play request during the fade outranks the end of the data.
                if (!v->loop && !v->restart) v->finished = 1;
                break;
            }
        }
        fraction = f31 << 1;
    }

    c->last_level = new_level;
    if (v->restart) {
        pos = 0;
        fraction = 0;
    }
    if (v->finished || i >= n) {
        c->position = pos;
        c->fraction = fraction;
        return;
    }

    if (new_level > 0) {
        const signed char *row = g_level_tables[new_level - 1];
        while (i < n) {
            // Output samples that read only bytes before the data end.
            long long run = (long long)(length - pos - 1) * out / rate + 1;
            if (run > n - i) run = n - i;
            int end = i + (int)run;
            if (rate == out) {
                const unsigned char *p = data + pos;
                for (int k = i; k < end; ++k) acc[k] += row[*p++];
                pos += end - i;
            } else {
                for (int k = i; k < end; ++k) {
                    acc[k] += row[data[pos]];
                    std::uint32_t before = fraction;
                    fraction += step32;
                    pos += int_step + (fraction < before);
                }
            }
            i = end;
            if (pos >= length) {
                if (v->loop) {
                    pos %= length;
                } else {
                    v->finished = 1;
                    pos = 0;
                    fraction = 0;
                    break;
                }
            }
        }
    } else {
        long long offset = pos + (long long)(n - i) * rate / out;
        if (offset < length) {
            pos = (int)offset;
        } else if (v->loop) {
            pos = (int)(offset % length);
        } else {
            v->finished = 1;
            pos = 0;
        }
        fraction = 0;
    }
    c->position = pos;
    c->fraction = fraction;
}

void kubl_mix_block(mix_target *t)
{
    const int n = t->block_samples;
    memset(t->left, 0, sizeof(int) * (size_t)n);
    if (t->stereo) memset(t->right, 0, sizeof(int) * (size_t)n);

    int budget = t->budget;
    for (int level = MIX_LEVELS - 1; level >= 0; --level) {
        voice_cursor *l = t->lists[0][level], *r = t->lists[1][level];
        while (l || r) {
            if (l) {
                int audible = budget > 0 && level > 0;
                budget -= audible;
                mix_cursor(l, t->left, n, audible);
                l = l->next;
            }
            if (r) {
                int audible = budget > 0 && level > 0;
                budget -= audible;
                mix_cursor(r, t->right, n, audible);
                r = r->next;
            }
        }
    }

    for (int level = 0; level < MIX_LEVELS; ++level) {
        voice_cursor *c = t->lists[0][level];
        while (c) {
            voice_cursor *next = c->next;
            mixer_voice *v = c->voice;
            v->restart = 0;
            v->right.position = v->left.position;
            v->right.fraction = v->left.fraction;
            if (v->finished) {
                v->finished = 0;
                v->playing = 0;
                voice_unlink(v);
                // It went quiet: the next play has no old level to fade out.
                v->left.last_level = v->right.last_level = 0;
            }
            c = next;
        }
    }

    unsigned char *o = t->output;
    for (int k = 0; k < n; ++k) {
        int a = t->left[k];
        *o++ = (unsigned char)((a > 127 ? 127 : a < -128 ? -128 : a) + 128);
        if (t->stereo) {
            a = t->right[k];
            *o++ = (unsigned char)((a > 127 ? 127 : a < -128 ? -128 : a) + 128);
        }
    }
}
