// Seam: the loading screen replaces this file with the real loading_tick. Until then long
// operations (the file index build) call a tick that draws nothing.
#include "shell/loading.h"

void loading_tick(void) {}
