// terrain/track_seams.h — the model cache as the track's statues reach it. The model cache is
// still being written; terrain/track_seams.cpp stands in for it (no model loads).
#pragma once

struct km_model;

km_model *track_model_load(const char *name);   // null when it does not load
