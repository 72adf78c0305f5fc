// graphics/render_options.cpp — the render options' record; the shell derives its values.
#include "graphics/render_options.h"

render_options g_render;
