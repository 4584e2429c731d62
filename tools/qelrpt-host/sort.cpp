#include "sort.h"

#include <cstring>

#include "memory.h"

namespace qhost {

namespace {

constexpr std::size_t HeadSize = 8;

// How many keys ahead the names are fetched into the cache.
constexpr std::size_t Ahead = 8;

}  // namespace

std::uint64_t HeadAt(const SortKey &key, std::size_t depth) {
    unsigned char bytes[HeadSize] = {};
    if (depth + HeadSize <= key.size)
        std::memcpy(bytes, key.name + depth, HeadSize);  // one load
    else if (depth < key.size)
        std::memcpy(bytes, key.name + depth, key.size - depth);
    std::uint64_t head = 0;
    for (const unsigned char byte : bytes) head = (head << 8U) | byte;
    return head;
}

namespace sorting {

void SplitRun(std::vector<SortKey> &keys, Range run, std::vector<Range> &pending) {
    // The names that end within the equal heads are equal but for zero
    // bytes of their own at the end (which the padding hides), and each
    // begins every longer name of the run: they go first, shorter before
    // longer.
    const std::size_t next = run.depth + HeadSize;
    const auto begin = keys.begin() + static_cast<std::ptrdiff_t>(run.begin);
    const auto end = keys.begin() + static_cast<std::ptrdiff_t>(run.end);
    const auto ended = std::partition(begin, end, [next](const SortKey &key) { return key.size <= next; });
    std::sort(begin, ended, [](const SortKey &a, const SortKey &b) {
        return a.size != b.size ? a.size < b.size : a.index < b.index;
    });
    if (end - ended < 2) return;
    for (auto key = ended; key != end; ++key) {
        if (end - key > static_cast<std::ptrdiff_t>(Ahead)) Prefetch(key[Ahead].name + next);
        key->head = HeadAt(*key, next);
    }
    pending.push_back({static_cast<std::size_t>(ended - keys.begin()), run.end, next});
}

}  // namespace sorting

std::vector<std::uint32_t> SortedOrder(const std::vector<std::string_view> &names) {
    std::vector<SortKey> keys;
    keys.reserve(names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        SortKey key{0, names[i].data(), static_cast<std::uint32_t>(names[i].size()), static_cast<std::uint32_t>(i)};
        key.head = HeadAt(key, 0);
        keys.push_back(key);
    }
    SortKeys(keys, HeadOrder{});
    std::vector<std::uint32_t> order;
    order.reserve(keys.size());
    for (const SortKey &key : keys) order.push_back(key.index);
    return order;
}

}  // namespace qhost
