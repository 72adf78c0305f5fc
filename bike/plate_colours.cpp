// Number-plate colours from a picture's text.
#include "bike/plate_colours.h"
#include <cmath>
#include <cstdio>
#include <cstring>

static void read_colour(const char *text, const char *tag, unsigned char colour[3])
{
    const char *at = strstr(text, tag);
    if (!at) return;
    float v[3];
    if (sscanf(at + strlen(tag), "%f,%f,%f", &v[0], &v[1], &v[2]) != 3) return;
    for (int c = 0; c < 3; ++c) {
        if (std::isnan(v[c])) continue;   // NaN through a byte conversion is undefined
        float x = v[c] < 0 ? 0 : v[c] > 1 ? 1 : v[c];
        colour[c] = (unsigned char)(int)(x * 255.0f);
    }
}

void bike_plate_colours(const char *text, unsigned char background[3], unsigned char foreground[3])
{
    for (int c = 0; c < 3; ++c) {
        background[c] = 255;
        foreground[c] = 0;
    }
    if (!text) return;
    read_colour(text, "[numberbackground:", background);
    read_colour(text, "[numberforeground:", foreground);
}
