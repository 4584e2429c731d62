// Numbers as the host passes them, flag words, and the texts the tool
// writes around the library's results.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "text.h"

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
        EXPECT_EQ(number.problem, nullptr) << c.text;
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
        EXPECT_EQ(qhost::ParseHostNumber(text).problem, qhost::NotANumber) << '"' << text << '"';
    const char *const tooLarge[] = {"1e999", "-1e999", "1.8e306", "1e99999999999999999999"};
    for (const char *text : tooLarge) EXPECT_EQ(qhost::ParseHostNumber(text).problem, qhost::TooLarge) << text;
}

TEST(FlagWord, IsAWholeNumberOf32Bits) {
    EXPECT_EQ(qhost::ParseFlagWord("0").value, 0U);
    EXPECT_EQ(qhost::ParseFlagWord("0003").value, 3U);
    EXPECT_EQ(qhost::ParseFlagWord("4294967295").value, 4294967295U);
    EXPECT_EQ(qhost::ParseFlagWord("4294967295").problem, nullptr);
    const char *const refused[] = {"", "-1", "+1", "1.0", " 1", "1 ", "4294967296", "99999999999999999999", "0x1"};
    for (const char *text : refused) EXPECT_NE(qhost::ParseFlagWord(text).problem, nullptr) << '"' << text << '"';
}

TEST(Texts, ShowBlanksEscapeHtmlAndQuote) {
    EXPECT_EQ(qhost::ShowBlanks("A\n    B \t"),
              "A\xE2\x86\xB5\xC2\xB7\xC2\xB7\xC2\xB7\xC2\xB7"
              "B\xC2\xB7\t");
    std::string html = "<td>";
    qhost::AppendShown(html, "R&D <Lab> \"A\" 'b'", true);
    EXPECT_EQ(html, "<td>R&amp;D &lt;Lab&gt; &quot;A&quot; &#39;b&#39;");
    EXPECT_EQ(qhost::Quoted("7\n5\r\t\x01\x7F"), "\"7\\n5\\r\\t\\x01\\x7F\"");
    // C1 controls and bytes that are not UTF-8 are escaped, other characters kept.
    EXPECT_EQ(qhost::Quoted("a\xC2\x9B\x9B\xC3\xA9\xC3"), "\"a\\xC2\\x9B\\x9B\xC3\xA9\\xC3\"");
    EXPECT_EQ(qhost::Quoted("abcdef", 3), "\"abc...\"");
    EXPECT_EQ(qhost::Quoted("abc", 3), "\"abc\"");
}

// What the output shows of a text: valid UTF-8 whatever the bytes, each
// byte of an invalid sequence and each control character
// but the line feed and the tab as U+FFFD, and the width in characters.
TEST(Texts, ShownAsValidUtf8) {
    const std::string replacement = "\xEF\xBF\xBD";
    const struct Case {
        std::string text, shown;
    } cases[] = {
        {"Plant1\\Pump", "Plant1\\Pump"},
        {"Caf\xC3\xA9", "Caf\xC3\xA9"},                                               // U+00E9
        {"\xE2\x82\xAC\xF0\x9F\x94\xA5", "\xE2\x82\xAC\xF0\x9F\x94\xA5"},             // U+20AC, U+1F525
        {"Caf\xC3", "Caf" + replacement},                                             // cut inside a character
        {"Caf\xE9", "Caf" + replacement},                                             // Windows-1252
        {"\x9B[31m", replacement + "[31m"},                                           // a raw C1 byte
        {"\xC0\xAF", replacement + replacement},                                      // overlong
        {"\xED\xA0\x80", replacement + replacement + replacement},                    // a surrogate
        {"\xF4\x90\x80\x80", replacement + replacement + replacement + replacement},  // beyond U+10FFFF
        {"\xE2\x82", replacement + replacement},
        // No control character reaches the output but the line feed.
        {"A\n    B", "A\n    B"},
        {"\x1B[31mRed\x7F\t\r", replacement + "[31mRed" + replacement + "\t" + replacement},
        {"\xC2\x9B[31m\xC2\x80\xC2\xA0", replacement + "[31m" + replacement + "\xC2\xA0"},
        {"Plant1\\Area1\\Pump07.Speed\x01", "Plant1\\Area1\\Pump07.Speed" + replacement},  // past 8 bytes
    };
    for (const Case &c : cases) {
        std::string shown;
        qhost::AppendShown(shown, c.text, false);
        EXPECT_EQ(shown, c.shown) << qhost::Quoted(c.text);
        std::size_t characters = 0;
        for (const char byte : shown) characters += (static_cast<unsigned char>(byte) & 0xC0U) != 0x80U ? 1 : 0;
        EXPECT_EQ(qhost::ShownWidth(c.text), characters) << qhost::Quoted(c.text);
    }
}

TEST(Texts, NamesTheControlCharacters) {
    EXPECT_EQ(qhost::ControlCharacter("Plant1\\Caf\xC3\xA9\xC2\xA0"), "");  // U+00A0 is no control
    EXPECT_EQ(qhost::ControlCharacter("a\x1B[31m"), "0x1B");
    EXPECT_EQ(qhost::ControlCharacter("a\x7F"), "0x7F");
    EXPECT_EQ(qhost::ControlCharacter("a\xC2\x9B"), "U+009B");
    EXPECT_EQ(qhost::ControlCharacter("a\xC2\x80"), "U+0080");
    EXPECT_EQ(qhost::ControlCharacter("a\x9B"), "");  // not UTF-8: shown as U+FFFD
}

}  // namespace
