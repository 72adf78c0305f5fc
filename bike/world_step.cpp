// ODE reports a dense-solver failure only as a message ("LCP internal error, s <= 0"), so the
// step listens for messages while it runs. The saved state is each body's pose, velocities and
// force accumulators: the contacts and motors of the tick are still in the world, so the second
// step sees the same rows.
#include "bike/world_step.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "bike/bike_record.h"

world_step_counts world_steps;

namespace {

struct body_state {
    dReal position[3], quaternion[4], linear[3], angular[3], force[3], torque[3];
};

std::vector<body_state> saved;   // grows to the largest field seen, then is reused
int messages_in_step;

void count_message(int, const char *, va_list) { messages_in_step += 1; }

void copy3(const dReal *from, dReal *to)
{
    for (int k = 0; k < 3; ++k) to[k] = from[k];
}

void save(bike *const *bikes, int count)
{
    size_t n = 0;
    for (int i = 0; i < count; ++i)
        if (bikes[i]) n += BIKE_BODIES;
    if (saved.size() < n) saved.resize(n);
    body_state *s = saved.data();
    for (int i = 0; i < count; ++i) {
        if (!bikes[i]) continue;
        for (dBodyID body : bikes[i]->bodies) {
            copy3(dBodyGetPosition(body), s->position);
            const dReal *q = dBodyGetQuaternion(body);
            for (int k = 0; k < 4; ++k) s->quaternion[k] = q[k];
            copy3(dBodyGetLinearVel(body), s->linear);
            copy3(dBodyGetAngularVel(body), s->angular);
            copy3(dBodyGetForce(body), s->force);
            copy3(dBodyGetTorque(body), s->torque);
            ++s;
        }
    }
}

void restore(bike *const *bikes, int count)
{
    const body_state *s = saved.data();
    for (int i = 0; i < count; ++i) {
        if (!bikes[i]) continue;
        for (dBodyID body : bikes[i]->bodies) {
            dBodySetPosition(body, s->position[0], s->position[1], s->position[2]);
            dBodySetQuaternion(body, s->quaternion);
            dBodySetLinearVel(body, s->linear[0], s->linear[1], s->linear[2]);
            dBodySetAngularVel(body, s->angular[0], s->angular[1], s->angular[2]);
            dBodySetForce(body, s->force[0], s->force[1], s->force[2]);
            dBodySetTorque(body, s->torque[0], s->torque[1], s->torque[2]);
            ++s;
        }
    }
}

}   // namespace

void world_step(dWorldID world, dReal step, bike *const *bikes, int count)
{
    save(bikes, count);
    dMessageFunction *before = dGetMessageHandler();
    messages_in_step = 0;
    dSetMessageHandler(count_message);
    dWorldStep(world, step);
    dSetMessageHandler(before);
    if (messages_in_step == 0) {
        world_steps.exact += 1;
        return;
    }
    world_steps.fallback += 1;
    restore(bikes, count);
    dWorldQuickStep(world, step);
}
