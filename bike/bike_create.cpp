// Creating and destroying bikes, the rest pose, moving the whole bike and switching its bodies
// between simulated and kinematic.
#include "bike/bike_create.h"
#include "bike/bike_record.h"
#include "bike/catalogue.h"
#include "bike/plate_colours.h"
#include "bike/setters.h"
#include "bike/skin_names.h"
#include "graphics/texture.h"
#include "shell/startup.h"
#include "data/console.h"
#include "data/mem.h"
#include <GL/gl.h>
#include <cmath>
#include <cstdio>
#include <cstring>

static unsigned    game_texture(const char *name) { return texture_load(name); }
static const char *game_info_text(unsigned id)
{
    int index;
    return texture_info_text(id, &index);
}
static unsigned game_plate(const char *text, const unsigned char *background, const unsigned char *foreground)
{
    return texture_from_text(text, 128, 128, background, foreground);
}
static void   game_plate_delete(unsigned id) { glDeleteTextures(1, &id); }
static shape *game_shape(const char *name) { return shape_load_instance(name); }
static void   game_shape_free(shape *s) { mem_free(s); }

static const bike_resource_loaders game_loaders = {game_texture, game_info_text, game_plate,
                                                   game_plate_delete, game_shape, game_shape_free};
static const bike_resource_loaders *g_loaders = &game_loaders;

void bike_resources_set(const bike_resource_loaders *loaders) { g_loaders = loaders ? loaders : &game_loaders; }
const bike_resource_loaders *bike_resources(void) { return g_loaders; }

static const bike_info *find_model(const char *name)
{
    if (name)
        if (const bike_info *exact = bike_info_find(name)) return exact;
    const char *want = name && strstr(name, "125") ? "125" : "250f";
    const bike_info *found = &bike_catalogue[0];
    for (int i = 0; i < bike_catalogue_count; ++i)
        if (strstr(bike_catalogue[i].name, want)) {
            found = &bike_catalogue[i];
            break;
        }
    char line[128];
    snprintf(line, sizeof line, "bike info for '%.20s' not found using '%.20s' instead", name ? name : "",
             found->name);
    console_print(line);
    return found;
}

// One texture group of a bike: a texture and the models drawn with it.
struct model_slot {
    int        file;   // bike_file
    km_model **out;
    int        warn;
};

static unsigned load_texture(const char *name)
{
    if (!name) return 0;
    unsigned id = g_loaders->texture(name);
    if (!id) {
        char line[1000];
        snprintf(line, sizeof line, "Warning: Can't load %.900s", name);
        console_print(line);
    }
    return id;
}

// Loads the group's texture and its models in the texture's variant; 0 when the texture or a
// warned model failed.
static int load_group(const bike_info *info, const char *skin, unsigned *texture, const model_slot *slots,
                      int count)
{
    *texture = load_texture(skin);
    int ok = *texture != 0;
    for (int i = 0; i < count; ++i) {
        const char *model = info->files[slots[i].file];
        // The record keeps models as opaque handles; the drawing code turns them back.
        *slots[i].out = reinterpret_cast<km_model *>(bike_model_load_variant(model, skin, slots[i].warn));
        if (model && slots[i].warn && !*slots[i].out) ok = 0;
    }
    return ok;
}

static const char *group_skin(const bike_info *info, const char *given, int catalogue_file, unsigned *texture,
                              const model_slot *slots, int count)
{
    const char *catalogue = info->files[catalogue_file];
    const char *skin = given ? given : catalogue;
    if (load_group(info, skin, texture, slots, count)) return skin;
    // A skin that is already the catalogue's is not tried twice.
    if (skin == catalogue || (skin && catalogue && !strcmp(skin, catalogue))) return skin;
    load_group(info, catalogue, texture, slots, count);
    return catalogue;
}

