// data/mem.h — the game's heap wrappers, with optional tracking (RL_CHECK_ALLOC > 0).
#pragma once
#include <cstddef>

void *mem_alloc(std::size_t size);
void *mem_resize(void *block, std::size_t size);
void  mem_free(void *block);
void  mem_dump_live(void);            // "%p:%d\n" per live block on standard error
void *alloc_or_die(std::size_t size); // never null: out of memory closes audio and display, exits 1
