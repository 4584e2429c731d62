// Two plain wildcard matchers, kept as the references that the library's
// matcher must agree with on every input.
//
// The recursive one follows the matching rules step by step: a literal phase up to the
// first star, then the star run is skipped and the rest of the pattern is
// tried at every later candidate position (jumping with strchr to the next
// occurrence of a literal that follows the star), one recursion level per
// star run.  It is simple enough to check by reading, but its running time
// grows like len(candidate) ^ (number of star runs), so it is only for
// tests and for comparison in the benchmarks.
#ifndef QELRPT_TESTS_WILDCARD_ORACLE_H
#define QELRPT_TESTS_WILDCARD_ORACLE_H

#include <cstring>
#include <string>

namespace oracle {

// 1 when the whole of `s` matches the whole of `p`, else 0; "*" is any run
// of characters and "%" any one character.
inline int RecursiveWildcardMatch(const char *s, const char *p) {
    // Literal phase: everything up to the first star must match in step.
    while (*p != '*') {
        if (*p == '%') {
            if (*s == '\0') return 0;
        } else {
            if (*p != *s) return 0;
            if (*s == '\0') return 1;  // pattern and candidate end together
        }
        ++s;
        ++p;
    }
    // Star phase: a run of stars is one star.
    while (*p == '*') ++p;
    if (*p == '\0') return 1;  // a trailing star takes whatever remains
    if (*s == '\0') return 0;  // a non-star rest cannot match nothing
    // Try the rest of the pattern at each candidate position in turn; the
    // position of the candidate's NUL is never tried.
    for (;;) {
        if (*p != '%') {
            s = std::strchr(s, *p);
            if (s == nullptr) return 0;
        }
        if (RecursiveWildcardMatch(s, p) != 0) return 1;
        ++s;
        if (*s == '\0') return 0;
    }
}

// The same answer by dynamic programming: after k pattern characters,
// row[j] tells whether they match the first j candidate characters.  Its
// time is len(candidate) x len(pattern) whatever the pattern, so it can
// check long candidates and segments that the recursive matcher could not
// finish.
inline int TableWildcardMatch(const std::string &s, const std::string &p) {
    const std::size_t n = s.size();
    std::string row(n + 1, '\0'), next(n + 1, '\0');
    row[0] = 1;
    for (const char c : p) {
        next[0] = c == '*' ? row[0] : '\0';
        for (std::size_t j = 1; j <= n; ++j) {
            if (c == '*') {
                next[j] = static_cast<char>(next[j - 1] != 0 || row[j] != 0);
            } else {
                next[j] = static_cast<char>(row[j - 1] != 0 && (c == '%' || c == s[j - 1]));
            }
        }
        row.swap(next);
    }
    return row[n] != 0 ? 1 : 0;
}

}  // namespace oracle

#endif
