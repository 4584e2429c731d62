// The wildcard match through its export.
#include <gtest/gtest.h>

#include <string>

#include "engine.h"
#include "support/wildcard_cases.h"

namespace {

using engine::Arg;

TEST(WildcardAbi, MatchTable) {
    const engine::Formula f = engine::Library::Get().FormulaEntry("QELFormula_PatternMatch");
    // Star and percent in the candidate are ordinary characters, and a
    // typical tag-name pattern.
    const cases::MatchCase more[] = {
        {"a%c", "a%c", 1},
        {"a*c", "a%c", 1},
        {"Plant1\\Area3\\Pump07.Speed", "Plant1\\*\\Pump%%.*", 1},
    };
    auto check = [&](const cases::MatchCase &row) {
        EXPECT_EQ(engine::CallBoolean(f, {Arg::Str(row.candidate), Arg::Str(row.pattern)}), row.expected)
            << "'" << row.candidate << "' against '" << row.pattern << "'";
    };
    for (const cases::MatchCase &row : cases::kMatch) check(row);
    for (const cases::MatchCase &row : more) check(row);
}

TEST(WildcardAbi, MissingArgumentsGiveFalse) {
    const engine::Formula f = engine::Library::Get().FormulaEntry("QELFormula_PatternMatch");
    EXPECT_EQ(engine::CallBoolean(f, {}), 0);
    EXPECT_EQ(engine::CallBoolean(f, {Arg::Str("abc")}), 0);
    EXPECT_EQ(engine::CallBoolean(f, {Arg::NullStr(), Arg::Str("*")}), 0);
    EXPECT_EQ(engine::CallBoolean(f, {Arg::Str("abc"), Arg::NullStr()}), 0);
    EXPECT_EQ(engine::CallBoolean(f, {Arg::Str("abc"), Arg::Str("*"), Arg::Str("ignored")}), 1);
}

TEST(WildcardAbi, HostileRowFinishes) {
    // A 255-character name against many star runs: no exponential search.
    const engine::Formula f = engine::Library::Get().FormulaEntry("QELFormula_PatternMatch");
    EXPECT_EQ(engine::CallBoolean(f, {Arg::Str(std::string(255, 'a')), Arg::Str("*a*a*a*a*a*a*a*a*b")}), 0);
    EXPECT_EQ(engine::CallBoolean(f, {Arg::Str(std::string(255, 'a') + "b"), Arg::Str("*a*a*a*a*a*a*a*a*b")}), 1);
}

}  // namespace
