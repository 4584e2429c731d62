// A three-way radix quicksort (Bentley and Sedgewick's multikey quicksort)
// that takes names eight bytes at a time: each item keeps the eight bytes
// of its name at the current depth as one big-endian number, so that
// partitioning compares numbers in a contiguous array instead of following
// every name pointer into the file at every step.  A comparison sort
// spends most of its time there, comparing the long common prefixes of
// names like Plant12\Boilers\Pump03.Speed again and again.
#include "sort.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "memory.h"

namespace qhost {

namespace {

struct Item {
    std::uint64_t chunk;  // bytes [depth, depth + 8) of the name, zero-padded, big-endian
    const char *name;
    std::uint32_t size, index;
};

constexpr std::size_t ChunkSize = 8;

// How many items ahead the names are fetched into the cache.
constexpr std::size_t Ahead = 8;

// Below this many items a comparison sort is quicker.
constexpr std::size_t SmallRange = 16;

std::uint64_t ChunkAt(const Item &item, std::size_t depth) {
    unsigned char bytes[ChunkSize] = {};
    if (depth + ChunkSize <= item.size)
        std::memcpy(bytes, item.name + depth, ChunkSize);  // one load
    else if (depth < item.size)
        std::memcpy(bytes, item.name + depth, item.size - depth);
    std::uint64_t chunk = 0;
    for (const unsigned char byte : bytes) chunk = (chunk << 8U) | byte;
    return chunk;
}

// Byte order from `depth` on (the bytes before it are equal), then the
// original position.
bool Before(const Item &a, const Item &b, std::size_t depth) {
    const std::string_view x(a.name + depth, a.size - depth), y(b.name + depth, b.size - depth);
    const int order = x.compare(y);
    return order != 0 ? order < 0 : a.index < b.index;
}

// Reads each item's chunk at `depth`.  The names lie anywhere in the file:
// they are fetched a few items ahead.
void Refill(Item *begin, Item *end, std::size_t depth) {
    for (Item *item = begin; item != end; ++item) {
        if (end - item > static_cast<std::ptrdiff_t>(Ahead)) Prefetch(item[Ahead].name + depth);
        item->chunk = ChunkAt(*item, depth);
    }
}

struct Range {
    std::size_t begin, count, depth;
};

}  // namespace

std::vector<std::uint32_t> SortedOrder(const std::vector<std::string_view> &names) {
    std::vector<Item> items;
    ReserveLarge(items, names.size());
    items.resize(names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        items[i] = {0, names[i].data(), static_cast<std::uint32_t>(names[i].size()), static_cast<std::uint32_t>(i)};
        items[i].chunk = ChunkAt(items[i], 0);
    }

    // Ranges still to sort; every name in a range shares its first `depth`
    // bytes, and each item's chunk holds the bytes at that depth.
    std::vector<Range> pending{{0, items.size(), 0}};
    while (!pending.empty()) {
        const Range range = pending.back();
        pending.pop_back();
        Item *a = items.data() + range.begin;
        const std::size_t n = range.count, depth = range.depth;
        if (n < 2) continue;
        if (n < SmallRange) {
            std::sort(a, a + n, [depth](const Item &x, const Item &y) { return Before(x, y, depth); });
            continue;
        }
        // Partition around the median of three chunks: [0, lower) below,
        // [lower, upper) equal, [upper, n) above.
        const std::uint64_t first = a[0].chunk, middle = a[n / 2].chunk, last = a[n - 1].chunk;
        const std::uint64_t pivot = std::max(std::min(first, middle), std::min(std::max(first, middle), last));
        std::size_t lower = 0, i = 0, upper = n;
        while (i < upper) {
            if (a[i].chunk < pivot)
                std::swap(a[lower++], a[i++]);
            else if (a[i].chunk > pivot)
                std::swap(a[i], a[--upper]);
            else
                ++i;
        }
        pending.push_back({range.begin, lower, depth});
        pending.push_back({range.begin + upper, n - upper, depth});

        // Equal chunks: the names that end within them are equal but for
        // zero bytes of their own at the end (which the padding hides), so
        // they go first, shorter before longer; the others go on to the
        // next eight bytes.
        Item *const ended =
            std::partition(a + lower, a + upper, [depth](const Item &item) { return item.size <= depth + ChunkSize; });
        std::sort(a + lower, ended,
                  [](const Item &x, const Item &y) { return x.size != y.size ? x.size < y.size : x.index < y.index; });
        Refill(ended, a + upper, depth + ChunkSize);
        pending.push_back({static_cast<std::size_t>(ended - items.data()), static_cast<std::size_t>(a + upper - ended),
                           depth + ChunkSize});
    }

    std::vector<std::uint32_t> order(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) order[i] = items[i].index;
    return order;
}

}  // namespace qhost
