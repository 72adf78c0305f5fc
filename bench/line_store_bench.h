// bench/line_store_bench.h — a line store of F first-lap and P lap sections, every slot
// filled: 45 lines of 40 samples 10 ft apart per section, in lanes 0.5 ft apart that weave, so
// that many lines join and many cross, all tested enough for every skill.
#pragma once
#include <cmath>

#include "data/mem.h"
#include "racing/lines.h"
#include "terrain/timing_gates.h"

struct bench_line_store {
    bench_line_store(int f, int p)
    {
        first_lap_switch_count = f, normal_lap_switch_count = p;
        const int sections = f + p;
        line_store = (learned_line *)alloc_or_die(sizeof(learned_line) * LINE_SLOTS_PER_SECTION * sections);
        line_section_arrays = (int *)alloc_or_die(sizeof(int) * 3 * sections);
        for (int i = 0; i < LINE_SLOTS_PER_SECTION * sections; ++i) {
            line_store[i].samples = nullptr;
            line_slot_clear(&line_store[i]);
        }
        fill();
    }
    ~bench_line_store()
    {
        for (int i = 0; i < LINE_SLOTS_PER_SECTION * line_store_sections(); ++i) line_slot_clear(&line_store[i]);
        mem_free(line_store);
        mem_free(line_section_arrays);
        line_store = nullptr, line_section_arrays = nullptr;
        first_lap_switch_count = normal_lap_switch_count = 0;
    }
    // Fills every empty slot again (the thinning empties some).
    void fill()
    {
        for (int s = 0; s < line_store_sections(); ++s)
            for (int k = 0; k < LINE_SLOTS_PER_SECTION; ++k) {
                learned_line *l = line_slot(s, k);
                if (l->sample_count > 0) continue;
                l->samples = (line_sample *)alloc_or_die(sizeof(line_sample) * 40);
                for (int i = 0; i < 40; ++i) {
                    const float z = 400.0f * s + 10.0f * i;
                    const float x = 0.5f * k + (k % 3 == 0 ? 3.0f * std::sin(z / 40 + k) : 0.0f);
                    l->samples[i] = {x, 0, z, 40 + 0.1f * k, 0};
                }
                l->sample_count = 40;
                l->section_time = 1000 + k, l->two_section_time = 2000 + k;
                l->tested_count = 5 + k % 4, l->failure_count = k % 3;
                l->section_time_sum = l->tested_count * (1000 + (k * 37) % 100);
                l->two_section_time_sum = 2 * l->section_time_sum;
                l->best_section_time = l->best_two_section_time = 900;
                l->id = ++line_id_counter;
            }
    }
};
