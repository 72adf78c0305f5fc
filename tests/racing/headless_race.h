// A race on a generated track with no window: stub loaders for pictures, models and plates,
// shapes as the game loads them, one ODE world, a home folder of the test's own. The robot,
// start-gate and pinned-race tests open it the same way.
#pragma once

#include <string>

struct bike_resource_loaders;

// 0 when the track cannot be chosen. The home folder is a fixture folder tagged home_tag, given
// back in home (ending in '/'); ODE's generator is seeded the same every time, so a race is the
// same whatever ran before.
int  headless_race_open(const char *track, const char *home_tag, std::string *home = nullptr);
// Bikes, lines, the world and the folders the open set, let go of in the order they were taken.
void headless_race_close(void);

// The game's ODE world, with the race's gravity, and its empty contact group: the race fixtures
// make their bikes in it.
void race_world_open(void);
// The bikes in the rider slots, the bike loaders, the contact group, the world and ODE let go of.
void race_world_close(void);
// Bikes without pictures, plates or shapes, for races that follow only their bodies.
extern const bike_resource_loaders race_bare_bikes;
