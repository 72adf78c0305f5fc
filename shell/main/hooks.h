// shell/main/hooks.h — the program's top fills the hook tables of the layers below, so they
// reach what lies above them without naming it (ARCHITECTURE.md lists the hooks).
#pragma once

// Sets every hook to the game's own; running it again changes nothing. Every program that
// links the game (the game itself, the tests, the benchmarks, the tools) runs it before main.
void hooks_install(void);
