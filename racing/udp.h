// racing/udp.h — the thin layer over POSIX UDP sockets that the network client and the
// Multiplayer page use: resolve a server address, open a non-blocking socket, send and
// receive datagrams, and name every socket error for the caller to print.
#pragma once
#include <cstdint>

// The length of the socket address in use (16), then the IPv4 socket address itself
// (family, port in network byte order, address), zero-filled; 36 bytes in all.
struct net_address {
    int length;
    alignas(4) unsigned char sockaddr[32];
};

// The name of the last socket error ("ECONNREFUSED", a decimal number when unnamed), or the
// empty string; cleared at the start of every operation.
extern char udp_error_text[32];

// "host", "host:port" (the last colon counts, when the text after it starts with a digit) into
// an address. 0 when the host cannot be resolved or the port is above 65535.
int  udp_resolve(net_address *address, const char *text, int default_port);
// The host part of text into host (room for strlen(text) + 1) and the port; -1 for a port
// above 65535.
int  udp_split_address(const char *text, char *host, int default_port);
int  udp_open(void);                  // a non-blocking IPv4 datagram socket, or -1
int  udp_send(int socket, const void *bytes, int length, const net_address *address);
// One datagram into buffer, which then holds a zero byte at the datagram's length; the sender
// goes to *from. A datagram of capacity bytes or more is dropped as "EMSGSIZE": it is never
// handled cut. -1 on an error or when nothing waits (then udp_error_text stays empty).
int  udp_receive(int socket, unsigned char *buffer, int capacity, net_address *from);
void udp_close(int socket);
void net_cleanup(void);               // nothing to end on POSIX; kept for the shutdown order

// Sets udp_error_text from an errno value; EAGAIN, EWOULDBLOCK and EINTR set nothing.
void udp_record_error(int error);

// Address helpers for tests and the Multiplayer page.
int  udp_address_equal(const net_address *a, const net_address *b);
int  udp_address_port(const net_address *a);
void udp_address_loopback(net_address *a, int port);
