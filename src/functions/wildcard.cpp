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
// whatever lies between.  So there is never anything to undo, and the
// match is one loop over the segments.
//
// The head is compared with the candidate character by character; once
// 16 characters agree, the rest of the pattern and of the candidate are
// measured and compared 16 at a time (SSE2 where the compiler has it),
// within both.  A segment is first looked for the simple way.  Its "%" at
// the start only ask for so many characters, so the search looks at the characters after
// them (the core).  Among the first few of those it picks the one least
// likely to turn up in a tag name (a capital or a punctuation mark before
// a letter or a digit, anything before a level separator); strchr jumps to
// the next occurrence of that character, and the segment is compared with
// the candidate there, without measuring it first, so that the common
// "*literal*" costs one strchr and one comparison.  A last segment that
// starts with a separator (most often a leaf) is compared with the
// candidate's tail at once; any other last segment is compared with the
// tail as soon as a place matches it up to its end, or when the search
// would go over to a linear one.
//
// The simple way counts every character it compares.  When they outgrow
// the distance it has advanced, plus a fixed allowance, the text is one on
// which it could take len(candidate) x len(segment) steps, and the search
// goes over to a method whose time is linear (linear_search.h): Two-Way
// for a core of literals, O(n + m), and a bit-parallel Shift-And for a
// core holding "%", O(n x ceil(m / 64)); the core runs from the segment's
// first literal to its last, and the "%" at either end are a length
// condition around it.
//
// So a match costs O(n + m) for star-free segments of literals and
// O(n x ceil(m / 64)) for a segment holding "%", whatever its runs.  The
// candidate's length is taken at most once, when one of these first
// needs it.  No recursion, no allocation; the largest frame is the
// Shift-And search's, about 2.6 KB.
#include "wildcard.h"

#include "linear_search.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__) && !defined(QELRPT_PORTABLE_BLOCKS)
#include <emmintrin.h>
#endif

