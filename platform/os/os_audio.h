// platform/os/os_audio.h — the sound device, the only place the audio drivers meet SDL.
#pragma once
#include <cstdint>

enum { OS_AUDIO_U8 = 1, OS_AUDIO_S16 = 2 };

struct os_audio_format {
    int rate;       // Hz
    int channels;   // 1 or 2
    int format;     // OS_AUDIO_U8 or OS_AUDIO_S16
    int samples;    // the device's own buffer, in sample frames
};

// Called on the device's thread to fill bytes of output in the opened format.
typedef void (*os_audio_callback)(void *user, unsigned char *out, int bytes);

// Starts the sound system; 0 with the reason in *error when there is no device at all.
int  os_audio_init(const char **error);
void os_audio_quit(void);
const char *os_audio_device_name(void);   // the default output's name, never null

// Opens the default output. The format's rate and sample type are kept (converted if the device
// wants another); the channel count may change, and *got tells what was opened. With a null
// callback the device plays what os_audio_queue hands it. Starts paused; 0 on failure.
std::uint32_t os_audio_open(const os_audio_format *want, os_audio_callback callback, void *user,
                            os_audio_format *got, const char **error);
void os_audio_close(std::uint32_t device);
void os_audio_pause(std::uint32_t device, int pause);
int  os_audio_queue(std::uint32_t device, const void *data, int bytes);   // 1 or 0
int  os_audio_queued_bytes(std::uint32_t device);
void os_audio_clear(std::uint32_t device);
