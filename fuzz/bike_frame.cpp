// Arbitrary bytes as the frames a demo or a peer hands the playback: current, previous and next
// frames of either layout with any tick gap, applied to a fresh headless bike that is kinematic
// or simulated, then unpacked, blended and packed directly. Every body must stay finite. Then the
// race's own order for a remote rider the local one touched: posed from the frames, made
// simulated, guarded and stepped with the world for a few ticks on the ground; ODE must never
// meet a fault inside the step.
//
// Input: byte 0 bit 0 selects the 26-byte layout, bits 1-3 the simulated weight; bytes 1-4 the
// tick gap (int32, little-endian); then the three frames (current, previous, next), zero-filled
// when the input runs short.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "bike/frame.h"
#include "bike/physics_guard.h"
#include "bike/physics_step.h"
#include "shell/globals.h"
#include "terrain/field.h"
#include "tests/bike/frame_bike.h"

// A 256 ft field of 4 ft cells with hills and hollows below 0, filled in memory once.
static void ground_setup(void)
{
    if (terrain_ptr) return;
    terrain_field *t = (terrain_field *)calloc(1, sizeof(terrain_field));
    t->lod_depth = 5;
    t->grid_dim = 65;
    t->cell_size = 4;
    t->tile_size = 8;
    t->world_size = 256;
    t->heights = (float *)calloc(2 * 65 * 65, sizeof(float));
    t->loaded_heights = t->heights + 65 * 65;
    t->height_min = 1e30f;
    t->height_max = -1e30f;
    for (int z = 0; z < 65; ++z)
        for (int x = 0; x < 65; ++x) {
            float h = 12 * std::sin(x * 0.3f) * std::cos(z * 0.2f) - 4;
            t->heights[z * 65 + x] = h;
            t->height_min = std::fmin(t->height_min, h);
            t->height_max = std::fmax(t->height_max, h);
        }
    terrain_ptr = t;
}

static void check_finite(const bike *b)
{
    for (dBodyID body : b->bodies) {
        const dReal *values[4] = {dBodyGetPosition(body), dBodyGetQuaternion(body), dBodyGetLinearVel(body),
                                  dBodyGetAngularVel(body)};
        for (int v = 0; v < 4; ++v)
            for (int k = 0; k < (v == 1 ? 4 : 3); ++k)
                if (!std::isfinite(values[v][k])) abort();
        const dReal *force = dBodyGetForce(body), *torque = dBodyGetTorque(body);
        for (int k = 0; k < 3; ++k)
            if (!std::isfinite(force[k]) || !std::isfinite(torque[k])) abort();
    }
    if (!std::isfinite(b->input.steer) || !std::isfinite(b->input.lean) || !std::isfinite(b->engine_speed)) abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const float weights[8] = {0, 0.2f, 0.25f, 0.3f, 0.5f, 0.6f, 0.75f, 1};
    static const bike_info info = fixture_bike_info();
    ground_setup();
    if (!contact_group) {
        fixture_physics_world();
        physics_guard_init(physics_world);
        contact_group = dJointGroupCreate(0);
    }
    if (size < 5) return 0;
    const int layout = data[0] & 1 ? BIKE_FRAME_OLD_LAYOUT : BIKE_FRAME_LAYOUT;
    const float weight = weights[(data[0] >> 1) & 7];
    std::int32_t ticks = (std::int32_t)((std::uint32_t)data[1] | (std::uint32_t)data[2] << 8 |
                                        (std::uint32_t)data[3] << 16 | (std::uint32_t)data[4] << 24);
    data += 5;
    size -= 5;

    // Each frame in a block of exactly its layout's size, so a read past it is a finding.
    const size_t bytes = layout == BIKE_FRAME_OLD_LAYOUT ? BIKE_FRAME_OLD_BYTES : BIKE_FRAME_BYTES;
    std::vector<std::uint8_t> frames[3];
    for (auto &f : frames) {
        f.assign(bytes, 0);
        size_t n = size < bytes ? size : bytes;
        if (n) std::memcpy(f.data(), data, n);
        data += n;
        size -= n;
    }

    bike *b = fixture_bike_create(info);
    b->simulated_weight = weight;
    bike_apply_frame(b, frames[0].data(), frames[1].data(), frames[2].data(), ticks, layout);
    check_finite(b);
    bike_blend_frame(b, frames[1].data(), frames[2].data(), frames[0].data(), ticks, layout);
    check_finite(b);
    bike_unpack_frame(b, frames[2].data(), layout);
    check_finite(b);
    // What a hostile frame left behind packs into a frame that reads back cleanly.
    std::uint8_t again[BIKE_FRAME_BYTES];
    bike_pack_frame(b, again);
    if (!(again[18] & 1) || (again[19] & 1)) abort();
    bike_unpack_frame(b, again, BIKE_FRAME_LAYOUT);
    check_finite(b);

    b->simulated_weight = 0;
    bike_apply_frame(b, frames[0].data(), frames[1].data(), frames[2].data(), ticks, layout);
    bike_toggle_bodies(b);   // touched: simulated from the pose and speed the frames gave
    for (int step = 0; step < 6; ++step) {
        bike_guard_state(b);
        check_finite(b);
        if (!physics_world_step(physics_world, tick)) abort();
        dJointGroupEmpty(contact_group);
        bike_physics_step(b);
    }
    bike_guard_state(b);
    check_finite(b);
    bike_destroy(b);
    return 0;
}
