// The wildcard match through its export.
#include <gtest/gtest.h>

#include <string>

#include "host.h"

namespace {

using host::Arg;

TEST(WildcardAbi, MatchTable) {
    const host::Formula f = host::Library::Get().FormulaEntry("QELFormula_PatternMatch");
    struct Row {
        const char *candidate, *pattern;
        int expected;
    };
    const Row rows[] = {
        {"abc", "abc", 1},
        {"abc", "a%c", 1},
        {"abc", "a*", 1},
        {"abc", "*c", 1},
        {"abc", "*b*", 1},
        {"abc", "*d", 0},
        {"", "*", 1},
        {"", "", 1},
        {"", "%", 0},
        {"", "*a", 0},
        {"abc", "ab", 0},
        {"ab", "abc", 0},
        {"abc", "ABC", 0},
        {"a", "*%", 1},
        {"abcbc", "*bc", 1},
        {"abc", "**c", 1},
        {"abc", "*%%%", 1},
        {"ab", "*%%%", 0},
        {"x.y", "*.*", 1},
        {"abc", "a*%", 1},
        {"abc", "%%", 0},
        {"ab*", "ab*", 1},
        {"a%c", "a%c", 1},
        {"a*c", "a%c", 1},
        {"Plant1\\Area3\\Pump07.Speed", "Plant1\\*\\Pump%%.*", 1},
    };
    for (const Row &row : rows)
        EXPECT_EQ(host::CallBoolean(f, {Arg::Str(row.candidate), Arg::Str(row.pattern)}), row.expected)
            << "'" << row.candidate << "' against '" << row.pattern << "'";
}

TEST(WildcardAbi, MissingArgumentsGiveFalse) {
    const host::Formula f = host::Library::Get().FormulaEntry("QELFormula_PatternMatch");
    EXPECT_EQ(host::CallBoolean(f, {}), 0);
    EXPECT_EQ(host::CallBoolean(f, {Arg::Str("abc")}), 0);
    EXPECT_EQ(host::CallBoolean(f, {Arg::NullStr(), Arg::Str("*")}), 0);
    EXPECT_EQ(host::CallBoolean(f, {Arg::Str("abc"), Arg::NullStr()}), 0);
    EXPECT_EQ(host::CallBoolean(f, {Arg::Str("abc"), Arg::Str("*"), Arg::Str("ignored")}), 1);
}

TEST(WildcardAbi, HostileRowFinishes) {
    // A 255-character name against many star runs: no exponential search.
    const host::Formula f = host::Library::Get().FormulaEntry("QELFormula_PatternMatch");
    EXPECT_EQ(host::CallBoolean(f, {Arg::Str(std::string(255, 'a')), Arg::Str("*a*a*a*a*a*a*a*a*b")}), 0);
    EXPECT_EQ(host::CallBoolean(f, {Arg::Str(std::string(255, 'a') + "b"), Arg::Str("*a*a*a*a*a*a*a*a*b")}), 1);
}

}  // namespace
