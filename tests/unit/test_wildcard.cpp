// The wildcard matcher on plain strings: the example tables, agreement with
// the recursive backtracking reference on random and on all short inputs,
// an independent public case list, and hostile inputs that the reference
// could never finish.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "functions/wildcard.h"
#include "support/repeat.h"
#include "support/wildcard_cases.h"
#include "support/wildcard_oracle.h"

namespace qelrpt_portable {
int WildcardMatch(const char *candidate, const char *pattern);
}  // namespace qelrpt_portable

namespace {

int Match(const std::string &candidate, const std::string &pattern) {
    return qelrpt::WildcardMatch(candidate.c_str(), pattern.c_str());
}

int Reference(const std::string &candidate, const std::string &pattern) {
    return oracle::RecursiveWildcardMatch(candidate.c_str(), pattern.c_str());
}

using Row = cases::MatchCase;

// Further cases, each aimed at one way a non-recursive matcher can go
// wrong.
constexpr Row kEdgeRows[] = {
    // Star and percent in the candidate are ordinary characters; in the
    // pattern they are always wildcards ("%" takes any one character).
    {"a%c", "a%c", 1},
    {"a*c", "a%c", 1},
    {"%", "%", 1},
    {"*", "%", 1},
    {"ab", "a*", 1},
    {"a", "*", 1},
    {"*", "**", 1},
    {"", "**", 1},
    {"", "*%", 0},
    {"", "%*", 0},
    {"a", "%*", 1},
    // The pattern or the candidate ends first.
    {"a", "", 0},
    {"abc", "abc*", 1},
    {"abc", "abc%", 0},
    {"abc", "abcd*", 0},
    {"ab", "a", 0},
    // The first occurrence of the literal after a star is the wrong one,
    // so the star has to take more.
    {"abab", "*ab", 1},
    {"aaab", "*aab", 1},
    {"ababx", "*abx", 1},
    {"abababc", "*ababc", 1},
    {"xaybaqz", "*a%z", 1},
    {"xazbaz", "*a%z", 0},
    {"abcabd", "*ab%", 1},
    {"abcabd", "*abc", 0},
    {"aXbXc", "*X*c", 1},
    {"aXbXdc", "*X%c", 1},
    {"aXdbYc", "*X%c", 0},
    // A literal run that fails only at its end.
    {"aaaaaab", "*aab", 1},
    {"aaaaaac", "*aab", 0},
    {"abcabcabd", "*abcabd", 1},
    // Several star runs; only the last has to take more.
    {"aaa", "a*a*a", 1},
    {"aa", "a*a*a", 0},
    {"xyxyxyz", "*xy*yz", 1},
    {"abcbcd", "*bc*d", 1},
    {"abcbcd", "*bc*bd", 0},
    {"abcdbcd", "a*bcd*bcd", 1},
    {"abcbcd", "a*bcd*bcd", 0},
    // A star followed by percents before the literal.
    {"abc", "*%c", 1},
    {"ac", "*%%c", 0},
    {"bca", "*%a", 1},
    {"ba", "*%%", 1},
    {"b", "*%%", 0},
    {"abcd", "*%b*", 1},
    {"abcd", "*%%b*", 0},
    // The star that must stay short is not the last one.
    {"abXcdXef", "*X*X*", 1},
    {"abXcd", "*X*X*", 0},
    // Segments searched by a letter behind separators or "%", and
    // segments of separators only.
    {"A\\B.C", "*\\B*", 1},
    {"A\\x\\B", "*\\B*", 1},
    {"AB\\B", "*\\B*", 1},
    {"AB\\C", "*\\B*", 0},
    {"B\\C", "*%\\B*", 0},
    {"xB", "*%B*", 1},
    {"B", "*%B*", 0},
    {"X", "*%%X*", 0},
    {"abX", "*%%X*", 1},
    {"abX", "*X%%*", 0},
    {"abXcd", "*X%%*", 1},
    {"\\.", "*\\.*", 1},
    {"a.\\b", "*.\\*", 1},
    {"a\\.b", "*.\\*", 0},
    {"..x.y", "*.%.*", 1},
    {"..x", "*.%.*", 0},
    {"a.b", "*%%%*", 1},
    {"a.", "*%%%*", 0},
    // Tag names.
    {"Plant1\\Area3\\Pump07.Speed", "Plant1\\*\\Pump%%.*", 1},
    {"Plant1\\Area3\\Pump7.Speed", "Plant1\\*\\Pump%%.*", 0},
    {"Plant1\\Area3\\Pump07.Speed", "*Pump*", 1},
    {"Plant1\\Area3\\Pump07.Speed", "*.Speed", 1},
    {"Plant1\\Area3\\Pump07.Speed", "*.speed", 0},
    {"Plant1\\Area3\\Pump07.Speed", "Plant1\\Area3\\Pump07.Speed", 1},
    {"Plant1\\Area3\\Pump07.Speed", "Plant1\\Area3\\Pump07.Spee", 0},
    // Bytes above 127 are ordinary characters, also as a star's literal.
    {"\xE9t\xE9", "*\xE9", 1},
    {"\xE9t\xE9", "%t\xE9", 1},
    {"\xE9t\xE9", "*\xC9", 0},
    {"\xFF\x80", "*\x80", 1},
};

void CheckRows(const Row *begin, const Row *end) {
    for (const Row *row = begin; row != end; ++row) {
        EXPECT_EQ(Match(row->candidate, row->pattern), row->expected)
            << "matcher: '" << row->candidate << "' against '" << row->pattern << "'";
        EXPECT_EQ(Reference(row->candidate, row->pattern), row->expected)
            << "reference: '" << row->candidate << "' against '" << row->pattern << "'";
    }
}

TEST(WildcardMatch, DocumentedExamples) { CheckRows(std::begin(cases::kMatch), std::end(cases::kMatch)); }

TEST(WildcardMatch, EdgeCases) { CheckRows(std::begin(kEdgeRows), std::end(kEdgeRows)); }

// Counts agreement between matcher and reference, reporting the first few
// differences in full.
class Comparison {
   public:
    void Check(const char *candidate, const char *pattern) {
        const int got = qelrpt::WildcardMatch(candidate, pattern);
        const int want = oracle::RecursiveWildcardMatch(candidate, pattern);
        ++pairs_;
        if (want != 0) ++matches_;
        if (got != want && ++differences_ <= 10)
            ADD_FAILURE() << "'" << candidate << "' against '" << pattern << "': matcher " << got << ", reference "
                          << want;
    }
    std::uint64_t Pairs() const { return pairs_; }
    std::uint64_t Matches() const { return matches_; }
    std::uint64_t Differences() const { return differences_; }

