// racing/gate_passing.h — the robot riders' share of a rider's gate passing, called from
// autopilot_learn (racing/gate_passing.cpp) at its place in each tick. Stand-ins until the robot
// riders land (racing/racing_seams.cpp).
#pragma once

struct bike;

void learn_sample(bike *b);                  // every 32 ticks: a human rider's path sample
void learn_mishap(bike *b);                  // a mishap was just noticed: a robot's line fails
void learn_gate_spoil(bike *b);              // before a gate is taken: a mishap spoils the section
void learn_section_end(bike *b, int gate, int u);   // the gate is timed: lines offered or tested
void learn_roll_out(bike *b);                // a robot has finished: it slows down to the path's end
