// The tag-name functions through their exported entry points, called as the
// report engine calls them.
#include <gtest/gtest.h>

#include <string>

#include "engine.h"
#include "support/repeat.h"
#include "support/tagname_cases.h"

namespace {

using engine::Arg;
using engine::CallString;
using engine::CallStringSharingBuffer;

engine::Formula Entry(const char *name) { return engine::Library::Get().FormulaEntry(name); }

TEST(TagNameAbi, LibraryLoadsAndExportsTheEntryPoints) {
    ASSERT_TRUE(engine::Library::Get().Loaded()) << engine::Library::Get().Path();
    for (const char *name : {"QELFormula_IndentTagHier", "QELFormula_IndentTagName", "QELFormula_RemoveTagName"})
        EXPECT_NE(engine::Library::Get().Symbol(name), nullptr) << name;
}

TEST(TagNameAbi, ExampleTables) {
    const engine::Formula hier = Entry("QELFormula_IndentTagHier");
    const engine::Formula leaf = Entry("QELFormula_IndentTagName");
    const engine::Formula strip = Entry("QELFormula_RemoveTagName");
    for (const auto &c : cases::kHierarchy)
        EXPECT_EQ(CallString(hier, {Arg::Str(c.previous), Arg::Str(c.current)}), c.expected)
            << "'" << c.previous << "' / '" << c.current << "'";
    for (const auto &c : cases::kIndentLeaf) EXPECT_EQ(CallString(leaf, {Arg::Str(c.name)}), c.expected) << c.name;
    for (const auto &c : cases::kStripLeaf) EXPECT_EQ(CallString(strip, {Arg::Str(c.name)}), c.expected) << c.name;
}

TEST(TagNameAbi, MissingAndExtraArguments) {
    const engine::Formula hier = Entry("QELFormula_IndentTagHier");
    const engine::Formula leaf = Entry("QELFormula_IndentTagName");
    const engine::Formula strip = Entry("QELFormula_RemoveTagName");
    struct Row {
        engine::Formula f;
        std::vector<Arg> args;
        const char *expected;
    };
    const Row rows[] = {
        // No arguments at all: a null first-node pointer.
        {hier, {}, ""},
        {leaf, {}, ""},
        {strip, {}, ""},
        // One node for two parameters: the tag name is missing.
        {hier, {Arg::Str("A\\B")}, ""},
        // Extra nodes are never visited.
        {hier, {Arg::Str(""), Arg::Str("A\\B\\C"), Arg::Str("ignored")}, "A\n    B"},
        {leaf, {Arg::Str("A\\B"), Arg::Str("ignored"), Arg::Str("ignored")}, "    B"},
        {strip, {Arg::Str("A\\B"), Arg::Num(1.0), Arg::NullStr()}, "A"},
        // A present node with a null string pointer counts as missing; a
        // missing previous name reads as the empty one.
        {leaf, {Arg::NullStr()}, ""},
        {strip, {Arg::NullStr()}, ""},
        {hier, {Arg::Str("A"), Arg::NullStr()}, ""},
        {hier, {Arg::NullStr(), Arg::Str("A\\B\\C")}, "A\n    B"},
    };
    for (const auto &row : rows) EXPECT_EQ(CallString(row.f, row.args), row.expected);
}

TEST(TagNameAbi, NullResultBufferIsLeftAlone) {
    engine::CallStringWithoutBuffer(Entry("QELFormula_IndentTagHier"), {Arg::Str(""), Arg::Str("A\\B\\C")});
    engine::CallStringWithoutBuffer(Entry("QELFormula_IndentTagName"), {Arg::Str("A\\B")});
    engine::CallStringWithoutBuffer(Entry("QELFormula_RemoveTagName"), {Arg::Str("A\\B")});
}

using support::Repeat;

// A host may pass a name in the very buffer that receives the result: the
// answers are those of separate buffers, for the example tables and for
// names across the 16-byte block edges, sharing either name of a pair.
TEST(TagNameAbi, NameInTheResultBuffer) {
    const engine::Formula hier = Entry("QELFormula_IndentTagHier");
    const engine::Formula leaf = Entry("QELFormula_IndentTagName");
    const engine::Formula strip = Entry("QELFormula_RemoveTagName");
    for (const auto &c : cases::kHierarchy)
        for (const std::size_t shared : {0U, 1U})
            EXPECT_EQ(CallStringSharingBuffer(hier, {Arg::Str(c.previous), Arg::Str(c.current)}, shared), c.expected)
                << "'" << c.previous << "' / '" << c.current << "' sharing argument " << shared + 1;
    for (const auto &c : cases::kIndentLeaf)
        EXPECT_EQ(CallStringSharingBuffer(leaf, {Arg::Str(c.name)}, 0), c.expected) << c.name;
    for (const auto &c : cases::kStripLeaf)
        EXPECT_EQ(CallStringSharingBuffer(strip, {Arg::Str(c.name)}, 0), c.expected) << c.name;
    for (const std::size_t levels : {1U, 2U, 3U, 4U, 5U, 6U, 7U, 8U, 11U, 12U, 16U, 24U}) {
        const std::string name = Repeat("Lvl\\", levels) + "Leaf";  // 4 characters a level: edges at 16 and 32
        const std::string opened = Repeat("Lvl\\", levels / 2) + "Other";
        for (const std::size_t shared : {0U, 1U})
            EXPECT_EQ(CallStringSharingBuffer(hier, {Arg::Str(opened), Arg::Str(name)}, shared),
                      CallString(hier, {Arg::Str(opened), Arg::Str(name)}))
                << name << " sharing argument " << shared + 1;
        EXPECT_EQ(CallStringSharingBuffer(leaf, {Arg::Str(name)}, 0), CallString(leaf, {Arg::Str(name)})) << name;
        EXPECT_EQ(CallStringSharingBuffer(strip, {Arg::Str(name)}, 0), CallString(strip, {Arg::Str(name)})) << name;
    }
}

TEST(TagNameAbi, LongNamesNeverOverrunTheHostBuffer) {
    const engine::Formula hier = Entry("QELFormula_IndentTagHier");
    const engine::Formula leaf = Entry("QELFormula_IndentTagName");
    const engine::Formula strip = Entry("QELFormula_RemoveTagName");
    // CallString itself fails the test on a result over 255 characters or
    // on any write behind the result's NUL.
    EXPECT_EQ(CallString(leaf, {Arg::Str(Repeat("A\\", 64) + "Z")}), std::string(255, ' '));
    EXPECT_EQ(CallString(leaf, {Arg::Str(Repeat("A\\", 200) + "Z")}), std::string(255, ' '));
    const std::string huge = Repeat("Level\\", 2000);
    EXPECT_EQ(CallString(strip, {Arg::Str(huge)}), huge.substr(0, 255));
    EXPECT_EQ(CallString(hier, {Arg::Str(""), Arg::Str(huge)}).size(), 255U);
    const std::string longLevel(10000, 'x');
    EXPECT_EQ(CallString(hier, {Arg::Str(longLevel), Arg::Str(longLevel + "\\y\\z")}), longLevel.substr(0, 255));
    EXPECT_EQ(CallString(hier, {Arg::Str(longLevel + "\\a"), Arg::Str(longLevel + "\\y\\z")}), "    y");
}

}  // namespace
