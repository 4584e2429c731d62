#include "render.h"

#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

#include "common/display.h"

namespace qhost {

namespace {

using qtool::AppendShown;
using qtool::Output;
using qtool::Quoted;

// The widest the tag column of the text listing grows; longer names push
// the rest of their line to the right.
constexpr std::size_t MaxTagColumn = 60;

// The width QELNumberFootPrint pads its text to.
constexpr std::size_t ValueColumn = 10;

std::string Count(std::size_t count, const char *one, const char *many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

// The patterns as the summary names them: "*A*" or "*B*".
std::string Patterns(const Listing &listing) {
    std::string text;
    for (const std::string &pattern : listing.patterns)
        text += (text.empty() ? "" : " or ") + Quoted(pattern, std::string::npos);
    return text;
}

std::size_t CutRows(const Listing &listing) {
    return static_cast<std::size_t>(
        std::count_if(listing.lines.begin(), listing.lines.end(), [](const Line &line) { return line.cut; }));
}

// "2 malformed records skipped (lines 3, 7-9)".
std::string Skipped(const Listing &listing) {
    return Count(listing.skippedRecords, "malformed record", "malformed records") + " skipped (" +
           listing.skippedLines + ")";
}

// "2 tags with a blank value, 1 with blank flags", or nothing.
std::string Blanks(const Listing &listing) {
    std::string text;
    if (listing.blankValues > 0) text = Count(listing.blankValues, "tag", "tags") + " with a blank value";
    if (listing.blankFlags > 0)
        text += (text.empty() ? Count(listing.blankFlags, "tag", "tags") : ", " + std::to_string(listing.blankFlags)) +
                " with blank flags";
    return text;
}

// The line under the listing: how many tags, what was blank, cut and skipped.
std::string Summary(const Listing &listing) {
    std::string text = Count(listing.tagsRead, "tag", "tags");
    if (!listing.patterns.empty())
        text = std::to_string(listing.lines.size()) + " of " + text +
               (listing.lines.size() == 1 ? " matches " : " match ") + Patterns(listing);
    if (const std::string blanks = Blanks(listing); !blanks.empty()) text += "; " + blanks;
    if (const std::size_t cut = CutRows(listing); cut > 0)
        text += "; " + Count(cut, "row", "rows") + " reached the library's 255-character bound, marked " + CutMarker;
    if (listing.skippedRecords > 0) text += "; " + Skipped(listing);
    return text;
}

// U+2068 first strong isolate and U+2069 pop directional isolate in UTF-8
// (written as bytes: a string literal holding one alone would trouble
// editors and reviewers).
constexpr char FirstStrongIsolate[] = {'\xE2', '\x81', '\xA8'};
constexpr char PopDirectionalIsolate[] = {'\xE2', '\x81', '\xA9'};

void AppendTextLine(std::string &out, const Listing &listing, const Line &line, std::size_t width) {
    if (line.headersSize > 0) {
        AppendShown(out, line.Headers(listing.arena), false);
        out.push_back('\n');
    }
    std::string_view leaf = line.Leaf(listing.arena);
    if (line.isolate) {
        // The indentation stays outside the isolate, at the line's start,
        // where a right-to-left paragraph would not move it.
        const std::size_t blanks = std::min(leaf.find_first_not_of(' '), leaf.size());
        out.append(blanks, ' ').append(FirstStrongIsolate, sizeof FirstStrongIsolate);
        leaf.remove_prefix(blanks);
    }
    AppendShown(out, leaf, false);
    if (line.isolate) out.append(PopDirectionalIsolate, sizeof PopDirectionalIsolate);
    out.append(width > line.leafWidth ? width - line.leafWidth : 0, ' ').push_back(' ');
    if (line.valueSize == 0) out.append(ValueColumn, ' ');
    AppendShown(out, line.Value(listing.arena), false);
    if (line.alarm || line.log || line.cut) out.append(line.alarm ? "  alarm" : "       ");
    if (line.log || line.cut) out.append(line.log ? "  log" : "     ");
    if (line.cut) out.append("  ").append(CutMarker);
    out.push_back('\n');
}

// On screen the listing keeps its blanks; in print the table fits the
// page: long names wrap within their cell (at separators where they can,
// keeping their indentation), each level header stays with the first row
// under it, each row shows its group path when asked (--group-path), and
// the pages are numbered.
const char *const PageStyle =
    "body { font-family: sans-serif; margin: 2em; color: #000; background: #fff; }\n"
    "h1 { font-size: 1.4em; margin: 0 0 0.4em; overflow-wrap: anywhere; }\n"
    "dl { display: grid; grid-template-columns: max-content auto; gap: 0.1em 1em; margin: 0 0 1.2em; }\n"
    "dt { font-weight: bold; }\n"
    "dd { margin: 0; white-space: pre-wrap; overflow-wrap: anywhere; }\n"
    "table { border-collapse: collapse; font-family: monospace; }\n"
    "th, td { white-space: pre; padding: 0.1em 1em 0.1em 0.4em; text-align: left; vertical-align: top; }\n"
    "thead th { border-bottom: 2px solid #000; }\n"
    "td.value, th.value { text-align: right; }\n"
    "tr.level td { font-weight: bold; padding-top: 0.3em; }\n"
    "td.tag { border-left: 4px solid transparent; }\n"
    "tr.alarm td { background: #fde0dc; font-weight: bold; }\n"
    "tr.alarm td.tag { border-left: 4px solid #b00020; }\n"
    "tr.log td.tag { border-left-style: double; border-left-color: #555; }\n"
    "tr.alarm.log td.tag { border-left: 4px double #b00020; }\n"
    "td.mark { font-weight: bold; }\n"
    "span.path { display: none; }\n"
    "@media print {\n"
    "  @page { size: A4; margin: 15mm 15mm 18mm;\n"
    "    @bottom-right { content: \"page \" counter(page) \" of \" counter(pages); font: 8pt sans-serif; } }\n"
    "  body { margin: 0; font-size: 9pt; }\n"
    "  table { width: 100%; table-layout: fixed; }\n"
    "  col.value { width: 12ch; } col.alarm { width: 7ch; } col.log { width: 5ch; } col.cut { width: 7ch; }\n"
    "  th, td { padding-right: 0.5em; }\n"
    "  td { white-space: pre-wrap; overflow-wrap: anywhere; }\n"
    "  td.value { white-space: pre; }\n"
    "  thead { display: table-header-group; }\n"
    "  tbody { break-inside: avoid; }\n"
    "  span.path { display: block; font-size: 7pt; font-weight: normal; color: #555; }\n"
    "  tr.alarm td { background: none; }\n"
    "}\n";

void AppendFact(std::string &out, const char *term, std::string_view text) {
    out.append("<dt>").append(term).append("</dt><dd>");
    AppendShown(out, text, true);
    out.append("</dd>\n");
}

void AppendPageHead(std::string &out, const Listing &listing) {
    out.append("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>");
    AppendShown(out, listing.title, true);
    out.append("</title>\n<style>\n").append(PageStyle).append("</style>\n</head>\n<body>\n<header>\n<h1>");
    AppendShown(out, listing.title, true);
    out.append("</h1>\n<dl>\n");
    const auto alarms =
        std::count_if(listing.lines.begin(), listing.lines.end(), [](const Line &l) { return l.alarm; });
    const auto logs = std::count_if(listing.lines.begin(), listing.lines.end(), [](const Line &l) { return l.log; });
    AppendFact(out, "Source", listing.source);
    AppendFact(out, "Date", listing.date);
    AppendFact(out, "Pattern", listing.patterns.empty() ? std::string("(all tags)") : Patterns(listing));
    AppendFact(out, "Tags", std::to_string(listing.lines.size()) + " listed of " + std::to_string(listing.tagsRead));
    if (listing.skippedRecords > 0) AppendFact(out, "Skipped", Skipped(listing));
    AppendFact(out, "Alarms", std::to_string(alarms));
    AppendFact(out, "Logs", std::to_string(logs));
    if (const std::size_t cut = CutRows(listing); cut > 0)
        AppendFact(out, "Cut",
                   Count(cut, "row", "rows") + " reached the library's 255-character bound, marked " + CutMarker);
    out.append(
        "</dl>\n</header>\n<table>\n"
        "<colgroup><col class=\"tag\"><col class=\"value\"><col class=\"alarm\"><col class=\"log\"><col "
        "class=\"cut\"></colgroup>\n<thead>\n"
        "<tr><th>Tag</th><th class=\"value\">Value</th><th>Alarm</th><th>Log</th><th></th></tr>\n"
        "</thead>\n");
}

// A name cell's text: its leading blanks as padding, so that a name that
// wraps keeps its indentation, and a chance to break after each separator.
void AppendIndented(std::string &out, std::string_view text, const char *cell, bool isolate) {
    std::size_t blanks = 0;
    while (blanks < text.size() && text[blanks] == ' ') ++blanks;
    out.append(cell);
    if (blanks > 0) out.append(" style=\"padding-left: calc(0.4em + ").append(std::to_string(blanks)).append("ch)\"");
    out.append(isolate ? "><bdi>" : ">");
    text.remove_prefix(blanks);
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t separator = std::min(text.find_first_of("\\./", at), text.size());
        const std::size_t end = separator < text.size() ? separator + 1 : separator;
        AppendShown(out, text.substr(at, end - at), true);
        if (separator < text.size() && end < text.size()) out.append("<wbr>");
        at = end;
    }
    if (isolate) out.append("</bdi>");
}

// The group path under a row: the open levels' headers, joined by " › ".
std::string PathText(const OpenLevels &path) {
    std::string text;
    for (const auto &level : path.levels) {
        if (!text.empty()) text.append(" \xE2\x80\xBA ");
        text.append(level.second);
    }
    return text;
}

void AppendPageRow(std::string &out, const Listing &listing, const Line &line, OpenLevels &path) {
    std::string_view headers = line.Headers(listing.arena);
    out.append("<tbody>\n");
    while (!headers.empty()) {
        const std::size_t end = std::min(headers.find('\n'), headers.size());
        path.Enter(headers.substr(0, end));
        AppendIndented(out, headers.substr(0, end), "<tr class=\"level\"><td colspan=\"5\"", false);
        out.append("</td></tr>\n");
        headers.remove_prefix(std::min(end + 1, headers.size()));
    }
    out.append(line.alarm ? (line.log ? "<tr class=\"alarm log\">" : "<tr class=\"alarm\">")
                          : (line.log ? "<tr class=\"log\">" : "<tr>"));
    AppendIndented(out, line.Leaf(listing.arena), "<td class=\"tag\"", line.isolate);
    path.Close(LeadingBlanks(line.Leaf(listing.arena)));
    if (listing.groupPath && !path.levels.empty()) {
        out.append("<span class=\"path\">");
        AppendShown(out, PathText(path), true);
        out.append("</span>");
    }
    out.append("</td><td class=\"value\">");
    AppendShown(out, line.Value(listing.arena), true);
    out.append(line.alarm ? "</td><td class=\"mark\">alarm" : "</td><td>");
    out.append(line.log ? "</td><td class=\"mark\">log" : "</td><td>");
    out.append(line.cut ? "</td><td class=\"mark\">" : "</td><td>").append(line.cut ? CutMarker : "");
    out.append("</td></tr>\n</tbody>\n");
}

}  // namespace

std::size_t LeadingBlanks(std::string_view text) { return std::min(text.find_first_not_of(' '), text.size()); }

void OpenLevels::Close(std::size_t blanks) {
    while (!levels.empty() && levels.back().first >= blanks) levels.pop_back();
}

void OpenLevels::Enter(std::string_view header) {
    const std::size_t blanks = LeadingBlanks(header);
    Close(blanks);
    levels.emplace_back(blanks, header.substr(blanks));
}

void RenderText(Output &output, const Listing &listing) {
    std::size_t width = 3;
    for (const Line &line : listing.lines) width = std::max(width, std::min<std::size_t>(line.leafWidth, MaxTagColumn));
    std::string &out = output.Text();
    out.append("Tag").append(width - 3, ' ').append(" ").append(ValueColumn - 5, ' ').append("Value  Alarm  Log\n");
    for (const Line &line : listing.lines) {
        AppendTextLine(out, listing, line, width);
        output.Spill();
    }
    out.append("\n").append(Summary(listing)).append("\n");
}

void RenderHtml(Output &output, const Listing &listing) {
    std::string &out = output.Text();
    AppendPageHead(out, listing);
    OpenLevels path;
    for (const Line &line : listing.lines) {
        AppendPageRow(out, listing, line, path);
        output.Spill();
    }
    out.append("</table>\n<p>");
    AppendShown(out, Summary(listing), true);
    out.append("</p>\n</body>\n</html>\n");
}

std::vector<std::pair<std::string, std::string>> PageFacts(const Listing &listing) {
    const auto alarms =
        std::count_if(listing.lines.begin(), listing.lines.end(), [](const Line &l) { return l.alarm; });
    const auto logs = std::count_if(listing.lines.begin(), listing.lines.end(), [](const Line &l) { return l.log; });
    std::vector<std::pair<std::string, std::string>> facts;
    facts.emplace_back("Source", listing.source);
    facts.emplace_back("Date", listing.date);
    facts.emplace_back("Pattern", listing.patterns.empty() ? std::string("(all tags)") : Patterns(listing));
    facts.emplace_back("Tags", std::to_string(listing.lines.size()) + " listed of " + std::to_string(listing.tagsRead));
    if (listing.skippedRecords > 0) facts.emplace_back("Skipped", Skipped(listing));
    facts.emplace_back("Alarms", std::to_string(alarms));
    facts.emplace_back("Logs", std::to_string(logs));
    if (const std::size_t cut = CutRows(listing); cut > 0)
        facts.emplace_back(
            "Cut", Count(cut, "row", "rows") + " reached the library's 255-character bound, marked " + CutMarker);
    return facts;
}

std::string SummaryLine(const Listing &listing) { return Summary(listing); }

}  // namespace qhost
