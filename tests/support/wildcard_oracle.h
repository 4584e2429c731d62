// The straightforward recursive backtracking wildcard matcher, kept as the
// reference that the library's matcher must agree with on every input.
//
// It follows the matching rules step by step: a literal phase up to the
// first star, then the star run is skipped and the rest of the pattern is
// tried at every later candidate position (jumping with strchr to the next
// occurrence of a literal that follows the star), one recursion level per
// star run.  It is simple enough to check by reading, but its running time
// grows like len(candidate) ^ (number of star runs), so it is only for
// tests and for comparison in the benchmarks.
#ifndef QELRPT_TESTS_WILDCARD_ORACLE_H
#define QELRPT_TESTS_WILDCARD_ORACLE_H

#include <cstring>

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

}  // namespace oracle

#endif
