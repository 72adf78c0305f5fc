// graphics/cpu.h — the processor test that picks the SIMD row blends of ground composition.
#pragma once

// 0 at load; 1 once cpu_detect_mmx found MMX. The option "--nommx" sets it back to 0.
extern int mmx_available;

// Asks the processor for its feature bits (CPUID 1) and sets mmx_available when EDX bit 23
// (MMX) is set; otherwise leaves it as it is.
void cpu_detect_mmx(void);
