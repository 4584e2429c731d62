// The listing as records for other programs: one per listed tag, with its
// data (the full name, the value as read, the flag word, the alarm and log
// flags, the depth and the parent that QELRemoveTagName gives) and the
// texts the library showed for it (its header lines, the indented name,
// the footprint), as CSV (RFC 4180), as one JSON array or as JSON Lines.
// The texts are shown as on the terminal (qtool::AppendShown): valid
// UTF-8, line feeds kept, any other control character or invalid byte as
// U+FFFD.
#include <algorithm>
#include <charconv>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "common/display.h"
#include "numbers.h"
#include "render.h"

namespace qhost {

namespace {

using qtool::Output;

std::string Shown(std::string_view text) {
    std::string shown;
    qtool::AppendShown(shown, text, false);
    return shown;
}

// The levels above the leaf: one for each separator in the name, as
// QELIndentTagName indents the leaf (counted here, where no bound cuts it).
std::size_t Depth(const Line &line) {
    const std::string_view name = line.tag->Name();
    return static_cast<std::size_t>(
        std::count_if(name.begin(), name.end(), [](char c) { return c == '\\' || c == '.'; }));
}

// Whether a spreadsheet opening the file would take `text` as a formula:
// it starts with =, +, -, @, a tab or a CR, and it is not a number.
bool ReadAsFormula(std::string_view text) {
    if (text.empty() || std::string_view("=+-@\t\r").find(text.front()) == std::string_view::npos) return false;
    const HostNumber number = ParseHostNumber(text);
    return !number.problem.empty() && !number.tooLarge;
}

// A CSV text field in double quotes, each quote doubled (RFC 4180).  Every
// text field is quoted, so that the blanks that indent it and the line
// feeds between header lines are kept by any reader.  Unless `raw`, a text
// that a spreadsheet would run as a formula starts with an apostrophe,
// which makes it text there.
void AppendQuoted(std::string &out, std::string_view text, bool raw) {
    const std::string shown = Shown(text);
    out.push_back('"');
    if (!raw && ReadAsFormula(shown)) out.push_back('\'');
    for (const char c : shown) {
        if (c == '"') out.push_back('"');
        out.push_back(c);
    }
    out.push_back('"');
}

const char *Flag(bool set) { return set ? "true" : "false"; }

// The value as a JSON number: the double nearest to the text read.
nlohmann::ordered_json JsonValue(const Tag &tag) {
    if (!tag.HasValue()) return nullptr;
    std::string_view text = tag.ValueText();
    if (text.front() == '+') text.remove_prefix(1);
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);  // out of range: stays 0, as the host reads it
    return value;
}

nlohmann::ordered_json JsonRecord(const Listing &listing, const Line &line) {
    const Tag &tag = *line.tag;
    nlohmann::ordered_json record;
    record["name"] = Shown(tag.Name());
    record["value"] = JsonValue(tag);
    record["flags"] = tag.hasFlags ? nlohmann::ordered_json(tag.flags) : nlohmann::ordered_json(nullptr);
    record["alarm"] = tag.hasFlags ? nlohmann::ordered_json(line.alarm) : nlohmann::ordered_json(nullptr);
    record["log"] = tag.hasFlags ? nlohmann::ordered_json(line.log) : nlohmann::ordered_json(nullptr);
    record["depth"] = Depth(line);
    record["parent"] = Shown(line.Parent(listing.arena));
    record["headers_text"] = Shown(line.Headers(listing.arena));
    record["leaf_text"] = Shown(line.Leaf(listing.arena));
    record["value_text"] = Shown(line.Value(listing.arena));
    record["cut"] = line.cut;
    return record;
}

std::string Dumped(const nlohmann::ordered_json &record) {
    return record.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace

// RFC 4180: a header row, then one record per line, CR LF line ends.
void RenderCsv(Output &output, const Listing &listing) {
    std::string &out = output.Text();
    out.append("name,value,flags,alarm,log,depth,parent,headers_text,leaf_text,value_text,cut\r\n");
    for (const Line &line : listing.lines) {
        const Tag &tag = *line.tag;
        AppendQuoted(out, tag.Name(), listing.csvRaw);
        out.append(",").append(tag.ValueText()).append(",");
        if (tag.hasFlags) out.append(std::to_string(tag.flags)).append(",").append(Flag(line.alarm));
        out.append(",").append(tag.hasFlags ? Flag(line.log) : "");
        out.append(",").append(std::to_string(Depth(line))).append(",");
        AppendQuoted(out, line.Parent(listing.arena), listing.csvRaw);
        out.push_back(',');
        AppendQuoted(out, line.Headers(listing.arena), listing.csvRaw);
        out.push_back(',');
        AppendQuoted(out, line.Leaf(listing.arena), listing.csvRaw);
        out.push_back(',');
        AppendQuoted(out, line.Value(listing.arena), listing.csvRaw);
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
        out.append(separator).append(Dumped(JsonRecord(listing, line)));
        separator = ",\n";
        output.Spill();
    }
    out.append(listing.lines.empty() ? "]\n" : "\n]\n");
}

// JSON Lines: the same objects, one a line, for streams.
void RenderJsonLines(Output &output, const Listing &listing) {
    std::string &out = output.Text();
    for (const Line &line : listing.lines) {
        out.append(Dumped(JsonRecord(listing, line))).push_back('\n');
        output.Spill();
    }
}

}  // namespace qhost
