// Numbers as the host passes them, flag words, and the texts the tool
// writes around the library's results.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "text.h"

namespace {

using qhost::NumberStatus;

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
    };
    for (const Case &c : cases) {
        const qhost::HostNumber number = qhost::ParseHostNumber(c.text);
        EXPECT_EQ(number.status, NumberStatus::Ok) << c.text;
        EXPECT_EQ(number.hundredfold, c.hundredfold) << c.text;
    }
    EXPECT_TRUE(std::signbit(qhost::ParseHostNumber("-0").hundredfold));
    EXPECT_TRUE(std::signbit(qhost::ParseHostNumber("-0.000").hundredfold));
}

TEST(HostNumber, RefusesWhatIsNotADecimalNumber) {
    const char *const notNumbers[] = {"",    "-",    "+",   ".",   "e5",    "1e",    "1e+", " 1", "1 ",      "inf",
                                      "nan", "0x10", "1,5", "+-1", "1.2.3", "1e2e3", "--1", "1-", "\xC2\xBD"};
    for (const char *text : notNumbers)
        EXPECT_EQ(qhost::ParseHostNumber(text).status, NumberStatus::NotANumber) << '"' << text << '"';
    const char *const outOfRange[] = {
        "1e999", "-1e999", "1.8e306", "1e-400", "1e99999999999999999999", "1e-99999999999999999999"};
    for (const char *text : outOfRange)
        EXPECT_EQ(qhost::ParseHostNumber(text).status, NumberStatus::OutOfRange) << text;
}

TEST(FlagWord, IsAWholeNumberOf32Bits) {
    EXPECT_EQ(qhost::ParseFlagWord("0"), 0U);
    EXPECT_EQ(qhost::ParseFlagWord("0003"), 3U);
    EXPECT_EQ(qhost::ParseFlagWord("4294967295"), 4294967295U);
    const char *const refused[] = {"", "-1", "+1", "1.0", " 1", "1 ", "4294967296", "99999999999999999999", "0x1"};
    for (const char *text : refused) EXPECT_FALSE(qhost::ParseFlagWord(text).has_value()) << '"' << text << '"';
}

TEST(Texts, ShowBlanksEscapeHtmlAndQuote) {
    EXPECT_EQ(qhost::ShowBlanks("A\n    B \t"),
              "A\xE2\x86\xB5\xC2\xB7\xC2\xB7\xC2\xB7\xC2\xB7"
              "B\xC2\xB7\t");
    std::string html = "<td>";
    qhost::AppendHtmlEscaped(html, "R&D <Lab> \"A\" 'b'");
    EXPECT_EQ(html, "<td>R&amp;D &lt;Lab&gt; &quot;A&quot; &#39;b&#39;");
    EXPECT_EQ(qhost::Quoted("7\n5\r\t\x01\x7F"), "\"7\\n5\\r\\t\\x01\\x7F\"");
    EXPECT_EQ(qhost::Quoted("abcdef", 3), "\"abc...\"");
    EXPECT_EQ(qhost::Quoted("abc", 3), "\"abc\"");
}

}  // namespace
