#include "memory.h"

#include <cstdint>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace qhost {

void AdviseLargePages(const void *begin, std::size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::size_t Large = std::size_t{1} << 21U;
    const std::size_t skip = (Large - reinterpret_cast<std::uintptr_t>(begin) % Large) % Large;
    if (bytes <= skip) return;
    const std::size_t length = (bytes - skip) & ~(Large - 1);
    // madvise takes a plain pointer; the memory is the caller's own.
    if (length > 0) madvise(const_cast<char *>(static_cast<const char *>(begin)) + skip, length, MADV_HUGEPAGE);
#else
    (void)begin;
    (void)bytes;
#endif
}

}  // namespace qhost
