// bike/bike_create.h — making and unmaking a bike: creation from the catalogue, the rest pose,
// moving the whole bike, switching its bodies between simulated and kinematic, snapshots.
#pragma once
#include <ode/ode.h>

struct bike;
struct shape;
struct bike_wheel_info;
struct bike_info;

// Where a bike gets its textures, number plate and collision shapes. Tests hand in their own so
// a bike is made without an OpenGL context; null restores the game's.
struct bike_resource_loaders {
    unsigned    (*texture)(const char *name);                 // 0 when it does not load
    const char *(*info_text)(unsigned texture);               // the picture's ".info" text or null
    // The 128 x 128 number plate: background colour first, then the digits' colour.
    unsigned    (*plate)(const char *text, const unsigned char *background,
                         const unsigned char *foreground);
    void        (*plate_delete)(unsigned texture);
    shape      *(*shape_load)(const char *name);              // a private copy, or null
    void        (*shape_free)(shape *s);
};
void bike_resources_set(const bike_resource_loaders *loaders);
const bike_resource_loaders *bike_resources(void);

// A new bike for the rider slot. The texture names may be null (the catalogue's are used); an
// unknown model name falls back to a near model with a console line. Never null.
bike *bike_create(const char *model_name, int rider_slot, const char *number_text,
                  const char *rider_texture, const char *head_texture, const char *bike_texture,
                  const char *wheel_texture);
// The same from a record of the caller's (which must outlive nothing: it is copied).
bike *bike_create_from_info(const bike_info *info, int rider_slot, const char *number_text,
                            const char *rider_texture, const char *head_texture, const char *bike_texture,
                            const char *wheel_texture);

// Turns every body about the world origin: sets the rotation, never composes it.
void bike_rotate(bike *b, float ax, float ay, float az, float angle_rad);

void bike_enable_bodies(bike *b);
void bike_disable_bodies(bike *b);
void bike_toggle_bodies(bike *b);
void bike_fade_bodies(bike *b);    // once per tick

// Puts the rider at its rest point on the frame, turned with it, and joins it to the frame
// again with a freshly set anchor, axes and stops. After the rest pose, a crash and unpacking.
void bike_rider_reattach(bike *b);

enum { BIKE_SNAPSHOT_FLOATS = 7 * 7 + 2 };
// Per body position and quaternion (w, x, y, z), then the gear (an int's bits) and the engine
// speed in rpm.
void bike_snapshot(const bike *b, float *out);
void bike_restore_snapshot(bike *b, const float *in);

// A hub sphere and a ring of sixteen tyre spheres, set on the wheel body.
void wheel_mass_build(dBodyID body, const bike_wheel_info *wheel);
