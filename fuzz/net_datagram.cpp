// A datagram from the race server, dispatched in every state of the client. The first byte
// picks the state (bits 0-2), whether the clock was taken already (bit 3) and the race id (bits
// 4-7); the rest is the datagram; the race reset stays still behind its seam. What
// it left goes on to the readouts a race shows: the HUD's ping and offset, the pace of the
// frame loop and the race format line.
#include "track_fuzz.h"
#include "racing/net_client.h"
#include "racing/net_reliable.h"
#include "racing/race.h"
#include "racing/race_state.h"
#include "terrain/erosion.h"
#include "shell/config.h"
#include "shell/pacing.h"
#include "ui/hud.h"

static int still_reset(const int *, int, int, int, int, int) { return 1; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const int states[] = {CLIENT_CONNECTING, CLIENT_INFO,  CLIENT_TRACK_ACK, CLIENT_BIKE_ACK,
                                 CLIENT_READY,      CLIENT_RACING, CLIENT_RESTART,  CLIENT_DISCONNECTING};
    if (size < 1 || size > NET_DATAGRAM_MAX + 1) return 0;
    fuzz_track_setup();
    erode_queue_reset();
    net_set_race_reset(still_reset);
    net_client_reset(nullptr);
    net_client.client_state = states[data[0] % 8];
    net_client.local_slot = 2;
    net_client.race = data[0] >> 4;   // 0 or a small id
    net_client.nonce = 0x01020304;
    tick_count = 5000;
    race_start_tick = 0;
    if (data[0] & 8) {   // the clock already taken, as through a race
        net_client.highest_server_tick = net_client.sync_tick = 5000;
        net_client.sync_time = net_now();
        server_tick = 5000;
    }
    unsigned char datagram[NET_BUFFER];
    const int length = (int)size - 1;
    memcpy(datagram, data + 1, (size_t)length);
    datagram[length] = 0;
    net_dispatch(datagram, length);
    // A second copy, as a repeat or a next reliable message would come.
    datagram[length] = 0;
    net_dispatch(datagram, length);
    if (net_client.local_slot > NET_SLOTS || race_slot > NET_SLOTS || local_slot > NET_SLOTS) abort();

    // The ticks the race runs on afterwards, then the readouts of them.
    for (int i = 0; i < 3; ++i) {
        if (server_tick > 0) ++server_tick;
        ++tick_count;
    }
    g_config.draw_ping = g_config.draw_time = 1;
    const int socket_was = net_socket, slot_was = local_slot;
    net_socket = 1 << 20;   // no socket is touched: the readout only asks whether one is open
    local_slot = (int)net_client.local_slot;
    char lines[HUD_READOUT_LINES][HUD_LINE_BYTES];
    hud_readout_lines(lines, 10);
    net_socket = socket_was;
    local_slot = slot_was;
    const double scale = online_time_scale(server_tick, tick_count, race_start_tick);
    if (!(scale >= 0.5 && scale <= 4)) abort();
    char format[64];
    race_format_line(format, sizeof format, net_client.time_limit, net_client.laps);
    if (strchr(format, '-')) abort();   // a negative count of laps or minutes
    net_client_reset(nullptr);
    net_set_race_reset(nullptr);
    return 0;
}
