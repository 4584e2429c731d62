// The documented examples of the wildcard match, checked both on the
// matcher and through the exported entry point.  (A missing candidate or
// pattern is answered by the entry point, not the matcher; the ABI tests
// check those.)
#ifndef QELRPT_TESTS_WILDCARD_CASES_H
#define QELRPT_TESTS_WILDCARD_CASES_H

namespace cases {

struct MatchCase {
    const char *candidate;
    const char *pattern;
    int expected;
};

inline constexpr MatchCase kMatch[] = {
    {"abc", "abc", 1}, {"abc", "a%c", 1}, {"abc", "a*", 1},    {"abc", "*c", 1},  {"abc", "*b*", 1},  {"abc", "*d", 0},
    {"", "*", 1},      {"", "", 1},       {"", "%", 0},        {"", "*a", 0},     {"abc", "ab", 0},   {"ab", "abc", 0},
    {"abc", "ABC", 0}, {"a", "*%", 1},    {"abcbc", "*bc", 1}, {"abc", "**c", 1}, {"abc", "*%%%", 1}, {"ab", "*%%%", 0},
    {"x.y", "*.*", 1}, {"abc", "a*%", 1}, {"abc", "%%", 0},    {"ab*", "ab*", 1},
};

}  // namespace cases

#endif
