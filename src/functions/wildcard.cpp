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
// occurrence of its key, the rarest of the first literals of its core (a
// capital or a punctuation mark before a letter or a digit, anything
// before a separator), and the segment is compared in step from there,
// without measuring it first, so that the common "*literal*" costs one
// strchr and one comparison.  A run of "%" at the start of a segment is
// skipped (it only asks for so many characters before the core), so the
// places tried are those of the key, never those of the run.  The search
// counts every character it compares; when they outgrow the distance it
// has advanced (plus a small allowance), the text is one on
// which the simple way could take len(candidate) x len(segment) steps,
// and the search goes over to a method whose time is linear.  That method
// searches for the segment's core, from its first literal to its last;
// the "%" runs at either end are a length condition around it:
//
//   - a core of literals only: the Two-Way algorithm of Crochemore and
//     Perrin, O(n + m) time in constant space;
//   - a core holding "%": a bit-parallel Shift-And search, one 64-bit word
//     per 64 characters of the core, O(n x ceil(m / 64)), on a fixed
//     window of starts so that the stack stays bounded;
//   - the last segment: compared with the candidate's tail, measured once;
//     a segment is found to be the last at its second failed place at the
//     latest.
//
// So a match costs O(n + m) for star-free segments of literals and
// O(n x ceil(m / 64)) for a segment holding "%", whatever its runs.  The
// candidate's length is taken at most once, when one of these first
// needs it.  No recursion, no allocation; the largest frame is the
// Shift-And search's, about 2.6 KB.
#include "wildcard.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

// The tests count the steps of the searches (the characters they look at
// or measure) by defining QELRPT_WILDCARD_STEPS; the library counts none.
#ifndef QELRPT_WILDCARD_STEPS
#define QELRPT_WILDCARD_STEPS(n) static_cast<void>(0)
#endif

