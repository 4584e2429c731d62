// Large buffers and scattered reads: a listing of a million tags takes
// hundreds of megabytes, on Linux every 4 KiB page of them costs a fault
// on first use, and sorted tags lie anywhere in the file.
#ifndef QELRPT_HOST_MEMORY_H
#define QELRPT_HOST_MEMORY_H

#include <cstddef>
#include <vector>

namespace qhost {

// Asks the system to back the untouched memory [begin, begin + bytes) with
// large pages where it can (Linux: transparent huge pages); elsewhere, or
// when the system declines, nothing changes.
void AdviseLargePages(const void *begin, std::size_t bytes);

// Reserves room for `count` elements in `buffer` (an empty vector or
// string) and gives that room the advice above.
template <typename Buffer>
void ReserveLarge(Buffer &buffer, std::size_t count) {
    buffer.reserve(count);
    AdviseLargePages(buffer.data(), buffer.capacity() * sizeof(*buffer.data()));
}

// Makes `buffer`, filled from a stream whose size cannot be told, hold at
// least `needed` bytes and never more than `most`.  The first time it
// reserves room for `most` where the system grants it (address space
// only: pages are used as they are filled), so that the buffer never moves,
// which would hold the old and the new buffer at once; elsewhere it
// doubles, up to `most` and no further.
void GrowStream(std::vector<char> &buffer, std::size_t needed, std::size_t most);

// Asks the processor to fetch the memory at `at` into its cache, for a
// loop that will read it a few steps later.
inline void Prefetch(const void *at) {
#if defined(__GNUC__)
    __builtin_prefetch(at);
#else
    (void)at;
#endif
}

}  // namespace qhost

#endif
