// The network client's per-tick step: connect on demand, receive and dispatch the server's
// datagrams, send the packet of the current state, re-send reliable messages and file parts.
#include "racing/net_client.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "bike/bike.h"
#include "bike/frame.h"
#include "bike/setters.h"
#include "data/console.h"
#include "data/mem.h"
#include "data/stream.h"
#include "platform/clock.h"
#include "platform/log.h"
#include "racing/net.h"
#include "racing/net_reliable.h"
#include "racing/race.h"
#include "racing/race_state.h"
#include "shell/globals.h"
#include "shell/setup.h"
#include "shell/menu_page.h"

int  net_socket = -1;
int  server_tick;
int  race_slot = NET_SLOTS;
data_stream *net_outgoing_file;
char         net_outgoing_name[1024];

net_client_record net_client = [] {
    net_client_record c{};
    c.local_slot = NET_SLOTS;
    c.last_info_slot = NET_SLOTS;
    return c;
}();
net_fake_entry *net_fake_queue;
static char g_receive_error[sizeof udp_error_text];   // why the last receive stopped, "" when idle

double net_now(void)
{
    int s, us;
    kubl_time_now(&s, &us);
    return s + us * 1e-6;
}

void net_set_fake(double lag_seconds, int loss_percent)
{
    net_client.fake_lag = lag_seconds;
    net_client.fake_loss = loss_percent;
    net_client.fake_head = net_client.fake_count = 0;
    if ((lag_seconds != 0 || loss_percent != 0) && !net_fake_queue)
        net_fake_queue = (net_fake_entry *)alloc_or_die(sizeof(net_fake_entry) * NET_FAKE_QUEUE);
}

// A generator of the client's own: the loss draw must span 0..32767 whatever rand() gives.
static int own_draw(void)
{
    net_client.fake_random = net_client.fake_random * 1103515245u + 12345u;
    return (int)(net_client.fake_random >> 16 & 0x7FFF);
}
static int (*g_loss_draw)(void) = own_draw;
void net_set_loss_draw(int (*draw)(void)) { g_loss_draw = draw ? draw : own_draw; }

void net_set_connect_address(const char *address)
{
    snprintf(net_client.connect_address, sizeof net_client.connect_address, "%s", address ? address : "");
}

int net_connecting(void) { return net_client.connect_address[0] != 0; }

int net_round_trip_ticks(int slot) { return slot >= 0 && slot < NET_SLOTS ? net_slot_info[slot].ping_ticks : 0; }

static int send_datagram(const unsigned char *bytes, int length)
{
    if (net_socket < 0) return -1;
    const int sent = udp_send(net_socket, bytes, length, &net_client.server);
    if (sent < 0 && udp_error_text[0]) {
        char line[160];
        snprintf(line, sizeof line, "sendto error (%.100s)", udp_error_text);
        console_print(line);
    }
    return sent;
}

static void print(const char *text) { console_print(text); }

void net_client_reset(const char *next_address)
{
    udp_close(net_socket);
    net_socket = -1;
    net_set_connect_address(next_address);
    net_client.client_state = CLIENT_CONNECTING;
    net_client.local_slot = NET_SLOTS;
    local_slot = NET_SLOTS;
    race_slot = NET_SLOTS;
    net_client.connection = net_client.race = 0;
    net_client.time_limit = net_client.laps = net_client.start_tick = 0;
    net_client.highest_server_tick = 0;
    net_client.wild_tick_told = 0;
    server_tick = 0;
    net_client.last_gate_sent = 0;
    net_client.last_state_send = 0;
    net_client.last_heard = net_client.silence_next = net_client.last_update = 0;
    net_client.no_arcade = 0;
    net_client.fake_head = net_client.fake_count = 0;
    net_client.send_ready = 0;
    setup_changed = 0;
    off_course_bias = 10.0f;
    off_course_scale = 1.5f;
    net_reliable_clear();
    net_reliable_set_header(NET_SLOTS, 0);
}

