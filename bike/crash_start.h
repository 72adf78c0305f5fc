// bike/crash_start.h — parting the rider from the bike. The crash test and the terrain pass's
// upside-down rider both start a crash this one way.
#pragma once

struct bike;

// Detaches the rider, takes fresh foot anchors moving with the rider body and sets the crash
// counter from the server's delay table by the number of crashes so far.
void bike_crash_start(bike *b);
