// The listing as records for other programs: one per listed tag, with the
// texts the library gave (its header lines, the indented name, the
// footprint) and its flags, as CSV (RFC 4180) or as JSON.  The texts are
// shown as on the terminal (qtool::AppendShown): valid UTF-8, line feeds
// kept, any other control character or invalid byte as U+FFFD.
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "common/display.h"

#include "render.h"

namespace qhost {

namespace {

using qtool::Output;

std::string Shown(std::string_view text) {
    std::string shown;
    qtool::AppendShown(shown, text, false);
    return shown;
}

// A CSV field in double quotes, each quote doubled (RFC 4180).  Every text
// field is quoted, so that the blanks that indent it and the line feeds
// between header lines are kept by any reader.
void AppendQuoted(std::string &out, std::string_view text) {
    out.push_back('"');
    for (const char c : Shown(text)) {
        if (c == '"') out.push_back('"');
        out.push_back(c);
    }
    out.push_back('"');
}

const char *Flag(bool set) { return set ? "true" : "false"; }

}  // namespace

// RFC 4180: a header row, then one record per line, CR LF line ends.
void RenderCsv(Output &output, const Listing &listing) {
    std::string &out = output.Text();
    out.append("headers,tag,value,alarm,log,cut\r\n");
    for (const Line &line : listing.lines) {
        AppendQuoted(out, line.Headers(listing.arena));
        out.push_back(',');
        AppendQuoted(out, line.Leaf(listing.arena));
        out.push_back(',');
        AppendQuoted(out, line.Value(listing.arena));
        out.append(",").append(Flag(line.alarm)).append(",").append(Flag(line.log));
        out.append(",").append(Flag(line.cut)).append("\r\n");
        output.Spill();
    }
}

// One JSON array of objects, one object per line, written by nlohmann-json
// (its escaping).
void RenderJson(Output &output, const Listing &listing) {
    std::string &out = output.Text();
    out.append("[");
    const char *separator = "\n";
    for (const Line &line : listing.lines) {
        nlohmann::ordered_json record;
        record["headers"] = Shown(line.Headers(listing.arena));
        record["tag"] = Shown(line.Leaf(listing.arena));
        record["value"] = Shown(line.Value(listing.arena));
        record["alarm"] = line.alarm;
        record["log"] = line.log;
        record["cut"] = line.cut;
        out.append(separator).append(record.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
        separator = ",\n";
        output.Spill();
    }
    out.append(listing.lines.empty() ? "]\n" : "\n]\n");
}

}  // namespace qhost
