// The loopback race server: the server half of the race protocol, enough to take a client
// from its connect packet to racing with two remote riders, and to trade reliable messages
// and files with it.
#include "race_server.h"

#include <arpa/inet.h>
#include <cstdio>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <fcntl.h>

#include "data/ripemd160.h"
#include "racing/net_protocol.h"

std::string race_server_u32(std::uint32_t v)
{
    unsigned char b[4];
    net_put_u32(b, v);
    return std::string((const char *)b, 4);
}

static void log_line(race_server *s, const std::string &line)
{
    if (s->log_folder.empty()) return;
    if (FILE *f = fopen((s->log_folder + "/server.log").c_str(), "a")) {
        fprintf(f, "%s\n", line.c_str());
        fclose(f);
    }
}

int race_server_open(race_server *s)
{
    s->sock = socket(AF_INET, SOCK_DGRAM, 0);
    if (s->sock < 0) return 0;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons((uint16_t)s->port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(s->sock, (sockaddr *)&a, sizeof a) < 0) return 0;
    socklen_t n = sizeof a;
    getsockname(s->sock, (sockaddr *)&a, &n);
    s->port = ntohs(a.sin_port);
    fcntl(s->sock, F_SETFL, fcntl(s->sock, F_GETFL, 0) | O_NONBLOCK);
    return 1;
}

void race_server_close(race_server *s)
{
    if (s->sock >= 0) close(s->sock);
    s->sock = -1;
}

static bool chance(race_server *s, int percent)
{
    return percent > 0 && (int)(s->rng() % 100) < percent;
}

static void send_now(race_server *s, const std::string &bytes)
{
    if (s->have_client) udp_send(s->sock, bytes.data(), (int)bytes.size(), &s->client);
}

void race_server_send(race_server *s, const std::string &bytes, bool raw)
{
    if (raw) return send_now(s, bytes);
    if (chance(s, s->loss)) return;
    if (chance(s, s->reorder)) {
        s->late_out.push_back(bytes);   // goes after the next one
        return;
    }
    send_now(s, bytes);
    if (chance(s, s->duplicate)) send_now(s, bytes);
    for (const std::string &late : s->late_out) send_now(s, late);
    s->late_out.clear();
}

static std::string head(int type, std::uint32_t a)
{
    return std::string(1, (char)type) + race_server_u32(a);
}

void race_server_reliable(race_server *s, int kind, const std::string &body)
{
    s->out.push_back(head(17, s->out_next++) + std::string(1, (char)kind) + body);
}

static void send_rider(race_server *s, std::uint32_t after)
{
    for (std::uint32_t slot : s->remote_slots)
        if (after == 160 || slot > after) {
            char text[64];
            snprintf(text, sizeof text, "rm125||||\n%u\nRemote %u", slot, slot);
            race_server_send(s, head(6, s->race) + race_server_u32(slot) + text);
            return;
        }
    race_server_send(s, head(8, s->race) + race_server_u32(s->lineup) + s->rider_info);
}

static void send_track(race_server *s)
{
    race_server_send(s, head(4, s->race) + race_server_u32(s->time_limit) + race_server_u32(s->laps) +
                            race_server_u32(s->start_tick) + std::string((const char *)s->digest, 20) + s->track);
}

static bool proof_ok(race_server *s, const unsigned char *d)
{
    unsigned char want[4];
    net_password_proof(s->password.c_str(), s->connection, want);
    return memcmp(want, d + 9, 4) == 0;
}

static void command(race_server *s, const std::string &text)
{
    if (text == "sendfile") {
        s->file_parts.clear();
        race_server_reliable(s, 24, s->deny_files ? "senddenied" : "sendready");
    } else if (text.rfind("sendpart -", 0) == 0) {
        s->file_parts += text.substr(10);
    } else if (text.rfind("namefile ", 0) == 0) {
        race_server_file f{text.substr(9), s->file_parts};
        s->files.push_back(f);
        log_line(s, "file " + f.name + " " + std::to_string(f.bytes.size()));
        if (!s->log_folder.empty()) {
            std::string base = f.name.substr(f.name.find_last_of('/') + 1);
            if (base.empty() || base == "." || base == "..") base = "unnamed";
            if (FILE *out = fopen((s->log_folder + "/" + base).c_str(), "wb")) {
                fwrite(f.bytes.data(), 1, f.bytes.size(), out);
                fclose(out);
            }
        }
    }
}

static void deliver(race_server *s, const std::string &d)
{
    const int kind = (unsigned char)d[13];
    const std::string body = d.substr(14);
    s->delivered.emplace_back(kind, body);
    if (kind == 19) {
        s->chat.push_back(body);
        log_line(s, "chat " + body);
    } else if (kind == 24) {
        command(s, body);
    } else if (kind == 3) {
        s->rider_info = body.substr(0, body.find('\0'));
    }
}

static void take_reliable(race_server *s, const std::string &d)
{
    const std::uint32_t seq = net_get_u32((const unsigned char *)d.data() + 9);
    race_server_send(s, head(18, seq));
    if (seq < s->in_next) return;
    if (seq > s->in_next) {
        s->held.emplace(seq, d);
        return;
    }
    ++s->in_next;
    deliver(s, d);
    for (auto it = s->held.begin(); it != s->held.end() && it->first <= s->in_next; it = s->held.erase(it))
        if (it->first == s->in_next) {
            ++s->in_next;
            deliver(s, it->second);
        }
}

