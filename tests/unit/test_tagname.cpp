// The tag-name workers on plain strings: the example tables, the bound on
// every result, and agreement with an unbounded model on random names;
// each for the workers of this build and for the same source with its
// portable block primitives.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "functions/tagname.h"
#include "support/repeat.h"
#include "support/tagname_cases.h"
#include "support/tagname_workers.h"

namespace {

using qelrpt::TextBufferSize;

constexpr std::size_t kMaxText = TextBufferSize - 1;

// The worker's output in a buffer with a guard zone behind it, checked
// for writes past the 256 bytes the worker may use.
struct Output {
    char bytes[TextBufferSize + 64];
    Output() { std::memset(bytes, 0x5A, sizeof bytes); }
    std::string Checked(std::size_t reported) const {
        const std::size_t len = std::strlen(bytes);
        EXPECT_EQ(reported, len);
        EXPECT_LE(len, kMaxText);
        for (std::size_t i = TextBufferSize; i < sizeof bytes; ++i) EXPECT_EQ(bytes[i], 0x5A) << "byte " << i;
        return std::string(bytes, len);
    }
};

using Workers = workers::TagNameWorkers;

std::string Hier(const Workers &w, const std::string &previous, const std::string &current) {
    Output out;
    return out.Checked(w.hier(previous.c_str(), current.c_str(), out.bytes));
}
std::string Leaf(const Workers &w, const std::string &name) {
    Output out;
    return out.Checked(w.leaf(name.c_str(), out.bytes));
}
std::string Strip(const Workers &w, const std::string &name) {
    Output out;
    return out.Checked(w.strip(name.c_str(), out.bytes));
}

TEST(TagNameWorkers, HierarchyTable) {
    for (const Workers &w : workers::kTagName) {
        SCOPED_TRACE(w.what);
        for (const auto &c : cases::kHierarchy)
            EXPECT_EQ(Hier(w, c.previous, c.current), c.expected)
                << "previous '" << c.previous << "' current '" << c.current << "'";
    }
}

TEST(TagNameWorkers, IndentLeafTable) {
    for (const Workers &w : workers::kTagName) {
        SCOPED_TRACE(w.what);
        for (const auto &c : cases::kIndentLeaf) EXPECT_EQ(Leaf(w, c.name), c.expected) << "name '" << c.name << "'";
    }
}

TEST(TagNameWorkers, StripLeafTable) {
    for (const Workers &w : workers::kTagName) {
        SCOPED_TRACE(w.what);
        for (const auto &c : cases::kStripLeaf) EXPECT_EQ(Strip(w, c.name), c.expected) << "name '" << c.name << "'";
    }
}

// Unbounded models of the three functions, written from their definitions
// with std::string; the workers must give their first 255 characters.
bool IsSep(char c) { return c == '\\' || c == '.'; }

std::string ModelLeaf(const std::string &name) {
    const std::size_t last = name.find_last_of("\\.");
    if (last == std::string::npos) return name;
    std::string r;
    for (char c : name)
        if (IsSep(c)) r += "    ";
    if (name.find('.') != std::string::npos) r += '.';
    return r + name.substr(last + 1);
}

std::string ModelStrip(const std::string &name) {
    const std::size_t last = name.find_last_of("\\.");
    return last == std::string::npos ? std::string() : name.substr(0, last);
}

std::string ModelHier(const std::string &prev, const std::string &cur) {
    std::size_t p = 0;
    while (p < prev.size() && p < cur.size() && prev[p] == cur[p]) ++p;
    if (p == prev.size() && p == cur.size()) return {};
    long k = -1;
    const char prevAt = p < prev.size() ? prev[p] : '\0';
    if (p < cur.size() && cur[p] == '.' && (prevAt == ' ' || prevAt == '\0')) {
        k = static_cast<long>(p);
    } else {
        for (std::size_t i = 0; i < p; ++i)
            if (IsSep(cur[i])) k = static_cast<long>(i);
    }
    std::size_t d = 0;
    if (k > 0) {
        for (long i = 0; i < k; ++i) d += IsSep(cur[static_cast<std::size_t>(i)]) ? 1U : 0U;
        ++d;
    }
    std::string r;
    std::size_t start = static_cast<std::size_t>(k + 1);
    // Past the bound nothing is compared: the model stops there, or a name
    // of 10,000 separators would build 2 x 10^8 characters.
    for (std::size_t i = start; i < cur.size() && r.size() <= kMaxText; ++i) {
        if (!IsSep(cur[i])) continue;
        if (!r.empty()) r += '\n';
        for (std::size_t j = 0; j < d; ++j) r += "    ";
        if (cur[i] == '.') r += '.';
        r += cur.substr(start, i - start);
        ++d;
        start = i + 1;
    }
    return r;
}

std::string Bounded(const std::string &s) { return s.substr(0, kMaxText); }

std::string RandomName(std::mt19937 &rng, std::size_t maxLen) {
    static const char alphabet[] = "ab\\. \t\xE9";
    std::uniform_int_distribution<std::size_t> len(0, maxLen), pick(0, sizeof alphabet - 2);
    std::string s(len(rng), 'a');
    for (char &c : s) c = alphabet[pick(rng)];
    return s;
}

TEST(TagNameWorkers, AgreeWithModelOnRandomNames) {
    for (const Workers &w : workers::kTagName) {
        SCOPED_TRACE(w.what);
        std::mt19937 rng(20261208);
        for (int i = 0; i < 20000; ++i) {
            const std::size_t maxLen = i % 10 == 0 ? 400 : 12;
            const std::string cur = RandomName(rng, maxLen);
            // Previous names that share a prefix with the current one are the
            // interesting ones; make most of them so.
            std::string prev = RandomName(rng, maxLen);
            if (i % 3 != 0) prev = cur.substr(0, prev.size() % (cur.size() + 1)) + prev.substr(0, prev.size() % 4);
            ASSERT_EQ(Hier(w, prev, cur), Bounded(ModelHier(prev, cur))) << "'" << prev << "' / '" << cur << "'";
            ASSERT_EQ(Leaf(w, cur), Bounded(ModelLeaf(cur))) << "'" << cur << "'";
            ASSERT_EQ(Strip(w, cur), Bounded(ModelStrip(cur))) << "'" << cur << "'";
        }
    }
}

// Names of 0 to 65 characters, with separators at the edges of 16-byte
// blocks and at their ends, each placed at every offset from a 16-byte
// boundary, with the bytes before the name and after its NUL set to a
// backslash, a dot, a NUL or a letter, all of them or every other one:
// none of them is part of the name.
std::vector<std::string> BlockEdgeNames() {
    std::vector<std::string> names;
    for (const std::size_t len : {0U, 1U, 2U, 14U, 15U, 16U, 17U, 31U, 32U, 33U, 47U, 48U, 49U, 63U, 64U, 65U}) {
        names.emplace_back(len, 'n');
        for (const std::size_t at : {0U, 1U, 14U, 15U, 16U, 17U, 31U, 32U, 33U, 47U, 48U, 63U, 64U}) {
            for (const char sep : {'\\', '.'}) {
                if (at < len) names.push_back(std::string(len, 'n').replace(at, 1, 1, sep));
                if (at + 1 < len)
                    names.push_back(std::string(len, 'n').replace(at, 1, 1, sep).replace(len - 1, 1, 1, '\\'));
            }
        }
    }
    return names;
}

TEST(TagNameWorkers, NamesAtAnyPlaceInMemory) {
    const std::vector<std::string> names = BlockEdgeNames();
    for (const Workers &w : workers::kTagName) {
        SCOPED_TRACE(w.what);
        for (const std::string &name : names) {
            for (std::size_t offset = 0; offset < 16; ++offset) {
                for (const char around : {'\\', '.', '\0', 'x'}) {
                    for (const bool striped : {false, true}) {
                        alignas(16) char memory[16 + 80 + 16];
                        std::memset(memory, around, sizeof memory);
                        for (std::size_t i = 1; striped && i < sizeof memory; i += 2) memory[i] = 'x';
                        char *placed = memory + 16 + offset;
                        std::memcpy(placed, name.c_str(), name.size() + 1);
                        Output leaf, strip, hier, opened;
                        const std::string where = "'" + name + "' at offset " + std::to_string(offset) + " among '" +
                                                  std::string(1, around == '\0' ? '0' : around) + "'" +
                                                  (striped ? ", every other byte" : "");
                        EXPECT_EQ(leaf.Checked(w.leaf(placed, leaf.bytes)), ModelLeaf(name)) << where;
                        EXPECT_EQ(strip.Checked(w.strip(placed, strip.bytes)), ModelStrip(name)) << where;
                        EXPECT_EQ(hier.Checked(w.hier("", placed, hier.bytes)), ModelHier("", name)) << where;
                        const std::string before = name.substr(0, name.size() / 2);
                        EXPECT_EQ(opened.Checked(w.hier(before.c_str(), placed, opened.bytes)), ModelHier(before, name))
                            << where;
                    }
                }
            }
        }
    }
}

// Each name in an allocation of its own, exactly as long as the name and
// its NUL: a build with address checks reports any read past the NUL.
TEST(TagNameWorkers, NamesInAnAllocationOfTheirOwn) {
    const auto own = [](const std::string &name) {
        return std::vector<char>(name.c_str(), name.c_str() + name.size() + 1);
    };
    for (const Workers &w : workers::kTagName) {
        SCOPED_TRACE(w.what);
        for (const std::string &name : BlockEdgeNames()) {
            const std::vector<char> placed = own(name);
            const std::string before = name.substr(0, name.size() / 2);
            const std::vector<char> previous = own(before);
            Output leaf, strip, hier;
            EXPECT_EQ(leaf.Checked(w.leaf(placed.data(), leaf.bytes)), ModelLeaf(name)) << "'" << name << "'";
            EXPECT_EQ(strip.Checked(w.strip(placed.data(), strip.bytes)), ModelStrip(name)) << "'" << name << "'";
            EXPECT_EQ(hier.Checked(w.hier(previous.data(), placed.data(), hier.bytes)), ModelHier(before, name))
                << "'" << name << "'";
        }
    }
}

using support::Repeat;

TEST(TagNameWorkers, LongResultsAreCutAt255Characters) {
    for (const Workers &w : workers::kTagName) {
        SCOPED_TRACE(w.what);
        // 64 separators give 256 blanks of indentation: one too many.
        const std::string deep = Repeat("A\\", 64) + "Leaf";
        EXPECT_EQ(Leaf(w, deep), std::string(kMaxText, ' '));
        EXPECT_EQ(Leaf(w, Repeat("A\\", 63) + "Leaf"), std::string(252, ' ') + "Lea");
        EXPECT_EQ(Leaf(w, Repeat("A.", 63) + "L"), std::string(252, ' ') + ".L");

        // Deep hierarchies with long segments.
        const std::string longLevels = Repeat(std::string(40, 'x') + "\\", 12) + "leaf";
        EXPECT_EQ(Hier(w, "", longLevels), Bounded(ModelHier("", longLevels)));
        EXPECT_EQ(Hier(w, "", longLevels).size(), kMaxText);

        // 256 blocks of 16 characters with a separator in the same place
        // in each: more than one byte can count.
        const std::string sameLane = Repeat("\\" + std::string(15, 'a'), 256) + "leaf";
        EXPECT_EQ(Leaf(w, sameLane), std::string(kMaxText, ' '));
        EXPECT_EQ(Hier(w, "", sameLane), Bounded(ModelHier("", sameLane)));

        // 10,000-character names, with and without separators.
        const std::string flat(10000, 'n');
        const std::string seps = Repeat("ab\\", 3333) + "z";
        for (const std::string &name : {flat, seps, Repeat("\\", 10000), Repeat(".", 10000)}) {
            EXPECT_EQ(Leaf(w, name), Bounded(ModelLeaf(name)));
            EXPECT_EQ(Strip(w, name), Bounded(ModelStrip(name)));
            EXPECT_EQ(Hier(w, "", name), Bounded(ModelHier("", name)));
            EXPECT_EQ(Hier(w, name, name + "\\x"), Bounded(ModelHier(name, name + "\\x")));
        }
    }
}

}  // namespace
