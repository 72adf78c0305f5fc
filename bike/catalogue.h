// bike/catalogue.h — looking up the built-in models and reading a record the way the setup pages
// and the drivetrain do. The table itself is bike_catalogue[] (bike/bike.h), newest model first.
#pragma once
#include "bike/bike_info.h"

// The record whose name equals `name` exactly (case and blanks count), or null.
const bike_info *bike_info_find(const char *name);

// Setup readouts: s (limited to 0..1; not a number counts as 0) picks low + s x (high - low)
// of a range of the record, shown in the setup pages' units.
float bike_info_fork_spring_rate_kgmm(const bike_info *info, float s);    // per fork leg
float bike_info_fork_preload_mm(const bike_info *info, float s);
float bike_info_fork_oil_level_mm(const bike_info *info, float s);        // the fork's air length
float bike_info_shock_spring_rate_kgmm(const bike_info *info, float s);
float bike_info_shock_preload_mm(const bike_info *info, float s);

float bike_info_front_teeth(const bike_info *info);
float bike_info_rear_teeth(const bike_info *info);

// Engine torque in lbf·ft at an engine speed in rpm: the closed- and open-throttle curves read
// linearly between their 500 rpm points (below 0 the first point, above 24500 the last), then
// blended by the throttle (0 closed, 1 open; not limited). The wheelie cut is the bike's
// business, not the record's.
float bike_info_engine_torque(const bike_info *info, float rpm, float throttle);