static void load_drawing(bike *b, const char *rider_texture, const char *head_texture, const char *bike_texture,
                         const char *wheel_texture)
{
    bike_handles &h = b->handles;
    const bike_info *info = &b->info;
    const model_slot bike_models[] = {
        {BIKE_FILE_FRAME_MODEL, &h.frame_model, 1},           {BIKE_FILE_SIDE_PLATES_MODEL, &h.side_plates_model, 1},
        {BIKE_FILE_FORK_UPPER_MODEL, &h.fork_upper_model, 1}, {BIKE_FILE_FRONT_PLATE_MODEL, &h.front_plate_model, 1},
        {BIKE_FILE_FORK_LOWER_MODEL, &h.fork_lower_model, 1}, {BIKE_FILE_SWINGARM_MODEL, &h.swingarm_model, 1},
    };
    const model_slot wheel_models[] = {
        {BIKE_FILE_FRONT_WHEEL_MODEL, &h.front_wheel_model, 1},
        {BIKE_FILE_REAR_WHEEL_MODEL, &h.rear_wheel_model, 1},
    };
    const model_slot body_models[] = {
        {BIKE_FILE_RIDER_BODY_MODEL, &h.rider_body_model, 1},
        {BIKE_FILE_RIDER_PLATE_MODEL, &h.rider_plate_model, 0},
        {BIKE_FILE_RIDER_BODY_FP_MODEL, &h.rider_body_fp_model, 0},
    };
    const model_slot head_models[] = {{BIKE_FILE_HEAD_MODEL, &h.head_model, 1}};

    const char *bike_skin = group_skin(info, bike_texture, BIKE_FILE_BIKE_TEXTURE, &h.bike_texture, bike_models, 6);
    const char *wheel_skin = group_skin(info, wheel_texture, BIKE_FILE_WHEEL_TEXTURE, &h.wheel_texture, wheel_models, 2);
    const char *body_skin = group_skin(info, rider_texture, BIKE_FILE_RIDER_BODY_TEXTURE, &h.rider_body_texture,
                                       body_models, 3);
    const char *head_skin = group_skin(info, head_texture, BIKE_FILE_HEAD_TEXTURE, &h.head_texture, head_models, 1);

    unsigned char background[3], foreground[3];
    bike_plate_colours(h.bike_texture ? g_loaders->info_text(h.bike_texture) : nullptr, background, foreground);
    // What the plate's upload adds is measured, so destroying the bike takes off exactly that and
    // a create and destroy leave the counter as it was.
    unsigned before = render_stats.texture_bytes;
    b->plate_texture = g_loaders->plate(b->number_text, background, foreground);
    b->plate_texture_bytes = b->plate_texture ? render_stats.texture_bytes - before : 0;

    bike_skin_maps(&h.bike_normal_map, &h.bike_specular_map, bike_skin, info->files[BIKE_FILE_BIKE_TEXTURE]);
    bike_skin_maps(&h.wheel_normal_map, &h.wheel_specular_map, wheel_skin, info->files[BIKE_FILE_WHEEL_TEXTURE]);
    bike_skin_maps(&h.rider_body_normal_map, &h.rider_body_specular_map, body_skin,
                   info->files[BIKE_FILE_RIDER_BODY_TEXTURE]);
    bike_skin_maps(&h.head_normal_map, &h.head_specular_map, head_skin, info->files[BIKE_FILE_HEAD_TEXTURE]);
}

static void set_body_mass(dBodyID body, dMass *m)
{
    // The masses are symmetric about the body origin; ODE wants the centre exactly there.
    m->c[0] = m->c[1] = m->c[2] = 0;
    dBodySetMass(body, m);
}

void wheel_mass_build(dBodyID body, const bike_wheel_info *wheel)
{
    dMass total, part;
    dMassSetSphereTotal(&total, wheel->hub_mass, wheel->hub_radius);
    dMatrix3 turn;
    dRFromAxisAndAngle(turn, 1, 0, 0, M_PI / 8);
    dMass ring;
    dMassSetSphereTotal(&ring, wheel->tyre_mass / 16, wheel->tube_radius);
    dMassTranslate(&ring, 0, wheel->radius, 0);
    for (int i = 0; i < 16; ++i) {
        if (i) dMassRotate(&ring, turn);
        part = ring;
        dMassAdd(&total, &part);
    }
    set_body_mass(body, &total);
}

void bike_frame_rider_mass(bike *b, float rider_share)
{
    const bike_info &in = b->info;
    dMass m;
    dMassSetBoxTotal(&m, in.frame_mass + (1 - rider_share) * in.rider_mass, in.frame_box[0], in.frame_box[1],
                     in.frame_box[2]);
    set_body_mass(b->bodies[BODY_FRAME], &m);
    dMassSetSphereTotal(&m, rider_share * in.rider_mass, 1.0);
    set_body_mass(b->bodies[BODY_RIDER], &m);
}

