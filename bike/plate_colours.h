// bike/plate_colours.h — the number plate's colours from the bike texture's ".info" text.
#pragma once

// Background starts white, foreground black. "[numberbackground:" and "[numberforeground:"
// followed by "%f,%f,%f" (0..1, clamped) set a colour; fewer than three numbers leave it, and a
// component that is not a number keeps its default. text may be null.
void bike_plate_colours(const char *text, unsigned char background[3], unsigned char foreground[3]);