void net_disconnect(void)
{
    if (net_socket >= 0) {
        unsigned char out[NET_DISCONNECT_BYTES];
        send_datagram(out, net_write_disconnect(out, net_client.local_slot, net_client.connection));
    }
    net_client_reset(nullptr);
}

// The queued reliable message with kind and body, cut to the 480 bytes a message holds.
void net_queue_message(int kind, const void *body, int length, const void *more, int more_length)
{
    if (net_socket < 0) {
        print("Not connected to server");
        return;
    }
    net_msg_node *m = net_msg_new();
    m->payload[m->length++] = (unsigned char)kind;
    for (int part = 0; part < 2; ++part) {
        const void *bytes = part ? more : body;
        int n = part ? more_length : length;
        if (!bytes || n <= 0) continue;
        if (n > NET_MSG_LIMIT - m->length) n = NET_MSG_LIMIT - m->length;
        memcpy(m->payload + m->length, bytes, (size_t)n);
        m->length += n;
    }
}

int net_no_arcade_rule(void) { return net_client.no_arcade; }

static int net_send_connect(void)
{
    unsigned char out[NET_CONNECT_BYTES];
    if (send_datagram(out, net_write_connect(out, g_options.password && g_options.password[0], net_client.nonce)) < 0) return 0;
    print("Contacting server\n");
    return 1;
}

static int net_send_client_info(void)
{
    unsigned char out[NET_CLIENT_INFO_HEAD + NET_RIDER_INFO_MAX + 1];
    unsigned char proof[4];
    char text[NET_RIDER_INFO_MAX + 1];
    net_password_proof(g_options.password, net_client.connection, proof);
    const int n = rider_info_format(text, NET_RIDER_INFO_MAX + 1);
    setup_changed = 0;
    if (send_datagram(out, net_write_client_info(out, net_client.local_slot, net_client.connection, proof,
                                                 net_client.nonce, text, n)) < 0)
        return 0;
    print("Sending client info\n");
    return 1;
}

static void net_send_race(int type, const char *message)
{
    unsigned char out[NET_RACE_BYTES];
    if (send_datagram(out, net_write_race(out, type, net_client.local_slot, net_client.connection, net_client.race)) >= 0 &&
        message)
        print(message);
}

static void net_send_bike_ack(void)
{
    unsigned char out[NET_BIKE_ACK_BYTES];
    if (send_datagram(out, net_write_bike_ack(out, net_client.local_slot, net_client.connection, net_client.race,
                                              net_client.last_info_slot)) < 0)
        return;
    char line[64];
    snprintf(line, sizeof line, "Sending bike acknowledgment %d\n", (int)net_client.last_info_slot);
    print(line);
}

static bike *own_bike(void)
{
    return net_client.local_slot < NET_SLOTS ? bike_slot_table[net_client.local_slot] : nullptr;
}

static void net_send_state(void)
{
    if (tick_count % 4 != 0 || race_slot == NET_SLOTS || net_client.local_slot == NET_SLOTS) return;
    bike *b = own_bike();
    if (!b) return;
    unsigned char frame[BIKE_FRAME_BYTES];
    bike_pack_frame(b, frame);
    unsigned char out[NET_STATE_BYTES];
    send_datagram(out, net_write_state(out, net_client.local_slot, net_client.connection, net_client.race,
                                       net_client.highest_server_tick, (uint32_t)tick_count, frame));
}

static void racing_work(void)
{
    bike *b = own_bike();
    if (b && race_slot != NET_SLOTS) {
        const int gates = bike_get_gate_index(b);
        if (gates != net_client.last_gate_sent) {
            net_client.last_gate_sent = gates;
            if (gates > 0) {
                unsigned char body[12];
                net_put_u32(body, net_client.race);
                net_put_u32(body + 4, (uint32_t)(gates - 1));
                net_put_u32(body + 8, (uint32_t)bike_get_gate_time(b, gates - 1));
                net_queue_message(NET_KIND_GATES, body, 12);
            }
        }
    }
    net_send_state();
    if (setup_changed && menu_state != 2 && menu_state != 7) {
        setup_changed = 0;
        char text[NET_MSG_LIMIT];
        const int n = rider_info_format(text, NET_MSG_LIMIT - NET_MSG_HEADER - 1);
        net_queue_message(NET_KIND_RIDER_INFO, text, n + 1);
    }
}