static void build_masses(bike *b)
{
    const bike_info &in = b->info;
    bike_frame_rider_mass(b, 1.0f / 3);
    wheel_mass_build(b->bodies[BODY_FRONT_WHEEL], &in.front_wheel);
    wheel_mass_build(b->bodies[BODY_REAR_WHEEL], &in.rear_wheel);

    dMass fork, leg;
    const float spacing = in.fork_leg_spacing;
    dMassSetCylinderTotal(&fork, in.fork_mass / 2, 2, spacing / 8, in.fork_length * 2 / 3);
    leg = fork;
    dMassTranslate(&fork, spacing / 2, 0, 0);
    dMassTranslate(&leg, -spacing / 2, 0, 0);
    dMassAdd(&fork, &leg);
    dMatrix3 r;
    const float fy = in.fork_lower_position[1] - in.fork_upper_position[1];
    const float fz = in.fork_lower_position[2] - in.fork_upper_position[2];
    dRFromAxisAndAngle(r, 1, 0, 0, std::atan(fz / fy));
    dMassRotate(&fork, r);
    dMass copy = fork;
    set_body_mass(b->bodies[BODY_FORK_UPPER], &fork);
    set_body_mass(b->bodies[BODY_FORK_LOWER], &copy);

    // Each of the two boxes carries the catalogue's whole swingarm mass.
    dMass arm, side;
    const float dy = in.rear_wheel.center[1] - in.swingarm_pivot[1];
    const float dz = in.rear_wheel.center[2] - in.swingarm_pivot[2];
    const float length = std::sqrt(dy * dy + dz * dz);
    const float width = in.frame_box[0] / 4;
    dMassSetBoxTotal(&arm, in.swingarm_mass, width, width, length);
    side = arm;
    dMassTranslate(&arm, in.frame_box[0] / 2, 0, 0);
    dMassTranslate(&side, -in.frame_box[0] / 2, 0, 0);
    dMassAdd(&arm, &side);
    dRFromAxisAndAngle(r, 1, 0, 0, -std::atan(dy / dz));
    dMassRotate(&arm, r);
    set_body_mass(b->bodies[BODY_SWINGARM], &arm);
}

static const float *rest_position(const bike *b, int body)
{
    const bike_info &in = b->info;
    switch (body) {
    case BODY_FRAME: return in.frame_position;
    case BODY_FRONT_WHEEL: return in.front_wheel.center;
    case BODY_REAR_WHEEL: return in.rear_wheel.center;
    case BODY_FORK_UPPER: return in.fork_upper_position;
    case BODY_FORK_LOWER: return in.fork_lower_position;
    case BODY_SWINGARM: return in.swingarm_position;
    default: return in.rider_position;
    }
}

static void place_at_rest(bike *b, int body)
{
    static const dMatrix3 identity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0};
    dBodyID id = b->bodies[body];
    const float *p = rest_position(b, body);
    dBodySetPosition(id, p[0], p[1], p[2]);
    dBodySetRotation(id, identity);
    dBodySetLinearVel(id, 0, 0, 0);
    dBodySetAngularVel(id, 0, 0, 0);
    dBodySetForce(id, 0, 0, 0);
    dBodySetTorque(id, 0, 0, 0);
}

