// The loopback race server: the server half of the race protocol, enough to take a client
// from its connect packet to racing with two remote riders, and to trade reliable messages
// and files with it; and a group of them that races several clients against each other.
#include "race_server.h"

#include <algorithm>
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
            const auto info = s->remote_info.find(slot);
            const std::string rider = s->relay && info != s->remote_info.end() ? info->second : std::string(text);
            race_server_send(s, head(6, s->race) + race_server_u32(slot) + rider);
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
    } else if (kind == 21 && body.size() == 12) {
        s->gates_in.push_back(body);
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
            s->greeted = s->informed = s->waiting = false;
            s->gates_in.clear();
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
        s->informed = true;
        log_line(s, "client info");
        send_track(s);
        return;
    case 5:
        if (!s->hold_riders) send_rider(s, 160);
        return;
    case 7:
        if (n == 17 && !s->hold_riders) send_rider(s, net_get_u32(p + 13));
        return;
    case 9:
        if (s->ready) return;
        if (s->hold_clock) {
            s->waiting = true;   // asked again each second until the clock runs
            return;
        }
        s->ready = true;
        s->ready_time = s->clock_start >= 0 ? s->clock_start : now;
        s->tick = (std::uint32_t)((now - s->ready_time) * 128) + 1;
        log_line(s, "ready");
        race_server_send(s, head(10, s->race) + race_server_u32(s->tick) + race_server_u32(0));
        // Once per connection: a restart makes the client ready again, and is no new visit.
        if (!s->greeting.empty() && !s->greeted) race_server_reliable(s, 19, s->greeting);
        s->greeted = true;
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

// The other clients' riders as they last told them.
static std::string relayed_states(race_server *s)
{
    std::string records;
    for (const race_server_rider &r : s->relayed) {
        records += (char)r.slot;
        records += (char)0;
        records += (char)5;   // ping in ticks
        records += (char)0;
        records += race_server_u32(r.tick);
        records.append((const char *)r.frame, 39);
    }
    return head(11, s->race) + race_server_u32(s->tick) + race_server_u32(s->echo_tick) +
           race_server_u32((std::uint32_t)s->relayed.size()) + records;
}

// The remote riders ride beside the client: its own frame moved sideways a little per slot.
static std::string states(race_server *s)
{
    if (s->relay) return relayed_states(s);
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
    std::vector<std::string> datagrams;
    for (;;) {
        unsigned char buffer[2048];
        net_address from{};
        const int n = udp_receive(s->sock, buffer, sizeof buffer, &from);
        if (n < 0) break;
        if (n == 0) continue;
        s->client = from;
        s->have_client = true;
        datagrams.emplace_back((const char *)buffer, (size_t)n);
    }
    race_server_take(s, datagrams, now);
    race_server_send_due(s, now);
}

void race_server_take(race_server *s, const std::vector<std::string> &datagrams, double now)
{
    std::vector<std::string> got;
    for (const std::string &d : datagrams) {
        s->captured.push_back(d);
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
}

void race_server_send_due(race_server *s, double now)
{
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

int race_server_group_open(race_server_group *g)
{
    race_server probe;
    probe.port = g->base.port;
    if (!race_server_open(&probe)) {
        race_server_close(&probe);
        return 0;
    }
    g->sock = probe.sock;
    g->port = probe.port;
    return 1;
}

void race_server_group_close(race_server_group *g)
{
    if (g->sock >= 0) close(g->sock);
    g->sock = -1;
    g->servers.clear();
}

static bool same_address(const net_address &a, const net_address &b)
{
    const sockaddr_in *x = (const sockaddr_in *)a.sockaddr, *y = (const sockaddr_in *)b.sockaddr;
    return x->sin_port == y->sin_port && x->sin_addr.s_addr == y->sin_addr.s_addr;
}

static bool slot_taken(const race_server_group *g, std::uint32_t slot)
{
    for (const race_server &s : g->servers)
        if (s.client_slot == slot) return true;
    if (g->clients > 1) return false;
    for (std::uint32_t made_up : g->base.remote_slots)
        if (made_up == slot) return true;
    return false;
}

// A server of its own for a client at a new address: the next free slot, the next place in the
// line-up and a connection id of its own.
static race_server &group_join(race_server_group *g, const net_address &from)
{
    const std::uint32_t k = (std::uint32_t)g->servers.size();
    std::uint32_t slot = g->base.client_slot;
    while (slot_taken(g, slot)) ++slot;
    g->servers.push_back(g->base);
    race_server &s = g->servers.back();
    s.sock = g->sock;
    s.client = from;
    s.have_client = true;
    s.client_slot = slot;
    s.lineup = g->base.lineup + k;
    s.connection = g->base.connection + k;
    s.relay = g->clients > 1;
    log_line(&s, "client " + std::to_string(k + 1) + " in slot " + std::to_string(slot));
    return s;
}

static bool racing_client(const race_server &s) { return s.informed && !s.disconnected; }

// What each client must know of the others before its datagrams are handled: their slots and
// rider info, and whether the race still waits for riders or for the clock.
static void group_share(race_server_group *g)
{
    int informed = 0;
    for (const race_server &s : g->servers) informed += racing_client(s);
    for (race_server &s : g->servers) {
        s.hold_riders = s.relay && informed < g->clients;
        s.hold_clock = s.relay && g->clock_start < 0;
        s.clock_start = g->clock_start;
        if (!s.relay) continue;
        s.remote_slots.clear();
        s.remote_info.clear();
        for (const race_server &o : g->servers)
            if (&o != &s && racing_client(o)) {
                s.remote_slots.push_back(o.client_slot);
                s.remote_info[o.client_slot] = o.rider_info;
            }
        std::sort(s.remote_slots.begin(), s.remote_slots.end());
    }
}

// The clock runs once the clients the race waits for have all asked to start.
static void group_clock(race_server_group *g, double now)
{
    if (g->clients < 2 || g->clock_start >= 0) return;
    int waiting = 0;
    for (const race_server &s : g->servers) waiting += s.waiting && !s.disconnected;
    if (waiting >= g->clients) g->clock_start = now;
}

// Each client's gate crossings go to the others as kind 21 {race, count 1, slot, gate, tick};
// its newest state goes into theirs.
static void group_relay(race_server_group *g)
{
    for (race_server &s : g->servers) {
        for (const std::string &body : s.gates_in)
            for (race_server &o : g->servers)
                if (&o != &s && o.relay && !o.disconnected)
                    race_server_reliable(&o, 21, race_server_u32(o.race) + race_server_u32(1) +
                                                     race_server_u32(s.client_slot) + body.substr(4));
        s.gates_in.clear();
    }
    for (race_server &s : g->servers) {
        if (!s.relay) continue;
        s.relayed.clear();
        for (const race_server &o : g->servers) {
            if (&o == &s || o.disconnected || o.client_states == 0) continue;
            race_server_rider r;
            r.slot = o.client_slot;
            r.tick = o.echo_tick;
            memcpy(r.frame, o.client_frame, sizeof r.frame);
            s.relayed.push_back(r);
        }
    }
}

void race_server_group_poll(race_server_group *g, double now)
{
    std::vector<std::vector<std::string>> got(g->servers.size());
    for (;;) {
        unsigned char buffer[2048];
        net_address from{};
        const int n = udp_receive(g->sock, buffer, sizeof buffer, &from);
        if (n < 0) break;
        if (n == 0) continue;
        size_t i = 0;
        while (i < g->servers.size() && !same_address(g->servers[i].client, from)) ++i;
        if (i == g->servers.size()) {
            if (buffer[0] == 15 && n == 9) {
                // A client we no longer know leaving: it only wants the answer.
                const char bye = 15;
                udp_send(g->sock, &bye, 1, &from);
                continue;
            }
            if (buffer[0] != 0) continue;
            group_join(g, from);
            got.emplace_back();
        }
        got[i].emplace_back((const char *)buffer, (size_t)n);
    }
    group_share(g);
    for (size_t i = 0; i < g->servers.size(); ++i) race_server_take(&g->servers[i], got[i], now);
    group_clock(g, now);
    group_relay(g);
    for (race_server &s : g->servers) race_server_send_due(&s, now);
}
