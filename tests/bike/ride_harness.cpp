#include "ride_harness.h"

#include <cmath>
#include <cstring>
#include <string>
#include <unistd.h>

#include "bike/bike_create.h"
#include "bike/physics_step.h"
#include "bike/shape.h"
#include "bike/world_step.h"
#include "data/mem.h"
#include "data/paths.h"
#include "racing/race.h"
#include "shell/globals.h"
#include "shell/startup.h"
#include "terrain/field.h"

namespace {

std::string game_dir()
{
    char exe[4096];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) return "";
    exe[n] = 0;
    std::string s = exe;
    s = s.substr(0, s.rfind('/'));   // <build>/tests or <build>/bench
    return s.substr(0, s.rfind('/') + 1) + "game/";
}

unsigned no_texture(const char *) { return 0; }
const char *no_info(unsigned) { return nullptr; }
unsigned no_plate(const char *, const unsigned char *, const unsigned char *) { return 0; }
void no_plate_delete(unsigned) {}
void free_shape(shape *s) { mem_free(s); }
const bike_resource_loaders loaders = {no_texture, no_info, no_plate, no_plate_delete, shape_load_instance, free_shape};

// The default track's dirt.
void dirt_tile(terrain_field *t)
{
    t->tile_count = 1;
    t->tilemap = (unsigned char *)calloc((size_t)1 << (2 * t->lod_depth), 1);
    t->friction[0][0] = 1.0f, t->friction_key[0][0] = 1;
    t->friction[0][1] = 0.92f, t->friction_key[0][1] = 3600;
    t->roll_resist[0][0][0] = 5, t->roll_resist[0][0][1] = 15, t->roll_resist_key[0][0] = 1;
    roost_type &r = t->roost[0][0];
    r = {};
    r.kind = 1;
    r.count = 10, r.dig = 1, r.slip_threshold = 4;
    r.slow_angle = 1.5707964f, r.fast_angle = 0.19634955f, r.slow_speed = 0, r.fast_speed = 64;
    r.size = 0.25f, r.grow = 4, r.drag = 0.5f, r.vscale = 1, r.randomize = 15;
}

}   // namespace

int ride_exact_step = getenv("RL_RIDE_QUICK") ? 0 : 1;

ride_harness::ride_harness(int depth, float cell, const std::function<float(int, int)> &height)
    : ground(depth, cell, height)
{
    dirt_tile(ground.t);
    saved_terrain = terrain_ptr;
    saved_g_terrain = g_terrain;
    terrain_ptr = g_terrain = ground.t;
    dInitODE2(0);
    // The iterative solver shuffles its rows with ODE's own generator: the same seed, the same ride
    // (RL_RIDE_SEED tries another).
    dRandSetSeed(getenv("RL_RIDE_SEED") ? (unsigned long)atol(getenv("RL_RIDE_SEED")) : 1);
    physics_world = dWorldCreate();
    dWorldSetGravity(physics_world, 0, -32, 0);
    contact_group = dJointGroupCreate(0);
    setenv("RL_HOME", game_dir().c_str(), 1);
    search_folders_free();
    bike_resources_set(&loaders);
    tick_count = 1000;
    race_start_tick = 1000 + 128 * 14;   // the start lies ahead, as after a race reset
    memset(server_rules, 0, sizeof server_rules);
}

ride_harness::~ride_harness()
{
    for (bike *b : bikes) bike_destroy(b);
    bike_resources_set(nullptr);
    dJointGroupDestroy(contact_group);
    dWorldDestroy(physics_world);
    contact_group = nullptr;
    physics_world = nullptr;
    dCloseODE();
    free(ground.t->tilemap);
    ground.t->tilemap = nullptr;
    terrain_ptr = saved_terrain;
    g_terrain = saved_g_terrain;
    unsetenv("RL_HOME");
    search_folders_free();
}

bike *ride_harness::add(const char *model, float x, float z)
{
    bike *b = bike_create(model ? model : bike_catalogue[0].name, (int)bikes.size(), "7", nullptr, nullptr, nullptr,
                          nullptr);
    const bike_info &in = b->info;
    // The lower of the two tyres' bottoms on the ground there.
    const float front = in.front_wheel.center[1] - in.front_wheel.radius - in.front_wheel.tube_radius;
    const float rear = in.rear_wheel.center[1] - in.rear_wheel.radius - in.rear_wheel.tube_radius;
    const float mid = (in.front_wheel.center[2] + in.rear_wheel.center[2]) / 2;
    const float ground_y = std::max(terrain_height_at(ground.t, x, z + in.front_wheel.center[2] - mid),
                                    terrain_height_at(ground.t, x, z + in.rear_wheel.center[2] - mid));
    bike_translate(b, x, ground_y - std::min(front, rear) + 0.02f, z - mid);
    b->input.clutch = 1;
    bikes.push_back(b);
    return b;
}

void ride_harness::tick()
{
    for (bike *b : bikes) bike_terrain_collide(b);
    if (ride_exact_step) world_step(physics_world, ::tick, bikes.data(), (int)bikes.size());
    else dWorldQuickStep(physics_world, ::tick);
    dJointGroupEmpty(contact_group);
    for (bike *b : bikes) bike_physics_step(b);
    tick_count += 1;
}

void ride_harness::run(int ticks, const std::function<void(int)> &each)
{
    for (int i = 0; i < ticks; ++i) {
        if (each) each(i);
        tick();
    }
}

float ride_speed(bike *b)
{
    const dReal *v = dBodyGetLinearVel(b->bodies[BODY_FRAME]);
    return (float)std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

float ride_forward_speed(bike *b)
{
    const dReal *v = dBodyGetLinearVel(b->bodies[BODY_FRAME]);
    dVector3 f;
    dBodyVectorToWorld(b->bodies[BODY_FRAME], 0, 0, -1, f);
    return (float)(v[0] * f[0] + v[1] * f[1] + v[2] * f[2]);
}

bool ride_finite(bike *b)
{
    for (dBodyID body : b->bodies) {
        const dReal *arrays[4] = {dBodyGetPosition(body), dBodyGetRotation(body), dBodyGetLinearVel(body),
                                  dBodyGetAngularVel(body)};
        for (int a = 0; a < 4; ++a)
            for (int k = 0; k < (a == 1 ? 12 : 3); ++k)
                if (!std::isfinite(arrays[a][k])) return false;
    }
    return true;
}