   private:
    std::uint64_t pairs_ = 0, matches_ = 0, differences_ = 0;
};

// Calls `visit` with every string of length 0 to `maxLen` over `alphabet`.
template <typename Visit>
void ForEachString(const char *alphabet, std::size_t maxLen, Visit visit) {
    const std::size_t base = std::char_traits<char>::length(alphabet);
    std::vector<std::size_t> digits;
    std::string s;
    for (std::size_t len = 0; len <= maxLen; ++len) {
        digits.assign(len, 0);
        s.assign(len, alphabet[0]);
        for (;;) {
            visit(s.c_str());
            std::size_t i = 0;
            while (i < len && ++digits[i] == base) {
                digits[i] = 0;
                s[i] = alphabet[0];
                ++i;
            }
            if (i == len) break;
            s[i] = alphabet[digits[i]];
        }
    }
}

std::uint64_t CountStrings(std::uint64_t base, std::uint64_t maxLen) {
    std::uint64_t total = 0, power = 1;
    for (std::uint64_t len = 0; len <= maxLen; ++len, power *= base) total += power;
    return total;
}

TEST(WildcardMatch, AgreesWithReferenceOnAllShortInputs) {
    struct Space {
        const char *candidateAlphabet;
        std::size_t candidateMax;
        const char *patternAlphabet;
        std::size_t patternMax;
    };
    // Every candidate over {a, b} against every pattern over {a, b, *, %};
    // then candidates that hold "*" and "%" themselves; then level
    // separators, and separators with a capital.
    const Space spaces[] = {
        {"ab", 6, "ab*%", 6},
        {"ab*%", 4, "ab*%", 5},
        {"a\\.", 4, "a\\.*%", 5},
        {"aA\\", 5, "aA\\*%", 5},
    };
    for (const Space &space : spaces) {
        Comparison cmp;
        ForEachString(space.candidateAlphabet, space.candidateMax, [&](const char *candidate) {
            ForEachString(space.patternAlphabet, space.patternMax,
                          [&](const char *pattern) { cmp.Check(candidate, pattern); });
        });
        const std::uint64_t expectedPairs =
            CountStrings(std::char_traits<char>::length(space.candidateAlphabet), space.candidateMax) *
            CountStrings(std::char_traits<char>::length(space.patternAlphabet), space.patternMax);
        EXPECT_EQ(cmp.Pairs(), expectedPairs);
        EXPECT_EQ(cmp.Differences(), 0U);
        std::printf(
            "[   INFO   ] candidates over {%s} up to %zu, patterns over {%s} up to %zu: %llu pairs, "
            "%llu matches\n",
            space.candidateAlphabet, space.candidateMax, space.patternAlphabet, space.patternMax,
            static_cast<unsigned long long>(cmp.Pairs()), static_cast<unsigned long long>(cmp.Matches()));
    }
}

// Random candidates and patterns of 0 to 12 characters.  Half of the
// patterns are unrelated to their candidate; the other half are made from
// it (characters turned into "%", runs replaced by "*", stars inserted, a
// character changed), so that matches and near misses are common.
constexpr std::size_t kMaxRandomLen = 12;

class Generator {
   public:
    explicit Generator(std::uint64_t seed) : rng_(seed) {}

