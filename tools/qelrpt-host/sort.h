// Sorting tag names byte for byte.
#ifndef QELRPT_HOST_SORT_H
#define QELRPT_HOST_SORT_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace qhost {

// A name to sort, with eight of its bytes (from the depth being sorted
// on) as one big-endian number, zero-padded: sorting compares these
// numbers in one contiguous array instead of following every name
// pointer into the file, where names like Plant12\Boilers\Pump03.Speed
// share long prefixes.
struct SortKey {
    std::uint64_t head;
    const char *name;
    std::uint32_t size, index;
};

// The order SortKeys needs of `less`: by head, equal heads by index (a
// total order, so that the partition of a run, which does not keep the
// keys' order, cannot change the result).
struct HeadOrder {
    bool operator()(const SortKey &a, const SortKey &b) const {
        return a.head != b.head ? a.head < b.head : a.index < b.index;
    }
};

// The eight bytes of `key`'s name from `depth` on, as SortKey::head.
std::uint64_t HeadAt(const SortKey &key, std::size_t depth);

// Sorts `keys` (each head read at depth 0) into the byte order of their
// names (compared as unsigned, a name before every longer name it begins),
// equal names in their order.  `less` orders keys as HeadOrder does; the
// unit tests pass a counting one.
//
// Level by level: std::stable_sort orders a range by heads; within each
// run of equal heads, the names that end within those eight bytes go
// first, shortest first, and the rest are sorted again on their next eight
// bytes.  std::stable_sort, a merge sort, takes at most about n log2 n
// comparisons whatever the order of the input (n log2^2 n should it find
// no memory for its buffer); the ranges of one level are disjoint, so a
// level takes at most that for n keys, and there are at most
// ceil(longest name / 8) levels.
template <typename Less>
void SortKeys(std::vector<SortKey> &keys, Less less);

// The positions of `names` in the order above.  At most 2^32 - 1 names.
std::vector<std::uint32_t> SortedOrder(const std::vector<std::string_view> &names);

// ---------------------------------------------------------------------

namespace sorting {

struct Range {
    std::size_t begin, end, depth;
};

// Orders one run of equal heads at `depth`; appends the part that needs
// sorting on the next eight bytes to `pending`, with its heads read.
void SplitRun(std::vector<SortKey> &keys, Range run, std::vector<Range> &pending);

}  // namespace sorting

template <typename Less>
void SortKeys(std::vector<SortKey> &keys, Less less) {
    std::vector<sorting::Range> pending{{0, keys.size(), 0}};
    while (!pending.empty()) {
        const sorting::Range range = pending.back();
        pending.pop_back();
        const auto first = keys.begin() + static_cast<std::ptrdiff_t>(range.begin);
        std::stable_sort(first, keys.begin() + static_cast<std::ptrdiff_t>(range.end), less);
        for (std::size_t i = range.begin; i < range.end;) {
            std::size_t j = i + 1;
            while (j < range.end && keys[j].head == keys[i].head) ++j;
            if (j - i > 1) sorting::SplitRun(keys, {i, j, range.depth}, pending);
            i = j;
        }
    }
}

}  // namespace qhost

#endif
