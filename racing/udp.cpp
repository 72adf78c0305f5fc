// POSIX datagram sockets behind the game's own small interface.
#include "racing/udp.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

static_assert(sizeof(sockaddr_in) <= sizeof(net_address::sockaddr), "socket address fits");

char udp_error_text[32];

struct error_name {
    int         code;
    const char *name;
};
static const error_name error_names[] = {
    {EACCES, "EACCES"},           {EADDRINUSE, "EADDRINUSE"},     {EADDRNOTAVAIL, "EADDRNOTAVAIL"},
    {EAFNOSUPPORT, "EAFNOSUPPORT"}, {EBADF, "EBADF"},             {ECONNREFUSED, "ECONNREFUSED"},
    {ECONNRESET, "ECONNRESET"},   {EDESTADDRREQ, "EDESTADDRREQ"}, {EFAULT, "EFAULT"},
    {EHOSTUNREACH, "EHOSTUNREACH"}, {EINVAL, "EINVAL"},           {EMFILE, "EMFILE"},
    {EMSGSIZE, "EMSGSIZE"},       {ENETDOWN, "ENETDOWN"},         {ENETUNREACH, "ENETUNREACH"},
    {ENFILE, "ENFILE"},           {ENOBUFS, "ENOBUFS"},           {ENOMEM, "ENOMEM"},
    {ENOTCONN, "ENOTCONN"},       {ENOTSOCK, "ENOTSOCK"},         {EPERM, "EPERM"},
    {EPIPE, "EPIPE"},             {EPROTONOSUPPORT, "EPROTONOSUPPORT"}, {ETIMEDOUT, "ETIMEDOUT"},
};

void udp_record_error(int error)
{
    if (error == EAGAIN || error == EWOULDBLOCK || error == EINTR) return;
    for (const error_name &e : error_names)
        if (e.code == error) {
            snprintf(udp_error_text, sizeof udp_error_text, "%s", e.name);
            return;
        }
    snprintf(udp_error_text, sizeof udp_error_text, "%d", error);
}

static sockaddr_in *inet(net_address *a) { return (sockaddr_in *)(void *)a->sockaddr; }
static const sockaddr_in *inet(const net_address *a) { return (const sockaddr_in *)(const void *)a->sockaddr; }

int udp_split_address(const char *text, char *host, int default_port)
{
    long port = default_port;
    size_t host_length = strlen(text);
    if (const char *colon = strrchr(text, ':'); colon && colon[1] >= '0' && colon[1] <= '9') {
        host_length = (size_t)(colon - text);
        port = 0;
        // Digits beyond any real port only need to stay above the limit, never overflow.
        for (const char *c = colon + 1; *c >= '0' && *c <= '9' && port <= 65535; ++c) port = port * 10 + (*c - '0');
    }
    memcpy(host, text, host_length);
    host[host_length] = 0;
    return port < 0 || port > 65535 ? -1 : (int)port;
}

int udp_resolve(net_address *address, const char *text, int default_port)
{
    udp_error_text[0] = 0;
    memset(address, 0, sizeof *address);
    address->length = sizeof(sockaddr_in);
    inet(address)->sin_family = AF_INET;
    if (!text) return 0;

    char *host = (char *)malloc(strlen(text) + 1);
    if (!host) return 0;
    const int port = udp_split_address(text, host, default_port);
    if (port < 0) {
        free(host);
        return 0;
    }

    addrinfo hints{}, *found = nullptr;
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    const int failed = host[0] ? getaddrinfo(host, nullptr, &hints, &found) : EAI_NONAME;
    free(host);
    if (failed || !found) return 0;
    inet(address)->sin_addr = ((const sockaddr_in *)(const void *)found->ai_addr)->sin_addr;
    inet(address)->sin_port = htons((uint16_t)port);
    freeaddrinfo(found);
    return 1;
}

int udp_open(void)
{
    udp_error_text[0] = 0;
    const int s = socket(AF_INET, SOCK_DGRAM, 0);
    if (s < 0) {
        udp_record_error(errno);
        return -1;
    }
    const int flags = fcntl(s, F_GETFL, 0);
    if (flags < 0 || fcntl(s, F_SETFL, flags | O_NONBLOCK) < 0) {
        udp_record_error(errno);
        close(s);
        return -1;
    }
    return s;
}

int udp_send(int socket, const void *bytes, int length, const net_address *address)
{
    udp_error_text[0] = 0;
    const ssize_t sent = sendto(socket, bytes, (size_t)length, MSG_NOSIGNAL,
                                (const sockaddr *)(const void *)address->sockaddr, (socklen_t)address->length);
    if (sent < 0) {
        udp_record_error(errno);
        return -1;
    }
    return (int)sent;
}

int udp_receive(int socket, unsigned char *buffer, int capacity, net_address *from)
{
    udp_error_text[0] = 0;
    net_address sender{};
    socklen_t length = sizeof(sockaddr_in);
    // MSG_TRUNC gives the datagram's whole length, so one that did not fit is seen as such.
    const ssize_t got = recvfrom(socket, buffer, (size_t)(capacity - 1), MSG_TRUNC,
                                 (sockaddr *)(void *)sender.sockaddr, &length);
    if (got < 0) {
        udp_record_error(errno);
        return -1;
    }
    if (got >= capacity) {
        udp_record_error(EMSGSIZE);
        return -1;
    }
    buffer[got] = 0;
    sender.length = (int)length;
    *from = sender;
    return (int)got;
}

void udp_close(int socket)
{
    if (socket >= 0) close(socket);
}

void net_cleanup(void) {}

int udp_address_equal(const net_address *a, const net_address *b)
{
    const sockaddr_in *x = inet(a), *y = inet(b);
    return x->sin_family == y->sin_family && x->sin_port == y->sin_port && x->sin_addr.s_addr == y->sin_addr.s_addr;
}

int udp_address_port(const net_address *a) { return ntohs(inet(a)->sin_port); }

void udp_address_loopback(net_address *a, int port)
{
    memset(a, 0, sizeof *a);
    a->length = sizeof(sockaddr_in);
    inet(a)->sin_family = AF_INET;
    inet(a)->sin_port = htons((uint16_t)port);
    inet(a)->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
}
