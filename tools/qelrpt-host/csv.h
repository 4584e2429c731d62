// Comma-separated values as RFC 4180 describes them, read from a file held
// in memory:
//   - records end with a line feed or a carriage return and line feed; the
//     last record may end without one;
//   - fields are separated by commas (or another delimiter, such as ";");
//   - a field in double quotes may hold commas, line breaks and quotes, a
//     quote being written twice ("say ""hi""");
//   - a field not in quotes may hold no quote and no carriage return of its
//     own (a file whose lines end in CR only is told so);
//   - blanks belong to the field.
// Two liberties: a UTF-8 byte order mark at the start is skipped, and
// empty lines (no character at all before the line break) are ignored.
//
// A malformed record is reported with the lines it spans.  Reading goes on
// with the line after the one the problem was found on, so that nothing
// inside a quoted field is read as a record; only after a quoted field that
// is not closed does it go on with the line after the record's first, so
// that one unclosed quote does not swallow the rest of the file.
//
// The reader needs no copy of the data: the fields of a well-formed record
// are unquoted and NUL-terminated in place, so they can be handed to C
// interfaces as they are and stay valid as long as the data does.
#ifndef QELRPT_HOST_CSV_H
#define QELRPT_HOST_CSV_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qhost {

struct CsvField {
    const char *text;  // NUL-terminated; may hold further NUL bytes from the file
    std::size_t size;
};

struct CsvRecord {
    std::size_t line = 0;      // the line the record starts on, from 1
    std::size_t lastLine = 0;  // the last line it takes up (or, when malformed, that is skipped)
    std::vector<CsvField> fields;
    std::string problem;  // set: the record is malformed and has no fields
};

// The field separator of a file whose header line is `data`'s first: ";"
// where that line holds more semicolons than commas outside quotes (as
// spreadsheets write CSV in many locales), else ",".
char DetectDelimiter(std::string_view data);

// "12" or "12-15": the lines a record takes up.
std::string LineRange(const CsvRecord &record);

class CsvReader {
   public:
    // `data` holds `size` bytes of the file and one more byte that the
    // reader may write; fields are separated by `delimiter`.
    CsvReader(char *data, std::size_t size, char delimiter = ',');

    // Reads the next record; false at the end of the data.
    bool Next(CsvRecord &record);

    // The bytes not read yet.
    std::size_t Remaining() const { return size_ - pos_; }

   private:
    struct Span {
        std::size_t begin = 0, end = 0;
        bool doubledQuotes = false;
    };

    // Where reading goes on after a malformed record.
    enum class Resume { AfterFirstLine, AfterErrorLine };

    void SkipEmptyLines();
    std::string_view ReadQuoted(Span &span);
    std::string_view ReadPlain(Span &span);
    bool EndField();
    bool Malformed(CsvRecord &record, std::size_t start, std::string_view problem, Resume resume);
    void Terminate(CsvRecord &record);
    bool IsLineBreak(std::size_t pos) const;

    char *data_;
    std::size_t size_;
    char delimiter_;
    std::array<bool, 256> endsPlain_{};  // the bytes that end a field not in quotes, or make it malformed
    std::size_t pos_ = 0;
    std::size_t line_ = 1;
    std::vector<Span> spans_;
};

// The bytes of the file at `path` ("-": standard input; a named pipe or
// a device will do) and one spare byte after them, for the reader.  Throws
// HostError when the path is a folder, the data holds more than `maxSize`
// bytes (told as soon as reading passes it) or cannot be read.
std::vector<char> ReadCsvFile(const std::string &path, std::uintmax_t maxSize);

// How messages name the data at `path`: "standard input" for "-".
std::string DataName(const std::string &path);

}  // namespace qhost

#endif
