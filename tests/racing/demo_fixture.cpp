#include "demo_fixture.h"

#include <cstring>

#include "racing/demo.h"
#include "shell/config.h"
#include "shell/track_list.h"

void demo_chain::u32(std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) bytes += (char)(v >> (8 * i));
}

void demo_chain::packet_raw_length(std::uint32_t stored, std::int32_t tick, int type, const std::string &payload)
{
    u32(stored);
    u32((std::uint32_t)tick);
    bytes += (char)type;
    bytes += payload;
}

void demo_chain::packet(int type, std::int32_t tick, const std::string &payload)
{
    packet_raw_length((std::uint32_t)payload.size() ^ previous, tick, type, payload);
    previous = (std::uint32_t)payload.size();
}

std::string demo_chain::record(int ordinal, std::int32_t tick, const std::uint8_t *frame)
{
    std::string r(1, (char)ordinal);
    for (int i = 0; i < 4; ++i) r += (char)((std::uint32_t)tick >> (8 * i));
    r.append((const char *)frame, 39);
    return r;
}

static std::uint32_t le32(const std::string &s, std::size_t at)
{
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | (unsigned char)s[at + i];
    return v;
}

std::vector<demo_packet_view> demo_packets(const std::string &file, std::size_t at, std::size_t *rest)
{
    std::vector<demo_packet_view> out;
    std::uint32_t previous = 0;
    while (at + 9 <= file.size()) {
        demo_packet_view p;
        p.offset = at;
        p.length = le32(file, at) ^ previous;
        p.tick = (std::int32_t)le32(file, at + 4);
        p.type = (unsigned char)file[at + 8];
        if (at + 9 + p.length > file.size()) break;
        p.payload = file.substr(at + 9, p.length);
        previous = p.length;
        at += 9 + p.length;
        out.push_back(p);
    }
    if (rest) *rest = file.size() - at;
    return out;
}

std::size_t demo_head_bytes(const std::string &file, int riders)
{
    std::size_t at = file.find('\n');
    at = file.find('\n', at + 1) + 1;   // the track line
    for (int k = 0; k < riders; ++k) at = file.find("\n\n", at) + 2;
    return at;
}

void DemoField::SetUp()
{
    TimingField::SetUp();
    track_list.folders = listed;
    track_list.count = 1;
    g_config.demo_backups = 0;
    demo_record_set_name(nullptr);
    demo_play_set_name(nullptr);
    erode_level = 0;
    time_trial = 0;
}

void DemoField::TearDown()
{
    demo_record_stop();
    demo_play_close();
    demo_play_set_name(nullptr);
    track_list.folders = nullptr;
    track_list.count = 0;
    TimingField::TearDown();
}
