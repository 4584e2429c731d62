#include "csv.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "files.h"
#include "host_errors.h"
#include "memory.h"

namespace qhost {

namespace {

// What can be wrong with a record (an empty text: nothing).
constexpr std::string_view NotClosed = "a quoted field is not closed";
constexpr std::string_view TextAfterQuote = "text follows the closing quote of a field";
constexpr std::string_view StrayQuote = "a field that is not in quotes holds a quote";
constexpr std::string_view CarriageReturnOnly = "line ends are CR only; use LF or CR LF";
constexpr std::string_view FinalCarriageReturn = "the file ends in a CR without an LF after it; use LF or CR LF";

// A file whose size cannot be told is read in pieces of this size.
constexpr std::size_t Piece = std::size_t{1} << 16;

}  // namespace

std::string LineRange(const CsvRecord &record) {
    std::string text = std::to_string(record.line);
    if (record.lastLine > record.line) text += "-" + std::to_string(record.lastLine);
    return text;
}

CsvReader::CsvReader(char *data, std::size_t size, char delimiter) : data_(data), size_(size), delimiter_(delimiter) {
    if (size_ >= 3 && std::memcmp(data_, "\xEF\xBB\xBF", 3) == 0) pos_ = 3;
    endsPlain_[static_cast<unsigned char>(delimiter)] = endsPlain_['"'] = endsPlain_['\n'] = endsPlain_['\r'] = true;
}

char DetectDelimiter(std::string_view data) {
    std::size_t commas = 0, semicolons = 0;
    bool quoted = false;
    for (const char c : data.substr(0, data.find('\n'))) {
        if (c == '"') quoted = !quoted;
        if (quoted) continue;
        commas += c == ',' ? 1 : 0;
        semicolons += c == ';' ? 1 : 0;
    }
    return semicolons > commas ? ';' : ',';
}

// A line feed, or a carriage return directly followed by one.
bool CsvReader::IsLineBreak(std::size_t pos) const {
    return data_[pos] == '\n' || (data_[pos] == '\r' && pos + 1 < size_ && data_[pos + 1] == '\n');
}

void CsvReader::SkipEmptyLines() {
    while (pos_ < size_ && IsLineBreak(pos_)) {
        pos_ += data_[pos_] == '\r' ? 2 : 1;
        ++line_;
    }
}

// Records the problem and moves on.  An unclosed quote may have swallowed
// the rest of the file, so reading then resumes on the line after the
// record's first; any other problem is found where the record's quotes are
// balanced, so reading resumes on the line after the one it was found on
// and never inside a quoted field.
bool CsvReader::Malformed(CsvRecord &record, std::size_t start, std::string_view problem, Resume resume) {
    record.problem = problem;
    record.fields.clear();
    const bool firstLine = resume == Resume::AfterFirstLine;
    record.lastLine = firstLine ? record.line : line_;
    const std::size_t from = firstLine ? start : std::min(pos_, size_);
    const void *lineFeed = std::memchr(data_ + from, '\n', size_ - from);
    pos_ = lineFeed != nullptr ? static_cast<std::size_t>(static_cast<const char *>(lineFeed) - data_) + 1 : size_;
    line_ = record.lastLine + 1;
    return true;
}

// A field in quotes, from its opening quote; returns the problem, if any.
std::string_view CsvReader::ReadQuoted(Span &span) {
    span.begin = ++pos_;
    for (;;) {
        const void *quote = std::memchr(data_ + pos_, '"', size_ - pos_);
        if (quote == nullptr) return NotClosed;
        const auto at = static_cast<std::size_t>(static_cast<const char *>(quote) - data_);
        line_ += static_cast<std::size_t>(std::count(data_ + pos_, data_ + at, '\n'));
        pos_ = at + 1;
        if (pos_ < size_ && data_[pos_] == '"') {
            span.doubledQuotes = true;
            ++pos_;
            continue;
        }
        span.end = at;
        break;
    }
    if (pos_ + 1 == size_ && data_[pos_] == '\r') return FinalCarriageReturn;
    if (pos_ < size_ && data_[pos_] != delimiter_ && !IsLineBreak(pos_)) return TextAfterQuote;
    return {};
}

// A field not in quotes; returns the problem, if any.
std::string_view CsvReader::ReadPlain(Span &span) {
    span.begin = pos_;
    while (pos_ < size_ && !endsPlain_[static_cast<unsigned char>(data_[pos_])]) ++pos_;
    span.end = pos_;
    if (pos_ == size_) return {};
    if (data_[pos_] == '"') return StrayQuote;
    if (data_[pos_] == '\r' && !IsLineBreak(pos_)) return pos_ + 1 == size_ ? FinalCarriageReturn : CarriageReturnOnly;
    return {};
}

// Steps over what ends a field; true when another field follows.
bool CsvReader::EndField() {
    if (pos_ >= size_) return false;
    if (data_[pos_] == delimiter_) {
        ++pos_;
        return true;
    }
    pos_ += data_[pos_] == '\r' ? 2 : 1;
    ++line_;
    return false;
}

// Well-formed: undouble the quotes and terminate every field in place.
// The terminator lands on the comma, quote or line break after the field
// (or on the spare byte after the data), all read already.
void CsvReader::Terminate(CsvRecord &record) {
    for (const Span &span : spans_) {
        char *text = data_ + span.begin;
        std::size_t size = span.end - span.begin;
        if (span.doubledQuotes) {
            std::size_t out = 0;
            for (std::size_t in = 0; in < size; ++in) {
                text[out++] = text[in];
                if (text[in] == '"') ++in;
            }
            size = out;
        }
        text[size] = '\0';
        record.fields.push_back({text, size});
    }
}

bool CsvReader::Next(CsvRecord &record) {
    record.fields.clear();
    record.problem.clear();
    SkipEmptyLines();
    if (pos_ >= size_) return false;

    const std::size_t start = pos_;
    record.line = line_;
    spans_.clear();
    // First find every field's extent, so that nothing is changed in the
    // data before the whole record has turned out well-formed.
    bool more = true;
    while (more) {
        Span span;
        const bool quoted = pos_ < size_ && data_[pos_] == '"';
        if (const std::string_view problem = quoted ? ReadQuoted(span) : ReadPlain(span); !problem.empty())
            return Malformed(record, start, problem,
                             problem == NotClosed ? Resume::AfterFirstLine : Resume::AfterErrorLine);
        spans_.push_back(span);
        more = EndField();
    }
    record.lastLine = std::max(record.line, pos_ < size_ || data_[size_ - 1] == '\n' ? line_ - 1 : line_);
    Terminate(record);
    return true;
}

namespace {

// Reads `file` to its end into `data`, from `filled` on: first into the
// room there is (a file whose size was told), then a piece at a time, the
// buffer growing only by what was read, to no more than one byte past
// `maxSize`: a file that passes the limit is refused as soon as it does
// (false), however much more it holds.
bool ReadUpTo(std::FILE *file, std::vector<char> &data, std::size_t filled, std::uintmax_t maxSize) {
    const auto most = static_cast<std::size_t>(std::min<std::uintmax_t>(maxSize + 1, SIZE_MAX - 1));
    if (filled < data.size()) filled += std::fread(data.data() + filled, 1, data.size() - filled, file);
    std::vector<char> piece(Piece);
    while (filled < most && std::feof(file) == 0 && std::ferror(file) == 0) {
        const std::size_t got = std::fread(piece.data(), 1, std::min(Piece, most - filled), file);
        if (got == 0) break;
        GrowStream(data, filled + got, most);
        std::memcpy(data.data() + filled, piece.data(), got);
        filled += got;
    }
    if (filled > maxSize) return false;
    data.resize(filled);
    return true;
}

}  // namespace

std::string DataName(const std::string &path) { return path == "-" ? "standard input" : path; }

std::vector<char> ReadCsvFile(const std::string &path, std::uintmax_t maxSize) {
    const bool standardInput = path == "-";
    const std::string name = DataName(path);
    if (!standardInput) RefuseIfFolder(path, name);
    std::FILE *file = standardInput ? stdin : std::fopen(path.c_str(), "rb");
    if (file == nullptr) throw HostError("cannot open " + name + ": " + std::strerror(errno));
    const std::string tooLarge = name + " is too large (more than " + std::to_string(maxSize) + " bytes)";
    const auto close = [standardInput](std::FILE *opened) {
        if (!standardInput) std::fclose(opened);
    };
    // The whole file at once where its size can be told, then in pieces
    // until the end (a file may grow while it is read; a pipe has no size).
    std::vector<char> data;
    if (!standardInput && std::fseek(file, 0, SEEK_END) == 0) {
        const long size = std::ftell(file);
        if (size > 0 && static_cast<std::uintmax_t>(size) > maxSize) {
            close(file);
            throw HostError(tooLarge);
        }
        if (size > 0) {
            data.reserve(static_cast<std::size_t>(size) + 1);
            data.resize(static_cast<std::size_t>(size) + 1);
        }
        std::rewind(file);
    }
    if (!ReadUpTo(file, data, 0, maxSize)) {
        close(file);
        throw HostError(tooLarge);
    }
    const bool failed = std::ferror(file) != 0;
    const int error = errno;
    close(file);
    if (failed) throw HostError("cannot read " + name + ": " + std::strerror(error));
    data.push_back('\0');  // the spare byte the CSV reader may write
    return data;
}

}  // namespace qhost
