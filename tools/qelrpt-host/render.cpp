#include "render.h"

#include <algorithm>
#include <string_view>

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

// The line under the listing: how many tags, and what was cut.
std::string Summary(const Listing &listing) {
    std::string text = Count(listing.tagsRead, "tag", "tags");
    if (!listing.patterns.empty())
        text = std::to_string(listing.lines.size()) + " of " + text +
               (listing.lines.size() == 1 ? " matches " : " match ") + Patterns(listing);
    if (const std::size_t cut = CutRows(listing); cut > 0)
        text += "; " + Count(cut, "row", "rows") + " reached the library's 255-character bound, marked " + CutMarker;
    return text;
}

void AppendTextLine(std::string &out, const Listing &listing, const Line &line, std::size_t width) {
    if (line.headersSize > 0) out.append(line.Headers(listing.arena)).push_back('\n');
    out.append(line.Leaf(listing.arena));
    out.append(width > line.leafWidth ? width - line.leafWidth : 0, ' ').push_back(' ');
    out.append(line.Value(listing.arena));
    if (line.alarm || line.log || line.cut) out.append(line.alarm ? "  alarm" : "       ");
    if (line.log || line.cut) out.append(line.log ? "  log" : "     ");
    if (line.cut) out.append("  ").append(CutMarker);
    out.push_back('\n');
}

const char *const PageStyle =
    "body { font-family: sans-serif; margin: 2em; color: #000; background: #fff; }\n"
    "h1 { font-size: 1.4em; margin: 0 0 0.4em; }\n"
    "dl { display: grid; grid-template-columns: max-content auto; gap: 0.1em 1em; margin: 0 0 1.2em; }\n"
    "dt { font-weight: bold; }\n"
    "dd { margin: 0; white-space: pre-wrap; }\n"
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
    "@media print {\n"
    "  @page { size: A4; margin: 15mm; }\n"
    "  body { margin: 0; font-size: 9pt; }\n"
    "  thead { display: table-header-group; }\n"
    "  tr { break-inside: avoid; }\n"
    "  tr.alarm td { background: none; }\n"
    "}\n";

void AppendFact(std::string &out, const char *term, std::string_view text) {
    out.append("<dt>").append(term).append("</dt><dd>");
    AppendShown(out, text, true);
    out.append("</dd>\n");
}

void AppendPageHead(std::string &out, const Listing &listing) {
    out.append("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>Tag listing: ");
    AppendShown(out, listing.source, true);
    out.append("</title>\n<style>\n")
        .append(PageStyle)
        .append("</style>\n</head>\n<body>\n<header>\n<h1>Tag listing</h1>\n<dl>\n");
    const auto alarms =
        std::count_if(listing.lines.begin(), listing.lines.end(), [](const Line &l) { return l.alarm; });
    const auto logs = std::count_if(listing.lines.begin(), listing.lines.end(), [](const Line &l) { return l.log; });
    AppendFact(out, "Source", listing.source);
    AppendFact(out, "Pattern", listing.patterns.empty() ? std::string("(all tags)") : Patterns(listing));
    AppendFact(out, "Tags", std::to_string(listing.lines.size()) + " listed of " + std::to_string(listing.tagsRead));
    AppendFact(out, "Alarms", std::to_string(alarms));
    AppendFact(out, "Logs", std::to_string(logs));
    if (const std::size_t cut = CutRows(listing); cut > 0)
        AppendFact(out, "Cut",
                   Count(cut, "row", "rows") + " reached the library's 255-character bound, marked " + CutMarker);
    out.append(
        "</dl>\n</header>\n<table>\n<thead>\n"
        "<tr><th>Tag</th><th class=\"value\">Value</th><th>Alarm</th><th>Log</th><th></th></tr>\n"
        "</thead>\n<tbody>\n");
}

void AppendPageRow(std::string &out, const Listing &listing, const Line &line) {
    std::string_view headers = line.Headers(listing.arena);
    while (!headers.empty()) {
        const std::size_t end = std::min(headers.find('\n'), headers.size());
        out.append("<tr class=\"level\"><td colspan=\"5\">");
        AppendShown(out, headers.substr(0, end), true);
        out.append("</td></tr>\n");
        headers.remove_prefix(std::min(end + 1, headers.size()));
    }
    out.append(line.alarm ? (line.log ? "<tr class=\"alarm log\">" : "<tr class=\"alarm\">")
                          : (line.log ? "<tr class=\"log\">" : "<tr>"));
    out.append("<td class=\"tag\">");
    AppendShown(out, line.Leaf(listing.arena), true);
    out.append("</td><td class=\"value\">");
    AppendShown(out, line.Value(listing.arena), true);
    out.append(line.alarm ? "</td><td class=\"mark\">alarm" : "</td><td>");
    out.append(line.log ? "</td><td class=\"mark\">log" : "</td><td>");
    out.append(line.cut ? "</td><td class=\"mark\">" : "</td><td>").append(line.cut ? CutMarker : "");
    out.append("</td></tr>\n");
}

}  // namespace

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
    for (const Line &line : listing.lines) {
        AppendPageRow(out, listing, line);
        output.Spill();
    }
    out.append("</tbody>\n</table>\n<p>");
    AppendShown(out, Summary(listing), true);
    out.append("</p>\n</body>\n</html>\n");
}

}  // namespace qhost
