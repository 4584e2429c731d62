// The tag listing that a report built on the library's functions shows:
// read from a CSV file of tags, optionally filtered with QELPatternMatch,
// sorted by name, and rendered line by line with QELIndentTagHier,
// QELIndentTagName, QELNumberFootPrint, QELAlarmFlagSet and QELLogFlagSet,
// as text, as an HTML page, or as CSV or JSON records (render.h).
#ifndef QELRPT_HOST_REPORT_H
#define QELRPT_HOST_REPORT_H

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "common/messages.h"
#include "plugin.h"
#include "tags.h"

namespace qhost {

// What the library gave for one listed tag: three texts one after the
// other in the listing's arena (as the library gave them; the renderer
// shows them cleaned), and the two flags.
struct Line {
    std::size_t at;  // where the headers start
    const Tag *tag;  // the tag it lists: its name, the value's text, the flags as read
    std::uint32_t headersSize, leafSize, valueSize;
    std::uint32_t parentSize;  // QELRemoveTagName's text after the value (records only; else 0)
    std::uint32_t leafWidth;   // in characters
    bool alarm, log;
    bool cut;      // a text reached the library's bound and may be cut short
    bool isolate;  // the leaf holds right-to-left letters: shown isolated from the columns after it

    std::string_view Headers(const std::string &arena) const { return {arena.data() + at, headersSize}; }
    std::string_view Leaf(const std::string &arena) const { return {arena.data() + at + headersSize, leafSize}; }
    std::string_view Value(const std::string &arena) const {
        return {arena.data() + at + headersSize + leafSize, valueSize};
    }
    std::string_view Parent(const std::string &arena) const {
        return {arena.data() + at + headersSize + leafSize + valueSize, parentSize};
    }
};

// The listing as the report hands it to the renderer.
struct Listing {
    std::string source;                 // the CSV file's path, or "standard input"
    std::string title;                  // --title, else the source
    std::string date;                   // of the report, as 2026-12-09
    std::size_t skippedRecords = 0;     // malformed records
    std::string skippedLines;           // where they are: "lines 3, 7-9" (ten ranges, then "and N more")
    std::vector<std::string> patterns;  // --match; a tag is listed when any matches
    bool groupPath = false;             // the page shows each row's group path in print
    bool csvRaw = false;                // CSV texts as they are, formulas too
    std::size_t tagsRead = 0;
    std::size_t blankValues = 0, blankFlags = 0;  // listed tags with a blank value, with blank flags
    std::string arena;
    std::vector<Line> lines;
};

enum class ReportFormat { Text, Html, Csv, Json, JsonLines, Pdf };

// The PDF's paper.
enum class Paper { A4, Letter };

struct ReportOptions {
    bool keepOrder = false;             // file order instead of sorting by name
    std::vector<std::string> patterns;  // keep only the tags whose name matches one of them
    ReportFormat format = ReportFormat::Text;
    bool stats = false;      // where the time goes, as a message
    bool groupPath = false;  // each row's group path under its name in print
    bool csvRaw = false;     // CSV texts as they are, even those a spreadsheet runs as formulas
    ColumnNames columns;     // the header's names of the name, value and flags columns
    std::string title;       // of the HTML page; empty: the file's name
    char delimiter = 0;      // the field separator; 0: ";" or "," as the header line shows
    bool progress = false;   // a progress line on standard error (a terminal) when the report takes long
    std::chrono::milliseconds progressDelay{2000};  // how long the report runs before the line shows

    // The PDF's paper.
    Paper paper = Paper::A4;
};

struct ReportSummary {
    std::size_t tagsRead = 0;                          // well-formed tag records
    std::size_t tagsListed = 0;                        // of these, the ones in the listing
    std::size_t skippedRecords = 0, skippedLines = 0;  // malformed records, each told as a message
};

// Runs the report on the CSV file at `path`: reads and checks its tags,
// filters and sorts them, asks the library for each listed one and renders
// the listing to `out`.  Each malformed record gets a message ("FILE:LINES:
// problem"), and so does each result the library may have cut short.
// Throws HostError when the file cannot be read, its header row is
// unusable, the library lacks a function the listing needs, a call fails
// or the output cannot be written.
ReportSummary RunReport(const Plugin &plugin, const std::string &path, const ReportOptions &options, std::FILE *out,
                        qtool::Messages &messages);

}  // namespace qhost

#endif
