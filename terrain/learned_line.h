// terrain/learned_line.h — the record of a robot line the timing gates keep per gate section;
// the robots learn and ride them, the dab aid reads them.
#pragma once

// One point of a recorded line, 20 bytes: the frame's position (ft), its speed (ft/s, negative
// while neither wheel touches) and its lean (rad).
struct line_sample {
    float x, y, z;
    float speed;
    float lean;
};
// One stored robot line of a gate section. An empty slot: no samples, count 0, recorded and
// best times 1000000, everything else 0.
struct learned_line {
    line_sample *samples;
    int sample_count;
    int section_time, two_section_time;           // ticks, as recorded
    int tested_count;
    int best_section_time, best_two_section_time;
    int section_time_sum, two_section_time_sum;
    int failure_count;
    int last_picked;                              // tick
    int id;                                       // 0 = none
};
