// A wheel's contact as the erosion weighs it.
#include "bike/wheel_erosion.h"
#include "bike/bike.h"
#include "bike/bike_record.h"
#include "terrain/erosion.h"
#include <cmath>

void erode_wheel_contact(erode_trail *trail, const wheel_record *wheel)
{
    erode_contact c;
    c.x = wheel->contact_point[0];
    c.z = wheel->contact_point[2];
    c.depth = wheel->depth;
    c.body_speed = 0;
    if (wheel->body) {
        const dReal *v = dBodyGetLinearVel(wheel->body);
        c.body_speed = (float)std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    }
    const float *cv = wheel->contact_velocity;
    c.slip = std::sqrt(cv[0] * cv[0] + cv[1] * cv[1] + cv[2] * cv[2]);
    c.push_x = (float)wheel->feedback.f1[0];
    c.push_z = (float)wheel->feedback.f1[2];
    erode_contact_step(trail, &c);
}
