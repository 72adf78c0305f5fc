// The path follower's parts on a bike posed by hand: speed control, the aim radius, footprints,
// the rider ahead, and finite outputs where the formulas divide by zero.
#include "autopilot_fixture.h"

#include <cmath>

#include "bike/setters.h"
#include "shell/globals.h"
#include "bike/ride_harness.h"

namespace {

TEST_F(RobotField, SpeedControl)
{
    struct Case {
        const char *what;
        float rear_depth, front_rise, pitch_rate;   // front wheel height over the rear (ft), rad/s
        float v, target;
        int gear;
        float rpm;
        float throttle, clutch, front_brake, rear_brake;
    };
    const float down = bike_catalogue[0].shift_down_rpm;
    const Case cases[] = {
        {"half a foot per second below", 0.1f, 0, 0, 19.5f, 20, 2, 0, 0.5f, 1, 0, 0},
        {"well below", 0.1f, 0, 0, 5, 20, 2, 0, 1, 1, 0, 0},
        {"half a foot per second above", 0.1f, 0, 0, 20.5f, 20, 2, 0, 0, 1, 0.5f, 0.5f},
        {"well above", 0.1f, 0, 0, 30, 20, 2, 0, 0, 1, 1, 1},
        {"first gear, slow engine", 0.1f, 0, 0, 5, 20, 0, down - 1500, 1, 0, 0, 0},
        {"first gear, engine picking up", 0.1f, 0, 0, 5, 20, 0, down - 500, 1, 0.5f, 0, 0},
        {"first gear, engine up", 0.1f, 0, 0, 5, 20, 0, down + 10, 1, 1, 0, 0},
        {"airborne, front a foot and a half up", 0, 1.5f, 0, 30, 20, 2, 0, 0, 0, 0, 1},
        {"airborne, level", 0, 0, 0, 30, 20, 2, 0, 0, 0.125f, 0, 0},
        {"airborne, front up but pitching down", 0, 1.5f, -0.5f, 30, 20, 2, 0, 0, 0.125f, 0, 0},
        {"airborne, front low and dropping", 0, -0.5f, -0.3f, 30, 20, 2, 0, 1, 0.125f, 0, 0},
        {"airborne, dropping fast", 0, 0, -1.0f, 30, 20, 2, 0, 1, 0.125f, 0, 0},
    };
    bike *b = robot(0, 1, 0, 0);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        b->wheels[WHEEL_REAR].depth = c.rear_depth;
        const dReal *rear = dBodyGetPosition(b->bodies[BODY_REAR_WHEEL]);
        const dReal *front = dBodyGetPosition(b->bodies[BODY_FRONT_WHEEL]);
        dBodySetPosition(b->bodies[BODY_FRONT_WHEEL], front[0], rear[1] + c.front_rise, front[2]);
        dBodySetAngularVel(b->bodies[BODY_FRAME], c.pitch_rate, 0, 0);   // the frame is unrotated
        b->gear = c.gear;
        b->engine_speed = c.rpm / 9.549296f;
        b->input = {};
        b->input.front_brake = b->input.rear_brake = 0.77f;   // must be overwritten
        autopilot_speed_control(b, c.v, c.target);
        EXPECT_NEAR(b->input.throttle, c.throttle, 1e-4);
        EXPECT_NEAR(b->input.clutch, c.clutch, 1e-4);
        EXPECT_NEAR(b->input.front_brake, c.front_brake, 1e-4);
        EXPECT_NEAR(b->input.rear_brake, c.rear_brake, 1e-4);
    }
}

TEST_F(RobotField, AimRadius)
{
    struct Case {
        const char *what;
        float x, z;    // aim point; the bike is at the origin riding -z, right is +x
        float R;       // the radius the present lean holds
        float want, tolerance;
    };
    const Case cases[] = {
        {"behind, to the left", -5, 10, 1e6f, -10, 0},
        {"behind, to the right", 5, 10, 1e6f, 10, 0},
        {"beside, straight across", 0, 0, 1e6f, 10, 0},
        // Riding straight: the point is pushed out to three times its offset, (15² + 20²) / 30.
        {"ahead to the right", 5, -20, 1e6f, 20.8333f, 1e-3f},
        {"ahead to the left", -5, -20, 1e6f, -20.8333f, 1e-3f},
        // Turning about the bike itself, a point dead ahead keeps no offset: the 1e-6 floor,
        // positive, gives (30²) / 2e-6.
        {"dead ahead of a zero radius", 0, -10, 0, 4.5e8f, 1e4f},
        // Already on the circle of the present turn: the aim is not pushed.
        {"on the present circle", 10, -10, 10, 10, 1e-3f},
    };
    bike *b = robot(0, 1, 0, 0);
    const float at[3] = {0, 2, 0}, v[3] = {0, 0, -20};
    pose(b, at, v);
    velocity_frame frame;
    velocity_frame_of(b, &frame);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const float aim[3] = {c.x, 2, c.z};
        const float r = autopilot_aim_radius(b, aim, &frame, c.R);
        EXPECT_TRUE(std::isfinite(r));
        EXPECT_NEAR(r, c.want, c.tolerance);
    }
}