static void send_state_packet(double now)
{
    if (net_client.client_state != CLIENT_RACING && now - net_client.last_state_send < 1.0) return;
    net_client.last_state_send = now;
    switch (net_client.client_state) {
    case CLIENT_CONNECTING: net_send_connect(); break;
    case CLIENT_INFO: net_send_client_info(); break;
    case CLIENT_TRACK_ACK: net_send_race(NET_TRACK_ACK, "Sending track acknowledgment\n"); break;
    case CLIENT_BIKE_ACK: net_send_bike_ack(); break;
    case CLIENT_READY: net_send_race(NET_READY, nullptr); break;
    case CLIENT_RACING: racing_work(); break;
    case CLIENT_RESTART: net_send_race(NET_RESTART, "Sending restart\n"); break;
    case CLIENT_DISCONNECTING: {
        unsigned char out[NET_DISCONNECT_BYTES];
        if (send_datagram(out, net_write_disconnect(out, net_client.local_slot, net_client.connection)) >= 0)
            print("Disconnecting\n");
        break;
    }
    }
}

static int connect_now(double now)
{
    if (!fixed_files_flag) {
        print("Fixed file mismatch\n");
        net_set_connect_address(nullptr);
        return 0;
    }
    if (!udp_resolve(&net_client.server, net_client.connect_address, NET_PORT)) {
        print("Can't resolve address\n");
        net_set_connect_address(nullptr);
        return 0;
    }
    net_socket = udp_open();
    if (net_socket < 0) {
        print("Can't create socket\n");
        net_set_connect_address(nullptr);
        return 0;
    }
    net_client.client_state = CLIENT_CONNECTING;
    net_set_fake(g_options.fake_lag, g_options.fake_loss);
    int s, us;
    kubl_time_now(&s, &us);
    net_client.nonce = (uint32_t)us * 1103515245u + 12345u;
    net_client.last_state_send = now;
    net_client.last_heard = net_client.last_update = now;
    net_client.silence_next = 0;
    net_send_connect();
    return 1;
}

// Datagrams wait in the fake queue for the lag, and some are lost. 1 with a datagram to
// dispatch in out.
static int fake_receive(double now, unsigned char *out, int *length, net_address *from)
{
    while (net_client.fake_count < NET_FAKE_QUEUE) {
        net_fake_entry &e = net_fake_queue[(net_client.fake_head + net_client.fake_count) % NET_FAKE_QUEUE];
        e.time = now;
        e.length = udp_receive(net_socket, e.bytes, NET_BUFFER, &e.from);
        if (e.length < 0) {
            memcpy(g_receive_error, udp_error_text, sizeof g_receive_error);
            break;
        }
        if (g_loss_draw() < net_client.fake_loss * 327) continue;
        ++net_client.fake_count;
    }
    if (net_client.fake_count == 0) return 0;
    net_fake_entry &oldest = net_fake_queue[net_client.fake_head];
    if (oldest.time + net_client.fake_lag >= now) return 0;
    memcpy(out, oldest.bytes, (size_t)oldest.length + 1);
    *length = oldest.length;
    *from = oldest.from;
    net_client.fake_head = (net_client.fake_head + 1) % NET_FAKE_QUEUE;
    --net_client.fake_count;
    return 1;
}

