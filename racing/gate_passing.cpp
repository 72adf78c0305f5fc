// Gate passing: each tick a rider's front wheel is tested against the gates about its gate
// index, the gate it passes is timed, laps are counted and the finish decided. Nothing here
// allocates but the growing gate times.
#include "racing/gate_passing.h"

#include "bike/bike_record.h"
#include "bike/setters.h"
#include "racing/race_state.h"
#include "racing/standings.h"
#include "terrain/timing_gates.h"

// The gate of running gate number g: the first lap's entries, then the normal lap's over and
// over; -1 when the sequence names none.
static const timing_gate *sequence_gate(int g)
{
    const int f = first_lap_count, p = normal_lap_count;
    int entry;
    if (g < f) entry = lap_list[g];
    else if (p > 0) entry = lap_list[f + (g - f) % p];
    else entry = lap_list[0];
    const int gate = entry % LAP_NO_SWITCH;
    return gate >= 0 && gate < gate_count ? &gates[gate] : nullptr;
}

static int passed(const timing_gate *gate, const dReal *wheel)
{
    const float dx = (float)wheel[0] - gate->centre[0], dz = (float)wheel[2] - gate->centre[2];
    return dx * dx + dz * dz <= gate->radius * gate->radius && dx * gate->direction[0] + dz * gate->direction[2] >= 0;
}

static int lap_end(int g)
{
    const int f = first_lap_count, p = normal_lap_count;
    return p > 0 && g + 1 - f >= 0 && (g + 1 - f) % p == 0;
}

static void finish_check(bike *b)
{
    const int f = first_lap_count, p = normal_lap_count, done = b->gate_index - f;
    if (p <= 0 || done < 0 || done % p != 0 || b->finished) return;
    const int last = race_laps == 0 ? 0 : f - 1 + p * (race_laps - 1);
    const int leader_gates = standings_count > 0 ? standings[0].gates : 0;
    if (leader_gates > last || done / p + 1 >= race_laps) {
        b->finished = 1;
        learn_roll_out(b);
    }
}

void autopilot_learn(bike *b)
{
    if (gate_count <= 0 || !lap_list || first_lap_count + normal_lap_count <= 0 || b->finished) return;
    if (tick_count % 32 == 0) learn_sample(b);
    if (b->mishap_flag == 1) {
        b->mishap_flag = 2;
        learn_mishap(b);
    }

    const dReal *wheel = dBodyGetPosition(b->bodies[BODY_FRONT_WHEEL]);
    static const int steps[] = {-3, -2, 0, 1, 2};
    int gap = 0, taken = -1, taken_u = 0;
    for (int u : steps) {
        const int g = b->gate_index + u;
        if (g < 0) continue;
        const int untimed = bike_get_gate_time(b, g) == -1;
        if (untimed) gap = 1;
        const timing_gate *gate = sequence_gate(g);
        if (!gate || !passed(gate, wheel)) {
            if (lap_end(g) && untimed) return;   // nobody gets past a lap's end unseen
            continue;
        }
        if (u >= 0 || gap) {
            taken = g, taken_u = u;
            break;
        }
    }
    if (taken < 0) return;

    learn_gate_spoil(b);
    b->gate_index = taken;
    bike_record_gate_time(b, taken, tick_count);
    learn_section_end(b, taken, taken_u);
    b->gate_index++;
    finish_check(b);
    standings_update();
    b->mishap_flag = 0;
}
