// The texts the tools write around the library's results, and messages.
#include <gtest/gtest.h>

#include <string>

#include "common/display.h"

namespace {

TEST(Texts, ShowBlanksEscapeHtmlAndQuote) {
    EXPECT_EQ(qtool::ShowBlanks("A\n    B \t"),
              "A\xE2\x86\xB5\xC2\xB7\xC2\xB7\xC2\xB7\xC2\xB7"
              "B\xC2\xB7\t");
    std::string html = "<td>";
    qtool::AppendShown(html, "R&D <Lab> \"A\" 'b'", true);
    EXPECT_EQ(html, "<td>R&amp;D &lt;Lab&gt; &quot;A&quot; &#39;b&#39;");
    EXPECT_EQ(qtool::Quoted("7\n5\r\t\x01\x7F"), "\"7\\n5\\r\\t\\x01\\x7F\"");
    // C1 controls and bytes that are not UTF-8 are escaped, other characters kept.
    EXPECT_EQ(qtool::Quoted("a\xC2\x9B\x9B\xC3\xA9\xC3"), "\"a\\xC2\\x9B\\x9B\xC3\xA9\\xC3\"");
    EXPECT_EQ(qtool::Quoted("abcdef", 3), "\"abc...\"");
    EXPECT_EQ(qtool::Quoted("abc", 3), "\"abc\"");
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
        qtool::AppendShown(shown, c.text, false);
        EXPECT_EQ(shown, c.shown) << qtool::Quoted(c.text);
        std::size_t characters = 0;
        for (const char byte : shown) characters += (static_cast<unsigned char>(byte) & 0xC0U) != 0x80U ? 1 : 0;
        EXPECT_EQ(qtool::ShownWidth(c.text), characters) << qtool::Quoted(c.text);
    }
}

TEST(Texts, NamesTheControlCharacters) {
    EXPECT_EQ(qtool::ControlCharacter("Plant1\\Caf\xC3\xA9\xC2\xA0"), "");  // U+00A0 is no control
    EXPECT_EQ(qtool::ControlCharacter("a\x1B[31m"), "0x1B");
    EXPECT_EQ(qtool::ControlCharacter("a\x7F"), "0x7F");
    EXPECT_EQ(qtool::ControlCharacter("a\xC2\x9B"), "U+009B");
    EXPECT_EQ(qtool::ControlCharacter("a\xC2\x80"), "U+0080");
    EXPECT_EQ(qtool::ControlCharacter("a\x9B"), "");  // not UTF-8: shown as U+FFFD
}

}  // namespace
