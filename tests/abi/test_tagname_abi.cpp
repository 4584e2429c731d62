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
