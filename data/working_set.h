// data/working_set.h — the resident-memory range asked for at every race reset.
#pragma once
#include <cstdint>

// The range for a machine with total_bytes of physical memory. 0 (range untouched) below
// 64 MiB; otherwise 1 with maximum = min(total, 2 GiB) - 32 MiB, minimum = min(maximum, 1 GiB).
int  working_set_range(std::uint64_t total_bytes, std::uint32_t *minimum, std::uint32_t *maximum);

// Reads physical memory, logs the range and asks the system to keep that much resident.
void working_set_setup(void);