static void send_file_part(double now)
{
    if (!net_client.send_ready || !net_outgoing_file || now < net_client.next_part_time) return;
    net_client.next_part_time = now + 0.25;
    unsigned char part[256];
    const int n = data_read(net_outgoing_file, part, sizeof part);
    if (n > 0) {
        static const char head[] = "sendpart -";
        net_queue_message(NET_KIND_COMMAND, head, (int)sizeof head - 1, part, n);
        return;
    }
    data_close(net_outgoing_file);
    net_outgoing_file = nullptr;
    net_client.send_ready = 0;
    net_queue_message(NET_KIND_COMMAND, net_outgoing_name, (int)strnlen(net_outgoing_name, sizeof net_outgoing_name));
    net_outgoing_name[0] = 0;
}

static void heard(double now)
{
    if (net_client.silence_next != 0) print("Server answers again");
    net_client.last_heard = now;
    net_client.silence_next = 0;
}

// The connect and every state go on being sent as before; the player is told why nothing happens.
static void tell_silence(double now)
{
    const double quiet = now - net_client.last_heard;
    if (quiet < NET_SILENCE_SECONDS || now < net_client.silence_next) return;
    net_client.silence_next = now + NET_SILENCE_REPEAT;
    char line[200];
    if (net_client.client_state == CLIENT_CONNECTING)
        snprintf(line, sizeof line, "No answer from %.100s - still trying", net_client.connect_address);
    else
        snprintf(line, sizeof line, "Server silent for %d seconds", (int)quiet);
    print(line);
}

// The log tells once per race that a remote rider's bike, posed from its states, is under way:
// 20 ft from where it first stood.
static void watch_riders(void)
{
    if (net_client.client_state != CLIENT_RACING) return;
    for (int slot = 0; slot < NET_SLOTS; ++slot) {
        net_slot_record &r = net_slot_info[slot];
        bike *b = bike_slot_table[slot];
        if (r.seen == 2 || r.participant != PARTICIPANT_REMOTE || !b || controller_kind[slot] != CONTROLLER_REMOTE ||
            last_state_tick[slot] <= 0)
            continue;
        const dReal *p = dBodyGetPosition(bike_get_frame_body(b));
        if (!r.seen) {
            for (int k = 0; k < 3; ++k) r.seen_at[k] = (float)p[k];
            r.seen = 1;
            continue;
        }
        const double dx = p[0] - r.seen_at[0], dy = p[1] - r.seen_at[1], dz = p[2] - r.seen_at[2];
        if (dx * dx + dy * dy + dz * dz < 400) continue;
        r.seen = 2;
        kubl_log_printf("Rider %d (%s) is under way\n", slot, r.name ? r.name : "");
    }
}

void net_update(void)
{
    if (!net_client.connect_address[0]) return;
    const double now = net_now();
    if (net_socket < 0 && !connect_now(now)) return;
    if (server_tick > 0) ++server_tick;
    // While the game was away (loading a track, making bikes) nothing was asked of the server:
    // its silence counts from our return.
    if (now - net_client.last_update > 1.0 && now > net_client.last_heard) net_client.last_heard = now;
    net_client.last_update = now;

    const int faking = net_client.fake_lag != 0 || net_client.fake_loss != 0;
    unsigned char datagram[NET_BUFFER];
    net_address from;
    g_receive_error[0] = 0;
    for (;;) {
        int length;
        if (faking) {
            if (!fake_receive(now, datagram, &length, &from)) break;
        } else {
            length = udp_receive(net_socket, datagram, NET_BUFFER, &from);
            if (length < 0) {
                memcpy(g_receive_error, udp_error_text, sizeof g_receive_error);
                break;
            }
        }
        // Only the server we resolved speaks to us; anyone else is not listened to.
        if (!udp_address_equal(&from, &net_client.server)) continue;
        heard(now);
        net_dispatch(datagram, length);
        if (net_socket < 0) return;
    }
    if (g_receive_error[0]) print(g_receive_error);
    if (net_socket < 0) return;
    tell_silence(now);

    send_file_part(now);
    if (net_msg_node *m = net_reliable_due(now)) send_datagram(m->payload, m->length);
    send_state_packet(now);
    watch_riders();
}
