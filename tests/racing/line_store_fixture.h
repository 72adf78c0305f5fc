// tests/racing/line_store_fixture.h — a line store of F first-lap and P lap sections made as the
// track loader makes it, and lines laid out along z in lanes, so that lines of one lane join
// and lines of different lanes do not.
#pragma once
#include <gtest/gtest.h>

#include <vector>

#include "data/mem.h"
#include "racing/lines.h"
#include "terrain/timing_gates.h"

struct LineStoreTest : ::testing::Test {
    void make(int f, int p)
    {
        first_lap_switch_count = f, normal_lap_switch_count = p;
        const int sections = f + p;
        line_store = (learned_line *)alloc_or_die(sizeof(learned_line) * LINE_SLOTS_PER_SECTION * sections);
        line_section_arrays = (int *)alloc_or_die(sizeof(int) * 3 * sections);
        for (int i = 0; i < 3 * sections; ++i) line_section_arrays[i] = -1;
        for (int i = 0; i < LINE_SLOTS_PER_SECTION * sections; ++i) {
            line_store[i].samples = nullptr;
            line_slot_clear(&line_store[i]);
        }
        line_id_counter = 0;
    }
    void TearDown() override
    {
        for (int i = 0; i < LINE_SLOTS_PER_SECTION * line_store_sections(); ++i) line_slot_clear(&line_store[i]);
        mem_free(line_store);
        mem_free(line_section_arrays);
        line_store = nullptr, line_section_arrays = nullptr;
        first_lap_switch_count = normal_lap_switch_count = 0;
    }

    // n samples from (x, z) along +z, 10 ft apart, at that speed.
    static std::vector<line_sample> lane(float x, float z, int n = 9, float speed = 30)
    {
        std::vector<line_sample> s;
        for (int i = 0; i < n; ++i) s.push_back({x, 0, z + 10.0f * i, speed, 0});
        return s;
    }
    // Puts samples into a slot with a new id; the other fields as given.
    learned_line *put(int section, int slot, const std::vector<line_sample> &s, int tested = 0, int failures = 0,
                      int section_sum = 0, int two_section_time = 1000)
    {
        learned_line *l = line_slot(section, slot);
        line_slot_clear(l);
        l->samples = (line_sample *)alloc_or_die(sizeof(line_sample) * (s.empty() ? 1 : s.size()));
        for (size_t i = 0; i < s.size(); ++i) l->samples[i] = s[i];
        l->sample_count = (int)s.size();
        l->tested_count = tested, l->failure_count = failures;
        l->section_time_sum = section_sum;
        l->two_section_time_sum = section_sum * 2;
        l->two_section_time = two_section_time;
        l->section_time = two_section_time / 2;
        l->id = ++line_id_counter;
        return l;
    }
};
