// racing/robot_riders.h — the table of robot riders the race reset draws from.
#pragma once

enum { ROBOT_RIDERS = 80 };

struct robot_rider {
    const char *number;
    const char *model;
    const char *personality;                    // "hugo", "dorian" or "ezra"
    const char *rider_texture, *head_texture;   // generated looks
    const char *bike_texture, *wheel_texture;
};
extern const robot_rider robot_riders[ROBOT_RIDERS];
