// Scattered reads: sorted tags lie anywhere in the file, so the loops that
// visit them in name order fetch the next ones into the cache early (on
// the 1,000,000-tag listing this saves about a quarter of the CPU time;
// docs/qelrpt-host.md, "Speed").
#ifndef QELRPT_HOST_MEMORY_H
#define QELRPT_HOST_MEMORY_H

namespace qhost {

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
