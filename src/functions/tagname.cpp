// Tag-name hierarchy functions.
//
//   QELIndentTagHier(previous tag name, tag name)
//       the level headers that the tag name opens below the previous one
//   QELIndentTagName(tag name)    the leaf, indented by its depth
//   QELRemoveTagName(tag name)    the name without its leaf
//
// All three walk a name by its separators: the characters up to the next
// separator form a segment, the separator ends it, and the walk goes on
// after it.  The text after the last separator is the leaf and is never
// handled as a segment; a name without separators is all leaf.
//
// A name's length is taken first; then its characters are looked at in
// blocks of 16, each block giving a bit mask of the separators (or of the
// differences from another name) in it, or their number.  A block never
// reaches outside the name: where a scan ends inside a block, that block
// is moved back to end with the scan (or to start with the name) and
// keeps only the characters it has to look at.  Names shorter than a
// block go character by character.
//
// QELIndentTagName (WalkName) takes the separators' count, the dots and
// the last separator from one pass over the name's blocks after its
// length; the last separator is most often in the last block or the one
// before it, and only a longer leaf is left to the backward scan.
//
// QELIndentTagHier takes the separators from the end of the common prefix
// on from one cursor (SeparatorCursor), which keeps a block's marks until
// each has been handed out: its first separator ends the first new level,
// and without one the name opens none, whatever the split.
//
// Only the block primitives (SeparatorsIn, DifferencesIn, Tallies) depend on
// the machine: SSE2 compares where the compiler has SSE2, plain loops over
// the 16 characters elsewhere.  The tests compile this file a second time
// with QELRPT_PORTABLE_BLOCKS to run the plain ones on every build.  Every
// write stays within the working buffer.  The scans and the appends are
// inlined into each worker, so that the scan's state and the text's
// length stay in registers.
#include "tagname.h"

#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__) && !defined(QELRPT_PORTABLE_BLOCKS)
#define QELRPT_SSE2_BLOCKS 1
#include <emmintrin.h>
#endif

namespace qelrpt {
namespace {

// The two characters of SeparatorSet, the only place that names them: the
// backslash, and the dot, which the functions also write before a segment
// or leaf that it ends.
constexpr char Backslash = SeparatorSet[0];
constexpr char Dot = SeparatorSet[1];
static_assert(sizeof SeparatorSet == 3 && Dot == '.');

bool IsSeparator(char c) { return c == Backslash || c == Dot; }

constexpr std::size_t BlockBytes = 16;

// Bit k of a mask stands for the character at offset k of a block.
using Marks = unsigned;

std::size_t FirstMark(Marks m) { return static_cast<std::size_t>(std::countr_zero(m)); }

// One past the last mark, or 0 without any.
std::size_t AfterLastMark(Marks m) { return static_cast<std::size_t>(std::bit_width(m)); }

// The marks from offset `from` on.
Marks From(Marks m, std::size_t from) { return m & (~Marks{0} << from); }

// Moves N bytes, N a constant.
template <std::size_t N>
void Move(char *d, const char *s) {
    char bytes[N];
    std::memcpy(bytes, s, N);
    std::memcpy(d, bytes, N);
}

// How many separators some characters of a name hold, and whether one of
// them is a dot.
struct SeparatorCount {
    std::size_t count = 0;
    bool dot = false;
};

#if defined(QELRPT_SSE2_BLOCKS)
__m128i LoadBlock(const char *s) { return _mm_loadu_si128(reinterpret_cast<const __m128i *>(s)); }

Marks MarksOf(__m128i equal) { return static_cast<Marks>(_mm_movemask_epi8(equal)); }

// The lanes of `block` that hold a separator (all bits set), and in
// `dots` those that hold a dot.
__m128i SeparatorLanes(__m128i block, __m128i *dots) {
    *dots = _mm_cmpeq_epi8(block, _mm_set1_epi8(Dot));
    return _mm_or_si128(*dots, _mm_cmpeq_epi8(block, _mm_set1_epi8(Backslash)));
}

// The separators in the block at `s`.
Marks SeparatorsIn(const char *s) {
    __m128i dots;
    return MarksOf(SeparatorLanes(LoadBlock(s), &dots));
}

// Where the blocks at `a` and at `b` differ.
Marks DifferencesIn(const char *a, const char *b) {
    return MarksOf(_mm_cmpeq_epi8(LoadBlock(a), LoadBlock(b))) ^ 0xFFFFU;
}

// Sixteen zero bytes, sixteen 0xFF bytes, sixteen zero bytes: a block
// loaded from it at 16 - k has its lanes from k on set, one loaded at
// 32 - k its lanes before k.
struct LaneTable {
    unsigned char bytes[3 * BlockBytes];
};
constexpr LaneTable MakeLaneTable() {
    LaneTable table{};
    for (std::size_t i = BlockBytes; i < 2 * BlockBytes; ++i) table.bytes[i] = 0xFF;
    return table;
}
constexpr LaneTable LaneBytes = MakeLaneTable();

// Separator counts kept per lane while blocks are added, and the dots
// seen.  A lane's count stops at 127: the count is only ever used as a
// depth of indentation, and 64 levels already fill a result, so any count
// of 64 or more gives the same text (and a lane at 127 makes the total at
// least that).
class Tallies {
   public:
    // The characters at offsets [from, to) of the block at `s`.
    void AddLanes(const char *s, std::size_t from, std::size_t to) {
        if (from == 0 && to == BlockBytes) return Add(s, _mm_set1_epi8(-1));
        const auto *lanes = reinterpret_cast<const char *>(LaneBytes.bytes);
        Add(s, _mm_and_si128(LoadBlock(lanes + BlockBytes - from), LoadBlock(lanes + 2 * BlockBytes - to)));
    }
    // One character of a name shorter than a block.
    void AddChar(char c) {
        chars_ += IsSeparator(c) ? 1U : 0U;
        if (c == Dot) dots_ = _mm_set1_epi8(-1);
    }
    // One sum of absolute differences adds up each half's lanes.
    SeparatorCount Result() const {
        const __m128i halves = _mm_sad_epu8(lanes_, _mm_setzero_si128());
        const auto lanes = static_cast<std::size_t>(_mm_extract_epi16(halves, 0) + _mm_extract_epi16(halves, 4));
        return {chars_ + lanes, MarksOf(dots_) != 0};
    }

