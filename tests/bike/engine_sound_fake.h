// A data layer and stream voice for the engine sound without files or audio: files are texts
// by name (every name asked is logged), a voice is a ring whose play position the test sets.
#pragma once
#include "bike/engine_sound.h"
#include "bike/sound_table.h"
#include "data/stream.h"
#include "fixtures/fixtures.h"
#include <map>
#include <string>
#include <vector>

struct fake_voice {
    int position = 0;
    std::vector<unsigned char> ring = std::vector<unsigned char>(ENGINE_SOUND_RING, 128);
    int rate = -1, volume = -1, pan = -99999, writes = 0, last_write = 0, started = 0;
};

struct fake_sound {
    static std::map<std::string, std::string> &files() { static std::map<std::string, std::string> m; return m; }
    static std::vector<std::string> &asked() { static std::vector<std::string> v; return v; }
    static std::string &dir() { static std::string d = fixture_temp_dir("engine_sound"); return d; }

    static data_stream *open(const char *name, const char *mode)
    {
        asked().push_back(name);
        auto it = files().find(name);
        if (it == files().end()) return nullptr;
        std::string path = dir() + "f" + std::to_string(asked().size());
        fixture_write_file(path, it->second);
        return data_open(path.c_str(), mode);
    }
    static void close(data_stream *s) { data_close(s); }
    static voice *create(int length, const unsigned char *data)
    {
        fake_voice *v = new fake_voice;
        v->ring.assign(data, data + length);
        return (voice *)v;
    }
    static void free_voice(voice *v) { delete (fake_voice *)v; }
    static void start(voice *v) { ((fake_voice *)v)->started = 1; }
    static int position(voice *v) { return ((fake_voice *)v)->position; }
    static int write(voice *v, int length, const unsigned char *data, int offset)
    {
        fake_voice *f = (fake_voice *)v;
        for (int k = 0; k < length; ++k) f->ring[(unsigned)(offset + k) % ENGINE_SOUND_RING] = data[k];
        ++f->writes;
        f->last_write = length;
        return length;
    }
    static void set_rate(voice *v, int rate) { ((fake_voice *)v)->rate = rate; }
    static void set_volume(voice *v, int volume) { ((fake_voice *)v)->volume = volume; }
    static void set_pan(voice *v, int pan) { ((fake_voice *)v)->pan = pan; }

    static void install(void)
    {
        static const engine_sound_io io = {open, close, create, free_voice, start, position,
                                           write, set_rate, set_volume, set_pan};
        engine_sound_set_io(&io);
        files().clear();
        asked().clear();
    }
    static void uninstall(void)
    {
        for (void *&v : engine_voices) {
            if (v) free_voice((voice *)v);
            v = nullptr;
        }
        engine_sound_tables_free();
        engine_sound_table_list_free();
        engine_sound_set_io(nullptr);
    }
    static fake_voice *of(int slot) { return (fake_voice *)engine_voices[slot]; }
};

// Raw signed 16-bit little-endian samples.
inline std::string fake_samples(const std::vector<int> &values)
{
    std::string s;
    for (int v : values) s += (char)(v & 0xFF), s += (char)((v >> 8) & 0xFF);
    return s;
}
