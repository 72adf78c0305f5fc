// bike/frame.h — the packed bike state: one bike at one tick in 39 bytes, the form in which
// demos store riders and peers exchange them, and the playback that poses a kinematic bike
// from such frames or pulls a simulated one toward them.
//
// The bytes are a file and wire format; their layout is the table at the top of bike/frame.cpp.
#pragma once
#include <cstdint>
#include <ode/ode.h>

struct bike;

enum {
    BIKE_FRAME_BYTES = 39,        // every frame written today
    BIKE_FRAME_OLD_BYTES = 26,    // the layout of older recordings, read only
    BIKE_FRAME_OLD_LAYOUT = 4,    // layout number that selects the 26-byte frame
    BIKE_FRAME_LAYOUT = 5,        // any other number reads 39 bytes
};
constexpr double BIKE_FRAME_SPEED_MAX_FPS = 300;   // past 200 mph frames are a jump, not a ride

// Writes the bike's current state. Out-of-range values are clamped, never rejected; a value
// that is not finite is written as the low end of its field.
void bike_pack_frame(bike *b, std::uint8_t out[BIKE_FRAME_BYTES]);

// Poses all seven bodies from a frame (26 bytes for layout 4, else 39) and sets gear, throttle,
// engine speed and the crash state. Sets positions and orientations only, never velocities.
// Accepts any bytes.
void bike_unpack_frame(bike *b, const std::uint8_t *frame, int layout);

// The history playback: a kinematic bike (simulated_weight up to 0.25) is posed from current,
// with velocities from previous to next over `ticks`; a simulated one is pulled toward current
// by bike_blend_frame. All three frames are of the given layout. Frames that would move any body
// faster than BIKE_FRAME_SPEED_MAX_FPS (a reset, or damaged data) leave the bike at rest.
void bike_apply_frame(bike *b, const std::uint8_t *current, const std::uint8_t *previous,
                      const std::uint8_t *next, int ticks, int layout);

// Forces, torque and control inputs that pull a simulated bike toward current, with a strength
// that fades with its simulated_weight. The layout defaults to the 39-byte frame.
void bike_blend_frame(bike *b, const std::uint8_t *current, const std::uint8_t *previous,
                      const std::uint8_t *next, int ticks, int layout = BIKE_FRAME_LAYOUT);

// The turn from orientation a to orientation b (quaternions w, x, y, z) as axis times angle,
// per second of one tick: angle in 0..pi about the unit axis. The zero vector when the two are
// equal; never a NaN, even for inputs that are not unit quaternions.
void rotation_vector_between(const dReal a[4], const dReal b[4], dReal out[3]);