   private:
    void Add(const char *s, __m128i keep) {
        __m128i dots;
        const __m128i separators = _mm_and_si128(SeparatorLanes(LoadBlock(s), &dots), keep);
        lanes_ = _mm_subs_epi8(lanes_, separators);  // a separator is -1: one more, up to 127
        dots_ = _mm_or_si128(dots_, _mm_and_si128(dots, keep));
    }
    __m128i lanes_ = _mm_setzero_si128();
    __m128i dots_ = _mm_setzero_si128();
    std::size_t chars_ = 0;  // of a name shorter than a block
};

// A whole name walked up to its NUL: its length, its separators, and the
// last separator seen in the part looked at for it.
struct NameWalk {
    std::size_t len;
    SeparatorCount separators;
    std::size_t leaf;        // just after the last separator in [leafSearch, len), or 0 without one
    std::size_t leafSearch;  // the characters before it are still to be looked at for the leaf
};

// A name shorter than a block, character by character.
[[gnu::always_inline]] inline NameWalk WalkShortName(const char *s, std::size_t len) {
    NameWalk walk{len, {}, 0, 0};
    for (std::size_t i = 0; i < len; ++i) {
        if (!IsSeparator(s[i])) continue;
        ++walk.separators.count;
        walk.separators.dot = walk.separators.dot || s[i] == Dot;
        walk.leaf = i + 1;
    }
    return walk;
}

// The walk in blocks of 16 from the first character, the last block moved
// back to end with the name and counting only the lanes not seen yet.  The
// tallies count per lane as Tallies does, dots and backslashes apart.  The
// last separator is looked for in the whole last block, then in the block
// before it.  GCC keeps a loop's two tallies in two pairs of registers and
// copies them from one to the other every turn: the loop takes two blocks
// a turn, and the first two pairs are taken before it.
[[gnu::always_inline]] inline NameWalk WalkName(const char *s) {
    const std::size_t len = std::strlen(s);
    if (len < BlockBytes) return WalkShortName(s, len);
    const auto *lanes = reinterpret_cast<const char *>(LaneBytes.bytes);
    const __m128i zero = _mm_setzero_si128();
    const __m128i dotChar = _mm_set1_epi8(Dot), backslashChar = _mm_set1_epi8(Backslash);
    // The blocks before the last, whole; the last one's first -len % 16
    // lanes are the last characters of the one before it.
    const std::size_t last = len - BlockBytes;
    __m128i dots = zero, backslashes = zero;
    const auto add = [&](const char *at) {
        const __m128i block = LoadBlock(at);
        dots = _mm_subs_epi8(dots, _mm_cmpeq_epi8(block, dotChar));
        backslashes = _mm_subs_epi8(backslashes, _mm_cmpeq_epi8(block, backslashChar));
    };
    // Pairs of blocks while a pair ends before the name's end, so `at` never
    // passes it; the first two pairs outside the loop (see above).
    const char *at = s;
    const char *const lastBlock = s + last;
    const std::ptrdiff_t span = BlockBytes;  // a pair fits while more than this lies before the last block
    if (lastBlock - at > span) {
        add(at);
        add(at + BlockBytes);
        at += 2 * BlockBytes;
        if (lastBlock - at > span) {
            add(at);
            add(at + BlockBytes);
            at += 2 * BlockBytes;
            for (; lastBlock - at > span; at += 2 * BlockBytes) {
                add(at);
                add(at + BlockBytes);
            }
        }
    }
    if (at < lastBlock) add(at);
    const __m128i block = LoadBlock(lastBlock);
    const __m128i lastDots = _mm_cmpeq_epi8(block, dotChar);
    const __m128i lastBackslashes = _mm_cmpeq_epi8(block, backslashChar);
    const __m128i unseen = LoadBlock(lanes + BlockBytes - (0 - len) % BlockBytes);
    dots = _mm_subs_epi8(dots, _mm_and_si128(lastDots, unseen));
    backslashes = _mm_subs_epi8(backslashes, _mm_and_si128(lastBackslashes, unseen));
    // Each lane of each tally is at most 127: their sum fits a byte.
    const __m128i sums = _mm_sad_epu8(_mm_adds_epu8(dots, backslashes), zero);
    const unsigned count =
        static_cast<unsigned>(_mm_extract_epi16(sums, 0)) + static_cast<unsigned>(_mm_extract_epi16(sums, 4));
    NameWalk walk{len, {count, MarksOf(_mm_cmpeq_epi8(dots, zero)) != 0xFFFFU}, 0, 0};
    Marks marks = MarksOf(_mm_or_si128(lastDots, lastBackslashes));
    std::size_t marked = last;
    if (marks == 0 && last > 0) {
        marked = last >= BlockBytes ? last - BlockBytes : 0;
        marks = SeparatorsIn(s + marked);
    }
    if (marks != 0) {
        walk.leaf = marked + AfterLastMark(marks);
    } else {
        walk.leafSearch = marked;
    }
    return walk;
}
#else
Marks SeparatorsIn(const char *s) {
    Marks m = 0;
    for (std::size_t k = 0; k < BlockBytes; ++k)
        if (IsSeparator(s[k])) m |= Marks{1} << k;
    return m;
}

Marks DifferencesIn(const char *a, const char *b) {
    Marks m = 0;
    for (std::size_t k = 0; k < BlockBytes; ++k)
        if (a[k] != b[k]) m |= Marks{1} << k;
    return m;
}

class Tallies {
   public:
    void AddLanes(const char *s, std::size_t from, std::size_t to) {
        for (std::size_t k = from; k < to; ++k) AddChar(s[k]);
    }
    void AddChar(char c) {
        if (!IsSeparator(c)) return;
        ++found_.count;
        found_.dot = found_.dot || c == Dot;
    }
    SeparatorCount Result() const { return found_; }