namespace qelrpt {

namespace {

constexpr char AnyRun = '*';
constexpr char AnyOne = '%';

// The candidate's rest and, once someone has needed it, its end.
struct Text {
    const char *at;
    const char *end;  // null until measured
};

const char *EndOf(Text &t) {
    if (t.end == nullptr) {
        t.end = t.at + std::strlen(t.at);
        QELRPT_WILDCARD_STEPS(t.end - t.at + 1);
    }
    return t.end;
}

// Whether the m pattern characters at `p` (no star among them) match the
// m candidate characters at `s`.
bool SegmentMatchesAt(const char *s, const char *p, std::size_t m) {
    QELRPT_WILDCARD_STEPS(m);
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
        QELRPT_WILDCARD_STEPS(1);
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
        [[maybe_unused]] const std::size_t from = i;
        while (i < m && x[i] == h[i + j]) ++i;
        QELRPT_WILDCARD_STEPS(i - from + 1);
        if (i < m) {
            j += i - split + 1;
            memory = 0;
            continue;
        }
        i = split;
        while (i > memory && x[i - 1] == h[i - 1 + j]) --i;
        QELRPT_WILDCARD_STEPS(split - i + 1);
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
        QELRPT_WILDCARD_STEPS(i - split + 1);
        if (i < m) {
            j += i - split + 1;
            continue;
        }
        i = split;
        while (i > 0 && x[i - 1] == h[i - 1 + j]) --i;
        QELRPT_WILDCARD_STEPS(split - i + 1);
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
    QELRPT_WILDCARD_STEPS(split);
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
    QELRPT_WILDCARD_STEPS(256 + 2 * len);
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
    QELRPT_WILDCARD_STEPS(len + count);
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
    QELRPT_WILDCARD_STEPS(WindowWords);
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

// How rarely a literal turns up in tag names: the separators are the
// commonest characters, then the commonest lower-case letters, then the
// other letters, digits, blanks and underscores; capitals and other
// punctuation are the rarest.  The key, where the simple search jumps to,
// is a segment's rarest literal near the start of its core ("%", "*" and
// the pattern's end rank lowest and end the look).
struct RarityTable {
    unsigned char of[256];
};
constexpr void Rank(RarityTable &t, const char *chars, unsigned char rarity) {
    for (; *chars != '\0'; ++chars) t.of[static_cast<unsigned char>(*chars)] = rarity;
}
constexpr RarityTable MakeRarityTable() {
    RarityTable t{};
    for (unsigned char &r : t.of) r = 4;
    Rank(t, "abcdefghijklmnopqrstuvwxyz0123456789 _", 3);
    Rank(t, "eaointrsl", 2);
    Rank(t, "\\.", 1);
    Rank(t, "%*", 0);
    t.of[0] = 0;
    return t;
}
constexpr RarityTable Rarity = MakeRarityTable();
constexpr unsigned char RarestRank = 4;

// How far into a core the key is looked for: a key further in makes every
// place cost more comparisons before it.
constexpr std::size_t KeyReach = 8;

// The offset of the key of the core at `p`: its rarest literal among the
// first KeyReach characters, the first of those, up to the first "%" or
// star.
std::size_t KeyOf(const char *p) {
    std::size_t key = 0;
    unsigned char best = Rarity.of[static_cast<unsigned char>(p[0])];
    for (std::size_t i = 1; best != 0 && best < RarestRank && i < KeyReach; ++i) {
        const unsigned char rank = Rarity.of[static_cast<unsigned char>(p[i])];
        if (rank == 0) break;
        if (rank <= best) continue;
        best = rank;
        key = i;
    }
    QELRPT_WILDCARD_STEPS(key + 1);
    return key;
}

// What the search for a segment found: the candidate and the pattern just
// past the segment's match, or, when that settles the whole match, the
// answer.
struct Step {
    const char *s;
    const char *p;
    int answer;  // -1 to go on, else the match's answer
};

constexpr int GoOn = -1;

[[gnu::always_inline]] inline Step Answer(bool yes) { return {nullptr, nullptr, yes ? 1 : 0}; }

// A segment measured: its length, its "%" runs at either end (which only
// ask for so many characters around its core, from its first literal to
// its last) and whether it is the last.
struct Segment {
    const char *p;
    std::size_t m;     // its length
    std::size_t lead;  // the "%" before the core (all of them without a literal)
    std::size_t core;  // the core's length, 0 without a literal
    bool any;          // a "%" inside the core
    bool last;         // no star after it
};

Segment MeasureSegment(const char *p) {
    Segment g{p, 0, 0, 0, false, false};
    while (p[g.m] != AnyRun && p[g.m] != '\0') ++g.m;
    QELRPT_WILDCARD_STEPS(g.m + 1);
    g.last = p[g.m] == '\0';
    if (g.last) return g;
    while (g.lead < g.m && p[g.lead] == AnyOne) ++g.lead;
    if (g.lead == g.m) return g;
    std::size_t end = g.m;
    while (p[end - 1] == AnyOne) --end;
    g.core = end - g.lead;
    g.any = std::memchr(p + g.lead, AnyOne, g.core) != nullptr;
    QELRPT_WILDCARD_STEPS(g.m);
    return g;
}

// The last segment, of m characters at `p`: the candidate's tail,
// measured once.
Step CompareTail(Text &t, const char *p, std::size_t m) {
    const char *end = EndOf(t);
    return Answer(static_cast<std::size_t>(end - t.at) >= m && SegmentMatchesAt(end - m, p, m));
}

// The rest of the search for the segment at `p`, with linear time, for a
// segment starting at `from` or later: used once the simple search has
// compared too much, or has found the segment to be the last.  Only the
// core is searched for; the "%" around it ask for so many characters.
Step SearchLinear(Text &t, const char *from, const char *p) {
    const Segment g = MeasureSegment(p);
    if (g.last) return CompareTail(t, p, g.m);
    const char *end = EndOf(t);
    const std::size_t trail = g.m - g.lead - g.core;
    const auto room = static_cast<std::size_t>(end - from);
    if (room < g.m) return Answer(false);
    const char *core = p + g.lead;
    const std::size_t n = room - g.lead - trail;  // where the core can be
    const char *found =
        g.any ? ShiftAndSearch(from + g.lead, n, core, g.core) : TwoWaySearch(from + g.lead, n, core, g.core);
    if (found == nullptr) return Answer(false);
    return {found + g.core + trail, p + g.m, GoOn};
}

// How a segment compares with the candidate at one place, its key seen to
// match: the segment found (its star reached), found at the very end of
// the candidate, found as the last segment short of the end, the
// candidate ending inside it (here and at every later place), or a
// mismatch.  `length` is where the comparison stopped, `steps` the
// characters it compared.
enum class Place { Found, FoundAtEnd, LastShortOfEnd, CandidateEnds, Mismatch };
struct Comparison {
    Place place;
    std::size_t length;
    std::size_t steps;
};

// The characters of the core before the key (from `lead` on, where the
// candidate holds no NUL), then from just after the key on.
[[gnu::always_inline]] inline Comparison CompareAt(const char *at, const char *p, std::size_t lead, std::size_t key) {
    for (std::size_t j = lead; j < key; ++j)
        if (p[j] != at[j] && p[j] != AnyOne) return {Place::Mismatch, key, j - lead + 1};
    const std::size_t before = key - lead;
    for (std::size_t i = key + 1;; ++i) {
        const char c = p[i];
        if (c == AnyRun) return {Place::Found, i, before + i - key};
        if (c == '\0') return {at[i] == '\0' ? Place::FoundAtEnd : Place::LastShortOfEnd, i, before + i - key};
        if (c == at[i]) continue;
        if (at[i] == '\0') return {Place::CandidateEnds, i, before + i - key};
        if (c != AnyOne) return {Place::Mismatch, i, before + i - key + 1};
    }
}

// The segment at `p` (star-free, not empty) at its leftmost place in the
// candidate from t.at on, or the answer when the segment is the last.
//
// The simple way: strchr jumps to the next occurrence of the key, and the
// segment is compared in step there.  Every comparison counts: when the
// characters compared outgrow the distance the search has advanced (plus
// a small allowance), the text is one on which the simple way could
// take len(candidate) x len(segment) steps, and the search goes over to
// the linear one.  So does a segment found to be the last at its second
// failed place (its tail is compared instead).
Step SearchSegment(Text &t, const char *p) {
    const char *s = t.at;
    std::size_t lead = 0;
    while (p[lead] == AnyOne) ++lead;
    QELRPT_WILDCARD_STEPS(lead);
    const std::size_t key = lead + KeyOf(p + lead);
    // The candidate must hold the characters before the key.
    for (std::size_t i = 0; i < key; ++i)
        if (s[i] == '\0') return Answer(false);
    QELRPT_WILDCARD_STEPS(key);
    const char keyChar = p[key];
    if (keyChar == AnyRun) return {s + key, p + key, GoOn};  // only "%": any characters
    if (keyChar == '\0') return Answer(true);                // only "%", last: the candidate holds enough
    std::size_t compared = 0, failures = 0;
    for (const char *hit = s + key;; ++hit) {
        if (*hit != keyChar) {
            [[maybe_unused]] const char *from = hit;
            hit = std::strchr(hit, keyChar);
            QELRPT_WILDCARD_STEPS(hit != nullptr ? static_cast<std::size_t>(hit - from) : std::strlen(from));
            if (hit == nullptr) return Answer(false);
        }
        const char *at = hit - key;
        const Comparison c = CompareAt(at, p, lead, key);
        QELRPT_WILDCARD_STEPS(c.steps);
        switch (c.place) {
            case Place::Found:
                return {at + c.length, p + c.length, GoOn};
            case Place::FoundAtEnd:
                return Answer(true);
            case Place::LastShortOfEnd:
                return CompareTail(t, p, c.length);  // compare the tail instead
            case Place::CandidateEnds:
                return Answer(false);
            case Place::Mismatch:
                break;
        }
        if (++failures == 2 && std::strchr(p + c.length, AnyRun) == nullptr)
            return CompareTail(t, p, c.length + std::strlen(p + c.length));
        compared += c.steps;
        if (compared > static_cast<std::size_t>(hit - s) + 64) return SearchLinear(t, at + 1, p);
    }
}

}  // namespace

int WildcardMatch(const char *candidate, const char *pattern) {
    const char *s = candidate;
    const char *p = pattern;

    // The head: pattern and candidate in step up to the first star.
    for (;; ++p, ++s) {
        QELRPT_WILDCARD_STEPS(1);
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