namespace qelrpt {

namespace {

constexpr char AnyRun = '*';

// How many more characters the simple search of a segment may compare
// than the distance it has advanced before it goes over to a linear one.
constexpr std::size_t SwitchAllowance = 64;

// The candidate's rest and, once someone has needed it, its end.
struct Text {
    const char *at;
    const char *end;  // null until measured
};

const char *EndOf(Text &t) {
    if (t.end == nullptr) {
        t.end = t.at + std::strlen(t.at);
        Steps(static_cast<std::size_t>(t.end - t.at) + 1);
    }
    return t.end;
}

// Whether the W-sized word of characters at `s` matches the pattern
// characters at `p` (no star among them): equal but where the pattern
// holds "%".  A zero byte of the pattern's word with every "%" made zero
// is found exactly, without carries between the bytes, and widened to a
// mask of the byte.
template <class W>
[[gnu::always_inline]] inline bool WordMatchesAt(const char *s, const char *p) {
    constexpr W Ones = ~W{0} / 0xFF;  // 0x01 in every byte
    constexpr W Low = Ones * 0x7F;
    W pw;
    W sw;
    std::memcpy(&pw, p, sizeof pw);
    std::memcpy(&sw, s, sizeof sw);
    const W diff = pw ^ sw;
    if (diff == 0) return true;
    const W wild = pw ^ (Ones * static_cast<unsigned char>(AnyOne));
    const W zeros = ~(((wild & Low) + Low) | wild | Low);  // 0x80 where "%"
    return (diff & ~((zeros >> 7) * 0xFF)) == 0;
}

// Whether the m pattern characters at `p` (no star among them) match the
// m candidate characters at `s`: eight at a time, the last eight (or the
// last four) moved back to end with the segment.
bool SegmentMatchesAt(const char *s, const char *p, std::size_t m) {
    Steps(m);
    if (m >= 8) {
        for (std::size_t i = 0; i + 8 < m; i += 8)
            if (!WordMatchesAt<std::uint64_t>(s + i, p + i)) return false;
        return WordMatchesAt<std::uint64_t>(s + m - 8, p + m - 8);
    }
    if (m >= 4) return WordMatchesAt<std::uint32_t>(s, p) && WordMatchesAt<std::uint32_t>(s + m - 4, p + m - 4);
    for (std::size_t i = 0; i < m; ++i)
        if (p[i] != s[i] && p[i] != AnyOne) return false;
    return true;
}

// ---------------------------------------------------------------------------
// The search for one segment

// How rarely a literal turns up in tag names, from the commonest to the
// rarest.  A segment's key, the literal its simple search jumps to, is its
// rarest literal near the start of its core.
enum class Rank : unsigned char {
    Wildcard,   // "%": no literal, but the look goes on past it
    Separator,  // the level separators, the commonest characters
    Common,     // the commonest lower-case letters
    Ordinary,   // the other lower-case letters, digits, blanks and underscores
    Rare,       // capitals and other punctuation
    Stop,       // "*" and the pattern's end: the segment ends, and the look
};

struct RankTable {
    Rank of[256];
};
constexpr void SetRank(RankTable &t, const char *chars, Rank rank) {
    for (; *chars != '\0'; ++chars) t.of[static_cast<unsigned char>(*chars)] = rank;
}
constexpr RankTable MakeRankTable() {
    RankTable t{};
    for (Rank &r : t.of) r = Rank::Rare;
    SetRank(t, "abcdefghijklmnopqrstuvwxyz0123456789 _", Rank::Ordinary);
    SetRank(t, "eaointrsl", Rank::Common);
    SetRank(t, "\\.", Rank::Separator);
    SetRank(t, "%", Rank::Wildcard);
    SetRank(t, "*", Rank::Stop);
    t.of[0] = Rank::Stop;
    return t;
}
constexpr RankTable Ranks = MakeRankTable();

Rank RankOf(char c) { return Ranks.of[static_cast<unsigned char>(c)]; }

// How far into a core the key is looked for: a key further in makes every
// place cost more comparisons before it.
constexpr std::size_t KeyReach = 10;

// The offset of the key of the core at `p` (which starts with a literal):
// its rarest literal among the first KeyReach characters, the first of
// those, up to the segment's end.
std::size_t KeyOf(const char *p) {
    std::size_t key = 0;
    Rank best = RankOf(p[0]);
    if (best >= Rank::Rare) return 0;
#pragma GCC unroll 16
    for (std::size_t i = 1; i < KeyReach; ++i) {
        const Rank rank = RankOf(p[i]);
        if (rank <= best) continue;
        if (rank == Rank::Stop) break;
        best = rank;
        key = i;
        if (rank == Rank::Rare) break;
    }
    Steps(key + 1);
    return key;
}

// Where the search for a segment leaves the match: undecided, with the
// candidate and the pattern just past the segment's place (and the
// candidate's end, once measured), or decided.
enum class Verdict { Undecided, No, Yes };
struct Outcome {
    Text rest;
    const char *p;
    Verdict verdict;
};

Outcome Decided(bool yes) { return {{nullptr, nullptr}, nullptr, yes ? Verdict::Yes : Verdict::No}; }

// The match after a segment's linear search: on from the candidate's rest
// and the star that ends the segment (at or after `p`), or no match.
[[gnu::always_inline]] inline Outcome Continued(Text rest, const char *p) {
    if (rest.at == nullptr) return Decided(false);
    const char *star = std::strchr(p, AnyRun);
    Steps(static_cast<std::size_t>(star - p));
    return {rest, star, Verdict::Undecided};
}

// A segment measured: its length, its "%" at either end (which only ask
// for so many characters around its core, from its first literal to its
// last) and whether it is the last.
struct Segment {
    std::size_t m;     // its length
    std::size_t lead;  // the "%" before the core (all of them without a literal)
    std::size_t core;  // the core's length, 0 without a literal
    bool any;          // a "%" inside the core
    bool last;         // no star after it
};

Segment MeasureSegment(const char *p) {
    Segment seg{0, 0, 0, false, false};
    while (p[seg.m] != AnyRun && p[seg.m] != '\0') ++seg.m;
    Steps(seg.m + 1);
    seg.last = p[seg.m] == '\0';
    if (seg.last) return seg;
    while (seg.lead < seg.m && p[seg.lead] == AnyOne) ++seg.lead;
    if (seg.lead == seg.m) return seg;
    std::size_t end = seg.m;
    while (p[end - 1] == AnyOne) --end;
    seg.core = end - seg.lead;
    seg.any = std::memchr(p + seg.lead, AnyOne, seg.core) != nullptr;
    Steps(seg.m);
    return seg;
}

// Whether no star follows in the pattern at `p`.
bool IsLast(const char *p) {
    const char *star = std::strchr(p, AnyRun);
    Steps(star != nullptr ? static_cast<std::size_t>(star - p) : std::strlen(p));
    return star == nullptr;
}

// The last segment, of m characters at `p`: the candidate's tail,
// measured once.
bool TailMatches(Text t, const char *p, std::size_t m) {
    const char *end = EndOf(t);
    return static_cast<std::size_t>(end - t.at) >= m && SegmentMatchesAt(end - m, p, m);
}

// The rest of the search for the segment at `p`, not the last, with
// linear time, for a place at `from` or later: used once the simple search
// has compared too much.  The candidate just past the segment's place, or
// null when there is none, and its end.  Only the core is searched for;
// the "%" around it ask for so many characters.
[[gnu::noinline]] Text SearchLinear(Text t, const char *from, const char *p) {
    const Segment seg = MeasureSegment(p);
    const char *end = EndOf(t);
    const std::size_t trail = seg.m - seg.lead - seg.core;
    const auto room = static_cast<std::size_t>(end - from);
    if (room < seg.m) return {nullptr, end};
    const char *core = p + seg.lead;
    const std::size_t n = room - seg.lead - trail;  // where the core can be
    const char *found =
        seg.any ? ShiftAndSearch(from + seg.lead, n, core, seg.core) : TwoWaySearch(from + seg.lead, n, core, seg.core);
    return {found != nullptr ? found + seg.core + trail : nullptr, end};
}

// The characters that end a run of agreeing characters in the pattern:
// the star and the end.
struct StopTable {
    bool of[256];
};
constexpr StopTable MakeStopTable() {
    StopTable t{};
    t.of[static_cast<unsigned char>(AnyRun)] = true;
    t.of[0] = true;
    return t;
}
constexpr StopTable Stops = MakeStopTable();

bool IsStop(char c) { return Stops.of[static_cast<unsigned char>(c)]; }

// Whether the pattern character at offset i of `p` differs from the
// candidate's at `s`, or is a star or the end (one table look per
// character instead of two comparisons).
[[gnu::always_inline]] inline bool StopsAt(const char *s, const char *p, std::size_t i) {
    return p[i] != s[i] || IsStop(p[i]);
}

// The offset of the first star or the end in the pattern at `p`, four
// characters a round.
[[gnu::always_inline]] inline std::size_t StarOrEnd(const char *p) {
    for (std::size_t i = 0;; i += 4) {
        if (IsStop(p[i])) return i;
        if (IsStop(p[i + 1])) return i + 1;
        if (IsStop(p[i + 2])) return i + 2;
        if (IsStop(p[i + 3])) return i + 3;
    }
}

// How many agreeing characters the head compares one at a time before it
// measures the rest of the pattern and of the candidate and goes on a
// block at a time.
constexpr std::size_t LongHead = 16;

// The offset of the first pattern character at `p` that StopsAt, four
// characters a round: each is read only when the ones before it agree and
// are neither a star nor the end.  LongHead when that many agree.
[[gnu::always_inline]] inline std::size_t Agreeing(const char *s, const char *p) {
#pragma GCC unroll 4
    for (std::size_t i = 0; i < LongHead; i += 4) {
        if (StopsAt(s, p, i)) return i;
        if (StopsAt(s, p, i + 1)) return i + 1;
        if (StopsAt(s, p, i + 2)) return i + 2;
        if (StopsAt(s, p, i + 3)) return i + 3;
    }
    return LongHead;
}

// Where the segment at `p` stops agreeing with the candidate at `at`, its
// key (at offset `key`) seen to match: the characters of its core before
// the key (from `lead` on, where the candidate holds no NUL), then from
// just after the key on, up to the first that differs, or the star or the
// end that ends the segment.  A candidate that ends inside the segment
// stops it at its NUL.
[[gnu::always_inline]] inline std::size_t CompareAt(const char *at, const char *p, std::size_t lead, std::size_t key) {
    for (std::size_t j = lead; j < key; ++j)
        if (p[j] != at[j] && p[j] != AnyOne) return j;
    // Runs of agreeing characters, each ended by a "%" that takes the
    // candidate's character (++i) or by the place's verdict.
    for (std::size_t i = key + 1;; ++i) {
        const std::size_t agree = Agreeing(at + i, p + i);
        i += agree;
        if (agree < LongHead && (p[i] != AnyOne || at[i] == '\0')) return i;
        if (agree == LongHead) --i;  // a run that goes on
    }
}

// The next occurrence of `key` at or after `from`, or null.  (A test for
// the key at `from` itself before the call costs more than the calls it
// saves, on tag names.)
[[gnu::always_inline]] inline const char *NextKey(const char *from, char key) {
    const char *hit = std::strchr(from, key);
    Steps(hit != nullptr ? static_cast<std::size_t>(hit - from) : std::strlen(from));
    return hit;
}

// The segment at `p` (star-free, not empty) at its leftmost place in the
// candidate from t.at on, or the answer when that settles the match.  Its
// core starts after `lead` "%", and `key` is the offset of the literal
// that strchr jumps to; with `room` the candidate is known to hold the
// characters before the key, otherwise a key too near the start is passed
// over.  The segment is compared in step at every place
// where the key turns up; when the characters compared outgrow the
// distance advanced plus SwitchAllowance, the search goes over to the
// linear one, unless the segment has no star after it: then it is the
// last, and its tail is compared instead.
[[gnu::always_inline]] inline Outcome SearchKeyed(Text t, const char *p, std::size_t lead, std::size_t key, bool room) {
    const char keyChar = p[key];
    std::size_t compared = 0;
    for (const char *hit = room ? t.at + key : t.at;; ++hit) {
        hit = NextKey(hit, keyChar);
        if (hit == nullptr) return Decided(false);
        if (!room && static_cast<std::size_t>(hit - t.at) < key) {  // no room before it
            Steps(1);
            continue;
        }
        const char *at = hit - key;
        const std::size_t i = CompareAt(at, p, lead, key);
        Steps(i + 1 - lead);
        if (p[i] == AnyRun) return {{at + i, t.end}, p + i, Verdict::Undecided};
        if (p[i] == '\0') [[unlikely]]
            return Decided(at[i] == '\0' || TailMatches(t, p, i));
        if (at[i] == '\0') [[unlikely]]
            return Decided(false);  // and at every later place
        compared += i + 1 - lead;
        if (compared <= static_cast<std::size_t>(hit - t.at) + SwitchAllowance) [[likely]]
            continue;
        if (IsLast(p + i)) return Decided(TailMatches(t, p, i + std::strlen(p + i)));
        return Continued(SearchLinear(t, at + 1, p), p + i);
    }
}

// The segment at `p`: a last segment that starts with a separator (most
// often a leaf) compared with the tail at once, any other searched for at
// its key.
[[gnu::always_inline]] inline Outcome SearchSegment(Text t, const char *p) {
    // The commonest segments start with their key, or with a separator and
    // their key (a level's name): calls with constant offsets, of which the
    // compiler makes copies of their own.
    const Rank first = RankOf(p[0]);
    if (first == Rank::Rare) return SearchKeyed(t, p, 0, 0, true);
    if (first == Rank::Separator) {
        const std::size_t m = 1 + StarOrEnd(p + 1);
        Steps(m);
        if (p[m] == '\0') return Decided(TailMatches(t, p, m));
    }
    if (first == Rank::Separator && RankOf(p[1]) == Rank::Rare) {
        if (t.at[0] == '\0') return Decided(false);  // no room for the separator
        return SearchKeyed(t, p, 0, 1, true);
    }
    std::size_t lead = 0;
    while (p[lead] == AnyOne) ++lead;
    Steps(lead);
    const std::size_t key = lead + KeyOf(p + lead);
    if (p[key] != AnyRun && p[key] != '\0') return SearchKeyed(t, p, lead, key, false);
    // Only "%": any characters, as many as there are
    for (std::size_t i = 0; i < key; ++i)
        if (t.at[i] == '\0') return Decided(false);
    Steps(key);
    if (p[key] == AnyRun) return {{t.at + key, t.end}, p + key, Verdict::Undecided};
    return Decided(true);  // the last: the candidate holds enough
}

// The pattern past the run of stars at `p`.
[[gnu::always_inline]] inline const char *SkipStars(const char *p) {
    const char *from = p;
    while (*p == AnyRun) ++p;
    Steps(static_cast<std::size_t>(p - from));
    return p;
}

// The segments after the head, from the segment at `p` (neither a star nor
// the end) on, the candidate's rest at `s`: each at its leftmost place
// after the one before, in one loop.
[[gnu::noinline]] int MatchSegments(const char *s, const char *p) {
    Text t{s, nullptr};
    for (;;) {
        const Outcome o = SearchSegment(t, p);
        if (o.verdict != Verdict::Undecided) return o.verdict == Verdict::Yes ? 1 : 0;
        t = o.rest;
        p = SkipStars(o.p);
        if (*p == '\0') return 1;  // a trailing star takes the rest
    }
}

constexpr std::size_t BlockBytes = 16;

// Bit k set where the pattern character at p + k differs from the
// candidate's at s + k or is a star (neither text ends among the 16).  A
// "%" that stands for a "%" agrees, as it would one at a time.
#if defined(__SSE2__) && !defined(QELRPT_PORTABLE_BLOCKS)
unsigned BlockStops(const char *s, const char *p) {
    const __m128i pattern = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
    const __m128i candidate = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s));
    const __m128i star = _mm_cmpeq_epi8(pattern, _mm_set1_epi8(AnyRun));
    const __m128i agree = _mm_andnot_si128(star, _mm_cmpeq_epi8(pattern, candidate));
    return static_cast<unsigned>(_mm_movemask_epi8(agree)) ^ 0xFFFFU;
}
#else
unsigned BlockStops(const char *s, const char *p) {
    unsigned stops = 0;
    for (std::size_t k = 0; k < BlockBytes; ++k)
        if (p[k] != s[k] || p[k] == AnyRun) stops |= 1U << k;
    return stops;
}
#endif