   private:
    SeparatorCount found_;
};

struct NameWalk {
    std::size_t len;
    SeparatorCount separators;
    std::size_t leaf;
    std::size_t leafSearch;
};

// Character by character.
inline NameWalk WalkName(const char *s) {
    NameWalk walk{0, {}, 0, 0};
    for (char c; (c = s[walk.len]) != '\0'; ++walk.len) {
        if (!IsSeparator(c)) continue;
        ++walk.separators.count;
        walk.separators.dot = walk.separators.dot || c == Dot;
        walk.leaf = walk.len + 1;
    }
    return walk;
}
#endif

// Lanes [lo, hi) of a block's marks.
Marks Lanes(Marks m, std::size_t lo, std::size_t hi) {
    return hi < BlockBytes ? From(m, lo) & ~(~Marks{0} << hi) : From(m, lo);
}

// The one scan skeleton: walks the characters [from, to) of a text of
// `size` characters, forwards or backwards, until a look says stop.  A
// text of at least a block goes block by block: look(at, lo, hi) sees
// lanes [lo, hi) of the block at offset `at`; the last block, which would
// reach outside [from, to), is moved back to end with `to` (forwards) or to
// start with `from` (backwards), as far as the text allows, and keeps only
// the lanes not seen yet.  A shorter text goes character by character:
// lookChar(i) sees the character at offset i.
template <typename Look>
[[gnu::always_inline]] inline void BlocksForwards(std::size_t from, std::size_t to, Look look) {
    std::size_t i = from;
    for (; i + BlockBytes <= to; i += BlockBytes)
        if (look(i, std::size_t{0}, BlockBytes)) return;
    if (i == to) return;
    const std::size_t at = to >= BlockBytes ? to - BlockBytes : 0;
    look(at, i - at, to - at);
}

template <typename Look>
[[gnu::always_inline]] inline void BlocksBackwards(std::size_t from, std::size_t to, std::size_t size, Look look) {
    std::size_t i = to;
    for (; i >= from + BlockBytes; i -= BlockBytes)
        if (look(i - BlockBytes, std::size_t{0}, BlockBytes)) return;
    if (i == from) return;
    const std::size_t at = from + BlockBytes <= size ? from : size - BlockBytes;
    look(at, from - at, i - at);
}

template <bool Backwards, typename Look, typename LookChar>
[[gnu::always_inline]] inline void Scan(std::size_t from, std::size_t to, std::size_t size, Look look,
                                        LookChar lookChar) {
    if (size < BlockBytes) {
        for (std::size_t k = 0; k < to - from; ++k)
            if (lookChar(Backwards ? to - 1 - k : from + k)) return;
    } else if constexpr (Backwards) {
        BlocksBackwards(from, to, size, look);
    } else {
        BlocksForwards(from, to, look);
    }
}

// The scan that stops at a mark: forwards, the offset of the first mark in
// [from, to), or `to` without any; backwards, the offset just after the
// last one, or `from`.  marksAt(at) gives the marks of the block at offset
// `at`, marked(i) whether the character at offset i is one.
template <bool Backwards, typename MarksAt, typename Marked>
[[gnu::always_inline]] inline std::size_t FindMark(std::size_t from, std::size_t to, std::size_t size, MarksAt marksAt,
                                                   Marked marked) {
    std::size_t found = Backwards ? from : to;
    Scan<Backwards>(
        from, to, size,
        [&](std::size_t at, std::size_t lo, std::size_t hi) {
            const Marks m = Lanes(marksAt(at), lo, hi);
            if (m == 0) return false;
            found = at + (Backwards ? AfterLastMark(m) : FirstMark(m));
            return true;
        },
        [&](std::size_t i) {
            if (!marked(i)) return false;
            found = Backwards ? i + 1 : i;
            return true;
        });
    return found;
}

constexpr bool Forwards = false;
constexpr bool Backwards = true;

// The separators among the first `end` of the `size` characters at `s`
// (any count of 64 or more may come out as another of 64 or more; see
// Tallies), and whether one is a dot: the counting scan.
[[gnu::always_inline]] inline SeparatorCount CountSeparators(const char *s, std::size_t end, std::size_t size) {
    Tallies tallies;
    Scan<Forwards>(
        0, end, size,
        [&](std::size_t at, std::size_t lo, std::size_t hi) {
            tallies.AddLanes(s + at, lo, hi);
            return false;
        },
        [&](std::size_t i) {
            tallies.AddChar(s[i]);
            return false;
        });
    return tallies.Result();
}

// The length of the common prefix of the first `n` characters at `a` and
// at `b`.
[[gnu::always_inline]] inline std::size_t CommonPrefix(const char *a, const char *b, std::size_t n) {
    return FindMark<Forwards>(
        0, n, n, [a, b](std::size_t at) { return DifferencesIn(a + at, b + at); },
        [a, b](std::size_t i) { return a[i] != b[i]; });
}

// The offset just after the last separator among the first `end` of the
// `size` characters at `s`, or 0 without any: where the leaf starts when
// `end` is the whole name.
[[gnu::always_inline]] inline std::size_t AfterLastSeparator(const char *s, std::size_t end, std::size_t size) {
    return FindMark<Backwards>(
        0, end, size, [s](std::size_t at) { return SeparatorsIn(s + at); },
        [s](std::size_t i) { return IsSeparator(s[i]); });
}

// The separators of the `size` characters at `s` from offset `from` on,
// one at a time, in order: a block's marks are kept until each has been
// handed out, so that the next one in the same block costs no look.  A
// name shorter than a block goes character by character.
class SeparatorCursor {
   public:
    [[gnu::always_inline]] SeparatorCursor(const char *s, std::size_t from, std::size_t size)
        : s_(s), size_(size), at_(from) {
        if (size < BlockBytes) return;
        if (from + BlockBytes > size) {
            at_ = size - BlockBytes;
            marks_ = From(SeparatorsIn(s + at_), from - at_);
        } else {
            marks_ = SeparatorsIn(s + from);
        }
    }
    // The offset of the next separator, or `size` when none is left.
    [[gnu::always_inline]] std::size_t Next() {
        if (size_ < BlockBytes) {
            while (at_ < size_ && !IsSeparator(s_[at_])) ++at_;
            return at_ < size_ ? at_++ : size_;
        }
        while (marks_ == 0) {
            const std::size_t next = at_ + BlockBytes;
            if (next >= size_) return size_;
            at_ = next + BlockBytes <= size_ ? next : size_ - BlockBytes;
            marks_ = From(SeparatorsIn(s_ + at_), next - at_);
        }
        const std::size_t found = at_ + FirstMark(marks_);
        marks_ &= marks_ - 1;
        return found;
    }

