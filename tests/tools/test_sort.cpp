// Sorting names byte for byte: the order must be std::stable_sort's for
// any bytes, including NUL and bytes above 0x7F, equal names and names
// that begin other names; and the number of comparisons must stay within
// c n log2 n on the inputs that make a quicksort quadratic.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numeric>
#include <string>
#include <string_view>
#include <vector>

#include "common/adversary.h"
#include "sort.h"

namespace {

std::vector<std::uint32_t> Reference(const std::vector<std::string_view> &names) {
    std::vector<std::uint32_t> order(names.size());
    std::iota(order.begin(), order.end(), 0U);
    std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) { return names[a] < names[b]; });
    return order;
}

std::vector<std::string_view> Views(const std::vector<std::string> &texts) { return {texts.begin(), texts.end()}; }

TEST(SortedOrder, SmallCases) {
    using namespace std::string_literals;
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"only"},
        {"b", "a"},
        {"A", "a", "B", "\xC3\xBC", "z"},  // unsigned bytes: A B a z then the UTF-8 letter
        {"ab", "a", "abc", "", "a"},
        {"a\0"s, "a"s, "a\0\0"s, "a\0b"s, "a\0"s},
        {"Plant1\\Area1\\Pump01.Speedy", "Plant1\\Area1\\Pump01.Speed", "Plant1\\Area1\\Pump01.Speed"},
    };
    for (const std::vector<std::string> &texts : cases) {
        const std::vector<std::string_view> names = Views(texts);
        EXPECT_EQ(qhost::SortedOrder(names), Reference(names)) << texts.size() << " names";
    }
}

TEST(SortedOrder, AgreesWithStableSortOnGeneratedNames) {
    // Names over few distinct bytes, of lengths around the 8-byte steps,
    // with many shared prefixes and duplicates, in several sizes.
    const std::string alphabet("\0\x01\\.AZaz\x7F\x80\xFF", 11);
    std::uint64_t state = 12345;
    const auto next = [&state] {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<std::size_t>(state >> 33U);
    };
    for (const std::size_t count : {15U, 16U, 17U, 100U, 1000U, 20000U}) {
        std::vector<std::string> texts;
        for (std::size_t i = 0; i < count; ++i) {
            std::string text = i > 0 && next() % 3 == 0 ? texts[next() % i].substr(0, next() % 20) : std::string();
            const std::size_t extra = next() % 19;
            for (std::size_t j = 0; j < extra; ++j) text += alphabet[next() % (next() % 4 == 0 ? alphabet.size() : 3)];
            texts.push_back(text);
        }
        const std::vector<std::string_view> names = Views(texts);
        EXPECT_EQ(qhost::SortedOrder(names), Reference(names)) << count << " names";
    }
}

// The bound the comparison counts are held to: c n log2 n for each level of
// eight bytes, with c = 1.5.  std::stable_sort takes from 0.45 (reversed)
// to 1.0 (the adversary) n log2 n on these inputs; an introsort takes up to
// 3.1, a median-of-three quicksort without a fallback about n^2 / 4.
double Bound(std::size_t n) { return 1.5 * static_cast<double>(n) * std::log2(static_cast<double>(n)); }

constexpr std::size_t Count = 1U << 16U;

// Sorts names the way SortedOrder does, counting the comparisons.
std::size_t CountedSort(const std::vector<std::string_view> &names, std::vector<std::uint32_t> &order) {
    std::vector<qhost::SortKey> keys;
    for (std::size_t i = 0; i < names.size(); ++i) {
        qhost::SortKey key{0, names[i].data(), static_cast<std::uint32_t>(names[i].size()),
                           static_cast<std::uint32_t>(i)};
        key.head = qhost::HeadAt(key, 0);
        keys.push_back(key);
    }
    std::size_t comparisons = 0;
    qhost::SortKeys(keys, [&comparisons](const qhost::SortKey &a, const qhost::SortKey &b) {
        ++comparisons;
        return qhost::HeadOrder{}(a, b);
    });
    order.clear();
    for (const qhost::SortKey &key : keys) order.push_back(key.index);
    return comparisons;
}

// Short names, as "T0012345": one level of eight bytes.
std::string ShortName(std::size_t i) {
    char text[16];
    std::snprintf(text, sizeof text, "T%07zu", i);
    return text;
}

TEST(SortKeys, StaysWithinNLogNOnMcIlroysAdversary) {
    // Distinct heads, so that every comparison is the adversary's.
    std::vector<qhost::SortKey> keys;
    for (std::uint32_t i = 0; i < Count; ++i) keys.push_back({i, "", 0, i});
    qtool::Adversary adversary(Count);
    qhost::SortKeys(keys, [&adversary](const qhost::SortKey &a, const qhost::SortKey &b) {
        return adversary.Less(a.index, b.index);
    });
    const std::size_t comparisons = adversary.Comparisons();
    const std::vector<std::size_t> ranks = adversary.Ranks();
    for (std::size_t i = 0; i < Count; ++i) ASSERT_EQ(ranks[keys[i].index], i);  // sorted by what it answered
    std::printf("adversary: n %zu, %zu comparisons, c n log2 n %.0f\n", Count, comparisons, Bound(Count));
    EXPECT_LE(static_cast<double>(comparisons), Bound(Count));
}

TEST(SortKeys, StaysWithinNLogNOnOrganPipeSortedReversedAndEqualNames) {
    std::vector<std::string> ascending;
    for (std::size_t i = 0; i < Count; ++i) ascending.push_back(ShortName(i));
    std::vector<std::string> organPipe;  // a sorted export with its reverse appended
    for (std::size_t i = 0; i < Count / 2; ++i) organPipe.push_back(ascending[2 * i]);
    for (std::size_t i = Count / 2; i-- > 0;) organPipe.push_back(ascending[2 * i + 1]);
    const std::vector<std::string> reversed(ascending.rbegin(), ascending.rend());
    const std::vector<std::string> equal(Count, "Plant1\\Area1\\Pump01.Speed");
    const struct {
        const char *name;
        const std::vector<std::string> &texts;
    } inputs[] = {{"organ-pipe", organPipe}, {"sorted", ascending}, {"reversed", reversed}, {"all equal", equal}};
    for (const auto &input : inputs) {
        const std::vector<std::string_view> names = Views(input.texts);
        std::vector<std::uint32_t> order;
        const std::size_t comparisons = CountedSort(names, order);
        EXPECT_EQ(order, Reference(names)) << input.name;
        std::printf("%s: n %zu, %zu comparisons, c n log2 n %.0f\n", input.name, Count, comparisons, Bound(Count));
        // All equal: one level for each eight bytes of the 26-byte name.
        const double levels = input.texts[0].size() > 8 ? 4 : 1;
        EXPECT_LE(static_cast<double>(comparisons), levels * Bound(Count)) << input.name;
    }
}

}  // namespace
