// racing/net_protocol.h — the race server's datagrams byte by byte. Every integer is a u32
// little-endian, written byte by byte; every client datagram but the connect packet starts
// with type, local slot (1-4) and connection id (5-8).
//
//  client -> server                         server -> client
//   0 connect          21                    1 full          2 accepted       4 track
//   3 client info      41 + n                6 other rider   8 own rider     10 clock start
//   5 track ack        13   (race id)       11 states       13 value         14 restart
//   7 bike ack         17   (race id, slot) 15 disconnected 16 message       17 reliable
//   9 ready            13                   18 ack          25 redirect
//  11 state            60   (race, server tick, our tick, bike frame)
//  14 restart          13   15 disconnect 9   17 reliable 13 + body   18 ack 13
#pragma once
#include <cstdint>

enum net_packet_type {
    NET_CONNECT = 0, NET_FULL = 1, NET_ACCEPTED = 2, NET_CLIENT_INFO = 3, NET_TRACK = 4,
    NET_TRACK_ACK = 5, NET_OTHER_INFO = 6, NET_BIKE_ACK = 7, NET_OWN_INFO = 8, NET_READY = 9,
    NET_CLOCK = 10, NET_STATES = 11, NET_VALUE = 13, NET_RESTART = 14, NET_DISCONNECT = 15,
    NET_MESSAGE = 16, NET_RELIABLE = 17, NET_ACK = 18, NET_REDIRECT = 25,
};
enum net_msg_kind { NET_KIND_RIDER_INFO = 3, NET_KIND_CHAT = 19, NET_KIND_GATES = 21, NET_KIND_COMMAND = 24, NET_KIND_ERODE = 27 };

enum {
    NET_PORT = 19800,
    NET_CLIENT_VERSION = 30,
    NET_SERVER_VERSION = 6,
    NET_DATAGRAM_MAX = 1023,     // bytes of a received datagram
    NET_BUFFER = 1024,           // receive buffers: the datagram and its end zero
    NET_CONNECT_BYTES = 21, NET_CLIENT_INFO_HEAD = 41, NET_RIDER_INFO_MAX = 982,
    NET_RACE_BYTES = 13, NET_BIKE_ACK_BYTES = 17, NET_STATE_BYTES = 60, NET_DISCONNECT_BYTES = 9,
    NET_ACK_BYTES = 13,
    NET_STATE_RECORD = 47, NET_STATES_HEAD = 17,
    NET_TRACK_HEAD = 37,
    NET_SLOTS = 160,
    NET_FRAME_BYTES = 39,
    NET_TICK_MAX = 1 << 30,      // server and record ticks at or above are not taken
};

void     net_put_u32(unsigned char *p, uint32_t v);
uint32_t net_get_u32(const unsigned char *p);

// The writers fill out and return the datagram's length.
int net_write_connect(unsigned char *out, int password_set, uint32_t nonce);
int net_write_client_info(unsigned char *out, uint32_t slot, uint32_t connection, const unsigned char proof[4],
                          uint32_t nonce, const char *text, int length);
// Types 5 (track ack), 9 (ready) and 14 (restart): the header and the race id.
int net_write_race(unsigned char *out, int type, uint32_t slot, uint32_t connection, uint32_t race);
int net_write_bike_ack(unsigned char *out, uint32_t slot, uint32_t connection, uint32_t race, uint32_t last_slot);
int net_write_state(unsigned char *out, uint32_t slot, uint32_t connection, uint32_t race, uint32_t server_tick,
                    uint32_t local_tick, const unsigned char frame[NET_FRAME_BYTES]);
int net_write_disconnect(unsigned char *out, uint32_t slot, uint32_t connection);
int net_write_ack(unsigned char *out, uint32_t slot, uint32_t connection, uint32_t sequence);

// Digest bytes 3, 2, 1, 0 of RIPEMD-160(password, connection id little-endian); zero without
// a password.
void net_password_proof(const char *password, uint32_t connection, unsigned char out[4]);

// The rider info text: "bike|body|graphics|wheels|helmet\nnumber\nname", or the short form
// "bike\nnumber\nname" when the long one would not fit limit (the seven lengths plus 6 reach
// it). Returns the text's length; out always ends with a zero when limit > 0.
enum { RIDER_BIKE, RIDER_BODY, RIDER_GRAPHICS, RIDER_WHEELS, RIDER_HELMET, RIDER_NUMBER, RIDER_NAME, RIDER_FIELDS };
int rider_info_write(char *out, int limit, const char *const fields[RIDER_FIELDS]);
// Splits a rider info text into its fields, each cut to its buffer; a field missing at the end
// stays untouched (present[i] tells which were found).
enum { RIDER_FIELD_BYTES = 64 };
void rider_info_split(const char *text, char fields[RIDER_FIELDS][RIDER_FIELD_BYTES], int present[RIDER_FIELDS]);

// The race format line printed when the clock first starts, with its newline.
void race_format_line(char *out, int size, uint32_t time_limit_ticks, uint32_t laps);

// A text from the network made fit for the log, the terminal and the screen: control characters
// (a newline too, but for one at the very end, which is dropped) and bytes that are no UTF-8 are
// written as \x1b, so a peer can neither drive the terminal nor forge log lines. Cut to size.
void net_escape_text(char *out, int size, const char *text);

// "knockout" and its numbers into the 16 extra crash ticks; 0 when the text is no knockout.
int knockout_parse(const char *text, int rules[16]);
