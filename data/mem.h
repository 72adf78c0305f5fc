// data/mem.h — the game's heap wrappers, with optional tracking (RL_CHECK_ALLOC > 0).
#pragma once
#include <cstddef>

void *mem_alloc(std::size_t size);
void *mem_resize(void *block, std::size_t size);
void  mem_free(void *block);
void  mem_dump_live(void);            // "%p:%d\n" per live block on standard error
void *alloc_or_die(std::size_t size); // never null: out of memory closes audio and display, exits 1
// The out-of-memory end of alloc_or_die, for callers whose other allocations failed.
[[noreturn]] void mem_out_of_memory(void);

// Set by the shell once audio or the display is open: closes the open audio driver and the
// display, so the out-of-memory box shows on a plain desktop. Null closes nothing.
extern void (*mem_fatal_close)(void);

// Forgets the tracking switch and the table, so the next wrapper call reads RL_CHECK_ALLOC
// again. Only for a fresh start (tests): blocks recorded before are no longer known.
void mem_tracking_reset(void);
