#include "bike/crash_start.h"

#include <algorithm>
#include <climits>

#include "bike/anchors.h"
#include "bike/bike_record.h"
#include "shell/server_state.h"

void bike_crash_start(bike *b)
{
    dJointAttach(b->joints[JOINT_RIDER], nullptr, nullptr);

    bike_get_rider_anchors(b, b->anchors.foot[0], nullptr, b->anchors.foot[1], nullptr);
    for (int i = 0; i < 2; ++i) {
        const float *p = b->anchors.foot[i];
        dVector3 v;
        dBodyGetPointVel(b->bodies[BODY_RIDER], p[0], p[1], p[2], v);
        for (int k = 0; k < 3; ++k) b->anchors.velocity[i][k] = (float)v[k];
    }

    // The delay comes from the server: keep the counter a positive int whatever it sent, so the
    // crash runs its course and the rider is attached again at its end.
    long long delay = server_rules[std::clamp(b->crash_count, 0, 15)];
    b->crash_counter = (int)std::clamp(delay + 512, 1LL, (long long)INT_MAX);
    b->crash_count += 1;
}
