// terrain/erosion.h — wheels dig ruts. Each wheel of a locally simulated rider gathers its
// eroding contacts into a trail; a finished trail travels as a compact packet (to the server
// online, straight back offline, into demos either way), is decoded into one queue of pending
// points, and the race step drains the queue into the ground a bounded number per tick.
#pragma once
#include <cstdint>

struct terrain_field;

struct erode_entry {
    float x, z;              // world position
    float push_x, push_z;    // horizontal push of the wheel, length 0.125..1
    int   weight;            // contact samples averaged into the point, 0..15 on the wire
};

enum {
    ERODE_TRAIL_POINTS = 64,
    ERODE_SAMPLES_MAX = 16,
    ERODE_QUEUE_SLOTS = 0x20000,
    ERODE_PACKET_MAX = 17 + 4 * (ERODE_TRAIL_POINTS - 1),   // 269 bytes
    ERODE_NO_DEADLINE = 2147483647,
};

struct erode_trail {
    erode_entry points[ERODE_TRAIL_POINTS];   // not yet sent
    float step_min[2], step_max[2];           // x, z bounds of the steps between points so far
    int   last_point_tick;
    int   point_count;
    float last_sample[2];
    float sample_sum[2];                      // positions of the pending samples
    float push_sum[2];
    float sample_distance;                    // travelled by the pending samples
    int   sample_count;                       // 0..16
};

struct erode_queue_record {
    erode_entry *slots;                       // ERODE_QUEUE_SLOTS of them
    int queue_count;
    int queue_head;                           // slot of the oldest entry
    int deadline;                             // tick; ERODE_NO_DEADLINE when none
    int full_reported;
};
extern erode_queue_record erode_queue;

void erode_trail_reset(erode_trail *trail);
// One wheel's touch of the ground in one tick, as the erosion weighs it (bike/wheel_erosion.h
// makes it from a wheel).
struct erode_contact {
    float x, z;             // the contact point, ft
    float depth;            // 0 or less: the wheel does not touch
    float body_speed;       // the wheel body's speed, ft/s
    float slip;             // the contact's sliding speed, ft/s
    float push_x, push_z;   // the ground's force on the wheel, horizontal parts
};
// One tick of one wheel while erode_level is above 0.
void erode_contact_step(erode_trail *trail, const erode_contact *contact);
void erode_trail_add_point(erode_trail *trail);
// Writes the trail's packet into out (at least ERODE_PACKET_MAX bytes); its length, 0 when the
// trail has no points.
int  erode_encode_trail(std::uint8_t *out, const erode_trail *trail);
// Decodes one packet into points (at most capacity of them); the number decoded, 0 for a
// packet shorter than 17 bytes or of another kind. Bytes past the last whole point are ignored.
int  erode_packet_decode(const std::uint8_t *bytes, int length, erode_entry *points, int capacity);
// Decodes one packet and appends its points to the queue; a full queue drops them.
void erode_queue_push_packet(const std::uint8_t *bytes, int length);
// Drains part of the queue into the race's ground. pos (x, y, z, or null): entries within 10
// units of it wait, at most 256 ticks. strength: erode_level / 1024.
void erode_queue_apply(const float *pos, float strength);
// Empties the queue and clears the deadline and the full report (start of a run, tests).
void erode_queue_reset(void);

// Height of the field's current heights at a world point, by the ground's triangle rule.
float erode_height_at(const terrain_field *field, float x, float z);

// Where a finished trail's packet goes: online to the server, offline into the erosion queue.
// The program's top sets it at start-up; null drops the packet.
extern void (*erode_send_hook)(const unsigned char *bytes, int length);
