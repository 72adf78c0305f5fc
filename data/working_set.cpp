// The process working set. Linux has no resident minimum short of locking pages, so the
// maximum goes into the soft RLIMIT_RSS (the hard limit and everything else stay as they were);
// the range and the outcome are logged, and the log says that the limit changes nothing here.
#include "data/working_set.h"
#include "platform/log.h"
#include <sys/resource.h>
#include <unistd.h>

int working_set_range(std::uint64_t total_bytes, std::uint32_t *minimum, std::uint32_t *maximum)
{
    if (total_bytes < 0x4000000u) return 0;
    std::uint64_t most = total_bytes < 0x80000000u ? total_bytes : 0x80000000u;
    *maximum = (std::uint32_t)(most - 0x2000000u);
    *minimum = *maximum < 0x40000000u ? *maximum : 0x40000000u;
    return 1;
}

void working_set_setup(void)
{
    long pages = sysconf(_SC_PHYS_PAGES), page_size = sysconf(_SC_PAGESIZE);
    std::uint64_t total = pages > 0 && page_size > 0 ? (std::uint64_t)pages * (std::uint64_t)page_size : 0;
    std::uint32_t minimum, maximum;
    if (!working_set_range(total, &minimum, &maximum)) {
        kubl_log_printf("Working set left alone - less than 64 MB physical memory\n");
        return;
    }
    kubl_log_printf("Setting working set range to %u - %u\n", minimum, maximum);
    struct rlimit limit;
    int ok = getrlimit(RLIMIT_RSS, &limit) == 0;
    if (ok) {
        limit.rlim_cur = maximum;
        if (limit.rlim_max != RLIM_INFINITY && limit.rlim_cur > limit.rlim_max) limit.rlim_cur = limit.rlim_max;
        ok = setrlimit(RLIMIT_RSS, &limit) == 0;
    }
    // The kernel has ignored RLIMIT_RSS since 2.6: the value is kept, nothing is enforced.
    kubl_log_printf(ok ? "Working set limit set, but it has no effect on Linux\n" : "Working set update failed\n");
}
