// racing/demo_play.h — the playback record the demo reader and the skip share.
#pragma once
#include <cstdint>

#include "racing/demo.h"
#include "data/stream.h"

struct demo_rider {
    char  model[64];
    char  textures[4][128];   // as the file orders them: rider, bike, wheel, helmet
    char  number[4];          // three characters at most
    char  name[64];
    int   slot;               // the rider slot this ordinal plays into, -1 none
    float received;           // older demos: 1 while its frames arrive whole
};

struct demo_playback {
    data_stream  *in;                  // null when nothing plays
    int           version;             // 4, 5 or 6
    int           rider_count;
    const char   *track;               // the track-list entry the head names
    demo_rider    riders[DEMO_RIDERS_MAX];
    std::uint32_t previous_length;     // payload length of the packet before packet_position
    std::int64_t  head_end;            // offset of the first packet
    std::int64_t  packet_position;     // offset of the next packet to read
    std::int64_t  data_end;            // the stream's size; INT64_MAX when unknown (gzip)
    int           first_tick;          // tick of the first state packet, -1 until read
    std::int64_t  time_offset;         // added to every stamp (the time trial's ghost)
    std::int64_t  next_tick;           // tick of the next packet, with the offset
    int           old_started;         // older demos: the first tick was taken
    std::int64_t  erosion_applied;     // offset of the last erosion packet applied, -1 none
};
extern demo_playback g_play;

// Puts the playback stream at an offset: 1, or 0 when it cannot get there.
int demo_stream_to(std::int64_t offset);
