// The tag listing that a report built on the library's functions shows:
// read from a CSV file of tags, optionally filtered with QELPatternMatch,
// sorted by name, and rendered line by line with QELIndentTagHier,
// QELIndentTagName, QELNumberFootPrint, QELAlarmFlagSet and QELLogFlagSet,
// as text or as an HTML page.
#ifndef QELRPT_HOST_REPORT_H
#define QELRPT_HOST_REPORT_H

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "plugin.h"

namespace qhost {

enum class ReportFormat { Text, Html };

struct ReportOptions {
    bool keepOrder = false;             // file order instead of sorting by name
    std::vector<std::string> patterns;  // keep only the tags whose name matches one of them
    ReportFormat format = ReportFormat::Text;
    bool stats = false;  // where the time goes, on `messages`
};

struct ReportSummary {
    std::size_t tagsRead = 0;                          // well-formed tag records
    std::size_t tagsListed = 0;                        // of these, the ones in the listing
    std::size_t skippedRecords = 0, skippedLines = 0;  // malformed records, each reported on `messages`
    std::size_t cutRows = 0;  // rows with a text at the library's bound, each reported on `messages`
};

// Renders the listing of the CSV file at `path` to `out`; each malformed
// record gets a line on `messages` ("FILE:LINES: problem"), and so does
// each result the library may have cut short.  Throws HostError when the
// file cannot be read, its header row is unusable, the library lacks a
// function the listing needs, a call fails or the output cannot be
// written.
ReportSummary RenderReport(const Plugin &plugin, const std::string &path, const ReportOptions &options, std::FILE *out,
                           std::FILE *messages);

}  // namespace qhost

#endif
