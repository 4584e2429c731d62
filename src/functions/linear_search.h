// The matcher's linear searches for one star-free segment core: the
// leftmost place among the n characters at `s` where the m pattern
// characters at `p` match, or null.
//
//   TwoWaySearch     a core of literals: the Two-Way algorithm of
//                    Crochemore and Perrin, O(n + m) time in constant space
//   ShiftAndSearch   a core holding "%": a bit-parallel Shift-And search,
//                    one 64-bit word per 64 characters of the core,
//                    O(n x ceil(m / 64)), a stack frame of about 2.6 KB
//
// Both are pure functions: no allocation, no recursion.  They are inline,
// for the matcher alone, so that it is compiled with them in view.
//
// Two-Way splits the core at its critical position: the right part is
// compared from left to right, then the left part from right to left, and
// a mismatch shifts by what the comparison has shown; a needle that
// repeats with a period remembers how much of its right part already
// matches, so that no character is compared twice.
//
// Shift-And keeps, per 64 characters of the core, a word whose bit k says
// whether the core's first k + 1 characters match the text ending at the
// current character.  It looks at the starts a window at a time, the first
// window of 64 starts and each next one twice as large up to 2,048, so
// that its cost follows the distance to the match and its stack stays
// bounded.
#ifndef QELRPT_FUNCTIONS_LINEAR_SEARCH_H
#define QELRPT_FUNCTIONS_LINEAR_SEARCH_H

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

// The tests count the steps of the matcher's searches (the characters they
// look at or measure) by defining QELRPT_WILDCARD_STEPS; the library counts
// none.
#ifndef QELRPT_WILDCARD_STEPS
#define QELRPT_WILDCARD_STEPS(n) static_cast<void>(0)
#endif

