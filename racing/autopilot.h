// racing/autopilot.h — the robot riders: each tick a robot keeps a path of line samples ahead of
// itself, built one gate section at a time from the learned lines of the store, and rides it
// through the bike's own controls: the start on the line, following the path, and getting going
// again when stuck.
//
// The robot's state in the bike record is laid out in racing/lines.h. Units: feet, seconds,
// radians.
#pragma once

struct bike;
struct learned_line;

// A robot's behaviour: its skill levels (0 novice, 1 amateur, 2 expert, 3 exploring) and its
// reaction to the gate drop.
struct personality {
    const char *name;
    int   skill_close, skill_leading;
    float lead_threshold;                  // seconds ahead of the second rider
    float reaction_min, reaction_max;      // seconds after the drop
};
enum { PERSONALITIES = 5 };
extern const personality personalities[PERSONALITIES];

// Axes of a bike's motion: side to the right of travel, up, and back against travel, from the
// frame body's linear velocity (side (1, 0, 0), back (0, 0, 1) at rest).
struct velocity_frame {
    float side[3], up[3], back[3];
};
void velocity_frame_of(bike *b, velocity_frame *out);

// The whole per-tick control of one robot, before its physics step.
void  autopilot_step(bike *b);
// The launch from the start line, seconds after it began: the clutch comes in over 0.25 s
// while the rider keeps the bike upright and the fork straight.
void  autopilot_launch(bike *b, float seconds);
// Moves the look-ahead index on by at most one sample.
void  autopilot_advance(bike *b);
// Picks a line for the robot's next section and appends it, when one is due. 1 when appended.
int   autopilot_pick(bike *b);
// Appends a line to the robot's path, joined smoothly to what the path holds. first: the race's
// first pick, which sets the look-ahead index and the stall clock.
void  autopilot_append(bike *b, const learned_line *line, int first);
// The skill a robot races with now: its personality's, by its lead over the second rider.
int   autopilot_skill(bike *b);
// Getting going again while the recovery counter is above 0.
void  autopilot_recover(bike *b);

// Normal path following.
void  autopilot_follow(bike *b);
// Throttle, brakes and clutch toward the target speed (ft/s).
void  autopilot_speed_control(bike *b, float speed, float target);
// The signed radius (ft, positive turning right) of the turn that reaches the aim point; R is
// the radius the present lean holds.
float autopilot_aim_radius(bike *b, const float aim[3], const velocity_frame *frame, float R);
// The corners (x, z) of a rectangle from (side a1, back b1) to (side a2, back b2) about p.
void  autopilot_footprint(float corners[4][2], const float p[3], const velocity_frame *frame, float a1,
                          float b1, float a2, float b2);
// Whether two footprints overlap: some edge k of the one crosses edge k of the other.
int   autopilot_footprints_cross(const float a[4][2], const float b[4][2]);
// The target speed lowered for another rider ahead.
float autopilot_neighbour_speed(bike *b, float R, const velocity_frame *frame, float speed, float target,
                                bike *other);
