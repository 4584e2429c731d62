// The matcher's bounds on patterns with very many segments and stars, on
// a text of a million characters.  This file is also built on its own with
// the matcher compiled without optimisation (qelrpt_wildcard_O0_tests), as
// a debug build in the report engine would run it: the walk from segment
// to segment must keep its stack bounded without the compiler's help.
#include <gtest/gtest.h>

#include <cstddef>
#include <string>

#include "functions/wildcard.h"
#include "support/repeat.h"

namespace {

using support::Repeat;

constexpr std::size_t kText = 1000000;

int Match(const std::string &candidate, const std::string &pattern) {
    return qelrpt::WildcardMatch(candidate.c_str(), pattern.c_str());
}

// 100,000 segments that alternate between a capital ("*A") and a level's
// name after a separator ("*\B"), against a text of a million characters
// that holds each pair once every 20 characters.
TEST(WildcardBounds, HundredThousandAlternatingSegments) {
    const std::size_t pairs = 50000;
    const std::string text = Repeat("xxAxxxxxxx\\Bxxxxxxxx", pairs);
    ASSERT_EQ(text.size(), kText);
    const std::string segments = Repeat("*A*\\B", pairs);
    struct Case {
        std::string candidate, pattern;
        int expected;
    };
    const Case cases[] = {
        {text, segments + "*", 1},
        {text, segments + "xxxxxxxx", 1},
        {text, segments + "*C", 0},
        {text, segments + "*A*", 0},                                                 // one pair too many
        {text.substr(0, kText - 10), segments + "*", 0},                             // the last "\B" cut off
        {text, "xx" + segments.substr(1, segments.size() - 4) + "*\\Bxxxxxxxx", 1},  // a head; the last at the tail
    };
    for (const Case &c : cases)
        EXPECT_EQ(Match(c.candidate, c.pattern), c.expected)
            << "pattern of " << c.pattern.size() << " characters ending '" << c.pattern.substr(c.pattern.size() - 12)
            << "'";
}

// A million stars, alone, before a literal, and between single letters.
TEST(WildcardBounds, MillionStars) {
    const std::string text(kText, 'a');
    const std::string stars(kText, '*');
    struct Case {
        std::string candidate, pattern;
        int expected;
    };
    const Case cases[] = {
        {text, stars, 1},
        {"", stars, 1},
        {text, stars + "a", 1},
        {text, stars + "b", 0},
        {text, "a" + stars + "%", 1},
        {text, Repeat("*a", kText / 2) + "*", 1},
        {text, Repeat("*a", kText) + "*", 1},
        {text, Repeat("*a", kText) + "*a", 0},
        {text, Repeat("*%", kText) + "*", 1},
        {text, Repeat("*%", kText + 1), 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Match(c.candidate, c.pattern), c.expected)
            << "candidate of " << c.candidate.size() << ", pattern of " << c.pattern.size() << " characters ending '"
            << c.pattern.substr(c.pattern.size() < 8 ? 0 : c.pattern.size() - 8) << "'";
}

}  // namespace
