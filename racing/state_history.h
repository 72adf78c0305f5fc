// racing/state_history.h — the last 128 packed states of every rider slot, with the tick of
// each, from which remote and replayed riders are posed every tick.
#pragma once
#include <cstdint>

#include "bike/frame.h"

enum { HISTORY_SLOTS = 160, HISTORY_LENGTH = 128, HISTORY_REACH_TICKS = 64 };

// One slot's ring. Stamps rise going forward from the oldest entry to the newest; a negative
// stamp marks an empty entry.
struct history_ring {
    std::uint8_t frames[HISTORY_LENGTH][BIKE_FRAME_BYTES];
    std::int32_t stamps[HISTORY_LENGTH];
    int newest;       // index written last in tick order; going back from it, 0 is followed by 127
    int unrecorded;   // entries added since the demo recording last took them, up to 128
};
extern history_ring state_history[HISTORY_SLOTS];

void history_clear(void);   // every slot empty
void history_clear_slot(int slot);

// Stores a frame in tick order. A tick already stored, a negative tick and a tick older than a
// full ring's oldest entry are ignored.
void add_state_to_history(int slot, const std::uint8_t *frame, int tick);

// The two frames about a tick and how to use them: *a and *b are ring indices, *gap the tick
// gap for velocities, *weight 0 for a's frame as it is, 1 for b's, else the blend weight (above
// 1 when extrapolating). 0 when the slot holds no state.
int  history_choose(int slot, int tick, int *a, int *b, int *gap, float *weight);
// The bracketing pair without the weight rules: 0 when there is no valid entry.
int  history_bracket(int slot, int tick, int *a, int *b);

// Blends two frames of the layout in force (a copy of a for layout 4 or a weight of 0).
void state_interpolate(std::uint8_t out[BIKE_FRAME_BYTES], const std::uint8_t *a, const std::uint8_t *b,
                       float weight);
void history_pose_rider(int slot, int tick);
// The frame layout of the states: the played demo's, else the current one.
int  history_frame_layout(void);
