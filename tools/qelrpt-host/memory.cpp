#include "memory.h"

#include <cstdint>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace qhost {

void AdviseLargePages(const void *begin, std::size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t Large = std::uintptr_t{1} << 21U;
    const auto from = (reinterpret_cast<std::uintptr_t>(begin) + Large - 1) & ~(Large - 1);
    const auto to = (reinterpret_cast<std::uintptr_t>(begin) + bytes) & ~(Large - 1);
    if (to > from) madvise(reinterpret_cast<void *>(from), to - from, MADV_HUGEPAGE);
#else
    (void)begin;
    (void)bytes;
#endif
}

}  // namespace qhost
