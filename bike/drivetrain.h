// bike/drivetrain.h — the engine, clutch, gearbox and brakes of a bike. The engine keeps its own
// angle and speed and pulls the rear wheel through a clutch that winds up like a torsion spring;
// the brakes are the axle hinges' motors. The physics step runs the drivetrain once a tick.
#pragma once

struct bike;

// Engine speed in rpm.
float bike_get_rpm(bike *b);
// Engine torque (lbf·ft) at the current engine speed and throttle, after the wheelie cut.
float bike_engine_torque(bike *b);
// Shifts automatically when asked to, turns the clutch, adds its torque to the rear wheel and
// the frame, advances the engine and sets both brake motors for the next world step.
void  bike_drivetrain_step(bike *b);
