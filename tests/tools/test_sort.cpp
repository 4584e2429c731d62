// Sorting names byte for byte: the order must be std::stable_sort's for
// any bytes, including NUL and bytes above 0x7F, equal names and names
// that begin other names.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <string>
#include <string_view>
#include <vector>

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

}  // namespace
