// terrain/track_seams.h — the loading-screen lines and the model cache as the track loader
// reaches them. The loading screen's spinner and "...done" lines and the model cache are still
// being written; terrain/track_seams.cpp stands in for them (status lines go through the
// loading screen of the shell and into the log, models do not load).
#pragma once

struct km_model;

void track_status_reset(const char *text);   // shown and logged; the spinner starts again
void track_status_spin(const char *text);    // "%.64s" and a turning suffix, at most every 1/8 s
void track_status_done(const char *text);    // "%.64s...done"

km_model   *track_model_load(const char *name);   // null when it does not load
