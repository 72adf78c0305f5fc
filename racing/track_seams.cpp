// Erosion trails of the local bike: online they go to the server, which hands them to every
// rider (this one included); offline straight into the local queue and the demo.
#include "racing/race.h"
#include "racing/demo.h"
#include "racing/net_client.h"
#include "terrain/erosion.h"

void net_send_erosion(const unsigned char *bytes, int length)
{
    if (net_socket >= 0) {
        unsigned char race[4];
        net_put_u32(race, net_client.race);
        net_queue_message(NET_KIND_ERODE, race, 4, bytes, length);
        return;
    }
    erode_queue_push_packet(bytes, length);
    demo_record_packet(DEMO_ERODE, bytes, length);
}