namespace qelrpt {

// "%" in a pattern: any one character.
constexpr char AnyOne = '%';

// Every loop of the matcher that looks at characters reports here how many
// it looked at or measured.
[[gnu::always_inline]] inline void Steps(std::size_t n) {
    static_cast<void>(n);
    QELRPT_WILDCARD_STEPS(n);
}

// Every loop of the matcher that looks at characters reports here how many
// it looked at or measured.

// ---------------------------------------------------------------------------
// Two-Way search for a segment of literals

// The start of the maximal suffix of x[0, m) under the byte order, or its
// reverse, and the period of that suffix.
inline std::size_t MaximalSuffix(const unsigned char *x, std::size_t m, bool reversed, std::size_t *period) {
    std::size_t ms = SIZE_MAX;  // the suffix starts at ms + 1
    std::size_t j = 0;
    std::size_t k = 1;
    std::size_t p = 1;
    while (j + k < m) {
        Steps(1);
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
inline const char *TwoWayPeriodic(const unsigned char *h, std::size_t n, const unsigned char *x, std::size_t m,
                                  std::size_t split, std::size_t period) {
    std::size_t memory = 0;
    for (std::size_t j = 0; j <= n - m;) {
        std::size_t i = split > memory ? split : memory;
        [[maybe_unused]] const std::size_t from = i;
        while (i < m && x[i] == h[i + j]) ++i;
        Steps(i - from + 1);
        if (i < m) {
            j += i - split + 1;
            memory = 0;
            continue;
        }
        i = split;
        while (i > memory && x[i - 1] == h[i - 1 + j]) --i;
        Steps(split - i + 1);
        if (i <= memory) return reinterpret_cast<const char *>(h + j);
        j += period;
        memory = m - period;
    }
    return nullptr;
}

// Two-Way for any other needle: its left and right parts share no
// period, so a full mismatch shifts past the larger of them.
inline const char *TwoWayPlain(const unsigned char *h, std::size_t n, const unsigned char *x, std::size_t m,
                               std::size_t split) {
    const std::size_t shift = (split > m - split ? split : m - split) + 1;
    for (std::size_t j = 0; j <= n - m;) {
        std::size_t i = split;
        while (i < m && x[i] == h[i + j]) ++i;
        Steps(i - split + 1);
        if (i < m) {
            j += i - split + 1;
            continue;
        }
        i = split;
        while (i > 0 && x[i - 1] == h[i - 1 + j]) --i;
        Steps(split - i + 1);
        if (i == 0) return reinterpret_cast<const char *>(h + j);
        j += shift;
    }
    return nullptr;
}

// ---------------------------------------------------------------------------
// Shift-And search for a segment holding "%"

using Bits = std::uint64_t;
constexpr std::size_t WordBits = 64;
// The largest window of starts looked at together, in words of one bit
// per start.
constexpr std::size_t WindowWords = 32;
constexpr std::size_t WindowStarts = WindowWords * WordBits;

// Per byte value, the positions of a piece of at most 64 segment
// characters that it matches.
struct PieceMasks {
    Bits of[256];
};

inline void MaskPiece(PieceMasks &masks, const char *p, std::size_t len) {
    Steps(256 + 2 * len);
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
inline void KeepPieceMatches(const PieceMasks &masks, const unsigned char *s, std::size_t first, std::size_t count,
                             std::size_t offset, std::size_t len, Bits *alive) {
    const unsigned char *c = s + first + offset;
    Steps(len + count);
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

// The first of `count` starts left alive, or `count` when there is none.
inline std::size_t FirstAlive(const Bits *alive, std::size_t count) {
    Steps(count / WordBits + 1);
    for (std::size_t w = 0; w * WordBits < count; ++w)
        if (alive[w] != 0) return w * WordBits + static_cast<std::size_t>(std::countr_zero(alive[w]));
    return count;
}

// The leftmost occurrence of the m literals at `p` among the n characters
// at `s`, or null.
inline const char *TwoWaySearch(const char *s, std::size_t n, const char *p, std::size_t m) {
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
    Steps(split);
    if (period + split <= m && std::memcmp(x, x + period, split) == 0) return TwoWayPeriodic(h, n, x, m, split, period);
    return TwoWayPlain(h, n, x, m, split);
}

// The leftmost place among the n characters at `s` where the m segment
// characters at `p` match, or null.  The starts are taken a window at a
// time, the first of one word and each next one twice as large up to
// WindowStarts, so that a match a few characters away costs a few
// characters' work; within a window every piece of 64 segment characters
// strikes out the starts where it does not match, which costs a pass over
// the window's characters per piece.  The last piece goes first (a
// segment's end is where a near miss most often fails) and the window is
// left as soon as no start is alive.  A segment of one piece has its
// masks made once.
inline const char *ShiftAndSearch(const char *s, std::size_t n, const char *p, std::size_t m) {
    if (n < m) return nullptr;
    const auto *text = reinterpret_cast<const unsigned char *>(s);
    const std::size_t starts = n - m + 1;
    const std::size_t pieces = (m + WordBits - 1) / WordBits;
    PieceMasks masks;
    if (pieces == 1) MaskPiece(masks, p, m);
    std::size_t window = WordBits;
    for (std::size_t first = 0; first < starts; first += window, window += window < WindowStarts ? window : 0) {
        const std::size_t count = starts - first < window ? starts - first : window;
        Bits alive[WindowWords];
        for (std::size_t w = 0; w * WordBits < count; ++w) alive[w] = ~Bits{0};
        std::size_t hit = 0;
        for (std::size_t k = 0; k < pieces && hit < count; ++k) {
            const std::size_t offset = (k == 0 ? pieces - 1 : k - 1) * WordBits;
            const std::size_t len = m - offset < WordBits ? m - offset : WordBits;
            if (pieces > 1) MaskPiece(masks, p + offset, len);
            KeepPieceMatches(masks, text, first, count, offset, len, alive);
            hit = FirstAlive(alive, count);
        }
        if (hit < count) return s + first + hit;
    }
    return nullptr;
}

}  // namespace qelrpt

#endif
