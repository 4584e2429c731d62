// The RFC 4180 reader: records, quoting, line numbers, and how it goes on
// after a malformed record.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "csv.h"

namespace {

// Every record of `input`, one text each: "LINES:field|field|..." for a
// well-formed record, "LINES:!problem" for a malformed one, LINES being the
// line or the range of lines the record takes up or has skipped.
std::vector<std::string> ReadAll(const std::string &input) {
    std::vector<char> data(input.begin(), input.end());
    data.push_back('#');  // the spare byte: must end up as a NUL or untouched
    qhost::CsvReader reader(data.data(), input.size());
    std::vector<std::string> records;
    qhost::CsvRecord record;
    while (reader.Next(record)) {
        std::string text = qhost::LineRange(record) + ":";
        if (!record.problem.empty()) {
            EXPECT_TRUE(record.fields.empty());
            records.push_back(text + "!" + record.problem);
            continue;
        }
        for (std::size_t i = 0; i < record.fields.size(); ++i) {
            const qhost::CsvField &field = record.fields[i];
            EXPECT_EQ(field.text[field.size], '\0') << "field not terminated in record " << records.size() + 1;
            text += (i == 0 ? "" : "|") + std::string(field.text, field.size);
        }
        records.push_back(text);
    }
    return records;
}

struct Case {
    const char *title;
    std::string input;
    std::vector<std::string> records;
};

TEST(CsvReader, ReadsRecordsAsRfc4180Describes) {
    const Case cases[] = {
        {"plain records", "a,b,c\n1,2,3\n", {"1:a|b|c", "2:1|2|3"}},
        {"no line break after the last record", "a,b\n1,2", {"1:a|b", "2:1|2"}},
        {"CR LF line breaks", "a,b\r\n1,2\r\n", {"1:a|b", "2:1|2"}},
        {"a lone CR in quotes is data", "\"a\rb\",c\n", {"1:a\rb|c"}},
        {"empty fields", ",,\n", {"1:||"}},
        {"an empty last field at the very end", "a,", {"1:a|"}},
        {"blanks belong to the field", " a , b \n", {"1: a | b "}},
        {"quoted comma", "\"a,b\",c\n", {"1:a,b|c"}},
        {"doubled quotes", "\"say \"\"hi\"\"\",\"\"\"\"\n", {"1:say \"hi\"|\""}},
        {"empty quoted field", "\"\",x\n", {"1:|x"}},
        {"quoted line breaks count as lines", "\"a\nb\",\"c\r\nd\"\nnext,1\n", {"1-3:a\nb|c\r\nd", "4:next|1"}},
        {"a multi-line record at the very end", "\"a\nb\"", {"1-2:a\nb"}},
        {"byte order mark skipped", "\xEF\xBB\xBFname,value\n", {"1:name|value"}},
        {"empty lines skipped", "\na\n\r\n\nb\n", {"2:a", "5:b"}},
        {"a NUL byte stays in the field", std::string("a\0b,c\n", 6), {std::string("1:a\0b|c", 7)}},
        {"backslashes are ordinary", "A\\B\\,\"\\\"\n", {"1:A\\B\\|\\"}},
    };
    for (const Case &c : cases) EXPECT_EQ(ReadAll(c.input), c.records) << c.title;
}

TEST(CsvReader, ReportsMalformedRecordsAndGoesOn) {
    const Case cases[] = {
        {"quote inside an unquoted field",
         "ab\"c,1\nok,2\n",
         {"1:!a field that is not in quotes holds a quote", "2:ok|2"}},
        {"text after a closing quote", "\"ab\"c,1\nok,2\n", {"1:!text follows the closing quote of a field", "2:ok|2"}},
        {"blank after a closing quote", "\"ab\" ,1\n", {"1:!text follows the closing quote of a field"}},
        {"unclosed quote at the end",
         "ok,1\n\"open,2\nnext,3\n",
         {"1:ok|1", "2:!a quoted field is not closed", "3:next|3"}},
        // The quote opened on line 1 is closed by the one that opens line 3;
        // the record is malformed there, and reading resumes on line 4, not
        // inside the quoted field.
        {"unclosed quote running into a later line",
         "\"A\nB,1,2\nC\"x,1,2\nD,1,2\n",
         {"1-3:!text follows the closing quote of a field", "4:D|1|2"}},
        {"text after a closing quote on the last line",
         "\"a,1\nb,2\n\"c\",3",
         {"1-3:!text follows the closing quote of a field"}},
        {"lines after a malformed multi-line record keep their numbers",
         "\"a\nb\"x,1\nc,2\n",
         {"1-2:!text follows the closing quote of a field", "3:c|2"}},
        {"stray quote after a multi-line field",
         "\"a\r\nb\",x\"y\r\n\nc,1\n",
         {"1-2:!a field that is not in quotes holds a quote", "4:c|1"}},
        {"unclosed quote resumes after the record's first line",
         "\"a\nb,\"\"\"\"\nc,2\n",
         {"1:!a quoted field is not closed", "2:b|\"", "3:c|2"}},
        {"CR LF after a malformed record", "a\"b\r\nc\r\n", {"1:!a field that is not in quotes holds a quote", "2:c"}},
        // Lines that end in CR only make the whole file one line.
        {"CR-only line ends", "a,b\rc,d\r", {"1:!line ends are CR only; use LF or CR LF"}},
        {"a lone CR outside quotes", "a\rb,c\nd\n", {"1:!line ends are CR only; use LF or CR LF", "2:d"}},
        {"a lone CR after a quoted field", "\"a\"\rb\nc\n", {"1:!text follows the closing quote of a field", "2:c"}},
    };
    for (const Case &c : cases) EXPECT_EQ(ReadAll(c.input), c.records) << c.title;
}

TEST(CsvReader, LeavesMalformedRecordsUnchanged) {
    // After an unclosed quote reading resumes inside the malformed record,
    // so the reader must not have unquoted or terminated anything in it.
    const std::string input = "\"a\"\"b\nc,\"\"\"\"\n";
    std::vector<char> data(input.begin(), input.end());
    data.push_back('\0');
    qhost::CsvReader reader(data.data(), input.size());
    qhost::CsvRecord record;
    ASSERT_TRUE(reader.Next(record));
    EXPECT_EQ(record.problem, "a quoted field is not closed");
    ASSERT_TRUE(reader.Next(record));
    ASSERT_EQ(record.problem, "") << record.problem;
    ASSERT_EQ(record.fields.size(), 2U);
    EXPECT_STREQ(record.fields[0].text, "c");
    EXPECT_STREQ(record.fields[1].text, "\"");
    EXPECT_FALSE(reader.Next(record));
}

}  // namespace