    // A value in [0, n), the same on every platform.
    std::size_t Below(std::size_t n) { return static_cast<std::size_t>(rng_() % n); }

    // A string of 0 to kMaxRandomLen characters drawn from `weighted`, in
    // which a character appears as often as it should be drawn.
    std::size_t Fill(char *out, const std::string &weighted) {
        const std::size_t len = Below(kMaxRandomLen + 1);
        for (std::size_t i = 0; i < len; ++i) out[i] = weighted[Below(weighted.size())];
        out[len] = '\0';
        return len;
    }

    // A pattern of at most kMaxRandomLen characters derived from the
    // candidate, with characters from `weighted` put in here and there.
    void Derive(const char *candidate, std::size_t len, const std::string &weighted, char *out) {
        std::size_t o = 0;
        std::size_t i = 0;
        while (i < len && o < kMaxRandomLen) {
            switch (Below(10)) {
                case 0:
                    out[o++] = '%';
                    ++i;
                    break;
                case 1:
                    out[o++] = '*';
                    i += Below(4);
                    break;
                case 2:
                    out[o++] = '*';
                    break;
                case 3:
                    out[o++] = weighted[Below(weighted.size())];
                    ++i;
                    break;
                default:
                    out[o++] = candidate[i++];
                    break;
            }
        }
        if (o < kMaxRandomLen && Below(4) == 0) out[o++] = '*';
        out[o] = '\0';
    }

