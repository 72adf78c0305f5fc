// shell/main/tick.h — the fixed-tick loop: each tick consumes the input events stamped up to its
// moment in real time, sums the controls, drives the local bike and steps the race.
#pragma once
#include "shell/tick.h"   // tick_loop_state, g_ticks
#include <cstdint>

struct bike;

// Where the ticks take their events from; the display's queue unless a test or benchmark sets
// another. Stamps are the platform clock's seconds and microseconds.
struct event_source {
    int  (*read)(void *ctx, std::uint32_t *code, int *pressed);
    int  (*read_until)(void *ctx, std::uint32_t *code, int *pressed, int seconds, int microseconds);
    void *ctx;
    // 1 when a press of code waits, leaving it queued; may be null (nothing is ever seen waiting).
    int  (*pending)(void *ctx, std::uint32_t code);
};
void tick_set_event_source(const event_source *source);   // null: the display's queue

void tick_loop_reset(double now);

// Runs every tick due up to the simulation target; now is the clock reading of this frame.
// Returns the number of ticks run.
int  ticks_run(double now);
// A close request waiting in the events, seen without taking anything out: a frame that runs
// no tick (a very high "--lock-fps", a long pause of the clock) still hears it.
int  close_request_pending(void);
// One tick with the wall time it stands for.
void tick_run(double wall_time, double now);

// The clutch engagement after one tick: the lever position gives a target (1 engaged); towards
// engagement it rises at most 4 ticks' worth, away from it it follows at once.
float clutch_step(float current, float clutch_sum);

bike *viewed_bike(void);
int   viewed_is_local(void);
// One input event through the key handling of the frame loop (menus, views, pause, cameras).
void  key_handle(std::uint32_t code, int pressed);
