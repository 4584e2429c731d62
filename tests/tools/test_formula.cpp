// The formula reader: one function call as a report designer writes it.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>

#include "formula.h"

namespace {

using qhost::ValueType;

// The call as a text: NAME(S:text, N:hundredfold as exact bits, ...).
std::string Describe(const qhost::FormulaCall &call) {
    std::string text = call.name + "(";
    for (std::size_t i = 0; i < call.arguments.size(); ++i) {
        const qhost::Argument &arg = call.arguments[i];
        text += i == 0 ? "" : ", ";
        if (arg.type == ValueType::String) {
            text += "S:" + arg.text;
        } else {
            char number[64];
            std::snprintf(number, sizeof number, "N:%.17g", arg.hundredfold);
            text += number;
        }
    }
    return text + ")";
}

TEST(Formula, ReadsCalls) {
    struct Case {
        const char *formula, *call;
    } const cases[] = {
        {"F()", "F()"},
        {"  F ( )  ", "F()"},
        {"QELIndentTagHier(\"A\\B\\C\", \"A\\E\\F\")", "QELIndentTagHier(S:A\\B\\C, S:A\\E\\F)"},
        {"F(\"say \"\"hi\"\"\")", "F(S:say \"hi\")"},
        {"F('it''s', 'say \"hi\"')", "F(S:it's, S:say \"hi\")"},
        {"F(\"\", '')", "F(S:, S:)"},
        {"F(\"A\\\")", "F(S:A\\)"},
        {"F(\"a,b)\")", "F(S:a,b))"},
        {"F(1, -1.5, +2, .5, 5., 1e3, 2.5E-1)", "F(N:100, N:-150, N:200, N:50, N:500, N:100000, N:25)"},
        // The host passes the double nearest to 100 times the decimal
        // written, not 100 times the double nearest to it.
        {"F(0.29, 1.1, 123.45)", "F(N:29, N:110, N:12345)"},
        {"F(\t\"x\"\t,\t7\t)", "F(S:x, N:700)"},
        {"f_2(1)", "f_2(N:100)"},
    };
    for (const Case &c : cases) {
        try {
            EXPECT_EQ(Describe(qhost::ParseFormula(c.formula)), c.call) << c.formula;
        } catch (const qhost::FormulaError &error) {
            ADD_FAILURE() << c.formula << ": " << error.what();
        }
    }
}

TEST(Formula, ReportsWhereAndWhatIsWrong) {
    struct Case {
        const char *formula;
        std::size_t column;
        const char *message, *name;
    } const cases[] = {
        {"", 1, "expected a function name", ""},
        {"  ", 3, "expected a function name", ""},
        {"1F()", 1, "expected a function name", ""},
        {"F", 2, "expected \"(\" after the function name", "F"},
        {"F \"x\"", 3, "expected \"(\" after the function name", "F"},
        {"F(", 3, "expected an argument: a string in quotes or a number", "F"},
        {"F(x)", 3, "expected an argument: a string in quotes or a number", "F"},
        {"F(1,)", 5, "expected an argument: a string in quotes or a number", "F"},
        {"F(,1)", 3, "expected an argument: a string in quotes or a number", "F"},
        {"F(1 2)", 5, "expected \",\" or \")\" after argument 1", "F"},
        {"F(\"a\"", 6, "expected \",\" or \")\" after argument 1", "F"},
        {"F(\"a)", 3, "the string that starts here has no closing \"", "F"},
        {"F('a\")", 3, "the string that starts here has no closing '", "F"},
        {"F(\"a\"\")", 3, "the string that starts here has no closing \"", "F"},
        {"F() x", 5, "unexpected text after the closing \")\"", "F"},
        {"F(1.2.3)", 3, "\"1.2.3\" is not a number", "F"},
        {"F(--1)", 3, "\"--1\" is not a number", "F"},
    };
    for (const Case &c : cases) {
        try {
            const qhost::FormulaCall call = qhost::ParseFormula(c.formula);
            ADD_FAILURE() << c.formula << " was read as " << Describe(call);
        } catch (const qhost::FormulaError &error) {
            EXPECT_EQ(error.Column(), c.column) << c.formula;
            EXPECT_STREQ(error.what(), c.message) << c.formula;
            EXPECT_EQ(error.Name(), c.name) << c.formula;
            EXPECT_EQ(error.ErrorKind(), qhost::FormulaError::Kind::Syntax) << c.formula;
        }
    }
}

TEST(Formula, TellsNumbersTooLargeToPassFromSyntaxErrors) {
    // Well written, but 100 times the number is beyond the range of a
    // double, so the host cannot pass it.
    struct Case {
        const char *formula;
        std::size_t column;
        const char *message;
    } const cases[] = {
        {"F(1e307)", 3, "1e307: 100 times this number is beyond the range of a double"},
        {"F(1, -1.8e307)", 6, "-1.8e307: 100 times this number is beyond the range of a double"},
        {"F(1e999)", 3, "1e999: 100 times this number is beyond the range of a double"},
    };
    for (const Case &c : cases) {
        try {
            const qhost::FormulaCall call = qhost::ParseFormula(c.formula);
            ADD_FAILURE() << c.formula << " was read as " << Describe(call);
        } catch (const qhost::FormulaError &error) {
            EXPECT_EQ(error.ErrorKind(), qhost::FormulaError::Kind::OutOfRange) << c.formula;
            EXPECT_EQ(error.Column(), c.column) << c.formula;
            EXPECT_STREQ(error.what(), c.message) << c.formula;
            EXPECT_EQ(error.Name(), "F") << c.formula;
        }
    }
    // The largest that fit.
    EXPECT_EQ(Describe(qhost::ParseFormula("F(1.7e306, -1.7e306)")),
              "F(N:1.6999999999999999e+308, N:-1.6999999999999999e+308)");
}

}  // namespace
