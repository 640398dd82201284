#include "geometry/LargeArrays.h"

#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

void adviseHugePages(void* array, std::size_t bytes)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    // Below one huge page there is nothing to gain.
    constexpr std::size_t kHugePage = std::size_t{2} << 20;
    if (array == nullptr || bytes < kHugePage) {
        return;
    }
    // madvise wants page boundaries; the array's first partial page stays as it is.
    const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const auto begin = reinterpret_cast<std::uintptr_t>(array);
    const std::uintptr_t first = (begin + page - 1) / page * page;
    const std::uintptr_t last = (begin + bytes) / page * page;
    if (last > first) {
        madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
    }
#else
    (void)array;
    (void)bytes;
#endif
}