   private:
    std::mt19937_64 rng_;
};

TEST(WildcardMatch, AgreesWithReferenceOnRandomInputs) {
    struct Sample {
        const char *what;
        std::string candidateChars, patternChars;  // weighted alphabets
        std::uint64_t pairs;
    };
    // Letters with "*" and "%" in both; then level separators, which the
    // matcher treats differently when it searches.
    const Sample samples[] = {
        {"letters", "aaabbb*%", "aaabb**%", 3000000},
        {"separators", "aa\\\\..b%", "a\\\\..b**%", 1000000},
        // Capitals are the keys the matcher jumps to first, alone or after
        // a separator.
        {"capitals", "aaAAB\\.b%", "aAAB\\.b**%", 1000000},
    };
    Generator gen(0x5157494C44ULL);
    char candidate[kMaxRandomLen + 1];
    char pattern[kMaxRandomLen + 1];
    for (const Sample &sample : samples) {
        Comparison cmp;
        for (std::uint64_t i = 0; i < sample.pairs; ++i) {
            const std::size_t len = gen.Fill(candidate, sample.candidateChars);
            if (i % 2 == 0) {
                gen.Fill(pattern, sample.patternChars);
            } else {
                gen.Derive(candidate, len, sample.patternChars, pattern);
            }
            cmp.Check(candidate, pattern);
            if (cmp.Differences() >= 10) break;
        }
        EXPECT_EQ(cmp.Pairs(), sample.pairs) << sample.what;
        EXPECT_EQ(cmp.Differences(), 0U) << sample.what;
        // Both answers must be common, or the comparison says little.
        EXPECT_GT(cmp.Matches(), sample.pairs / 10) << sample.what;
        EXPECT_LT(cmp.Matches(), sample.pairs - sample.pairs / 10) << sample.what;
        std::printf("[   INFO   ] %s: %llu random pairs, %llu matches\n", sample.what,
                    static_cast<unsigned long long>(cmp.Pairs()), static_cast<unsigned long long>(cmp.Matches()));
    }
}

// An independent public list of wildcard cases, tests/data/
// wildcard_public_cases.tsv (its header names its source and licence).
// Lines: suite function, candidate, pattern, expected (1 or 0), separated
// by tabs; lines that begin with "#" are comments.
TEST(WildcardMatch, PublicCaseList) {
    const char *path = QELRPT_WILDCARD_PUBLIC_CASES;
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << "cannot read the public case list " << path;
    std::string line;
    std::size_t lineNo = 0, cases = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> fields;
        std::size_t start = 0;
        for (;;) {
            const std::size_t tab = line.find('\t', start);
            fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
            if (tab == std::string::npos) break;
            start = tab + 1;
        }
        if (fields.size() != 4 || (fields[3] != "0" && fields[3] != "1")) {
            ADD_FAILURE() << path << ":" << lineNo << ": malformed line '" << line << "'";
            continue;
        }
        const int expected = fields[3] == "1" ? 1 : 0;
        const std::string &candidate = fields[1];
        const std::string &pattern = fields[2];
        EXPECT_EQ(Match(candidate, pattern), expected) << path << ":" << lineNo << " (" << fields[0] << "): matcher, '"
                                                       << candidate << "' against '" << pattern << "'";
        EXPECT_EQ(Reference(candidate, pattern), expected)
            << path << ":" << lineNo << " (" << fields[0] << "): reference, '" << candidate << "' against '" << pattern
            << "'";
        ++cases;
    }
    EXPECT_GT(cases, 0U) << path << " holds no cases";
    std::printf("[   INFO   ] %zu public cases from %s\n", cases, path);
}

using support::Repeat;

// Long candidates and long segments, where the matcher leaves the simple
// search for its linear ones (Two-Way, Shift-And over 64-bit pieces, the
// tail comparison): periodic texts over two or three letters with a
// character changed here and there, against segments cut from them (up
// to 300 characters, so several 64-character pieces) with near misses
// and "%" put in.  The reference is the table-driven matcher, whose time
// does not depend on the pattern's shape.
class LongInputs {
   public:
    explicit LongInputs(std::uint64_t seed) : rng_(seed) {}

    std::size_t Below(std::size_t n) { return static_cast<std::size_t>(rng_() % n); }

