// Wildcard pattern match.
//
//   QELPatternMatch(candidate string, pattern string)
//
// The matcher walks candidate and pattern once, greedily, and remembers
// only the most recent star: when a literal run after a star fails, the
// star takes one more character and the run is tried again.  Earlier stars
// never need to be revisited (a later star can absorb whatever an earlier
// one would have), so the work is at most len(candidate) x len(pattern)
// steps, usually close to linear, with no recursion and no allocation.
// After a star that is followed by a literal, the next try jumps straight
// to the next occurrence of that literal.
#include "wildcard.h"

#include <cstring>

namespace qelrpt {

int WildcardMatch(const char *candidate, const char *pattern) {
    const char *s = candidate;
    const char *p = pattern;
    const char *starPattern = nullptr;    // pattern just after the last star run
    const char *starCandidate = nullptr;  // where that star's match ends now

    while (*s != '\0') {
        if (*p == '*') {
            while (*p == '*') ++p;
            if (*p == '\0') return 1;  // a trailing star takes the rest
            starPattern = p;
            starCandidate = s;
        } else if (*p != '\0' && (*p == '%' || *p == *s)) {
            ++p;
            ++s;
            continue;
        } else if (starPattern != nullptr) {
            // Let the last star take one more character.
            p = starPattern;
            s = ++starCandidate;
            if (*s == '\0') break;
        } else {
            return 0;
        }
        // At a star's resumption point: a literal after the star can only
        // start at its next occurrence.
        if (*p != '%') {
            s = std::strchr(s, *p);
            if (s == nullptr) return 0;
            starCandidate = s;
        }
    }
    while (*p == '*') ++p;
    return *p == '\0' ? 1 : 0;
}

}  // namespace qelrpt
