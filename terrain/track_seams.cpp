// Stand-ins for the loading screen's spinner lines and for the model cache; see
// terrain/track_seams.h. Each goes when its module lands.
#include "terrain/track_seams.h"
#include "shell/loading.h"
#include "platform/clock.h"
#include <cstdio>

static struct {
    int    phase;
    double last_spin;   // seconds; 0 before the first
} g_status;

static double now_seconds(void)
{
    int seconds = 0, microseconds = 0;
    kubl_time_now(&seconds, &microseconds);
    return (double)seconds + (double)microseconds * 1e-6;
}

void track_status_reset(const char *text)
{
    loading_status_log(text);
    g_status.phase = 0;
}

void track_status_spin(const char *text)
{
    double now = now_seconds();
    if (g_status.last_spin != 0 && now - g_status.last_spin <= 0.125) return;
    static const char *const dots[4] = {"", ".", "..", "..."};
    char line[80];
    snprintf(line, sizeof line, "%.64s%s", text, dots[g_status.phase]);
    g_status.phase = (g_status.phase + 1) & 3;
    loading_status(line);
    g_status.last_spin = now_seconds();
}

void track_status_done(const char *text)
{
    char line[80];
    snprintf(line, sizeof line, "%.64s...done", text);
    loading_status(line);
}

km_model *track_model_load(const char *) { return nullptr; }