    // A unit such as "aab" repeated, with a few characters changed, or
    // random letters.
    std::string Candidate() {
        static const char *const units[] = {"a", "ab", "aab", "aaab", "abaab", "abcab", "aabaabab"};
        if (Below(4) == 0) {
            std::string s(Below(700) + 1, 'a');
            for (char &c : s) c = "aab"[Below(3)];
            return s;
        }
        const std::string unit = units[Below(std::size(units))];
        std::string s = Repeat(unit, Below(700) / unit.size() + 1);
        const std::size_t changes = Below(4);
        for (std::size_t i = 0; i < changes; ++i) s[Below(s.size())] = "abc"[Below(3)];
        return s;
    }

    // A piece of the candidate of 1 to `longest` characters, perhaps with
    // one character changed (a near miss) and a run of "%" put in.
    std::string Segment(const std::string &candidate, std::size_t longest) {
        const std::size_t len = Below(longest) + 1;
        // Often near the start, where the simple search goes over to a
        // linear one soonest.
        const std::size_t room = candidate.size() > len ? candidate.size() - len + 1 : 1;
        const std::size_t at = Below(Below(2) == 0 && room > 8 ? 8 : room);
        std::string seg = candidate.substr(at, len);
        if (seg.empty()) seg = "a";
        if (Below(3) == 0) seg[Below(seg.size())] = "abc"[Below(3)];
        if (Below(3) == 0) {
            const std::size_t from = Below(seg.size());
            const std::size_t run = Below(seg.size() - from) + 1;
            for (std::size_t i = from; i < from + run && i < from + 3 + Below(70); ++i) seg[i] = '%';
        }
        return seg;
    }

    // A head (often empty), one to three segments, each after a star, and
    // sometimes a trailing star.
    std::string Pattern(const std::string &candidate) {
        std::string p = Below(4) == 0 ? candidate.substr(0, Below(4)) : "";
        const std::size_t segments = Below(3) + 1;
        for (std::size_t i = 0; i < segments; ++i) p += "*" + Segment(candidate, i == 0 ? 300 : 120);
        if (Below(2) == 0) p += "*";
        return p;
    }

   private:
    std::mt19937_64 rng_;
};

TEST(WildcardMatch, AgreesWithTableOnLongSegments) {
    LongInputs gen(0x4C4F4E47ULL);
    std::size_t matches = 0, pairs = 0, differences = 0;
    for (; pairs < 3000 && differences < 10; ++pairs) {
        const std::string candidate = gen.Candidate();
        const std::string pattern = gen.Pattern(candidate);
        const int expected = oracle::TableWildcardMatch(candidate, pattern);
        matches += static_cast<std::size_t>(expected);
        if (Match(candidate, pattern) != expected) {
            ++differences;
            ADD_FAILURE() << "'" << candidate << "' against '" << pattern << "': expected " << expected;
        }
    }
    EXPECT_GT(matches, pairs / 10);
    EXPECT_LT(matches, pairs - pairs / 10);
}

// Random patterns of one to four star-separated segments of 1 to 20
// characters, each with "%" runs at its ends and here and there inside,
// against candidates built to nearly match them: each segment written out
// (its "%" as any letter), sometimes with one character changed, after
// fillers that are the segment's own near misses, repeated so that the
// search often goes over to its linear methods.
class SegmentInputs {
   public:
    explicit SegmentInputs(std::uint64_t seed) : rng_(seed) {}

    std::string Segment() {
        std::string seg(Below(4), '%');
        const std::size_t core = 1 + Below(20);
        for (std::size_t i = 0; i < core; ++i) seg += Below(6) == 0 && i > 0 ? '%' : Letter();
        seg.append(Below(4), '%');
        return seg;
    }
    // The segment written out, with its "%" as letters, and maybe one
    // character changed.
    std::string Written(const std::string &seg) {
        std::string s = seg;
        for (char &c : s)
            if (c == '%') c = Letter();
        if (!s.empty() && Below(2) == 0) {
            char &c = s[Below(s.size())];
            c = c == 'a' ? 'b' : 'a';
        }
        return s;
    }
    std::string Filler(const std::string &seg) {
        std::string s;
        const std::size_t copies = Below(4) == 0 ? Below(60) : Below(3);
        for (std::size_t i = 0; i < copies; ++i) s += Written(seg).substr(0, 1 + Below(seg.size()));
        for (std::size_t i = Below(4); i > 0; --i) s += Letter();
        return s;
    }
    void Make(std::string &candidate, std::string &pattern) {
        candidate.clear();
        pattern = Below(3) == 0 ? Segment() : "";
        candidate = Written(pattern);
        for (std::size_t k = 1 + Below(4); k > 0; --k) {
            const std::string seg = Segment();
            pattern += "*" + seg;
            candidate += Filler(seg) + Written(seg);
        }
        if (Below(2) == 0) {
            pattern += "*";
            candidate += Filler(pattern.substr(pattern.size() - 3));
        }
    }

