// A headless bike for the frame benchmark and fuzz target, which have no test framework: made by
// bike_create_from_info with resources that never load.
#pragma once
#include <ode/ode.h>

#include "bike/bike_create.h"
#include "bike/bike_record.h"
#include "bike/catalogue.h"
#include "shell/startup.h"

// The first catalogue model without its file names: nothing is looked for on disk.
inline bike_info fixture_bike_info(void)
{
    bike_info i = *bike_info_find("450sxf(2018)");
    for (const char *&name : i.files) name = nullptr;
    return i;
}

// One world for the process; the bike's bodies live in physics_world as the game's do.
inline void fixture_physics_world(void)
{
    if (physics_world) return;
    dInitODE2(0);
    physics_world = dWorldCreate();
    dWorldSetGravity(physics_world, 0, -32, 0);
}

// Resources that never load: no textures, plate or shapes, and the record names no files.
inline unsigned    fixture_no_texture(const char *) { return 0; }
inline const char *fixture_no_info(unsigned) { return nullptr; }
inline unsigned    fixture_no_plate(const char *, const unsigned char *, const unsigned char *) { return 0; }
inline void        fixture_no_plate_delete(unsigned) {}
inline shape      *fixture_no_shape(const char *) { return nullptr; }
inline void        fixture_no_shape_free(shape *) {}

inline bike *fixture_bike_create(const bike_info &info)
{
    fixture_physics_world();
    static const bike_resource_loaders none = {fixture_no_texture, fixture_no_info, fixture_no_plate,
                                               fixture_no_plate_delete, fixture_no_shape, fixture_no_shape_free};
    bike_resources_set(&none);
    return bike_create_from_info(&info, 0, "1", nullptr, nullptr, nullptr, nullptr);
}
