// The heap wrappers. With RL_CHECK_ALLOC above 0 every live block is recorded so that frees of
// unknown pointers are caught, freed memory is wiped, and what is alive at exit can be listed.
#include "data/mem.h"
#include "platform/errbox.h"
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

enum { MEM_TABLE_SIZE = 0x100000 };
enum { TRACK_UNREAD, TRACK_OFF, TRACK_ON };

// Parallel arrays in record order, oldest first; fixed so that tracking never allocates.
static void         *g_block[MEM_TABLE_SIZE];
static std::int32_t  g_sequence[MEM_TABLE_SIZE];
static std::int32_t  g_size[MEM_TABLE_SIZE];

static struct {
    int          state;
    int          count;
    std::int32_t next_sequence;
} g_mem;

void (*mem_fatal_close)(void);

static int tracking(void)
{
    if (g_mem.state == TRACK_UNREAD) {
        const char *v = getenv("RL_CHECK_ALLOC");
        g_mem.state = v && atoi(v) > 0 ? TRACK_ON : TRACK_OFF;
    }
    return g_mem.state == TRACK_ON;
}

static void record(void *block, std::size_t size)
{
    if (g_mem.count == MEM_TABLE_SIZE) {
        fputs("Too many allocations to check!\n", stderr);
        g_mem.state = TRACK_OFF;
        return;
    }
    g_block[g_mem.count] = block;
    g_sequence[g_mem.count] = g_mem.next_sequence++;
    g_size[g_mem.count] = size > INT32_MAX ? INT32_MAX : (std::int32_t)size;
    g_mem.count++;
}

// Newest first: blocks are usually freed soon after they are made. Returns the entry or -1.
static int find(const void *block)
{
    for (int i = g_mem.count - 1; i >= 0; --i)
        if (g_block[i] == block) return i;
    return -1;
}

static void remove_entry(int i)
{
    int later = g_mem.count - 1 - i;
    memmove(g_block + i, g_block + i + 1, later * sizeof g_block[0]);
    memmove(g_sequence + i, g_sequence + i + 1, later * sizeof g_sequence[0]);
    memmove(g_size + i, g_size + i + 1, later * sizeof g_size[0]);
    g_mem.count--;
}

void *mem_alloc(std::size_t size)
{
    void *p = malloc(size);
    if (p && tracking()) record(p, size);
    return p;
}

void mem_free(void *block)
{
    if (!tracking()) {
        free(block);
        return;
    }
    if (!block) return;
    int i = find(block);
    if (i < 0) {
        fprintf(stderr, "Allocation not found for %p!\n", block);
        return;
    }
    memset(block, 0, (std::size_t)g_size[i]);
    remove_entry(i);
    free(block);
}

void *mem_resize(void *block, std::size_t size)
{
    // realloc(p, 0) frees p on this C library; doing it as a free keeps the table right.
    if (block && size == 0) {
        mem_free(block);
        return nullptr;
    }
    if (!tracking()) return realloc(block, size);
    int old = block ? find(block) : -1;
    if (block && old < 0) fprintf(stderr, "Allocation not found for %p!\n", block);
    void *p = realloc(block, size);
    if (!p) return nullptr;   // the old block is still live and stays recorded
    if (old >= 0) remove_entry(old);
    if (tracking()) record(p, size);
    return p;
}

void mem_dump_live(void)
{
    for (int i = 0; i < g_mem.count; ++i) fprintf(stderr, "%p:%d\n", g_block[i], (int)g_sequence[i]);
}

void *alloc_or_die(std::size_t size)
{
    void *p = mem_alloc(size);
    if (!p) mem_out_of_memory();
    return p;
}

void mem_out_of_memory(void)
{
    if (mem_fatal_close) mem_fatal_close();
    kubl_error_box("Error", "Out of virtual memory");
    exit(1);
}

void mem_tracking_reset(void)
{
    g_mem.state = TRACK_UNREAD;
    g_mem.count = 0;
    g_mem.next_sequence = 0;
}
