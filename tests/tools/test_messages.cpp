// Messages on standard error: named, cleaned and capped, whatever they
// quote (paths, header cells, names), and at most 100 about single records
// before "… and N more".
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/display.h"
#include "common/messages.h"
#include "csv.h"
#include "errors.h"
#include "tags.h"

namespace {

// What a Messages writing to a temporary file wrote.
class Captured {
   public:
    Captured() : file_(std::tmpfile()), messages_("tool", file_) {}
    ~Captured() { std::fclose(file_); }
    Captured(const Captured &) = delete;
    Captured &operator=(const Captured &) = delete;
    Captured(Captured &&) = delete;
    Captured &operator=(Captured &&) = delete;

    qtool::Messages &Messages() { return messages_; }
    std::string Text() {
        std::rewind(file_);
        std::string text;
        for (int c = std::fgetc(file_); c != EOF; c = std::fgetc(file_)) text += static_cast<char>(c);
        return text;
    }

   private:
    std::FILE *file_;
    qtool::Messages messages_;
};

const std::string Replacement = "\xEF\xBF\xBD";

TEST(Messages, AreNamedCleanedAndCapped) {
    Captured captured;
    captured.Messages().Say("cannot open \x1B]0;owned\x07x.csv \xE2\x80\xAEtxt.exe \x9B");
    captured.Messages().Say(std::string(5000, 'a'));
    EXPECT_EQ(captured.Text(), "tool: cannot open " + Replacement + "]0;owned" + Replacement + "x.csv " + Replacement +
                                   "txt.exe " + Replacement + "\ntool: " + std::string(qtool::Messages::MaxSize, 'a') +
                                   "\xE2\x80\xA6\n");
}

TEST(Messages, AboutRecordsStopAtAHundred) {
    Captured captured;
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < 250; ++i) captured.Messages().SayAboutRecord("record " + std::to_string(i));
        captured.Messages().EndRecords();
    }
    std::string expected;
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < 100; ++i) expected += "tool: record " + std::to_string(i) + "\n";
        expected += "tool: \xE2\x80\xA6 and 150 more\n";
    }
    EXPECT_EQ(captured.Text(), expected);
}

// The tag reader's messages, through the same sink: a path holding an
// escape sequence, a thousand malformed records.
TEST(Messages, OfTheTagReaderQuoteCleanly) {
    std::string csv = "name,value,flags\n";
    for (int i = 0; i < 1000; ++i) csv += "a,not-a-number,0\n";
    csv.push_back('\0');
    qhost::CsvReader reader(csv.data(), csv.size() - 1);
    Captured captured;
    const std::string path = "\x1B[2J.csv";
    const qhost::Columns columns = qhost::ReadHeader(reader, path);
    const qhost::TagList list = qhost::ReadTags(reader, columns, path, captured.Messages());
    EXPECT_EQ(list.skippedRecords, 1000U);
    const std::string text = captured.Text();
    EXPECT_EQ(text.find('\x1B'), std::string::npos);
    const std::string first = "tool: " + Replacement + "[2J.csv:2: the value \"not-a-number\" is not a number\n";
    EXPECT_EQ(text.substr(0, first.size()), first);
    EXPECT_NE(text.find("\ntool: \xE2\x80\xA6 and 900 more\n"), std::string::npos);
}

// A header that cannot be used is quoted with what makes it look valid
// shown, and at most ten of its cells.
TEST(Messages, ShowTheInvisibleInHeaderCells) {
    const struct Case {
        std::string header, message;
    } cases[] = {
        {"\xEF\xBB\xBF\xEF\xBB\xBFname,value,flags\n",
         "h.csv:1: the header row must name the columns name, value and flags; it has \"<U+FEFF>name\", \"value\", "
         "\"flags\""},
        {"name,val\xE2\x80\x8Bue,flags\n",
         "h.csv:1: the header row must name the columns name, value and flags; it has \"name\", \"val<U+200B>ue\", "
         "\"flags\""},
        {"a,b,c,d,e,f,g,h,i,j,k,l\n",
         "h.csv:1: the header row must name the columns name, value and flags; it has \"a\", \"b\", \"c\", \"d\", "
         "\"e\", \"f\", \"g\", \"h\", \"i\", \"j\" and 2 more"},
    };
    for (const Case &c : cases) {
        std::string csv = c.header;
        csv.push_back('\0');
        qhost::CsvReader reader(csv.data(), csv.size() - 1);
        try {
            qhost::ReadHeader(reader, "h.csv");
            ADD_FAILURE() << c.header;
        } catch (const qhost::HostError &error) {
            EXPECT_EQ(error.what(), c.message);
        }
    }
}

}  // namespace
