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
// whatever lies between.  So there is never anything to undo.
//
// A segment is first looked for the simple way: strchr jumps to the next
// occurrence of one of its literal characters (its key) and the segment
// is compared in step from there, without measuring it first, so that the
// common "*literal*" costs one strchr and one comparison.  That search
// keeps count of the characters it compares in comparisons longer than
// 16 (shorter ones cost a few steps per place at most).  When they
// outgrow twice the distance it has advanced (plus a small allowance),
// the text is one on which the simple way could take len(candidate) x
// len(segment) steps, and the search goes over to a method whose time is
// linear:
//
//   - a segment of literals only: the Two-Way algorithm of Crochemore and
//     Perrin, O(n + m) time in constant space;
//   - a segment holding "%": a bit-parallel Shift-And search, one 64-bit
//     word per 64 characters of the segment, O(n x ceil(m / 64)), on a
//     fixed window of starts so that the stack stays bounded;
//   - the last segment: compared with the candidate's tail.
//
// The candidate's length is taken at most once, when one of these first
// needs it.  No recursion, no allocation; the largest frame is the
// Shift-And search's, about 2.6 KB.
#include "wildcard.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace qelrpt {

namespace {

constexpr char AnyRun = '*';
constexpr char AnyOne = '%';

// The level separators of tag names: the most frequent characters in
// them, and so the worst to search by.
bool IsSeparator(char c) { return c == '\\' || c == '.'; }

// A literal that is not a separator: a good key.
bool IsRare(char c) { return c != AnyRun && c != AnyOne && c != '\0' && !IsSeparator(c); }

// The candidate's rest and, once someone has needed it, its end.
struct Text {
    const char *at;
    const char *end;  // null until measured
};

const char *EndOf(Text &t) {
    if (t.end == nullptr) t.end = t.at + std::strlen(t.at);
    return t.end;
}

// Whether the m pattern characters at `p` (no star among them) match the
// m candidate characters at `s`.
bool SegmentMatchesAt(const char *s, const char *p, std::size_t m) {
    for (std::size_t i = 0; i < m; ++i)
        if (p[i] != s[i] && p[i] != AnyOne) return false;
    return true;
}

// ---------------------------------------------------------------------------
// Two-Way search for a segment of literals

// The start of the maximal suffix of x[0, m) under the byte order, or its
// reverse, and the period of that suffix.
std::size_t MaximalSuffix(const unsigned char *x, std::size_t m, bool reversed, std::size_t *period) {
    std::size_t ms = SIZE_MAX;  // the suffix starts at ms + 1
    std::size_t j = 0;
    std::size_t k = 1;
    std::size_t p = 1;
    while (j + k < m) {
        const unsigned char a = x[j + k];
        const unsigned char b = x[ms + k];
        if (reversed ? a > b : a < b) {
            j += k;
            k = 1;
            p = j - ms;
        } else if (a == b) {
            if (k != p) {
                ++k;
            } else {
                j += p;
                k = 1;
            }
        } else {
            ms = j;
            j = ms + 1;
            k = p = 1;
        }
    }
    *period = p;
    return ms + 1;
}

// Two-Way for a needle that repeats with `period` up to its critical
// position `split`: shifts by the period remember how much of the right
// part already matches.
const char *TwoWayPeriodic(const unsigned char *h, std::size_t n, const unsigned char *x, std::size_t m,
                           std::size_t split, std::size_t period) {
    std::size_t memory = 0;
    for (std::size_t j = 0; j <= n - m;) {
        std::size_t i = split > memory ? split : memory;
        while (i < m && x[i] == h[i + j]) ++i;
        if (i < m) {
            j += i - split + 1;
            memory = 0;
            continue;
        }
        i = split;
        while (i > memory && x[i - 1] == h[i - 1 + j]) --i;
        if (i <= memory) return reinterpret_cast<const char *>(h + j);
        j += period;
        memory = m - period;
    }
    return nullptr;
}

// Two-Way for any other needle: its left and right parts share no
// period, so a full mismatch shifts past the larger of them.
const char *TwoWayPlain(const unsigned char *h, std::size_t n, const unsigned char *x, std::size_t m,
                        std::size_t split) {
    const std::size_t shift = (split > m - split ? split : m - split) + 1;
    for (std::size_t j = 0; j <= n - m;) {
        std::size_t i = split;
        while (i < m && x[i] == h[i + j]) ++i;
        if (i < m) {
            j += i - split + 1;
            continue;
        }
        i = split;
        while (i > 0 && x[i - 1] == h[i - 1 + j]) --i;
        if (i == 0) return reinterpret_cast<const char *>(h + j);
        j += shift;
    }
    return nullptr;
}

// The leftmost occurrence of the m literals at `p` among the n characters
// at `s`, or null.
const char *TwoWaySearch(const char *s, std::size_t n, const char *p, std::size_t m) {
    if (n < m) return nullptr;
    const auto *h = reinterpret_cast<const unsigned char *>(s);
    const auto *x = reinterpret_cast<const unsigned char *>(p);
    std::size_t period = 0;
    std::size_t reversedPeriod = 0;
    std::size_t split = MaximalSuffix(x, m, false, &period);
    const std::size_t reversedSplit = MaximalSuffix(x, m, true, &reversedPeriod);
    if (reversedSplit > split) {
        split = reversedSplit;
        period = reversedPeriod;
    }
    if (period + split <= m && std::memcmp(x, x + period, split) == 0) return TwoWayPeriodic(h, n, x, m, split, period);
    return TwoWayPlain(h, n, x, m, split);
}

// ---------------------------------------------------------------------------
// Shift-And search for a segment holding "%"

using Bits = std::uint64_t;
constexpr std::size_t WordBits = 64;
// Starts looked at together: one bit each.
constexpr std::size_t WindowWords = 32;
constexpr std::size_t WindowStarts = WindowWords * WordBits;

// Per byte value, the positions of a piece of at most 64 segment
// characters that it matches.
struct PieceMasks {
    Bits of[256];
};

void MaskPiece(PieceMasks &masks, const char *p, std::size_t len) {
    Bits any = 0;
    for (std::size_t i = 0; i < len; ++i)
        if (p[i] == AnyOne) any |= Bits{1} << i;
    for (Bits &b : masks.of) b = any;
    for (std::size_t i = 0; i < len; ++i)
        if (p[i] != AnyOne) masks.of[static_cast<unsigned char>(p[i])] |= Bits{1} << i;
}

// Keeps only the starts in [first, first + count) at which the piece of
// `len` characters, `offset` characters into the segment, matches the
// candidate `s`: one Shift-And pass over the characters those places
// cover, gathering a word of verdicts per 64 starts.
void KeepPieceMatches(const PieceMasks &masks, const unsigned char *s, std::size_t first, std::size_t count,
                      std::size_t offset, std::size_t len, Bits *alive) {
    const unsigned char *c = s + first + offset;
    Bits state = 0;
    for (std::size_t i = 0; i + 1 < len; ++i) state = ((state << 1) | 1) & masks.of[c[i]];
    c += len - 1;  // c[k] completes the piece for start first + k
    for (std::size_t k0 = 0; k0 < count; k0 += WordBits) {
        const std::size_t todo = count - k0 < WordBits ? count - k0 : WordBits;
        Bits verdicts = 0;
        for (std::size_t b = 0; b < todo; ++b) {
            state = ((state << 1) | 1) & masks.of[c[k0 + b]];
            verdicts |= ((state >> (len - 1)) & 1) << b;
        }
        alive[k0 / WordBits] &= verdicts;
    }
}

// The first start left alive, or `count` when there is none.
std::size_t FirstAlive(const Bits *alive, std::size_t count) {
    for (std::size_t w = 0; w * WordBits < count; ++w)
        if (alive[w] != 0) return w * WordBits + static_cast<std::size_t>(std::countr_zero(alive[w]));
    return count;
}

// The leftmost place among the n characters at `s` where the m segment
// characters at `p` match, or null.  The starts are taken a window at a
// time; within a window every piece of 64 segment characters strikes out
// the starts where it does not match, which costs a pass over the
// window's characters per piece.  The last piece goes first (a segment's
// end is where a near miss most often fails) and the window is left as
// soon as no start is alive.
const char *ShiftAndSearch(const char *s, std::size_t n, const char *p, std::size_t m) {
    if (n < m) return nullptr;
    const auto *text = reinterpret_cast<const unsigned char *>(s);
    const std::size_t starts = n - m + 1;
    const std::size_t pieces = (m + WordBits - 1) / WordBits;
    PieceMasks masks;
    for (std::size_t first = 0; first < starts; first += WindowStarts) {
        const std::size_t count = starts - first < WindowStarts ? starts - first : WindowStarts;
        Bits alive[WindowWords];
        for (Bits &w : alive) w = ~Bits{0};
        std::size_t hit = 0;
        for (std::size_t k = 0; k < pieces && hit < count; ++k) {
            const std::size_t offset = (k == 0 ? pieces - 1 : k - 1) * WordBits;
            const std::size_t len = m - offset < WordBits ? m - offset : WordBits;
            MaskPiece(masks, p + offset, len);
            KeepPieceMatches(masks, text, first, count, offset, len, alive);
            hit = FirstAlive(alive, count);
        }
        if (hit < count) return s + first + hit;
    }
    return nullptr;
}

// ---------------------------------------------------------------------------
// The search for one segment

// What the search for a segment found: the candidate and the pattern just
// past the segment's match, or, when that settles the whole match, the
// answer.
struct Step {
    const char *s;
    const char *p;
    int answer;  // -1 to go on, else the match's answer
};

constexpr int GoOn = -1;

// Comparisons of at most this many characters are not counted against
// the simple search.
constexpr std::size_t ShortCompare = 16;

Step Answer(bool yes) { return {nullptr, nullptr, yes ? 1 : 0}; }

// The rest of the search, with linear time, from candidate place `at`
// on: used once the simple search has compared too much.
Step SearchLinear(Text &t, const char *at, const char *p) {
    std::size_t m = 0;
    bool any = false;
    for (; p[m] != AnyRun && p[m] != '\0'; ++m) any = any || p[m] == AnyOne;
    const char *end = EndOf(t);
    const auto n = static_cast<std::size_t>(end - at);
    if (p[m] == '\0') return Answer(n >= m && SegmentMatchesAt(end - m, p, m));
    const char *found = any ? ShiftAndSearch(at, n, p, m) : TwoWaySearch(at, n, p, m);
    if (found == nullptr) return Answer(false);
    return {found + m, p + m, GoOn};
}

// The key of a segment: the offset of its first literal, or of the one
// after it when the first is a separator and the next a rarer literal.
// The segment's length when it has no literal.
std::size_t KeyOf(const char *p) {
    if (p[0] != AnyOne) return IsSeparator(p[0]) && IsRare(p[1]) ? 1 : 0;
    std::size_t k = 1;
    while (p[k] == AnyOne) ++k;
    return k;
}

// How a segment compares with the candidate at one place, from just after
// its key on: the segment found (its star reached), found at the very end
// of the candidate, found as the last segment short of the end, the
// candidate ending inside it (here and at every later place), or a
// mismatch.  `length` is where the comparison stopped.
enum class Place { Found, FoundAtEnd, LastShortOfEnd, CandidateEnds, Mismatch };
struct Comparison {
    Place place;
    std::size_t length;
};

[[gnu::always_inline]] inline Comparison CompareAfterKey(const char *at, const char *p, std::size_t key) {
    for (std::size_t i = key + 1;; ++i) {
        const char c = p[i];
        if (c == AnyRun) return {Place::Found, i};
        if (c == '\0') return {at[i] == '\0' ? Place::FoundAtEnd : Place::LastShortOfEnd, i};
        if (c == at[i]) continue;
        if (at[i] == '\0') return {Place::CandidateEnds, i};
        if (c != AnyOne) return {Place::Mismatch, i};
    }
}

// The segment at `p` (star-free, not empty) at its leftmost place in the
// candidate from t.at on, or the answer when the segment turns out to be
// the last.
Step SearchSegment(Text &t, const char *p) {
    const char *s = t.at;
    const std::size_t key = KeyOf(p);
    // The candidate must hold the characters before the key.
    for (std::size_t i = 0; i < key; ++i)
        if (s[i] == '\0') return Answer(false);
    const char keyChar = p[key];
    if (keyChar == AnyRun) return {s + key, p + key, GoOn};  // only "%": any characters
    if (keyChar == '\0') return Answer(true);                // only "%", last: the candidate holds enough
    std::size_t compared = 0;
    for (const char *hit = s + key;; ++hit) {
        if (*hit != keyChar) {
            hit = std::strchr(hit, keyChar);
            if (hit == nullptr) return Answer(false);
        }
        const char *at = hit - key;
        // Before the key the candidate has no NUL (the key was found
        // behind it); after it, a NUL means the candidate ends inside the
        // segment here and at every later place.
        if (!SegmentMatchesAt(at, p, key)) continue;
        const Comparison c = CompareAfterKey(at, p, key);
        switch (c.place) {
            case Place::Found:
                return {at + c.length, p + c.length, GoOn};
            case Place::FoundAtEnd:
                return Answer(true);
            case Place::LastShortOfEnd:
                return SearchLinear(t, s, p);  // compare the tail instead
            case Place::CandidateEnds:
                return Answer(false);
            case Place::Mismatch:
                break;
        }
        // Short comparisons cost at most a few steps per place; only the
        // long ones are counted.
        if (c.length - key <= ShortCompare) continue;
        compared += c.length - key;
        if (compared > 2 * static_cast<std::size_t>(hit - s) + 64) return SearchLinear(t, at + 1, p);
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

    Text t{s, nullptr};
    for (;;) {
        while (*p == AnyRun) ++p;
        if (*p == '\0') return 1;  // a trailing star takes the rest
        const Step step = SearchSegment(t, p);
        if (step.answer != GoOn) return step.answer;
        t.at = step.s;
        p = step.p;
    }
}

}  // namespace qelrpt
