// The matcher compiled a second time with its steps counted, under the
// namespace qelrpt_counted, and the tests that need its inner parts: the
// bound on its steps for every class of pattern, and its two linear
// searches on their own against plain ones.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <string_view>

namespace {
std::uint64_t g_steps = 0;
}  // namespace

// NOLINTBEGIN
#define QELRPT_WILDCARD_STEPS(n) (g_steps += static_cast<std::uint64_t>(n))
#define qelrpt qelrpt_counted
#include "functions/wildcard.cpp"
#undef qelrpt
// NOLINTEND

#include "support/repeat.h"
#include "support/wildcard_oracle.h"

namespace {

using support::Repeat;

// A random number below n.
std::size_t Below(std::mt19937_64 &rng, std::size_t n) { return static_cast<std::size_t>(rng() % n); }

struct Counted {
    int answer;
    std::uint64_t steps;
};

Counted CountedMatch(const std::string &candidate, const std::string &pattern) {
    g_steps = 0;
    const int answer = qelrpt_counted::WildcardMatch(candidate.c_str(), pattern.c_str());
    return {answer, g_steps};
}

// A class of inputs: a candidate of about n characters and a pattern whose
// segment grows with k, the answer expected, and whether the segment holds
// "%" (then a step may cost a pass per 64 of its characters).
struct Family {
    const char *name;
    std::string (*candidate)(std::size_t n);
    std::string (*pattern)(std::size_t k);
    int expected;
    bool ones;
};

const Family kFamilies[] = {
    {"a^n against *a^k b*", [](std::size_t n) { return std::string(n, 'a'); },
     [](std::size_t k) { return "*" + std::string(k, 'a') + "b*"; }, 0, false},
    {"a^n against *%^k ab*", [](std::size_t n) { return std::string(n, 'a'); },
     [](std::size_t k) { return "*" + std::string(k, '%') + "ab*"; }, 0, false},
    {"b^n against *%^k bba*", [](std::size_t n) { return std::string(n, 'b'); },
     [](std::size_t k) { return "*" + std::string(k, '%') + "bba*"; }, 0, false},
    {"a^n against *ab %^k*", [](std::size_t n) { return std::string(n, 'a'); },
     [](std::size_t k) { return "*ab" + std::string(k, '%') + "*"; }, 0, false},
    {"a^n b against *a %^k b*", [](std::size_t n) { return std::string(n, 'a') + "b"; },
     [](std::size_t k) { return "*a" + std::string(k, '%') + "c*"; }, 0, true},
    {"a^n against *(a%)^k b*", [](std::size_t n) { return std::string(n, 'a'); },
     [](std::size_t k) { return "*" + Repeat("a%", k) + "b*"; }, 0, true},
    {"a^n against *a^k b", [](std::size_t n) { return std::string(n, 'a'); },
     [](std::size_t k) { return "*" + std::string(k, 'a') + "b"; }, 0, false},
    {"(ab)^n against *(ab)^k c*", [](std::size_t n) { return Repeat("ab", n / 2); },
     [](std::size_t k) { return "*" + Repeat("ab", k) + "c*"; }, 0, false},
    {"(aab)^n against *(aab)^k b*", [](std::size_t n) { return Repeat("aab", n / 3); },
     [](std::size_t k) { return "*" + Repeat("aab", k) + "b*"; }, 0, false},
    {"a^n against (*a^k b)^4*", [](std::size_t n) { return std::string(n, 'a'); },
     [](std::size_t k) { return Repeat("*" + std::string(k, 'a') + "b", 4) + "*"; }, 0, false},
    // Heads that agree for 16 characters go on a block at a time: to a
    // late difference, and through a "%" at every other place.
    {"a^n against a^k b*", [](std::size_t n) { return std::string(n, 'a'); },
     [](std::size_t k) { return std::string(k + 16, 'a') + "b*"; }, 0, false},
    {"a^n against a^16 (a%)^k b*", [](std::size_t n) { return std::string(n, 'a'); },
     [](std::size_t k) { return std::string(16, 'a') + Repeat("a%", k) + "b*"; }, 0, false},
    {"x^n .Speed against *.Speed", [](std::size_t n) { return std::string(n, 'x') + ".Speed"; },
     [](std::size_t k) { return "*" + std::string(k % 8, 'x') + ".Speed"; }, 1, false},
};

// Every class costs at most a few steps per candidate and pattern
// character (times the 64-character pieces of a segment with "%"), and
// doubling the candidate at most doubles the steps.
TEST(WildcardSteps, LinearForEveryClass) {
    const std::size_t lengths[] = {4096, 8192, 16384, 32768};
    const std::size_t segments[] = {1, 2, 15, 16, 17, 64, 65, 200, 1000};
    for (const Family &f : kFamilies) {
        for (const std::size_t k : segments) {
            const std::string pattern = f.pattern(k);
            const std::uint64_t pieces = f.ones ? (pattern.size() + 63) / 64 : 1;
            std::uint64_t previous = 0;
            for (const std::size_t n : lengths) {
                const std::string candidate = f.candidate(n);
                const Counted c = CountedMatch(candidate, pattern);
                EXPECT_EQ(c.answer, f.expected) << f.name << ", n = " << n << ", k = " << k;
                const std::uint64_t bound = 8 * (candidate.size() + pattern.size() + 256) * pieces;
                EXPECT_LE(c.steps, bound) << f.name << ", n = " << n << ", k = " << k;
                if (previous > 0) {
                    EXPECT_LE(c.steps, 2 * previous + 2 * pattern.size() + 512)
                        << f.name << ", n = " << n << ", k = " << k;
                }
                previous = c.steps;
            }
        }
    }
}

// Short segments too go over to the linear search, whichever letter is
// the key: a 16-character segment against a run of its first letter
// costs no more per character than a 17-character one.
TEST(WildcardSteps, ShortSegmentsCountTowardTheSwitch) {
    for (const char *letters : {"ab", "ba"}) {
        const std::string run(100000, letters[0]);
        for (std::size_t k = 1; k <= 20; ++k) {
            const Counted c = CountedMatch(run, "*" + std::string(k, letters[0]) + letters[1] + "*");
            EXPECT_EQ(c.answer, 0);
            EXPECT_LE(c.steps, 6 * run.size()) << "k = " << k << ", letters " << letters;
        }
    }
}

// The other side of the count: every loop that looks at characters must
// report them, or a loop that grew quadratic would go unseen.  Each case
// drives one of the loops over the whole candidate (or pattern), so its
// count must reach at least the characters that loop has to look at.
TEST(WildcardSteps, EveryLoopReportsItsSteps) {
    constexpr std::size_t n = 20000;
    struct Case {
        const char *loop;
        std::string candidate, pattern;
        int expected;
        std::uint64_t least;
    };
    const Case cases[] = {
        {"head", std::string(n, 'a'), std::string(n - 1, 'a') + "b", 0, n},
        {"stars", "a", std::string(n, '*') + "b", 0, n},
        {"strchr to the key", std::string(n, 'a'), "*B*", 0, n},
        // 9 characters to the next key and 10 compared there, per 10.
        {"comparison at the key", Repeat("Aaaaaaaaac", n / 10), "*Aaaaaaaaab*", 0, 17 * n / 10},
        // The segment measured, the candidate measured and the tail
        // compared: n characters each.
        {"last segment at the tail", "x." + std::string(n, 'a'), "*." + std::string(n, 'a'), 1, 5 * n / 2},
        // The linear searches: n characters each, after the candidate is
        // measured (n more).
        {"Two-Way", std::string(n, 'a'), "*" + std::string(16, 'a') + "b*", 0, 3 * n / 2},
        {"Two-Way, two letters", Repeat("ab", n / 2), "*" + Repeat("ab", 16) + "c*", 0, 3 * n / 2},
        {"Two-Way, periodic", Repeat("abababababababc", n / 15), "*" + Repeat("ab", 8) + "a*", 0, 3 * n / 2},
        {"Shift-And", std::string(n, 'a'), "*a%a%a%a%a%a%b*", 0, 3 * n / 2},
        {"Shift-And, two pieces", std::string(n, 'a'), "*" + Repeat("a%", 40) + "b*", 0, 3 * n / 2},
    };
    for (const Case &c : cases) {
        const Counted counted = CountedMatch(c.candidate, c.pattern);
        EXPECT_EQ(counted.answer, c.expected) << c.loop;
        EXPECT_GE(counted.steps, c.least) << c.loop;
    }
}

// The leftmost occurrence by the plain search, or null.
const char *PlainFind(const std::string &text, const std::string &needle) {
    const std::size_t at = std::string_view(text).find(needle);
    return at == std::string::npos ? nullptr : text.c_str() + at;
}

// Texts over two or three letters with needles cut from them or made up,
// so that periodic and non-periodic needles, and every shift of Two-Way,
// meet near and full matches.
TEST(TwoWaySearch, FindsTheLeftmostOccurrence) {
    std::mt19937_64 rng(0x54574F57ULL);
    const auto randomText = [&rng](std::size_t len, char letters) {
        std::string s(len, 'a');
        for (char &c : s) c = static_cast<char>('a' + rng() % static_cast<std::uint64_t>(letters));
        return s;
    };
    std::size_t found = 0, differences = 0;
    for (int i = 0; i < 200000 && differences < 10; ++i) {
        const char letters = static_cast<char>(2 + i % 2);
        const std::string text = randomText(Below(rng, 40), letters);
        std::string needle = randomText(1 + Below(rng, 8), letters);
        if (i % 2 == 0 && !text.empty()) {
            const std::size_t from = Below(rng, text.size());
            needle = text.substr(from, 1 + Below(rng, 8));
        }
        const char *expected = PlainFind(text, needle);
        const char *actual = qelrpt_counted::TwoWaySearch(text.c_str(), text.size(), needle.c_str(), needle.size());
        found += expected != nullptr ? 1U : 0U;
        if (actual != expected) {
            ++differences;
            ADD_FAILURE() << "'" << needle << "' in '" << text << "'";
        }
    }
    EXPECT_GT(found, 50000U);
}

// The leftmost place where a segment with "%" matches, by trying each.
const char *PlainFindWithOnes(const std::string &text, const std::string &segment) {
    for (std::size_t at = 0; at + segment.size() <= text.size(); ++at) {
        bool same = true;
        for (std::size_t i = 0; same && i < segment.size(); ++i) same = segment[i] == '%' || segment[i] == text[at + i];
        if (same) return text.c_str() + at;
    }
    return nullptr;
}

// Segments longer than one 64-bit piece, texts longer than one window of
// starts.
TEST(ShiftAndSearch, FindsTheLeftmostPlace) {
    std::mt19937_64 rng(0x53414E44ULL);
    std::size_t found = 0, differences = 0;
    for (int i = 0; i < 400 && differences < 10; ++i) {
        std::string text(1 + Below(rng, 5000), 'a');
        for (char &c : text) c = rng() % 16 == 0 ? 'b' : 'a';
        const std::size_t len = 1 + Below(rng, 150);
        const std::size_t from = Below(rng, text.size());
        std::string segment = text.substr(from, len);
        for (char &c : segment)
            if (rng() % 3 == 0) c = '%';
        if (i % 3 == 0) segment[Below(rng, segment.size())] = 'b';
        const char *expected = PlainFindWithOnes(text, segment);
        const char *actual = qelrpt_counted::ShiftAndSearch(text.c_str(), text.size(), segment.c_str(), segment.size());
        found += expected != nullptr ? 1U : 0U;
        if (actual != expected) {
            ++differences;
            ADD_FAILURE() << "segment of " << segment.size() << " in a text of " << text.size();
        }
    }
    EXPECT_GT(found, 100U);
}

// A match a few characters away costs a few characters' work, however
// long the text: the windows of starts grow from one word.
TEST(ShiftAndSearch, CostFollowsTheDistance) {
    for (const std::size_t distance : {0U, 10U, 100U, 1000U, 10000U}) {
        std::string text(100000, 'a');
        text[distance + 2] = 'b';
        g_steps = 0;
        const char *found = qelrpt_counted::ShiftAndSearch(text.c_str(), text.size(), "a%b", 3);
        EXPECT_EQ(found, text.c_str() + distance) << "distance " << distance;
        EXPECT_LE(g_steps, 2 * distance + 512) << "distance " << distance;
    }
}

}  // namespace