static void build_joints(bike *b)
{
    const bike_info &in = b->info;
    dBodyID *body = b->bodies;
    dJointID *j = b->joints;
    const float *up = in.fork_upper_position, *low = in.fork_lower_position;
    const float steer[3] = {up[0] - low[0], up[1] - low[1], up[2] - low[2]};

    j[JOINT_FRONT_AXLE] = dJointCreateHinge(physics_world, nullptr);
    dJointAttach(j[JOINT_FRONT_AXLE], body[BODY_FORK_LOWER], body[BODY_FRONT_WHEEL]);
    dJointSetHingeAnchor(j[JOINT_FRONT_AXLE], in.front_wheel.center[0], in.front_wheel.center[1],
                         in.front_wheel.center[2]);
    dJointSetHingeAxis(j[JOINT_FRONT_AXLE], 1, 0, 0);

    j[JOINT_REAR_AXLE] = dJointCreateHinge(physics_world, nullptr);
    dJointAttach(j[JOINT_REAR_AXLE], body[BODY_SWINGARM], body[BODY_REAR_WHEEL]);
    dJointSetHingeAnchor(j[JOINT_REAR_AXLE], in.rear_wheel.center[0], in.rear_wheel.center[1],
                         in.rear_wheel.center[2]);
    dJointSetHingeAxis(j[JOINT_REAR_AXLE], 1, 0, 0);

    j[JOINT_STEERING] = dJointCreateHinge(physics_world, nullptr);
    dJointAttach(j[JOINT_STEERING], body[BODY_FORK_UPPER], body[BODY_FRAME]);
    dJointSetHingeAnchor(j[JOINT_STEERING], up[0], up[1], up[2]);
    dJointSetHingeAxis(j[JOINT_STEERING], steer[0], steer[1], steer[2]);
    dJointSetHingeParam(j[JOINT_STEERING], dParamLoStop, -M_PI / 4);
    dJointSetHingeParam(j[JOINT_STEERING], dParamHiStop, M_PI / 4);

    j[JOINT_FORK_SLIDER] = dJointCreateSlider(physics_world, nullptr);
    dJointAttach(j[JOINT_FORK_SLIDER], body[BODY_FORK_UPPER], body[BODY_FORK_LOWER]);
    dJointSetSliderAxis(j[JOINT_FORK_SLIDER], steer[0], steer[1], steer[2]);
    dJointSetSliderParam(j[JOINT_FORK_SLIDER], dParamBounce, 0);
    dJointSetSliderParam(j[JOINT_FORK_SLIDER], dParamLoStop, -in.fork_travel);
    dJointSetSliderParam(j[JOINT_FORK_SLIDER], dParamHiStop, 0);

    j[JOINT_SWINGARM] = dJointCreateHinge(physics_world, nullptr);
    dJointAttach(j[JOINT_SWINGARM], body[BODY_SWINGARM], body[BODY_FRAME]);
    dJointSetHingeAnchor(j[JOINT_SWINGARM], in.swingarm_pivot[0], in.swingarm_pivot[1], in.swingarm_pivot[2]);
    dJointSetHingeAxis(j[JOINT_SWINGARM], 1, 0, 0);
    dJointSetHingeParam(j[JOINT_SWINGARM], dParamBounce, 0);
    dJointSetHingeParam(j[JOINT_SWINGARM], dParamLoStop, -in.swingarm_angle_max);
    dJointSetHingeParam(j[JOINT_SWINGARM], dParamHiStop, 0);

    j[JOINT_RIDER] = dJointCreateHinge2(physics_world, nullptr);
    for (int i = 0; i < BIKE_JOINTS; ++i) dJointSetFeedback(j[i], &b->feedback[i]);
}

void bike_rider_reattach(bike *b)
{
    const bike_info &in = b->info;
    dBodyID frame = b->bodies[BODY_FRAME], rider = b->bodies[BODY_RIDER];
    const float *f = in.frame_position;
    dVector3 p;
    dBodyGetRelPointPos(frame, in.rider_position[0] - f[0], in.rider_position[1] - f[1],
                        in.rider_position[2] - f[2], p);
    dBodySetPosition(rider, p[0], p[1], p[2]);
    dBodySetRotation(rider, dBodyGetRotation(frame));

    // What ODE keeps of a joint across a detach is not relied on: anchor, axes and stops are
    // set again from the frame's pose. The anchor lies far ahead, at z = -50 in bike terms.
    dJointID j = b->joints[JOINT_RIDER];
    dJointAttach(j, rider, frame);
    dVector3 anchor, axis1, axis2;
    dBodyGetRelPointPos(frame, -f[0], in.rider_position[1] - f[1], -50 - f[2], anchor);
    dBodyVectorToWorld(frame, 0, 1, 1, axis1);
    dBodyVectorToWorld(frame, 1, 0, 0, axis2);
    dJointSetHinge2Anchor(j, anchor[0], anchor[1], anchor[2]);
    dJointSetHinge2Axes(j, axis1, axis2);
    dJointSetHinge2Param(j, dParamLoStop, 0);
    dJointSetHinge2Param(j, dParamHiStop, 0);
}

bike *bike_create(const char *model_name, int rider_slot, const char *number_text, const char *rider_texture,
                  const char *head_texture, const char *bike_texture, const char *wheel_texture)
{
    return bike_create_from_info(find_model(model_name), rider_slot, number_text, rider_texture, head_texture,
                                 bike_texture, wheel_texture);
}