static void handle(race_server *s, const std::string &d, double now)
{
    const unsigned char *p = (const unsigned char *)d.data();
    const int n = (int)d.size();
    switch (p[0]) {
    case 0:
        if (n != 21) return;
        if (s->disconnected || net_get_u32(p + 13) != s->nonce) {
            // A new connection: its reliable messages count from 0 again.
            s->disconnected = s->ready = false;
            s->in_next = s->out_next = 0;
            s->held.clear();
            s->out.clear();
            s->out_last = -1;
        }
        s->nonce = net_get_u32(p + 13);
        log_line(s, "connect");
        if (s->full) race_server_send(s, std::string(1, (char)1));
        else if (!s->redirect.empty()) race_server_send(s, head(25, s->nonce) + s->redirect);
        else race_server_send(s, head(2, s->client_slot) + race_server_u32(s->connection) + race_server_u32(s->version));
        return;
    case 3:
        if (n < 41) return;
        if (!proof_ok(s, p)) {
            ++s->proof_failures;
            race_server_send(s, std::string(1, (char)16) + "Wrong password");
            return;
        }
        s->rider_info = d.substr(41);
        log_line(s, "client info");
        send_track(s);
        return;
    case 5:
        send_rider(s, 160);
        return;
    case 7:
        if (n == 17) send_rider(s, net_get_u32(p + 13));
        return;
    case 9:
        if (!s->ready) {
            s->ready = true;
            s->ready_time = now;
            log_line(s, "ready");
            race_server_send(s, head(10, s->race) + race_server_u32(s->tick) + race_server_u32(0));
        }
        return;
    case 11:
        if (n != 60) return;
        ++s->client_states;
        s->echo_tick = net_get_u32(p + 17);
        s->state_ticks.push_back(s->echo_tick);
        memcpy(s->client_frame, p + 21, 39);
        return;
    case 14:
        // A client that restarts is sent the new race's track packet.
        ++s->restarts;
        if (n == 13) s->race = net_get_u32(p + 9);
        s->ready = false;
        log_line(s, "restart");
        send_track(s);
        return;
    case 15:
        if (!s->disconnected) log_line(s, "disconnect");
        s->disconnected = true;
        race_server_send(s, std::string(1, (char)15));
        return;
    case 17:
        if (n >= 14) take_reliable(s, d);
        return;
    case 18:
        if (n == 13 && !s->out.empty() && net_get_u32(p + 9) == net_get_u32((const unsigned char *)s->out[0].data() + 1)) {
            s->out.erase(s->out.begin());
            s->out_last = -1;
            ++s->out_acked;
        }
        return;
    }
}

// The remote riders ride beside the client: its own frame moved sideways a little per slot.
static std::string states(race_server *s)
{
    std::string d = head(11, s->race) + race_server_u32(s->tick) + race_server_u32(s->echo_tick);
    std::string records;
    int count = 0;
    for (std::uint32_t slot : s->remote_slots) {
        std::uint8_t frame[39];
        memcpy(frame, s->client_frame, 39);
        const std::uint32_t x = frame[0] | frame[1] << 8 | frame[2] << 16;
        const std::uint32_t moved = x + 40000u * (slot + 1) > 0xFFFFFFu ? x : x + 40000u * (slot + 1);
        frame[0] = (std::uint8_t)moved, frame[1] = (std::uint8_t)(moved >> 8), frame[2] = (std::uint8_t)(moved >> 16);
        records += (char)slot;
        records += (char)0;
        records += (char)5;   // ping in ticks
        records += (char)0;
        records += race_server_u32(s->tick);
        records.append((const char *)frame, 39);
        ++count;
    }
    return d + race_server_u32((std::uint32_t)count) + records;
}

void race_server_poll(race_server *s, double now)
{
    std::vector<std::string> got;
    for (;;) {
        unsigned char buffer[2048];
        net_address from{};
        const int n = udp_receive(s->sock, buffer, sizeof buffer, &from);
        if (n < 0) break;
        if (n == 0) continue;
        s->captured.emplace_back((const char *)buffer, (size_t)n);
        s->client = from;
        s->have_client = true;
        const std::string d((const char *)buffer, (size_t)n);
        if (chance(s, s->loss)) continue;
        if (chance(s, s->reorder)) {
            s->late_in.push_back(d);
            continue;
        }
        got.push_back(d);
        if (chance(s, s->duplicate)) got.push_back(d);
    }
    if (!got.empty()) {
        got.insert(got.end(), s->late_in.begin(), s->late_in.end());
        s->late_in.clear();
    }
    for (const std::string &d : got) handle(s, d, now);

    if (s->ready && !s->disconnected) {
        s->tick = (std::uint32_t)((now - s->ready_time) * 128) + 1;
        if (now - s->last_states >= 1.0 / 32) {
            s->last_states = now;
            race_server_send(s, states(s));
        }
    }
    if (!s->out.empty() && (s->out_last < 0 || now - s->out_last >= 0.5)) {
        s->out_last = now;
        race_server_send(s, s->out[0]);
    }
}
