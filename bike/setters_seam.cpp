// Do-nothing stand-ins for the fork and shock setters until the simulated bike lands.
#include "bike/bike.h"

void bike_set_spring_setup(bike *, float, float, float, float, float, float, float) {}
void bike_set_damping_setup(bike *, float, float, float, float, float, float) {}