   private:
    std::size_t Below(std::size_t n) { return static_cast<std::size_t>(rng_() % n); }
    char Letter() { return "aab"[Below(3)]; }
    std::mt19937_64 rng_;
};

TEST(WildcardMatch, AgreesWithTableOnSegmentsWithPercentRuns) {
    SegmentInputs gen(0x50455243ULL);
    std::size_t matches = 0, pairs = 0, differences = 0;
    std::string candidate, pattern;
    for (; pairs < 8000 && differences < 10; ++pairs) {
        gen.Make(candidate, pattern);
        const int expected = oracle::TableWildcardMatch(candidate, pattern);
        matches += static_cast<std::size_t>(expected);
        if (Match(candidate, pattern) != expected) {
            ++differences;
            ADD_FAILURE() << "'" << candidate << "' against '" << pattern << "': expected " << expected;
        }
    }
    EXPECT_GT(matches, pairs / 10);
    EXPECT_LT(matches, pairs - pairs / 10);
    std::printf("[   INFO   ] %zu pairs, %zu matches\n", pairs, matches);
}

// The last segment is compared with the candidate's tail eight or four
// characters at a time, "%" left out of the comparison: every length up to
// 17, with a "%" at every place (or none) and a difference at every place
// (or none), over the bytes a word-wide test for "%" mistakes most easily:
// "$" and "&" are one bit from it, 0xA5 is "%" with its top bit set, and
// 0x05 and "e" share its low bits.
TEST(WildcardMatch, LastSegmentComparedAWordAtATime) {
    const std::string nearby =
        "$&\xA5\x05"
        "e";
    std::size_t cases = 0, matches = 0;
    for (std::size_t len = 1; len <= 17; ++len) {
        for (std::size_t shift = 0; shift < nearby.size(); ++shift) {
            std::string leaf(len, ' ');
            for (std::size_t i = 0; i < len; ++i) leaf[i] = nearby[(i + shift) % nearby.size()];
            for (std::size_t wild = 0; wild <= len; ++wild) {            // len: no "%"
                for (std::size_t differ = 0; differ <= len; ++differ) {  // len: no difference
                    std::string segment = leaf;
                    if (wild < len) segment[wild] = '%';
                    std::string tail = leaf;
                    if (differ < len) tail[differ] = static_cast<char>(tail[differ] ^ 1);
                    for (const std::string &head : {std::string("*\\"), std::string("*")}) {
                        const std::string pattern = head + segment;
                        const std::string candidate = "ab\\" + tail;
                        const int expected = Reference(candidate, pattern);
                        EXPECT_EQ(Match(candidate, pattern), expected)
                            << "'" << candidate << "' against '" << pattern << "'";
                        ++cases;
                        matches += static_cast<std::size_t>(expected);
                    }
                }
            }
        }
    }
    EXPECT_GT(matches, cases / 10);
    EXPECT_LT(matches, cases - cases / 10);
}

