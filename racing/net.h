// What the console and the menus reach of the network client's reliable messages and file
// transfer.
#pragma once
#include <cstdint>

struct data_stream;

// One reliable message, on the send list or the hold list of early arrivals. An outgoing
// payload starts with the 13-byte header; the writer of a body keeps it to 480 bytes.
enum { NET_MSG_PAYLOAD = 484, NET_MSG_LIMIT = 480, NET_MSG_HEADER = 13 };
struct net_msg_node {
    double        last_send;   // seconds; 0: never sent
    net_msg_node *next;
    uint32_t      sequence;
    int           length;      // payload bytes in use
    unsigned char payload[NET_MSG_PAYLOAD];
};

// A new message at the tail of the send list, its header written and its length 13; the
// caller appends the kind byte and body and raises the length.
net_msg_node *net_msg_new(void);

// The file being sent to the server (null when idle) and the text that ends the transfer,
// "namefile " and the file's name. The client sends the parts, then closes and clears both.
extern data_stream *net_outgoing_file;
extern char         net_outgoing_name[1024];

// What the race reset gives a remote rider's bike: the fields the server sent for the slot,
// where it sent them (the arguments keep their values otherwise).
void net_slot_rider(int slot, const char **model, const char **number, const char *textures[4], const char **name);
