#include "csv.h"

#include <algorithm>
#include <cstring>

namespace qhost {

CsvReader::CsvReader(char *data, std::size_t size) : data_(data), size_(size) {
    if (size_ >= 3 && std::memcmp(data_, "\xEF\xBB\xBF", 3) == 0) pos_ = 3;
}

// A line feed, or a carriage return directly followed by one.
bool CsvReader::IsLineBreak(std::size_t pos) const {
    return data_[pos] == '\n' || (data_[pos] == '\r' && pos + 1 < size_ && data_[pos + 1] == '\n');
}

// Records the problem, with the line it was found on when the record began
// on an earlier one, and moves on.  An unclosed quote may have swallowed
// the rest of the file, so reading then resumes on the line after the
// record's first; any other problem is found where the record's quotes are
// balanced, so reading resumes on the line after the one it was found on
// and never inside a quoted field.
bool CsvReader::Malformed(CsvRecord &record, std::size_t start, const char *problem, Resume resume) {
    record.error = problem;
    if (line_ != record.line) record.error += " (on line " + std::to_string(line_) + ")";
    record.fields.clear();
    const std::size_t from = resume == Resume::AfterFirstLine ? start : std::min(pos_, size_);
    const void *lineFeed = std::memchr(data_ + from, '\n', size_ - from);
    pos_ = lineFeed != nullptr ? static_cast<std::size_t>(static_cast<const char *>(lineFeed) - data_) + 1 : size_;
    line_ = (resume == Resume::AfterFirstLine ? record.line : line_) + 1;
    return true;
}

bool CsvReader::Next(CsvRecord &record) {
    record.fields.clear();
    record.error.clear();
    while (pos_ < size_ && IsLineBreak(pos_)) {
        pos_ += data_[pos_] == '\r' ? 2 : 1;
        ++line_;
    }
    if (pos_ >= size_) return false;

    const std::size_t start = pos_;
    record.line = line_;
    spans_.clear();
    // First find every field's extent, so that nothing is changed in the
    // data before the whole record has turned out well-formed.
    for (;;) {
        Span span;
        bool more = false;
        if (pos_ < size_ && data_[pos_] == '"') {
            span.begin = ++pos_;
            for (;;) {
                const void *quote = std::memchr(data_ + pos_, '"', size_ - pos_);
                if (quote == nullptr)
                    return Malformed(record, start, "a quoted field is not closed", Resume::AfterFirstLine);
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
            if (pos_ < size_ && data_[pos_] != ',' && !IsLineBreak(pos_))
                return Malformed(record, start, "text follows the closing quote of a field", Resume::AfterErrorLine);
        } else {
            span.begin = pos_;
            for (; pos_ < size_; ++pos_) {
                const char c = data_[pos_];
                if (c == ',' || c == '"' || c == '\n' || (c == '\r' && IsLineBreak(pos_))) break;
            }
            span.end = pos_;
            if (pos_ < size_ && data_[pos_] == '"')
                return Malformed(record, start, "a field that is not in quotes holds a quote", Resume::AfterErrorLine);
        }
        spans_.push_back(span);
        if (pos_ < size_ && data_[pos_] == ',') {
            ++pos_;
            more = true;
        } else if (pos_ < size_) {
            pos_ += data_[pos_] == '\r' ? 2 : 1;
            ++line_;
        }
        if (!more) break;
    }

    // Well-formed: undouble the quotes and terminate every field in place.
    // The terminator lands on the comma, quote or line break after the
    // field (or on the spare byte after the data), all read already.
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
    return true;
}

}  // namespace qhost
