// The sound device over SDL2 audio: open, queue, callback, pause, close.
#include "platform/os/os_audio.h"
#include <SDL.h>

struct callback_slot {
    os_audio_callback callback;
    void             *user;
};

// SDL hands the callback one pointer; the slots keep ours alive while a device is open.
enum { MAX_DEVICES = 8 };
static callback_slot g_slots[MAX_DEVICES];
static std::uint32_t g_slot_device[MAX_DEVICES];

static void SDLCALL forward_callback(void *user, Uint8 *stream, int len)
{
    callback_slot *slot = (callback_slot *)user;
    slot->callback(slot->user, stream, len);
}

int os_audio_init(const char **error)
{
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        if (error) *error = SDL_GetError();
        return 0;
    }
    return 1;
}

void os_audio_quit(void) { SDL_QuitSubSystem(SDL_INIT_AUDIO); }

const char *os_audio_device_name(void)
{
    const char *name = SDL_GetNumAudioDevices(0) > 0 ? SDL_GetAudioDeviceName(0, 0) : nullptr;
    if (!name) name = SDL_GetCurrentAudioDriver();
    return name ? name : "sound device";
}

std::uint32_t os_audio_open(const os_audio_format *want, os_audio_callback callback, void *user,
                            os_audio_format *got, const char **error)
{
    SDL_AudioSpec desired, obtained;
    SDL_zero(desired);
    desired.freq = want->rate;
    desired.format = want->format == OS_AUDIO_U8 ? AUDIO_U8 : AUDIO_S16SYS;
    desired.channels = (Uint8)want->channels;
    desired.samples = (Uint16)want->samples;
    int slot = -1;
    if (callback) {
        for (int i = 0; i < MAX_DEVICES && slot < 0; ++i)
            if (!g_slot_device[i]) slot = i;
        if (slot < 0) {
            if (error) *error = "too many sound devices open";
            return 0;
        }
        g_slots[slot] = callback_slot{callback, user};
        desired.callback = forward_callback;
        desired.userdata = &g_slots[slot];
    }
    SDL_AudioDeviceID dev = SDL_OpenAudioDevice(nullptr, 0, &desired, &obtained,
                                                SDL_AUDIO_ALLOW_CHANNELS_CHANGE);
    if (dev && obtained.channels != 1 && obtained.channels != 2) {
        // A surround device: let SDL fold our stereo down rather than lay out six channels.
        SDL_CloseAudioDevice(dev);
        dev = SDL_OpenAudioDevice(nullptr, 0, &desired, &obtained, 0);
    }
    if (!dev) {
        if (error) *error = SDL_GetError();
        return 0;
    }
    if (slot >= 0) g_slot_device[slot] = dev;
    got->rate = obtained.freq;
    got->channels = obtained.channels;
    got->format = want->format;
    got->samples = obtained.samples;
    return dev;
}

void os_audio_close(std::uint32_t device)
{
    if (!device) return;
    SDL_CloseAudioDevice(device);   // waits for a running callback to return
    for (int i = 0; i < MAX_DEVICES; ++i)
        if (g_slot_device[i] == device) g_slot_device[i] = 0;
}

void os_audio_pause(std::uint32_t device, int pause) { SDL_PauseAudioDevice(device, pause); }

int os_audio_queue(std::uint32_t device, const void *data, int bytes)
{
    return SDL_QueueAudio(device, data, (Uint32)bytes) == 0;
}

int os_audio_queued_bytes(std::uint32_t device) { return (int)SDL_GetQueuedAudioSize(device); }

void os_audio_clear(std::uint32_t device) { SDL_ClearQueuedAudio(device); }