TEST(AutopilotFootprint, CornersAndCrossing)
{
    // Riding -z: side +x, back +z. Riding +x: side +z, back -x.
    const velocity_frame north = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    const velocity_frame east = {{0, 0, 1}, {0, 1, 0}, {-1, 0, 0}};
    const float p[3] = {10, 3, 20};
    float c[4][2];
    autopilot_footprint(c, p, &north, -2, -10, 2, 4);
    const float want_north[4][2] = {{8, 10}, {8, 24}, {12, 24}, {12, 10}};
    autopilot_footprint(c, p, &north, -2, -10, 2, 4);
    for (int k = 0; k < 4; ++k) {
        EXPECT_FLOAT_EQ(c[k][0], want_north[k][0]) << k;
        EXPECT_FLOAT_EQ(c[k][1], want_north[k][1]) << k;
    }
    float e[4][2];
    autopilot_footprint(e, p, &east, -2, -10, 2, 4);
    const float want_east[4][2] = {{20, 18}, {6, 18}, {6, 22}, {20, 22}};
    for (int k = 0; k < 4; ++k) {
        EXPECT_FLOAT_EQ(e[k][0], want_east[k][0]) << k;
        EXPECT_FLOAT_EQ(e[k][1], want_east[k][1]) << k;
    }

    // A rider crossing in front: its long sides cut ours.
    const float q[3] = {10, 0, 10};
    float across[4][2];
    autopilot_footprint(across, q, &east, -2, -10, 2, 4);
    EXPECT_TRUE(autopilot_footprints_cross(c, across));
    // One 20 ft off to the side never does.
    const float far[3] = {30, 0, 10};
    autopilot_footprint(across, far, &east, -2, -10, 2, 4);
    EXPECT_FALSE(autopilot_footprints_cross(c, across));
}

TEST_F(RobotField, NeighbourSpeed)
{
    struct Case {
        const char *what;
        float since_start;      // seconds
        float gap;              // ft ahead, along -z
        float v, vo, target;    // own speed, the other's (negative: coming back), the target
        float want;
        bool cleared;           // recent line ids cleared
    };
    const Case cases[] = {
        {"close, before keenness", 0, 10, 30, 20, 30, 20, false},
        {"close, keen", 5, 10, 30, 20, 30, 15, false},
        {"close, keenness fading at 100 s", 100, 10, 30, 20, 30, 19, false},
        {"close, coming back", 0, 10, 30, -20, 30, 0, false},
        {"far enough to brake", 0, 25, 30, 20, 30, 30, false},
        {"braking leaves 1 ft less than the gap", 0, 21, 30, 20, 30, 30 - 10 / 3.0f, true},
        {"braking leaves 3 ft less than the gap", 0, 19, 30, 20, 30, 20, true},
        {"ahead and faster", 0, 15, 30, 40, 30, 30, false},
    };
    bike *b = robot(0, 1, 0, 0), *o = robot(1, 1, 0, -20);
    race_start_tick = 1000;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        tick_count = race_start_tick + (int)std::lround(c.since_start * 128);
        const float p0[3] = {0, 2, 0}, v0[3] = {0, 0, -c.v};
        const float p1[3] = {0, 2, -c.gap}, v1[3] = {0, 0, -c.vo};
        pose(b, p0, v0);
        pose(o, p1, v1);
        for (int &id : b->recent_line_ids) id = 7;
        velocity_frame frame;
        velocity_frame_of(b, &frame);
        EXPECT_NEAR(autopilot_neighbour_speed(b, 1e6f, &frame, c.v, c.target, o), c.want, 1e-2);
        EXPECT_EQ(b->recent_line_ids[0] == 0, c.cleared);
    }

    // The other standing at the centre of the turn: its speed counts whole, and finitely.
    const float p0[3] = {0, 2, 0}, v0[3] = {0, 0, -30}, p1[3] = {5, 2, 0}, v1[3] = {0, 0, -8};
    pose(b, p0, v0);
    pose(o, p1, v1);
    tick_count = race_start_tick;
    velocity_frame frame;
    velocity_frame_of(b, &frame);
    EXPECT_NEAR(autopilot_neighbour_speed(b, 5, &frame, 30, 30, o), 8, 1e-4);

    // Turning left about (-20, 0): a rider moving straight out from the centre has no speed
    // along the turn.
    const float p2[3] = {0, 2, -10}, v2[3] = {20 / 2.2360680f, 0, -10 / 2.2360680f};
    pose(o, p2, v2);
    EXPECT_NEAR(autopilot_neighbour_speed(b, -20, &frame, 30, 30, o), 0, 1e-3);
}

