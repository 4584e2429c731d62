// Help items wrapped to 80 columns: the description in the right-hand
// column, words kept whole, widths counted in UTF-8 characters.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "common/help_format.h"

namespace {

using qtool::HelpItem;

std::string Pad(std::size_t n) { return std::string(n, ' '); }

TEST(HelpItem, LaysOutNameAndDescription) {
    const struct Case {
        const char *name, *description;
        std::size_t column, width;
        std::string item;
    } cases[] = {
        // Beside the name, from the column on.
        {"--stats", "where the time goes", 30, 80, "  --stats" + Pad(21) + "where the time goes\n"},
        // No description: the name alone.
        {"list", "", 30, 80, "  list\n"},
        // Words wrapped at the width, further lines indented to the column.
        {"--match", "aaa bbb ccc ddd", 10, 20, "  --match aaa bbb\n" + Pad(10) + "ccc ddd\n"},
        // A line may end exactly at the width.
        {"-x", "aaaa bbbbb", 5, 15, "  -x aaaa bbbbb\n"},
        {"-x", "aaaa bbbbbb", 5, 15, "  -x aaaa\n" + Pad(5) + "bbbbbb\n"},
        // A name that reaches the column puts the description below it.
        {"--format FORMAT", "text", 10, 80, "  --format FORMAT\n" + Pad(10) + "text\n"},
        {"--abcdef", "text", 10, 80, "  --abcdef\n" + Pad(10) + "text\n"},
        {"--abcde", "text", 10, 80, "  --abcde text\n"},
        // A line feed starts a new line; runs of blanks collapse.
        {"eval", "one\ntwo  three", 8, 80, "  eval  one\n" + Pad(8) + "two three\n"},
        // A word wider than the column stays whole on a line of its own.
        {"-x", "a bbbbbbbbbbbbbbbbbbbb c", 5, 15, "  -x a\n" + Pad(5) + "bbbbbbbbbbbbbbbbbbbb\n" + Pad(5) + "c\n"},
        // UTF-8 characters count as one column each.
        {"-x", "\xC2\xB7\xC2\xB7\xC2\xB7 \xE2\x86\xB5\xE2\x86\xB5", 5, 12,
         "  -x \xC2\xB7\xC2\xB7\xC2\xB7 \xE2\x86\xB5\xE2\x86\xB5\n"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(HelpItem(c.name, c.description, c.column, c.width), c.item) << c.name << " / " << c.description;
}

// A long description at the tools' layout: every line within 80 columns,
// every word kept, in order.
TEST(HelpItem, KeepsEveryWordWithinTheWidth) {
    std::string description;
    std::vector<std::string> words;
    for (int i = 0; i < 200; ++i) {
        words.push_back(std::string(static_cast<std::size_t>(1 + i * 7 % 13), static_cast<char>('a' + i % 26)));
        description += (i == 0 ? "" : " ") + words.back();
    }
    const std::string item = HelpItem("--library PATH", description);
    std::istringstream lines(item);
    std::string line;
    std::vector<std::string> seen;
    while (std::getline(lines, line)) {
        EXPECT_LE(line.size(), qtool::HelpWidth) << line;
        std::istringstream in(line.substr(qtool::HelpColumn));  // the name on the first line left out
        for (std::string word; in >> word;) seen.push_back(word);
    }
    EXPECT_EQ(seen, words);
}

}  // namespace
