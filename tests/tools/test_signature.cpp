// Definition texts as a user function library writes them.
#include <gtest/gtest.h>

#include <string>

#include "signature.h"

namespace {

std::string Describe(const qhost::Signature &s) {
    std::string text = std::string(qhost::TypeName(s.result)) + " " + s.name + "(";
    for (std::size_t i = 0; i < s.parameters.size(); ++i)
        text += (i == 0 ? "" : ",") + std::string(qhost::TypeName(s.parameters[i]));
    return text + ")";
}

TEST(Definition, ReadsResultNameAndParameters) {
    struct Case {
        const char *definition, *signature;
    } const cases[] = {
        {"String QELIndentTagHier( String, String )", "String QELIndentTagHier(String,String)"},
        {"String QELNumberFootPrint( Number )", "String QELNumberFootPrint(Number)"},
        {"Boolean QELPatternMatch( String, String )", "Boolean QELPatternMatch(String,String)"},
        {"Boolean F( )", "Boolean F()"},
        {"Boolean F()", "Boolean F()"},
        {"  Number\tF2_x(Boolean,Number)  ", "Number F2_x(Boolean,Number)"},
    };
    for (const Case &c : cases) {
        const qhost::Definition definition = qhost::ParseDefinition(c.definition);
        EXPECT_EQ(definition.problem, "") << c.definition;
        EXPECT_EQ(Describe(definition.signature), c.signature) << c.definition;
    }
}

TEST(Definition, SaysWhatCannotBeRead) {
    struct Case {
        const char *definition, *problem, *declaredName;
    } const cases[] = {
        {"", "expected a result type", ""},
        {"String", "expected a blank after the result type", ""},
        {"String F", "expected \"(\" after the function name", "F"},
        {"StringF( String )", "unknown type \"StringF\" (known: String, Number, Boolean)", ""},
        {"Date F( String )", "unknown type \"Date\" (known: String, Number, Boolean)", "F"},
        {"String F( Currency )", "unknown type \"Currency\" (known: String, Number, Boolean)", "F"},
        {"String F( String", "expected \",\" or \")\" after a parameter type", "F"},
        {"String F( String, )", "expected a parameter type", "F"},
        {"String F( String String )", "expected \",\" or \")\" after a parameter type", "F"},
        {"String F( String ) x", "unexpected text after \")\"", "F"},
        {"String ( String )", "expected the function name after the result type", ""},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(qhost::ParseDefinition(c.definition).problem, c.problem) << c.definition;
        EXPECT_EQ(qhost::DeclaredName(c.definition), c.declaredName) << c.definition;
    }
}

TEST(Definition, CallBlocksCarryStringAndNumberArgumentsOnly) {
    const auto problem = [](const char *definition) {
        const qhost::Definition read = qhost::ParseDefinition(definition);
        EXPECT_EQ(read.problem, "") << definition;
        return qhost::CallProblem(read.signature);
    };
    EXPECT_EQ(problem("String F( String, Number )"), "");
    EXPECT_EQ(problem("Boolean F( )"), "");
    EXPECT_EQ(problem("Number F( Number )"),
              "it returns a Number, and a call block has room only for a String or a Boolean result");
    EXPECT_EQ(problem("String F( String, Boolean )"),
              "parameter 2 is a Boolean, and a call block carries only String and Number arguments");
}

TEST(Definition, NamesCompareIgnoringCase) {
    EXPECT_TRUE(qhost::SameName("QELIndentTagHier", "qelindenttaghier"));
    EXPECT_TRUE(qhost::SameName("", ""));
    EXPECT_FALSE(qhost::SameName("QELIndentTagHier", "QELIndentTagHie"));
    EXPECT_FALSE(qhost::SameName("A_1", "A-1"));
}

}  // namespace