bike *bike_create_from_info(const bike_info *info, int rider_slot, const char *number_text,
                            const char *rider_texture, const char *head_texture, const char *bike_texture,
                            const char *wheel_texture)
{
    bike *b = (bike *)alloc_or_die(sizeof(bike));
    memset((void *)b, 0, sizeof *b);
    b->info = *info;
    b->engine_inertia = info->engine_inertia;
    b->rider_slot = rider_slot;

    static const int shape_files[BIKE_BODIES] = {
        BIKE_FILE_FRAME_SHAPE, BIKE_FILE_FRONT_WHEEL_SHAPE, BIKE_FILE_REAR_WHEEL_SHAPE, BIKE_FILE_FORK_UPPER_SHAPE,
        BIKE_FILE_FORK_LOWER_SHAPE, BIKE_FILE_SWINGARM_SHAPE, BIKE_FILE_RIDER_SHAPE};
    shape *shapes[BIKE_BODIES];
    for (int i = 0; i < BIKE_BODIES; ++i) {
        const char *name = info->files[shape_files[i]];
        shapes[i] = name ? g_loaders->shape_load(name) : nullptr;
    }
    bike_handles &h = b->handles;
    h.frame_shape = shapes[BODY_FRAME];
    h.front_wheel_shape = shapes[BODY_FRONT_WHEEL];
    h.rear_wheel_shape = shapes[BODY_REAR_WHEEL];
    h.fork_upper_shape = shapes[BODY_FORK_UPPER];
    h.fork_lower_shape = shapes[BODY_FORK_LOWER];
    h.swingarm_shape = shapes[BODY_SWINGARM];
    h.rider_shape = shapes[BODY_RIDER];

    if (number_text) snprintf(b->number_text, sizeof b->number_text, "%s", number_text);
    load_drawing(b, rider_texture, head_texture, bike_texture, wheel_texture);

    for (int i = 0; i < BIKE_BODIES; ++i) {
        b->bodies[i] = dBodyCreate(physics_world);
        place_at_rest(b, i);
    }
    dBodySetFiniteRotationMode(b->bodies[BODY_FRONT_WHEEL], 1);
    dBodySetFiniteRotationMode(b->bodies[BODY_REAR_WHEEL], 1);
    const bike_wheel_info *wheel_info[2] = {&info->front_wheel, &info->rear_wheel};
    for (int w = 0; w < 2; ++w) {
        wheel_record &wr = b->wheels[w];
        wr.body = b->bodies[w == WHEEL_FRONT ? BODY_FRONT_WHEEL : BODY_REAR_WHEEL];
        wr.axle[0] = 1;
        wr.radius = wheel_info[w]->radius;
        wr.tube_radius = wheel_info[w]->tube_radius;
    }
    build_masses(b);
    build_joints(b);

    growable_array_init(&b->gate_times, 4);
    growable_array_init(&b->line_samples[0], 20);
    growable_array_init(&b->line_samples[1], 20);
    growable_array_init(&b->line_record, 20);

    bike_default_tuning(b);
    for (int i = 0; i < BIKE_BODIES; ++i) {
        dMass m;
        dBodyGetMass(b->bodies[i], &m);
        b->total_mass += (float)m.mass;
    }
    bike_reset_pose(b);
    return b;
}

void bike_destroy(bike *b)
{
    if (!b) return;
    for (int i = 0; i < BIKE_JOINTS; ++i)
        if (b->joints[i]) dJointDestroy(b->joints[i]);
    for (int i = 0; i < BIKE_BODIES; ++i)
        if (b->bodies[i]) dBodyDestroy(b->bodies[i]);
    growable_array_free(&b->gate_times);
    growable_array_free(&b->line_samples[0]);
    growable_array_free(&b->line_samples[1]);
    growable_array_free(&b->line_record);
    if (b->plate_texture) {
        g_loaders->plate_delete(b->plate_texture);
        unsigned bytes = b->plate_texture_bytes;
        render_stats.texture_bytes -= bytes < render_stats.texture_bytes ? bytes : render_stats.texture_bytes;
    }
    bike_handles &h = b->handles;
    shape *shapes[] = {h.frame_shape,      h.fork_upper_shape,  h.fork_lower_shape, h.swingarm_shape,
                       h.front_wheel_shape, h.rear_wheel_shape, h.rider_shape};
    for (shape *s : shapes)
        if (s) g_loaders->shape_free(s);
    mem_free(b);
}

