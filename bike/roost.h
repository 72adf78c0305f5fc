// bike/roost.h — dirt thrown by the wheels: flung back off a spinning tyre and sprayed to both
// sides of a sliding contact, as the surface tile under the contact says.
#pragma once

struct wheel_record;
struct bike;
struct particle_node;
struct roost_type;

// With reuse the wheel's contact from this tick's ground pass is used; otherwise it is found
// afresh (a wheel in the air gets depth 0). budget caps each emitter's particles this tick; the
// fling arc never exceeds arc_limit (rad).
void bike_roost_emit(wheel_record *w, int reuse, int budget, float arc_limit);
// Both wheels' dirt for one tick, within the particle rate setting.
void bike_spawn_wheel_particles(bike *b, int reuse);

// Where the particles go. Tests count them here.
typedef particle_node *(*roost_spawner)(const float position[3], const float velocity[3], const roost_type *style);
// Null puts back the game's own particles (roost_default_spawner).
void bike_roost_set_spawner(roost_spawner spawn);
// The flying-dirt particles of the race; the program's top sets it at start-up. Null: no roost.
extern roost_spawner roost_default_spawner;
