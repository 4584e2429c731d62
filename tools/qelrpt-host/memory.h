// Large buffers and scattered reads: a stream's buffer that must not move
// while it grows, and sorted tags that lie anywhere in the file, so the
// loops that visit them in name order fetch the next ones into the cache
// early (on the 1,000,000-tag listing this saves about a quarter of the CPU
// time; docs/qelrpt-host.md, "Speed").
#ifndef QELRPT_HOST_MEMORY_H
#define QELRPT_HOST_MEMORY_H

#include <cstddef>
#include <vector>

namespace qhost {

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
