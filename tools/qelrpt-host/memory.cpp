#include "memory.h"

#include <algorithm>
#include <cstdint>
#include <new>

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

void GrowStream(std::vector<char> &buffer, std::size_t needed, std::size_t most) {
    if (buffer.capacity() == 0) {
        try {
            ReserveLarge(buffer, most);
        } catch (const std::bad_alloc &) {  // NOLINT(bugprone-empty-catch): the buffer doubles instead
        }
    }
    const std::size_t size = std::min(std::max(needed, buffer.capacity() >= most ? needed : buffer.size() * 2), most);
    // resize() alone may give twice the room it needs, past `most`.
    if (size > buffer.capacity()) buffer.reserve(size);
    buffer.resize(size);
}

}  // namespace qhost
