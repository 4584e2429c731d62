// Wildcard match.
//
//   QELPatternMatch(candidate string, pattern string)
//
// A pattern is a head, then any number of star-separated segments:
//
//   head * seg1 * seg2 * ... * last
//
// where none of the pieces holds a star (any of them may be empty, and
// "**" is the same as "*").  The head must match the start of the
// candidate and the last segment its end; each middle segment must match
// somewhere in between, in order and without overlapping.  Taking the
// leftmost place for every middle segment is always right: it leaves the
// most room for the segments after it, and the stars around it absorb
// whatever lies between.  So there is never anything to undo:
//
//   - the head is compared in step with the candidate;
//   - each middle segment is searched for from where the previous one
//     ended, jumping with strchr from one occurrence of one of its literal
//     characters to the next (a letter rather than a level separator
//     where it has one, since names are full of separators);
//   - the last segment (unless the pattern ends with a star, which takes
//     whatever remains) is compared with the candidate's tail.
//
// Each segment of m characters is compared at no more candidate positions
// than the candidate has, so the work is at most len(candidate) x
// len(pattern) steps, and close to linear for real names and patterns.
// No recursion, no allocation, a fixed handful of locals.
#include "wildcard.h"

#include <cstddef>
#include <cstring>

namespace qelrpt {

namespace {

constexpr char AnyRun = '*';
constexpr char AnyOne = '%';

// Whether the m pattern characters at `p` (no star among them) match the
// candidate characters at `s`, of which there are at least m.
bool SegmentMatchesAt(const char *s, const char *p, std::size_t m) {
    for (std::size_t i = 0; i < m; ++i)
        if (p[i] != s[i] && p[i] != AnyOne) return false;
    return true;
}

// The level separators of tag names: the most frequent characters in
// them, and so the worst to search by.
bool IsSeparator(char c) { return c == '\\' || c == '.'; }

// The leftmost place at or after `s` where the m pattern characters at `p`
// (no star among them) match the candidate, or null when there is none.
const char *FindSegment(const char *s, const char *p, std::size_t m) {
    // The search goes by one literal of the segment, its key: the first
    // one that is not a separator, else the first one.  Every place where
    // the segment matches has the key at the same offset, so visiting the
    // key's occurrences in order visits those places in order.
    std::size_t key = m;
    for (std::size_t i = 0; i < m; ++i) {
        if (p[i] == AnyOne) continue;
        if (key == m) key = i;
        if (!IsSeparator(p[i])) {
            key = i;
            break;
        }
    }
    // The candidate must hold the characters before the key.
    const std::size_t before = key < m ? key : m;
    for (std::size_t i = 0; i < before; ++i)
        if (s[i] == '\0') return nullptr;
    if (key == m) return s;  // only "%": any m characters
    const char keyChar = p[key];
    for (const char *hit = s + key;; ++hit) {
        // Most often the key is right there; otherwise jump to its next
        // occurrence.
        if (*hit != keyChar) {
            hit = std::strchr(hit, keyChar);
            if (hit == nullptr) return nullptr;
        }
        const char *at = hit - key;
        // Before the key the candidate has no NUL (the key was found
        // behind it); after it, a NUL means the candidate ends inside the
        // segment here and at every later place.
        if (!SegmentMatchesAt(at, p, key)) continue;
        std::size_t i = key + 1;
        for (; i < m; ++i) {
            const char c = at[i];
            if (c == p[i]) continue;
            if (c == '\0') return nullptr;
            if (p[i] != AnyOne) break;
        }
        if (i == m) return at;
    }
}

}  // namespace

int WildcardMatch(const char *candidate, const char *pattern) {
    const char *s = candidate;
    const char *p = pattern;

    // The head: pattern and candidate in step up to the first star.
    for (;; ++p, ++s) {
        const char c = *p;
        if (c == AnyRun) break;
        if (c == *s) {
            if (c == '\0') return 1;  // both end together
        } else if (c != AnyOne || *s == '\0') {
            return 0;
        }
    }

    for (;;) {
        while (*p == AnyRun) ++p;
        if (*p == '\0') return 1;  // a trailing star takes the rest
        std::size_t m = 0;
        while (p[m] != AnyRun && p[m] != '\0') ++m;
        if (p[m] == '\0') {
            // The last segment: it must match the candidate's tail.
            const std::size_t n = std::strlen(s);
            return n >= m && SegmentMatchesAt(s + (n - m), p, m) ? 1 : 0;
        }
        s = FindSegment(s, p, m);
        if (s == nullptr) return 0;
        s += m;
        p += m;
    }
}

}  // namespace qelrpt