// The offset of the first of the n characters at `p` and `s` (neither
// text ends among them) where the pattern stops agreeing, or n: a block at
// a time, the last moved back to end with the n characters, over
// characters before `s` and `p` that it leaves out (there are at least
// LongHead of them).
std::size_t FirstStop(const char *s, const char *p, std::size_t n) {
    std::size_t i = 0;
    for (; i + BlockBytes <= n; i += BlockBytes) {
        const unsigned stops = BlockStops(s + i, p + i);
        if (stops != 0) return i + static_cast<std::size_t>(std::countr_zero(stops));
    }
    Steps(i + BlockBytes);
    if (i == n) return n;
    const std::size_t before = BlockBytes - (n - i);
    const unsigned stops = BlockStops(s + n - BlockBytes, p + n - BlockBytes) >> before;
    return stops != 0 ? i + static_cast<std::size_t>(std::countr_zero(stops)) : n;
}

// The segments from the star at `p` on, the candidate's rest at `s`.
[[gnu::always_inline]] inline int AfterStar(const char *s, const char *p) {
    p = SkipStars(p);
    if (*p == '\0') return 1;  // a trailing star takes the rest
    return MatchSegments(s, p);
}

// What the head settles where the pattern at `p` (not a star) stops
// agreeing with the candidate at `s`: 1 or 0, or PastOne when it is a "%"
// that takes the candidate's character and the head goes on after it.
constexpr int PastOne = 2;
[[gnu::always_inline]] inline int HeadStop(const char *s, const char *p) {
    if (*p == *s) return 1;  // both end together
    if (*p != AnyOne || *s == '\0') return 0;
    return PastOne;
}

