// Every row of the function table through the plug-in's exports, as the
// engine calls them: the row's example gives the row's answer, and a
// missing argument gets the default of the row's signature.  Rows are
// found by name, so a row added anywhere is walked like the others.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine.h"
#include "support/table_rows.h"
#include "values/values.h"

namespace {

using engine::Arg;

// The arguments of a row's example as the engine passes them: a Number as
// the double nearest 100 times its decimal.
std::vector<Arg> ExampleArgs(const support::TableRow &row) {
    std::vector<Arg> args;
    for (const support::ExampleArgument &argument : support::ExampleArguments(row.example)) {
        double hundredfold = 0;
        if (!argument.number) {
            args.push_back(Arg::Str(argument.text));
        } else if (qelrpt::ReadHundredfold(argument.text, qelrpt::Specials::Refused, &hundredfold) ==
                   qelrpt::NumberReading::Read) {
            args.push_back(Arg::Num(hundredfold));
        } else {
            ADD_FAILURE() << row.name << ": the example's Number " << argument.text << " is no decimal";
        }
    }
    return args;
}

// The answer as the tests compare it: the text, or True or False.
std::string Call(const support::TableRow &row, const std::vector<Arg> &args) {
    const engine::Formula f = engine::Library::Get().FormulaEntry(row.entry);
    if (f == nullptr) return "(not exported)";
    if (!row.Boolean()) return engine::CallString(f, args);
    return engine::CallBoolean(f, args) != 0 ? "True" : "False";
}

TEST(TableAbi, EveryExampleGivesItsAnswer) {
    for (const support::TableRow &row : support::kTableRows) {
        const std::vector<Arg> args = ExampleArgs(row);
        EXPECT_EQ(args.size(), row.ParameterTypes().size()) << row.example;
        EXPECT_EQ(Call(row, args), row.answer) << row.example;
    }
}

// What a missing argument means is a rule of the signature, not of the
// function: the default answer (the empty text, or False), except that
// String(String, String), a previous name and a name, reads a missing
// previous name as the empty one.  A node with a null string pointer is a
// missing argument.
TEST(TableAbi, MissingArgumentsGetTheirSignaturesDefault) {
    for (const support::TableRow &row : support::kTableRows) {
        const std::string fallback = row.Boolean() ? "False" : "";
        const bool previousReadsEmpty = row.Signature() == "String(String, String)";
        const std::vector<Arg> example = ExampleArgs(row);
        EXPECT_EQ(Call(row, {}), fallback) << row.name << " without arguments";
        for (std::size_t given = 1; given < example.size(); ++given) {
            const std::vector<Arg> fewer(example.begin(), example.begin() + static_cast<std::ptrdiff_t>(given));
            EXPECT_EQ(Call(row, fewer), fallback) << row.name << " with " << given << " argument(s)";
        }
        for (std::size_t p = 0; p < example.size(); ++p) {
            if (example[p].kind != Arg::Kind::String) continue;
            std::vector<Arg> missing = example, empty = example;
            missing[p] = Arg::NullStr();
            empty[p] = Arg::Str("");
            const std::string expected = previousReadsEmpty && p == 0 ? Call(row, empty) : fallback;
            EXPECT_EQ(Call(row, missing), expected) << row.name << " with a null string as argument " << p + 1;
        }
    }
}

}  // namespace