// A head that agrees for 16 characters is compared 16 at a time, within
// the lengths of both texts: heads of 16 to 49 characters against names
// that end before, with or after them, with a difference, a "%", two "%"
// close together (a short last block), a star or the pattern's end at
// every place; and names that hold a star of their own there.  The names
// hold bytes that differ from "*" and "%" only in their top bit.  The plain block loop of builds without SSE2 is
// checked alongside.
TEST(WildcardMatch, LongHeadsComparedABlockAtATime) {
    const std::string text = Repeat(
        "Plant\\Area\xAA"
        "7.Pump\xA5",
        4);
    const auto changed = [](std::string s, std::size_t at, char c) {
        if (at < s.size()) s[at] = c;
        return s;
    };
    std::size_t cases = 0, matches = 0;
    for (std::size_t len = 16; len < 50; ++len) {
        const std::string head = text.substr(0, len);
        for (std::size_t at = 0; at <= len; ++at) {
            const std::string patterns[] = {
                changed(head, at, static_cast<char>(at < len ? head[at] ^ 1 : 'x')),
                changed(head, at, '%'),
                changed(changed(head, at, '%'), at + 3, '%'),
                head.substr(0, at) + "*" + head.substr(std::min(at + 2, len)),
                head.substr(0, at),
                head.substr(0, at) + "%*",
            };
            for (const std::string &pattern : patterns) {
                // The last holds a star where the fourth pattern has one.
                const std::string starred = head.substr(0, at) + "*x" + head.substr(std::min(at + 2, len));
                for (const std::string &candidate : {head, head.substr(0, at), head + "x", starred}) {
                    const int expected = Reference(candidate, pattern);
                    EXPECT_EQ(Match(candidate, pattern), expected)
                        << "'" << candidate << "' against '" << pattern << "'";
                    EXPECT_EQ(qelrpt_portable::WildcardMatch(candidate.c_str(), pattern.c_str()), expected)
                        << "plain blocks: '" << candidate << "' against '" << pattern << "'";
                    ++cases;
                    matches += static_cast<std::size_t>(expected);
                }
            }
        }
    }
    EXPECT_GT(matches, cases / 10);
    EXPECT_LT(matches, cases - cases / 10);
}

