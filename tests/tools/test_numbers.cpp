// Numbers as the host passes them, and flag words.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "numbers.h"

namespace {

TEST(HostNumber, IsTheDoubleNearestToAHundredTimesTheDecimal) {
    struct Case {
        const char *text;
        double hundredfold;
    } const cases[] = {
        {"0", 0},
        {"1", 100},
        {"007", 700},
        {"-0.05", -5},
        {"+2", 200},
        {".5", 50},
        {"5.", 500},
        {"123.45", 12345},
        {"0.29", 29},  // 0.29 * 100 in doubles is 28.999999999999996
        {"1.1", 110},  // and 1.1 * 100 is 110.00000000000001
        {"1e-2", 1},
        {"2.5E+1", 2500},
        {"12345.67", 1234567},
        {"-3.5e-7", -3.5e-5},
        {"0.000000000000000000001", 1e-19},
        {"1.7976931348623157e306", std::numeric_limits<double>::max()},
        {"0e999999999999999999999", 0},
        // Too small for even a subnormal double: the nearest double is 0.
        {"1e-400", 0},
        {"1e-99999999999999999999", 0},
        {"1e-310", 1e-308},  // a subnormal hundredfold
    };
    for (const Case &c : cases) {
        const qhost::HostNumber number = qhost::ParseHostNumber(c.text);
        EXPECT_EQ(number.problem, "") << c.text;
        EXPECT_EQ(number.hundredfold, c.hundredfold) << c.text;
    }
    EXPECT_TRUE(std::signbit(qhost::ParseHostNumber("-0").hundredfold));
    EXPECT_TRUE(std::signbit(qhost::ParseHostNumber("-0.000").hundredfold));
    EXPECT_TRUE(std::signbit(qhost::ParseHostNumber("-1e-400").hundredfold));
}

TEST(HostNumber, RefusesWhatIsNotADecimalNumber) {
    const char *const notNumbers[] = {"",    "-",    "+",   ".",   "e5",    "1e",    "1e+", " 1", "1 ",      "inf",
                                      "nan", "0x10", "1,5", "+-1", "1.2.3", "1e2e3", "--1", "1-", "\xC2\xBD"};
    for (const char *text : notNumbers)
        EXPECT_EQ(qhost::ParseHostNumber(text).problem, "not a number") << '"' << text << '"';
    const char *const tooLarge[] = {"1e999", "-1e999", "1.8e306", "1e99999999999999999999"};
    for (const char *text : tooLarge) {
        const qhost::HostNumber number = qhost::ParseHostNumber(text);
        EXPECT_TRUE(number.tooLarge && !number.problem.empty()) << text;
    }
}

TEST(FlagWord, IsAWholeNumberOf32Bits) {
    EXPECT_EQ(qhost::ParseFlagWord("0").value, 0U);
    EXPECT_EQ(qhost::ParseFlagWord("0003").value, 3U);
    EXPECT_EQ(qhost::ParseFlagWord("4294967295").value, 4294967295U);
    EXPECT_EQ(qhost::ParseFlagWord("4294967295").problem, "");
    // Exports write whole flags with a fraction of zeros.
    EXPECT_EQ(qhost::ParseFlagWord("3.0").value, 3U);
    EXPECT_EQ(qhost::ParseFlagWord("7.00").value, 7U);
    EXPECT_EQ(qhost::ParseFlagWord("4294967295.000").problem, "");
    const char *const refused[] = {
        "", "-1", "+1", "3.5", " 1", "1 ", ".0", "1.0e0", "4294967296", "4294967296.0", "99999999999999999999", "0x1"};
    for (const char *text : refused) EXPECT_NE(qhost::ParseFlagWord(text).problem, "") << '"' << text << '"';
}

}  // namespace