   private:
    const char *s_;
    std::size_t size_;
    std::size_t at_;
    Marks marks_ = 0;
};

// Appends the `n` characters at `s`, as far as they fit: in 16-byte
// blocks, the last one moved back to end with them, and fewer than 16 in
// two overlapping halves.  A few fixed-size moves, where a copy of a
// length the compiler knows to be short may otherwise become a slow
// string instruction.
[[gnu::always_inline]] inline void AppendCopy(TextOut &t, const char *s, std::size_t n) {
    const std::size_t room = TextBufferSize - 1 - t.len;
    if (n > room) n = room;
    char *d = t.data + t.len;
    if (n >= BlockBytes) {
        for (std::size_t i = 0; i + BlockBytes < n; i += BlockBytes) Move<BlockBytes>(d + i, s + i);
        Move<BlockBytes>(d + n - BlockBytes, s + n - BlockBytes);
    } else if (n >= 8) {
        Move<8>(d, s);
        Move<8>(d + n - 8, s + n - 8);
    } else if (n >= 4) {
        Move<4>(d, s);
        Move<4>(d + n - 4, s + n - 4);
    } else if (n > 0) {
        d[0] = s[0];
        d[n / 2] = s[n / 2];
        d[n - 1] = s[n - 1];
    }
    t.len += n;
}

// IndentUnit is blanks only, so the indentation of any depth is a run of
// blanks: the first characters of a line of them as long as a text.
constexpr std::size_t IndentWidth = sizeof IndentUnit - 1;
constexpr bool AllBlanks(const char *s) { return *s == '\0' || (*s == ' ' && AllBlanks(s + 1)); }
static_assert(AllBlanks(IndentUnit));

struct BlankLine {
    char blanks[TextBufferSize];
};
constexpr BlankLine MakeBlankLine() {
    BlankLine line{};
    for (char &c : line.blanks) c = ' ';
    return line;
}
constexpr BlankLine Blanks = MakeBlankLine();

// Blanks go in whole blocks of 16, the first two without a test, where two
// blocks more than the indentation still end inside the working buffer:
// the blanks written past the indentation are overwritten by what follows
// or lie after the text's end.
[[gnu::always_inline]] inline void AppendIndent(TextOut &t, std::size_t depth) {
    const std::size_t fit = (TextBufferSize - 1) / IndentWidth + 1;
    const std::size_t n = (depth < fit ? depth : fit) * IndentWidth;
    if (t.len + n + 2 * BlockBytes > TextBufferSize) return AppendCopy(t, Blanks.blanks, n);
    char *d = t.data + t.len;
    Move<BlockBytes>(d, Blanks.blanks);
    Move<BlockBytes>(d + BlockBytes, Blanks.blanks);
    // Tested at the end: the test stays out of the usual path whether or
    // not the compiler copies it in front of the loop.
    if (n > 2 * BlockBytes) {
        std::size_t i = 2 * BlockBytes;
        do {
            Move<BlockBytes>(d + i, Blanks.blanks);
            i += BlockBytes;
        } while (i < n);
    }
    t.len += n;
}

}  // namespace

std::size_t IndentLeafName(const char *name, char *out) {
    TextOut t{out, 0};
    const NameWalk walk = WalkName(name);
    const std::size_t len = walk.len;
    const SeparatorCount separators = walk.separators;
    const std::size_t leaf = walk.leafSearch > 0 ? AfterLastSeparator(name, walk.leafSearch, len) : walk.leaf;
    AppendIndent(t, separators.count);
    if (separators.dot) AppendChar(t, Dot);
    AppendCopy(t, name + leaf, len - leaf);
    return FinishText(t);
}

std::size_t StripLeafName(const char *name, char *out) {
    TextOut t{out, 0};
    // The leaf starts just after the last separator; without one it starts
    // at the beginning and nothing is left.
    const std::size_t len = std::strlen(name);
    const std::size_t leaf = AfterLastSeparator(name, len, len);
    if (leaf > 0) AppendCopy(t, name, leaf - 1);
    return FinishText(t);
}

std::size_t BuildHierarchyLines(const char *previous, const char *current, char *out) {
    TextOut t{out, 0};
    const std::size_t previousLen = std::strlen(previous);
    const std::size_t currentLen = std::strlen(current);

    // Common prefix of the two names.
    const std::size_t p = CommonPrefix(previous, current, previousLen < currentLen ? previousLen : currentLen);
    if (previous[p] == '\0' && current[p] == '\0') return FinishText(t);

    // Split point: new levels begin after index `split`.  A dot in the
    // current name that meets a blank or the end of the previous name is
    // itself the split; otherwise it is the last separator of the common
    // prefix, or "before the start" when the prefix holds none.  Either way
    // no separator lies between the split and the end of the prefix, so
    // the first segment after the split ends at the first separator after
    // the prefix (after the dot): when there is none, that segment is the
    // leaf and the current name opens no new level, whatever the split.
    const bool dotSplit = current[p] == Dot && (previous[p] == ' ' || previous[p] == '\0');
    SeparatorCursor separators(current, dotSplit ? p + 1 : p, currentLen);
    std::size_t end = separators.Next();
    if (end == currentLen) return FinishText(t);
    const std::ptrdiff_t split = dotSplit ? static_cast<std::ptrdiff_t>(p)
                                          : static_cast<std::ptrdiff_t>(AfterLastSeparator(current, p, currentLen)) - 1;
    auto start = static_cast<std::size_t>(split + 1);

    // Depth of the first new level: the levels before the split, counted
    // only when the split is not at the very start of the name.
    std::size_t depth = 0;
    if (split > 0) depth = CountSeparators(current, static_cast<std::size_t>(split), currentLen).count + 1;

    // One line per remaining segment; the leaf is never written.
    for (;;) {
        if (t.len > 0) AppendChar(t, '\n');
        AppendIndent(t, depth);
        if (current[end] == Dot) AppendChar(t, Dot);
        AppendCopy(t, current + start, end - start);
        ++depth;
        start = end + 1;
        if (TextFull(t)) break;
        end = separators.Next();
        if (end == currentLen) break;
    }
    return FinishText(t);
}

}  // namespace qelrpt
