// Stand-in for what the erosion code needs of the network client until online racing lands:
// erosion trails go straight into the local queue as they do offline.
#include "racing/race.h"
#include "racing/demo.h"
#include "terrain/erosion.h"

void net_send_erosion(const unsigned char *bytes, int length)
{
    erode_queue_push_packet(bytes, length);
    demo_record_packet(DEMO_ERODE, bytes, length);
}
