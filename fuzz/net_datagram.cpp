// A datagram from the race server, dispatched in every state of the client. The first byte
// picks the state, the rest is the datagram; the race reset stays still behind its seam.
#include "track_fuzz.h"
#include "racing/net_client.h"
#include "racing/net_reliable.h"
#include "racing/race.h"
#include "racing/race_state.h"
#include "terrain/erosion.h"

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
    unsigned char datagram[NET_BUFFER];
    const int length = (int)size - 1;
    memcpy(datagram, data + 1, (size_t)length);
    datagram[length] = 0;
    net_dispatch(datagram, length);
    // A second copy, as a repeat or a next reliable message would come.
    datagram[length] = 0;
    net_dispatch(datagram, length);
    if (net_client.local_slot > NET_SLOTS || race_slot > NET_SLOTS || local_slot > NET_SLOTS) abort();
    net_client_reset(nullptr);
    net_set_race_reset(nullptr);
    return 0;
}
