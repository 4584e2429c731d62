// The tag listing that a report built on the library's functions shows:
// read from a CSV file of tags (a header row naming the columns name, value
// and flags, then one tag per record), optionally filtered with
// QELPatternMatch, sorted by name, and rendered line by line with
// QELIndentTagHier, QELIndentTagName, QELNumberFootPrint, QELAlarmFlagSet
// and QELLogFlagSet, as text or as an HTML page.
#ifndef QELRPT_HOST_REPORT_H
#define QELRPT_HOST_REPORT_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "plugin.h"

namespace qhost {

enum class ReportFormat { Text, Html };

struct ReportOptions {
    bool keepOrder = false;            // file order instead of sorting by name
    std::optional<std::string> match;  // keep only the tags whose name matches
    ReportFormat format = ReportFormat::Text;
    bool stats = false;  // time the run and the calls into the library
};

struct ReportSummary {
    std::size_t tagsRead = 0;    // well-formed tag records
    std::size_t tagsListed = 0;  // of these, the ones in the listing
    std::size_t skipped = 0;     // malformed records, each reported on `messages`
};

// The bytes of the file at `path` and one spare byte after them.  Throws
// HostError when the path is not a regular file, the file holds more than
// `maxSize` bytes, or it cannot be read.
std::vector<char> ReadCsvFile(const std::string &path, std::uintmax_t maxSize);

// Renders the listing of the CSV file at `path` to `out`; each malformed
// record gets a line on `messages` ("FILE:LINE: problem").  Throws
// HostError when the file cannot be read, its header row is unusable, the
// library lacks a function the listing needs, or a call fails.
ReportSummary RenderReport(const Plugin &plugin, const std::string &path, const ReportOptions &options, std::FILE *out,
                           std::FILE *messages);

}  // namespace qhost

#endif