// Segments built to defeat the simple search: long runs that fail only at
// their end, periodic segments shifted against their text, "%" runs
// longer than a 64-bit piece, and each as a match and as a near miss.
TEST(WildcardMatch, LinearSearchesOnHardSegments) {
    struct Case {
        std::string candidate, pattern;
    };
    const std::string run(1000, 'a');
    const std::string aab = Repeat("aab", 400);
    const std::string ab = Repeat("ab", 600);
    const Case cases[] = {
        {run, "*" + std::string(200, 'a') + "b*"},
        {run + "b" + run, "*" + std::string(200, 'a') + "b*"},
        {run + "b" + run, "*" + std::string(200, 'a') + "b*" + std::string(300, 'a') + "*"},
        {run + "b" + run, "*" + std::string(200, 'a') + "b*" + std::string(1001, 'a') + "*"},
        {aab, "*" + Repeat("aab", 90) + "b*"},
        {aab + "b" + aab, "*" + Repeat("aab", 90) + "b*"},
        {aab + "b" + aab, "*" + Repeat("aab", 90) + "ba*"},
        {aab + "ab" + aab, "*" + Repeat("aba", 90) + "*b"},
        {aab, "*" + Repeat("a%", 100) + "b*"},
        {ab, "*" + Repeat("a%", 100) + "b*"},
        {ab, "*" + Repeat("a%", 100) + "a*"},
        {ab + "c" + ab, "*" + Repeat("a%", 70) + "c" + Repeat("%b", 70) + "*"},
        {ab + "c" + ab, "*" + Repeat("a%", 70) + "c" + Repeat("%b", 70) + "%*"},
        {run, "*" + std::string(130, '%') + "a" + std::string(130, '%') + "*"},
        {run, "*%" + std::string(300, 'a') + "%b*"},
        {std::string(100, 'a') + "b", "*" + std::string(99, 'a') + "b"},
        {std::string(100, 'a') + "b", "*" + std::string(99, 'a') + "%"},
        {std::string(100, 'a') + "b", "*" + std::string(100, 'a') + "%"},
        {run + "b", "*" + std::string(150, 'a') + "%*" + std::string(150, 'a') + "b"},
        {run + "b", "*" + std::string(150, 'a') + "%*" + std::string(150, 'a') + "a"},
        {run + "ba", "*" + std::string(150, 'a') + "%*" + std::string(150, 'a') + "%b%"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(Match(c.candidate, c.pattern), oracle::TableWildcardMatch(c.candidate, c.pattern))
            << "candidate of " << c.candidate.size() << ", pattern '" << c.pattern << "'";
    }
}

// Inputs on which backtracking over every star takes time n ^ k: long runs
// of one character against many star runs.  The matcher must answer them
// all (the reference only the small ones).
TEST(WildcardMatch, HostileInputsAreAnswered) {
    struct Family {
        const char *name;
        std::string (*candidate)(std::size_t n);
        std::string (*pattern)(std::size_t k);
        bool (*expected)(std::size_t n, std::size_t k);
    };
    const Family families[] = {
        {"a^n against (*a)^k*b", [](std::size_t n) { return std::string(n, 'a'); },
         [](std::size_t k) { return Repeat("*a", k) + "*b"; }, [](std::size_t, std::size_t) { return false; }},
        {"a^n b against (*a)^k*b", [](std::size_t n) { return std::string(n, 'a') + "b"; },
         [](std::size_t k) { return Repeat("*a", k) + "*b"; }, [](std::size_t n, std::size_t k) { return n >= k; }},
        {"a^n against (*a)^k*", [](std::size_t n) { return std::string(n, 'a'); },
         [](std::size_t k) { return Repeat("*a", k) + "*"; }, [](std::size_t n, std::size_t k) { return n >= k; }},
        {"a^n against (*a)^k", [](std::size_t n) { return std::string(n, 'a'); },
         [](std::size_t k) { return Repeat("*a", k); }, [](std::size_t n, std::size_t k) { return n >= k; }},
        {"a^n against (*%)^k*b", [](std::size_t n) { return std::string(n, 'a'); },
         [](std::size_t k) { return Repeat("*%", k) + "*b"; }, [](std::size_t, std::size_t) { return false; }},
        {"a^n b against (*%)^k", [](std::size_t n) { return std::string(n, 'a') + "b"; },
         [](std::size_t k) { return Repeat("*%", k); }, [](std::size_t n, std::size_t k) { return n + 1 >= k; }},
        // One star before a long literal run that fails only at its end:
        // the most steps for a matcher that lets the star take one more
        // character after each failure.
        {"a^n against *a^k b", [](std::size_t n) { return std::string(n, 'a'); },
         [](std::size_t k) { return "*" + std::string(k, 'a') + "b"; }, [](std::size_t, std::size_t) { return false; }},
        {"a^n b against *a^k b", [](std::size_t n) { return std::string(n, 'a') + "b"; },
         [](std::size_t k) { return "*" + std::string(k, 'a') + "b"; },
         [](std::size_t n, std::size_t k) { return n >= k; }},
    };
    const std::size_t lengths[] = {0, 1, 2, 7, 8, 9, 31, 32, 33, 255, 1000, 100000};
    const std::size_t runs[] = {1, 2, 8, 32};
    for (const Family &family : families) {
        for (const std::size_t n : lengths) {
            const std::string candidate = family.candidate(n);
            for (const std::size_t k : runs) {
                const std::string pattern = family.pattern(k);
                const int expected = family.expected(n, k) ? 1 : 0;
                EXPECT_EQ(Match(candidate, pattern), expected) << family.name << ", n = " << n << ", k = " << k;
                if (n <= 33 && k <= 2) {
                    EXPECT_EQ(Reference(candidate, pattern), expected)
                        << "reference: " << family.name << ", n = " << n << ", k = " << k;
                }
            }
        }
    }
    // A 255-character name against eight star runs.
    EXPECT_EQ(Match(std::string(255, 'a'), "*a*a*a*a*a*a*a*a*b"), 0);
    EXPECT_EQ(Match(std::string(255, 'a') + "b", "*a*a*a*a*a*a*a*a*b"), 1);
}

}  // namespace
