// Where a robot stands on its own path: the samples behind its look-ahead index are measured
// against the plane across the bike, and the crossing is interpolated between two samples.
#include "racing/lines.h"

float autopilot_path_position(bike *b)
{
    const growable_array *path = robot_path(b);
    const line_sample *s = robot_path_samples(b);
    int start = robot_look_ahead(b);
    if (start > path->count) start = path->count;
    if (start <= 0 || !s) return 0;

    const dReal *x = dBodyGetPosition(b->bodies[BODY_FRAME]);
    const dReal *r = dBodyGetRotation(b->bodies[BODY_FRAME]);
    const double forward[3] = {-r[2], -r[6], -r[10]};   // the bike faces -z of its frame
    auto ahead = [&](int k) {
        return (s[k].x - x[0]) * forward[0] + (s[k].y - x[1]) * forward[1] + (s[k].z - x[2]) * forward[2];
    };
    double later = ahead(start - 1);
    if (later < 0) return (float)robot_look_ahead(b);
    for (int i = start - 2; i >= 0; --i) {
        const double w = ahead(i);
        if (w < 0) {
            double f = -w / (later - w);
            f = f < 0 ? 0 : f > 1 ? 1 : f;
            return (float)(i + 1 + f);
        }
        later = w;
    }
    return 0;
}
