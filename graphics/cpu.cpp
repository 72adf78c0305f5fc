// MMX is present on every x86-64 processor; the row blends use SSE2, which x86-64 also always
// has, so the feature bit only tells an old 32-bit machine apart.
#include "graphics/cpu.h"
#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

int mmx_available;

void cpu_detect_mmx(void)
{
#if defined(__i386__) || defined(__x86_64__)
    unsigned eax, ebx, ecx, edx;
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) && (edx & bit_MMX)) mmx_available = 1;
#endif
}
