// bench/race_bench.h — the race benchmarks' setting: the generated default track of the build
// (beside the game), loaded without textures or models but with its statues' collision shapes,
// in the game's own physics world, and a race reset onto it.
#pragma once
#include "bench_temp.h"
#include <ode/ode.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "bike/bike_create.h"
#include "bike/shape.h"
#include "data/mem.h"
#include "data/paths.h"
#include "racing/race.h"
#include "shell/setup.h"
#include "shell/startup.h"
#include "terrain/statues.h"
#include "shell/track_list.h"
#include "terrain/track_load.h"

namespace race_bench {

inline unsigned no_texture(const char *) { return 0; }
inline km_model *no_model(const char *) { return nullptr; }
inline const char *no_info(unsigned) { return nullptr; }
inline unsigned no_plate(const char *, const unsigned char *, const unsigned char *) { return 0; }
inline void no_plate_delete(unsigned) {}
inline void free_shape(shape *s) { mem_free(s); }

// <build>/bench/bench_x -> <build>/game/
inline std::string game_dir()
{
    char exe[4096];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) return "";
    exe[n] = 0;
    std::string s = exe;
    s = s.substr(0, s.rfind('/'));
    return s.substr(0, s.rfind('/') + 1) + "game/";
}

// Once per process: the world, the resources, the track list with the default track chosen.
// 0 when the build has no generated default track.
inline int open(void)
{
    static int opened = -1;
    if (opened >= 0) return opened;
    char tmpl[] = "/tmp/rl_bench_race_XXXXXX";
    if (!bench_mkdtemp(tmpl)) abort();
    setenv("XDG_DATA_HOME", tmpl, 1);
    setenv("RL_HOME", game_dir().c_str(), 1);
    search_folders_free();
    static const track_resource_loaders track_loaders = {no_texture, no_model, shape_load_instance};
    track_resources_set(&track_loaders);
    static const bike_resource_loaders bike_loaders = {no_texture, no_info, no_plate, no_plate_delete,
                                                       shape_load_instance, free_shape};
    bike_resources_set(&bike_loaders);
    setup_init();
    dInitODE2(0);
    physics_world = dWorldCreate();
    dWorldSetGravity(physics_world, 0, -32, 0);
    contact_group = dJointGroupCreate(0);
    g_terrain = race_terrain();
    opened = scan_tracks() && track_choice_select("ridgeback");
    return opened;
}

// A race of the player alone, or with replayed riders in the slots after him.
inline int reset(int replayed)
{
    static int codes[160];
    for (int i = 0; i < 160; ++i) codes[i] = i == 0 ? 1 : i <= replayed ? 5 : 0;
    return reset_race(codes, 0, 0, 0, 3, 0);
}

}   // namespace race_bench
