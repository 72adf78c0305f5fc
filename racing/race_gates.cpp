// Riders' number texts and demo packet sizes as the race reads them; the gate sequence's counts
// are the track's (terrain/lap_gates.cpp).
#include "racing/race.h"
#include "bike/setters.h"

const char *rider_number_text(int slot)
{
    if (slot < 0 || slot >= 160 || !bike_slot_table[slot]) return nullptr;
    return bike_get_number_text(bike_slot_table[slot]);
}

int demo_packet_size(int kind) { return kind == 4 ? 26 : kind == 5 ? 39 : 0; }
