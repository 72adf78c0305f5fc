// shell/loading.h — the loading screen that long operations draw themselves.
#pragma once

// Keeps the busy wheel turning during a long scan or load: pumps window messages and redraws.
void loading_tick(void);
