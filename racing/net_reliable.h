// racing/net_reliable.h — the reliable message layer: one outgoing message in flight at a
// time, re-sent every 0.5 s until acknowledged; incoming messages acknowledged and handled
// once each, in sequence order.
#pragma once
#include <cstdint>

#include "racing/net.h"

enum { NET_HOLD_AHEAD = 1024 };   // reliable messages this far ahead are neither held nor acked

struct net_reliable_state {
    net_msg_node *send_head, *send_tail;
    net_msg_node *hold;              // early arrivals, ascending sequence numbers
    uint32_t      next_out;          // sequence number of the next queued message
    uint32_t      next_in;           // the incoming sequence number handled next
    int           held_count;
};
extern net_reliable_state net_reliable;

// The values the header of every new message carries (the client keeps them current).
void net_reliable_set_header(uint32_t local_slot, uint32_t connection);
// The head of the send list when it is due at now (its next send time then becomes now + 0.5),
// else null.
net_msg_node *net_reliable_due(double now);
// A server acknowledgment: removes the head when the sequence numbers match.
void net_reliable_acked(uint32_t sequence);
// A received type-17 datagram (length bytes). Handles it and any held ones that follow through
// handle (datagram, length) in order. Returns 1 when it is to be acknowledged.
int  net_reliable_receive(const unsigned char *datagram, int length, void (*handle)(const unsigned char *, int));
// Frees both lists and zeroes the counters.
void net_reliable_clear(void);
