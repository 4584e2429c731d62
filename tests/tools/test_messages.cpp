// Messages on standard error: named, cleaned and capped, whatever they
// quote (paths, header cells, names), and at most 100 about single records
// before "… and N more".
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "common/display.h"
#include "common/messages.h"
#include "csv.h"
#include "host_errors.h"
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
    qtool::Progress progress(captured.Messages(), false);
    const qhost::TagList list = qhost::ReadTags(reader, columns, path, captured.Messages(), progress);
    EXPECT_EQ(list.skippedRecords, 1000U);
    const std::string text = captured.Text();
    EXPECT_EQ(text.find('\x1B'), std::string::npos);
    const std::string first = "tool: " + Replacement + "[2J.csv:2: the value \"not-a-number\" is not a number\n";
    EXPECT_EQ(text.substr(0, first.size()), first);
    EXPECT_NE(text.find("\ntool: \xE2\x80\xA6 and 900 more\n"), std::string::npos);
}

// The progress of a long report: one line rewritten in place, cleared
// before any other message; nothing at all when not enabled (standard
// error is no terminal, or --quiet) or before the delay.
TEST(Messages, ProgressIsOneLineRewrittenInPlace) {
    Captured captured;
    {
        qtool::Progress progress(captured.Messages(), true, std::chrono::seconds(0));
        ASSERT_TRUE(progress.Due());
        progress.Show("12 tags read");
        progress.Show("9 listed");
        captured.Messages().Say("done");
        progress.Show("10 listed");
    }
    EXPECT_EQ(captured.Text(),
              "\rtool: 12 tags read\rtool: 9 listed    \r              \rtool: done\n"
              "\rtool: 10 listed\r               \r");
    Captured quiet;
    {
        qtool::Progress disabled(quiet.Messages(), false, std::chrono::seconds(0));
        qtool::Progress early(quiet.Messages(), true, std::chrono::seconds(60));
        EXPECT_FALSE(disabled.Due());
        EXPECT_FALSE(early.Due());
    }
    EXPECT_EQ(quiet.Text(), "");
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