// The head once LongHead characters agree, at least LongHead characters
// into both: the rest of the candidate and of the pattern measured once,
// then compared a block at a time.
[[gnu::noinline]] int MatchLongHead(const char *s, const char *p) {
    const char *end = s + std::strlen(s);
    const char *patternEnd = p + std::strlen(p);
    Steps(static_cast<std::size_t>((end - s) + (patternEnd - p)) + 2);
    for (;; ++p, ++s) {
        const auto n = static_cast<std::size_t>(end - s < patternEnd - p ? end - s : patternEnd - p);
        const std::size_t i = FirstStop(s, p, n);
        p += i;
        s += i;
        if (*p == AnyRun) return AfterStar(s, p);
        const int verdict = HeadStop(s, p);
        if (verdict != PastOne) return verdict;
    }
}

}  // namespace

// The head, pattern and candidate in step up to the first star, then the
// segments.
int WildcardMatch(const char *candidate, const char *pattern) {
    if (*pattern == AnyRun) return AfterStar(candidate, pattern);  // no head
    const char *s = candidate;
    const char *p = pattern;
    for (;; ++p, ++s) {
        const std::size_t i = Agreeing(s, p);
        Steps(i + 1);
        p += i;
        s += i;
        if (i == LongHead) [[unlikely]]
            return MatchLongHead(s, p);
        if (*p == AnyRun) return AfterStar(s, p);
        const int verdict = HeadStop(s, p);
        if (verdict != PastOne) return verdict;
    }
}

}  // namespace qelrpt