// Divisions by zero of the formulas give finite inputs to the bike: upright at rest with a jump
// ahead, and a recovery target straight under the frame.
TEST_F(RobotField, FiniteAtRestAndUnderTheBike)
{
    bike *b = robot(0, 1, 0, 0);
    h->run(64);   // settle on the ground
    const dReal *p = dBodyGetPosition(b->bodies[BODY_FRAME]);
    std::vector<line_sample> s = straight_samples(20, (float)p[0], (float)p[1], (float)p[2], 4, 20);
    s[3].speed = s[4].speed = -20;
    set_path(b, s, 10);
    const float at[3] = {(float)p[0], (float)p[1], (float)p[2]}, still[3] = {0, 0, 0};
    pose(b, at, still);
    dBodySetAngularVel(b->bodies[BODY_FRAME], 0, 0, 0);
    b->robot_state[ROBOT_LAST_ADVANCE] = tick_count;
    autopilot_follow(b);
    const float *in = &b->input.throttle;
    for (int k = 0; k < 9; ++k) EXPECT_TRUE(std::isfinite(in[k])) << "input " << k;
    EXPECT_EQ(b->robot_state[ROBOT_RECOVERY], 0);

    set_path(b, std::vector<line_sample>(20, line_sample{at[0], at[1], at[2], 10, 0}), 5);
    b->robot_state[ROBOT_RECOVERY] = 3;
    autopilot_recover(b);
    for (int k = 0; k < 9; ++k) EXPECT_TRUE(std::isfinite(in[k])) << "input " << k;
}

}   // namespace

namespace {

// The distance (x, z) from p to the polyline of the path.
float path_distance(bike *b, const float p[3])
{
    const line_sample *s = (const line_sample *)b->line_record.items;
    float best = 1e30f;
    for (int k = 0; k + 1 < b->line_record.count; ++k) {
        const float ax = s[k].x, az = s[k].z, dx = s[k + 1].x - ax, dz = s[k + 1].z - az;
        const float l2 = dx * dx + dz * dz;
        float u = l2 > 0 ? ((p[0] - ax) * dx + (p[2] - az) * dz) / l2 : 0;
        u = u < 0 ? 0 : u > 1 ? 1 : u;
        best = std::min(best, std::hypot(p[0] - ax - u * dx, p[2] - az - u * dz));
    }
    return best;
}

// On flat ground a robot pulls away, rides a straight, a quarter turn of 300 ft radius to the
// left and another straight at the path's 30 ft/s, staying within 4 ft of it without falling.
TEST(AutopilotRide, FollowsTurnsOnFlatGround)
{
    ride_harness h(7, 4.0f, [](int, int) { return 0.0f; });
    bike *b = h.add(nullptr, 100, 900);
    b->personality = 1;
    b->rider_slot = 0;
    bike_slot_table[0] = b;
    std::vector<line_sample> s;
    float x = 100, z = 900 - 8, heading = 0;   // heading 0 along -z, positive to the left
    // A sample every quarter second at the path's speed, as lines are recorded.
    auto add = [&](float length, float radius, float speed) {
        const float step = speed / 4;
        for (float d = 0; d < length; d += step) {
            s.push_back({x, 2.2f, z, speed, 0});
            if (radius != 0) heading += step / radius;
            x -= step * std::sin(heading), z -= step * std::cos(heading);
        }
    };
    add(150, 0, 30);
    add(3.14159f / 2 * 300, 300, 30);
    add(200, 0, 30);
    RobotField::set_path(b, s, 1);
    b->gate_index = 1;
    race_start_tick = tick_count - 128 * 10;   // the start is over
    b->robot_state[ROBOT_LAST_ADVANCE] = tick_count;
    float worst = 0;
    int ticks = 0;
    while (b->line_record.count > 0 && ticks < 128 * 60) {
        autopilot_step(b);
        h.tick();
        ++ticks;
        const dReal *p = dBodyGetPosition(b->bodies[BODY_FRAME]);
        const float at[3] = {(float)p[0], (float)p[1], (float)p[2]};
        if (ticks > 128 * 4 && b->line_record.count > 0) worst = std::max(worst, path_distance(b, at));
    }
    bike_slot_table[0] = nullptr;
    EXPECT_EQ(b->crash_count, 0);
    EXPECT_EQ(b->line_record.count, 0) << "the path was not ridden to its end";
    EXPECT_LT(worst, 4.0f);   // the reach within which a run counts as on its line
}

}   // namespace