void bike_reset_pose(bike *b)
{
    if (!b) return;
    for (int i = 0; i < BIKE_BODIES; ++i) place_at_rest(b, i);

    b->gear = 0;
    b->last_shift = 0;
    b->gate_index = 0;
    b->gate_times.count = 0;
    b->line_samples[0].count = b->line_samples[1].count = b->line_record.count = 0;
    b->line_cursor = 0;
    memset(b->robot_state, 0, sizeof b->robot_state);
    b->personality = 0;
    b->robot_float[0] = b->robot_float[1] = 0;
    b->robot_stamp = -1000000;
    memset(&b->input, 0, sizeof b->input);
    b->engine_angle = b->engine_speed = 0;
    memset(b->recent_line_ids, 0, sizeof b->recent_line_ids);
    memset(&b->anchors, 0, sizeof b->anchors);
    memset(b->rider_velocity_ring, 0, sizeof b->rider_velocity_ring);
    b->contact_flags = -1;
    b->mishap_flag = 0;
    b->land_damping = 1;
    b->fall_start_tick = b->landing_tick = 0;
    b->crash_counter = b->crash_count = 0;
    b->finished = 0;
    b->bump_timer = 0;
    b->steer_state = 0;
    b->simulated_weight = 1;
    b->last_hit = -1;

    bike_rider_reattach(b);
    memset(b->feedback, 0, sizeof b->feedback);
    for (int w = 0; w < 2; ++w) {
        for (erode_entry &e : b->trails[w].points) memset(&e, 0, 16);
        erode_trail_reset(&b->trails[w]);
    }
}

void bike_translate(bike *b, float dx, float dy, float dz)
{
    for (dBodyID body : b->bodies) {
        const dReal *p = dBodyGetPosition(body);
        dBodySetPosition(body, p[0] + dx, p[1] + dy, p[2] + dz);
    }
}

void bike_rotate(bike *b, float ax, float ay, float az, float angle_rad)
{
    dMatrix3 r;
    dRFromAxisAndAngle(r, ax, ay, az, angle_rad);
    for (dBodyID body : b->bodies) {
        const dReal *p = dBodyGetPosition(body);
        dVector3 q;
        dMultiply0_331(q, r, p);
        dBodySetRotation(body, r);
        dBodySetPosition(body, q[0], q[1], q[2]);
    }
}

static void clear_accumulators(bike *b)
{
    for (dBodyID body : b->bodies) {
        dBodySetForce(body, 0, 0, 0);
        dBodySetTorque(body, 0, 0, 0);
    }
}

static void set_enabled(bike *b, int on)
{
    for (dBodyID body : b->bodies) on ? dBodyEnable(body) : dBodyDisable(body);
}

void bike_enable_bodies(bike *b)
{
    if (!(b->simulated_weight > 0.25f)) clear_accumulators(b);
    b->simulated_weight = 1;
    set_enabled(b, 1);
}

void bike_disable_bodies(bike *b)
{
    if (!(b->simulated_weight > 0.25f)) clear_accumulators(b);
    b->simulated_weight = 0;
    set_enabled(b, 0);
}

void bike_toggle_bodies(bike *b)
{
    if (b->simulated_weight == 0) {
        clear_accumulators(b);
        b->simulated_weight = 1;
        set_enabled(b, 1);
    } else if (!(b->simulated_weight > 0.25f)) {
        clear_accumulators(b);
        b->simulated_weight = 0.25f;
        set_enabled(b, 0);
    }
}

void bike_fade_bodies(bike *b)
{
    if (!(b->simulated_weight > 0)) return;
    if (!(b->simulated_weight > 0.25f)) clear_accumulators(b);
    float w = b->simulated_weight - 1.0f / 128;
    w = w < 0 ? 0 : w > 1 ? 1 : w;
    b->simulated_weight = w;
    set_enabled(b, w > 0.25f);
}

void bike_snapshot(const bike *b, float *out)
{
    for (int i = 0; i < BIKE_BODIES; ++i) {
        const dReal *p = dBodyGetPosition(b->bodies[i]);
        const dReal *q = dBodyGetQuaternion(b->bodies[i]);
        for (int k = 0; k < 3; ++k) *out++ = (float)p[k];
        for (int k = 0; k < 4; ++k) *out++ = (float)q[k];
    }
    memcpy(out++, &b->gear, sizeof(int));
    *out = b->engine_speed * 9.549296585513721f;
}

void bike_restore_snapshot(bike *b, const float *in)
{
    for (int i = 0; i < BIKE_BODIES; ++i) {
        dQuaternion q = {in[3], in[4], in[5], in[6]};
        dBodySetPosition(b->bodies[i], in[0], in[1], in[2]);
        dBodySetQuaternion(b->bodies[i], q);
        in += 7;
    }
}
