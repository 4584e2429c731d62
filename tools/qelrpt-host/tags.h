// The tags of a report's CSV file: a header row naming the columns name,
// value and flags (in any order, other columns ignored), then one tag per
// record.  A record that is not a tag is reported and skipped.
#ifndef QELRPT_HOST_TAGS_H
#define QELRPT_HOST_TAGS_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/messages.h"
#include "csv.h"

namespace qhost {

// 32 bytes: sorting and listing a million tags visits them in name
// order, scattered over the vector.
struct Tag {
    const char *name;  // NUL-terminated, in the file's buffer
    double value;      // as the host passes a Number: 100 times the value
    std::uint32_t nameSize;
    std::uint32_t flags;
    std::uint32_t line : 31;     // where its record starts (a file of at most 1 GiB has fewer lines)
    std::uint32_t hasFlags : 1;  // 0: the flags are blank
    std::int32_t valueAt;        // the value's text starts at name + valueAt, blanks before it left out
    std::string_view Name() const { return {name, nameSize}; }
    // The value as written, blanks around it left out; empty when blank.
    std::string_view ValueText() const;
    bool HasValue() const { return name[valueAt] != '\0'; }
};

// Where the name, value and flags columns stand in the header row.
struct Columns {
    std::size_t count = 0, name = 0, value = 0, flags = 0;
};

// The header's names of the three columns (--columns); the same names by
// default.  Matched without regard to ASCII case.
struct ColumnNames {
    std::string name = "name", value = "value", flags = "flags";
};

// Reads the header row.  Throws HostError when the file is empty or the
// row does not name the three columns once each.
Columns ReadHeader(CsvReader &reader, const std::string &path, const ColumnNames &names = {});

// Reads --columns "name=TagName,value=Value,flags=Quality": each of the
// three columns at most once, in any order, keys in any case.  Throws
// HostError with the reason when the text is not such a list.
ColumnNames ParseColumnNames(std::string_view text);

struct TagRead {
    Tag tag{};
    std::string problem;  // why the record is not a tag; empty when it is one
};

// Checks one well-formed record against the columns.
TagRead ReadTag(const CsvRecord &record, const Columns &columns);

struct TagList {
    std::vector<Tag> tags;
    std::size_t skippedRecords = 0, skippedLines = 0;
    std::vector<std::string> skippedRanges;  // LineRange of the first ten skipped records
};

// Reads the records after the header row; each one that is not a tag gets
// a message "PATH:LINES: problem".  `progress` is told the tags read.
TagList ReadTags(CsvReader &reader, const Columns &columns, const std::string &path, qtool::Messages &messages,
                 qtool::Progress &progress);

}  // namespace qhost

#endif
