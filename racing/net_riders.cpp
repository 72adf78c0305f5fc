// Rider info both ways, the per-slot table of the server's race, the Multiplayer page's view of
// the client, and the check of the fixed collision-shape files that allows connecting.
#include "racing/net_client.h"

#include <cstdio>
#include <cstring>

#include "data/console.h"
#include "data/ripemd160.h"
#include "data/stream.h"
#include "data/util.h"
#include "racing/race.h"
#include "shell/lists.h"
#include "shell/setup.h"
#include "racing/net_menu.h"

net_slot_record net_slot_info[NET_SLOTS];
int fixed_files_flag = 1;

void net_slot_info_clear(void)
{
    for (net_slot_record &r : net_slot_info) r = net_slot_record{};
}

// Variant order in the text: body, bike graphics, wheels, helmet.
static const int text_variants[4] = {SETUP_RIDER_GEAR, SETUP_BIKE_GRAPHICS, SETUP_WHEELS, SETUP_HELMET};

static const char *chosen_variant(int which)
{
    const growable_array &paths = variant_paths[which];
    const int k = setup_graphics[which].current;
    return k >= 0 && k < paths.count ? ((const char *const *)paths.items)[k] : nullptr;
}

int rider_info_format(char *buffer, int limit)
{
    const char *fields[RIDER_FIELDS] = {};
    fields[RIDER_BIKE] = choice_item_text(&setup_bike);
    for (int i = 0; i < 4; ++i) fields[RIDER_BODY + i] = chosen_variant(text_variants[i]);
    fields[RIDER_NUMBER] = setup_number.buffer;
    fields[RIDER_NAME] = setup_name.buffer;
    return rider_info_write(buffer, limit, fields);
}

// A received variant name becomes a texture name: only the names of our own lists pass.
static const char *own_variant(int which, const char *name)
{
    const growable_array &paths = variant_paths[which];
    for (int k = 0; k < paths.count; ++k) {
        const char *path = ((const char *const *)paths.items)[k];
        if (path && !strcmp(path, name)) return path;
    }
    return nullptr;
}

void rider_info_parse(int slot, const char *text)
{
    if (slot < 0 || slot >= NET_SLOTS) return;
    char fields[RIDER_FIELDS][RIDER_FIELD_BYTES];
    int present[RIDER_FIELDS];
    rider_info_split(text, fields, present);
    net_slot_record &r = net_slot_info[slot];
    if (present[RIDER_BIKE]) r.bike = string_intern(fields[RIDER_BIKE]);
    const char **variants[4] = {&r.body, &r.graphics, &r.wheels, &r.helmet};
    for (int i = 0; i < 4; ++i)
        if (present[RIDER_BODY + i]) *variants[i] = own_variant(text_variants[i], fields[RIDER_BODY + i]);
    if (present[RIDER_NUMBER]) snprintf(r.number, sizeof r.number, "%s", fields[RIDER_NUMBER]);
    if (present[RIDER_NAME]) r.name = string_intern(fields[RIDER_NAME]);
}

void net_slot_rider(int slot, const char **model, const char **number, const char *textures[4], const char **name)
{
    const net_slot_record &r = net_slot_info[slot];
    if (r.bike && r.bike[0]) *model = r.bike;
    if (r.number[0]) *number = r.number;
    textures[0] = r.body, textures[1] = r.helmet, textures[2] = r.graphics, textures[3] = r.wheels;
    if (r.name) *name = r.name;
}

// The Multiplayer page.
int menu_net_connected(void) { return net_socket >= 0; }
int menu_net_joined(void)
{
    const int s = net_client.client_state;
    return net_socket >= 0 && net_client.local_slot < NET_SLOTS && s != CLIENT_CONNECTING && s != CLIENT_INFO &&
           s != CLIENT_DISCONNECTING;
}
int  menu_net_idle(void) { return net_client.client_state == CLIENT_CONNECTING; }
void menu_net_request_disconnect(void)
{
    net_client.client_state = CLIENT_DISCONNECTING;
    net_client.last_state_send = 0;
}
void menu_net_drop(void)
{
    console_print("Disconnected\n");
    udp_close(net_socket);
    net_socket = -1;
    net_client_reset(nullptr);
}
void menu_net_request_restart(void)
{
    if (net_socket < 0) return;
    unsigned char out[NET_RACE_BYTES];
    udp_send(net_socket, out, net_write_race(out, NET_RESTART, net_client.local_slot, net_client.connection, net_client.race),
             &net_client.server);
}
int menu_net_slot_info(int slot, menu_net_slot *out)
{
    if (slot < 0 || slot >= NET_SLOTS || !net_slot_info[slot].participant) return 0;
    const net_slot_record &r = net_slot_info[slot];
    out->ping_ticks = r.ping_ticks;
    out->number = r.number;
    out->bike = r.bike ? r.bike : "";
    out->name = r.name ? r.name : "";
    return 1;
}

// Every client must collide with the same shapes. The build adds the digest of the shape files
// it generates (a weak symbol: absent where nothing was generated).
extern "C" const char rl_fixed_files_digest[] __attribute__((weak));
static const char *const fixed_files[] = {"@generic_frame.shp",   "@generic_fork_upper.shp", "@generic_fork_lower.shp",
                                          "@generic_swingarm.shp", "@front_wheel.shp",      "@rear_wheel.shp",
                                          "@generic_rider.shp"};

void fixed_files_digest_hex(char out[41])
{
    ripemd160_ctx ctx;
    ripemd160_init(&ctx);
    unsigned char block[1024];
    for (const char *name : fixed_files) {
        data_stream *f = data_open(name, "rb");
        if (!f) continue;
        for (int n; (n = data_read(f, block, sizeof block)) > 0;) ripemd160_update(&ctx, block, (size_t)n);
        data_close(f);
    }
    ripemd160_final(&ctx);
    for (int i = 0; i < 20; ++i) snprintf(out + 2 * i, 3, "%02x", ctx.digest[i]);
}

int fixed_files_check(void)
{
    static const char *const accepted[] = {"ee2bd2db0c54d7bd8fc462236101c0e504397245",
                                           "b415fe951efef9ad61196884906535c832dbc6f4",
                                           "c3a9426047a7a18c235dae0208b6f22a206890a3"};
    char hex[41];
    fixed_files_digest_hex(hex);
    fixed_files_flag = 0;
    for (const char *a : accepted) fixed_files_flag |= !strcmp(hex, a);
    if (&rl_fixed_files_digest[0] != nullptr) fixed_files_flag |= !strcmp(hex, rl_fixed_files_digest);
    return fixed_files_flag;
}
