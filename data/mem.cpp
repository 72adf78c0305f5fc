// First cut of the heap wrappers (no tracking yet).
#include "data/mem.h"
#include "platform/errbox.h"
#include <cstdlib>

void *mem_alloc(std::size_t size) { return malloc(size); }
void *mem_resize(void *block, std::size_t size) { return realloc(block, size); }
void  mem_free(void *block) { free(block); }
void  mem_dump_live(void) {}

void *alloc_or_die(std::size_t size)
{
    void *p = mem_alloc(size);
    if (!p) {
        kubl_error_box("Error", "Out of virtual memory");
        exit(1);
    }
    return p;
}
