// platform/audio.h — the sound front: plain functions forwarding to the current audio driver.
// A voice is 8-bit unsigned PCM (128 = silence) with a rate, volume, pan and loop flag; a voice
// used as a stream is a ring the caller keeps writing ahead of the play position.
//
// Every call accepts a null voice, and every call also works with no driver open (the game
// running silent): it then does nothing, and create returns null.
#pragma once

struct display;
struct audio_handle;   // the current driver's own record; null = no audio
struct voice;          // a driver's voice record; null = none

// One back end. Operations a driver does not have answer with a constant: open of "readback"
// and open_readback of the device drivers return null, mix_block of the device drivers null,
// update 1 everywhere.
struct audio_driver {
    const char *name;       // also the platform option that enables it (none for "readback")
    int         has_device;
    audio_handle *(*open)(display *d);
    audio_handle *(*open_readback)(display *d, int rate, int block_samples);
    void  (*close)(audio_handle *h);
    int   (*update)(void);
    const unsigned char *(*mix_block)(audio_handle *h);
    voice *(*create)(audio_handle *h, int length, const unsigned char *data, int rate);
    void  (*free_voice)(voice *v);
    int   (*play)(voice *v);
    int   (*set_rate)(voice *v, int rate);
    int   (*set_volume)(voice *v, int volume);
    int   (*set_pan)(voice *v, int pan);
    int   (*set_loop)(voice *v, int flag);
    int   (*stream_position)(voice *v);
    int   (*stream_write)(voice *v, int length, const unsigned char *data, int offset);
};

extern const audio_driver dsnd_driver;
extern const audio_driver waveout_driver;
extern const audio_driver readback_driver;

// Tries "dsnd", then "waveout", as their platform options allow. Null when a driver is open
// already or none opens.
audio_handle *kubl_audio_open(display *d);
// The device-less driver: the caller pulls one mixed block at a time.
audio_handle *kubl_audio_open_readback(display *d, int rate, int block_samples);
void          kubl_audio_close(audio_handle *h);
int           kubl_audio_update(void);
// Readback only: the next block, block_samples × 2 bytes of interleaved unsigned 8-bit stereo.
const unsigned char *kubl_audio_mix_block(audio_handle *h);
const audio_driver  *kubl_audio_current(void);   // null while no audio is open

// Rate 0: the data is at the output rate (mixer) or at 22050 Hz with rate control ("dsnd").
voice *kubl_sound_create(audio_handle *h, int length, const unsigned char *data, int rate);
void   kubl_sound_free(voice *v);
int    kubl_sound_play(voice *v);                 // always from the first sample
int    kubl_sound_set_rate(voice *v, int rate);   // Hz
int    kubl_sound_set_volume(voice *v, int volume);   // 0..0x7FFF
int    kubl_sound_set_pan(voice *v, int pan);     // -0x8000..0x7FFF, negative = left
int    kubl_sound_set_loop(voice *v, int flag);
int    kubl_stream_position(voice *v);            // next byte to play; 0 when stopped
// Writes into the ring at offset (any integer, taken modulo the ring), wrapping at its end;
// of a write longer than the ring only the last ring-length bytes are kept.
int    kubl_stream_write(voice *v, int length, const unsigned char *data, int offset);

// Amplitude 0..0x7FFF to millibels (-10000..0), through a 1025-entry logarithm table.
int kubl_millibels(int amplitude);

// "dsnd" only: the millibels last applied to a voice and its rate, for tests and diagnostics.
void kubl_dsound_levels(voice *v, int *volume_mb, int *pan_mb, int *rate);
