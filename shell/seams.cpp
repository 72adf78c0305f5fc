// Do-nothing stand-ins for modules still to come; see shell/seams.h. Each group is deleted by
// the module that replaces it.
#include "shell/seams.h"
#include "shell/globals.h"
#include "terrain/field.h"
