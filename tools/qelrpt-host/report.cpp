#include "report.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <vector>

#include "csv.h"
#include "sort.h"
#include "text.h"

namespace qhost {

namespace {

using Clock = std::chrono::steady_clock;

// The widest the tag column of the text listing grows; longer names push
// the rest of their line to the right.
constexpr std::size_t MaxTagColumn = 60;

// The width QELNumberFootPrint pads its text to.
constexpr std::size_t ValueColumn = 10;

// The largest CSV file the report reads: 1 GiB.
constexpr std::uintmax_t MaxFileSize = std::uintmax_t{1} << 30U;

// The job number the report hands to UFStartJob and UFEndJob.
constexpr std::uint32_t ReportJob = 1;

// The output is collected and written in pieces of about this size.
constexpr std::size_t OutputChunk = std::size_t{1} << 20;

struct Tag {
    const char *name;  // NUL-terminated, in the file's buffer
    std::size_t nameSize;
    double value;  // as the host passes a Number: 100 times the value
    double flags;  // likewise
    std::string_view Name() const { return {name, nameSize}; }
};

// What the library gave for one listed tag: three texts in the arena and
// the two flags.
struct Line {
    std::size_t headers, headersSize;
    std::size_t leaf, leafSize;
    std::size_t value, valueSize;
    bool alarm, log;
};

// A function the listing calls, checked against the definition it needs.
const Function &Need(const Plugin &plugin, const char *definition) {
    Signature wanted;
    ParseDefinition(definition, wanted);
    const Function *function = plugin.Find(wanted.name);
    if (function == nullptr)
        throw HostError("the library has no function " + wanted.name + ", which the listing needs as \"" + definition +
                        "\"");
    const bool same = function->signature && function->signature->result == wanted.result &&
                      function->signature->parameters == wanted.parameters;
    if (!same || !function->problem.empty())
        throw HostError("the listing needs \"" + std::string(definition) + "\", but the library defines \"" +
                        function->definition + "\"");
    return *function;
}

// Where the name, value and flags columns stand in the header row.
struct Columns {
    std::size_t count = 0, name = 0, value = 0, flags = 0;
};

Columns ReadHeader(CsvReader &reader, const std::string &path) {
    CsvRecord header;
    if (!reader.Next(header))
        throw HostError(path + ": the file is empty; it needs a header row naming the columns name, value and flags");
    const std::string where = path + ":" + std::to_string(header.line) + ": ";
    if (!header.error.empty()) throw HostError(where + "header row: " + header.error);
    Columns columns;
    columns.count = header.fields.size();
    struct Wanted {
        const char *name;
        std::size_t *index;
        bool found;
    };
    std::array<Wanted, 3> wanted = {
        {{"name", &columns.name, false}, {"value", &columns.value, false}, {"flags", &columns.flags, false}}};
    std::string seen;
    for (std::size_t i = 0; i < header.fields.size(); ++i) {
        const std::string_view field(header.fields[i].text, header.fields[i].size);
        seen += (i == 0 ? "" : ", ") + Quoted(field);
        for (Wanted &column : wanted) {
            if (!SameName(field, column.name)) continue;
            if (column.found) throw HostError(where + "the header row names the column " + column.name + " twice");
            column.found = true;
            *column.index = i;
        }
    }
    const bool complete = std::all_of(wanted.begin(), wanted.end(), [](const Wanted &column) { return column.found; });
    if (!complete)
        throw HostError(where + "the header row must name the columns name, value and flags; it has " + seen);
    return columns;
}

// Checks one record; returns the problem, or an empty text and the tag.
std::string ReadTag(const CsvRecord &record, const Columns &columns, Tag &tag) {
    if (record.fields.size() != columns.count)
        return std::to_string(columns.count) + " fields expected as in the header row, " +
               std::to_string(record.fields.size()) + " found";
    const CsvField &name = record.fields[columns.name];
    if (name.size == 0) return "the tag name is empty";
    if (std::strlen(name.text) != name.size) return "the tag name holds a NUL byte";
    if (std::strpbrk(name.text, "\r\n") != nullptr) return "the tag name holds a line break";
    // The names reach the terminal as they are: no escape sequences.
    for (std::size_t i = 0; i < name.size; ++i) {
        const auto c = static_cast<unsigned char>(name.text[i]);
        if (c < 0x20 || c == 0x7F) {
            char code[8];
            std::snprintf(code, sizeof code, "0x%02X", static_cast<unsigned>(c));
            return std::string("the tag name holds the control character ") + code;
        }
    }
    const std::string_view valueText(record.fields[columns.value].text, record.fields[columns.value].size);
    const HostNumber value = ParseHostNumber(valueText);
    if (value.status == NumberStatus::OutOfRange) return "the value " + Quoted(valueText) + " is out of range";
    if (value.status != NumberStatus::Ok) return "the value " + Quoted(valueText) + " is not a number";
    const std::string_view flagsText(record.fields[columns.flags].text, record.fields[columns.flags].size);
    const std::optional<std::uint32_t> flags = ParseFlagWord(flagsText);
    if (!flags) return "the flags " + Quoted(flagsText) + " are not a whole number from 0 to 4294967295";
    tag = {name.text, name.size, value.hundredfold, static_cast<double>(*flags) * 100.0};
    return {};
}

// Collects output and writes it in large pieces.
class Output {
   public:
    explicit Output(std::FILE *file) : file_(file) { text_.reserve(OutputChunk + 4096); }
    std::string &Text() { return text_; }
    void Spill() {
        if (text_.size() >= OutputChunk) Flush();
    }
    void Flush() {
        if (!text_.empty() && std::fwrite(text_.data(), 1, text_.size(), file_) != text_.size()) failed_ = true;
        text_.clear();
    }
    void Finish() {
        Flush();
        if (std::fflush(file_) != 0 || std::ferror(file_) != 0) failed_ = true;
        if (failed_) throw HostError("cannot write the listing");
    }

   private:
    std::FILE *file_;
    std::string text_;
    bool failed_ = false;
};

std::string Summary(const ReportSummary &summary, const ReportOptions &options) {
    const std::string tags = summary.tagsRead == 1 ? " tag" : " tags";
    if (!options.match) return std::to_string(summary.tagsRead) + tags;
    return std::to_string(summary.tagsListed) + " of " + std::to_string(summary.tagsRead) + tags + " match " +
           Quoted(*options.match, std::string::npos);
}

void RenderText(Output &output, const std::string &arena, const std::vector<Line> &lines, const std::string &summary) {
    std::size_t width = 3;
    for (const Line &line : lines) width = std::max(width, std::min(line.leafSize, MaxTagColumn));
    std::string &out = output.Text();
    out.append("Tag").append(width - 3, ' ').append(" ").append(ValueColumn - 5, ' ').append("Value  Alarm  Log\n");
    for (const Line &line : lines) {
        if (line.headersSize > 0) out.append(arena, line.headers, line.headersSize).push_back('\n');
        out.append(arena, line.leaf, line.leafSize);
        out.append(width > line.leafSize ? width - line.leafSize : 0, ' ').push_back(' ');
        out.append(arena, line.value, line.valueSize);
        if (line.alarm || line.log) out.append(line.alarm ? "  alarm" : "       ");
        if (line.log) out.append("  log");
        out.push_back('\n');
        output.Spill();
    }
    out.append("\n").append(summary).append("\n");
}

void RenderHtml(Output &output, const std::string &arena, const std::vector<Line> &lines, const std::string &path,
                const std::string &summary) {
    std::string &out = output.Text();
    out.append(
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<title>Tag listing: ");
    AppendHtmlEscaped(out, path);
    out.append(
        "</title>\n<style>\n"
        "table { border-collapse: collapse; font-family: monospace; }\n"
        "th, td { white-space: pre; padding: 0 1em 0 0; text-align: left; vertical-align: top; }\n"
        ".value { text-align: right; }\n"
        "tr.level td { font-weight: bold; }\n"
        "</style>\n</head>\n<body>\n<table>\n<thead>\n"
        "<tr><th>Tag</th><th class=\"value\">Value</th><th>Alarm</th><th>Log</th></tr>\n"
        "</thead>\n<tbody>\n");
    for (const Line &line : lines) {
        std::string_view headers(arena.data() + line.headers, line.headersSize);
        while (!headers.empty()) {
            const std::size_t end = std::min(headers.find('\n'), headers.size());
            out.append("<tr class=\"level\"><td colspan=\"4\">");
            AppendHtmlEscaped(out, headers.substr(0, end));
            out.append("</td></tr>\n");
            headers.remove_prefix(std::min(end + 1, headers.size()));
        }
        out.append("<tr><td>");
        AppendHtmlEscaped(out, std::string_view(arena.data() + line.leaf, line.leafSize));
        out.append("</td><td class=\"value\">");
        AppendHtmlEscaped(out, std::string_view(arena.data() + line.value, line.valueSize));
        out.append(line.alarm ? "</td><td>alarm" : "</td><td>");
        out.append(line.log ? "</td><td>log</td></tr>\n" : "</td><td></td></tr>\n");
        output.Spill();
    }
    out.append("</tbody>\n</table>\n<p>");
    AppendHtmlEscaped(out, summary);
    out.append("</p>\n</body>\n</html>\n");
}

// Sums the time spent in calls into the library, when asked to.
class CallTimer {
   public:
    explicit CallTimer(bool enabled) : enabled_(enabled) {}
    template <typename Calls>
    void Run(Calls &&calls) {
        if (!enabled_) {
            calls();
            return;
        }
        const Clock::time_point start = Clock::now();
        calls();
        total_ += Clock::now() - start;
    }
    Clock::duration Total() const { return total_; }

   private:
    bool enabled_;
    Clock::duration total_{};
};

std::string Fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

void PrintStats(std::FILE *messages, const ReportSummary &summary, Clock::duration run, Clock::duration library) {
    const double seconds = std::chrono::duration<double>(run).count();
    const double inLibrary = std::chrono::duration<double>(library).count();
    const std::size_t records = summary.tagsRead + summary.skipped;
    const std::string line = "qelrpt-host: " + std::to_string(records) + " tags read, " +
                             std::to_string(summary.tagsListed) + " listed, in " + Fixed(seconds, 3) + " s (" +
                             Fixed(seconds > 0 ? static_cast<double>(records) / seconds : 0, 0) + " tags/s), " +
                             Fixed(inLibrary, 3) + " s (" + Fixed(seconds > 0 ? 100 * inLibrary / seconds : 0, 1) +
                             "%) inside the library\n";
    std::fputs(line.c_str(), messages);
}

}  // namespace

std::vector<char> ReadCsvFile(const std::string &path, std::uintmax_t maxSize) {
    // Anything else (a folder, a device, a pipe) would have no size to tell
    // or no end; a file that cannot be looked at is left to fopen to report.
    std::error_code statusError;
    const std::filesystem::file_status status = std::filesystem::status(path, statusError);
    if (!statusError && status.type() != std::filesystem::file_type::regular &&
        status.type() != std::filesystem::file_type::not_found)
        throw HostError(path + " is not a regular file");
    std::FILE *file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) throw HostError("cannot open " + path + ": " + std::strerror(errno));
    std::vector<char> data;
    // Room for the whole file at once where its size can be told.
    if (std::fseek(file, 0, SEEK_END) == 0) {
        const long size = std::ftell(file);
        if (size > 0 && static_cast<std::uintmax_t>(size) > maxSize) {
            std::fclose(file);
            throw HostError(path + " is too large (more than " + std::to_string(maxSize) + " bytes)");
        }
        if (size > 0) data.reserve(static_cast<std::size_t>(size) + 1);
        std::rewind(file);
    }
    std::array<char, 1 << 16> chunk{};
    for (;;) {
        const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), file);
        data.insert(data.end(), chunk.data(), chunk.data() + got);
        if (data.size() > maxSize) {
            std::fclose(file);
            throw HostError(path + " is too large (more than " + std::to_string(maxSize) + " bytes)");
        }
        if (got < chunk.size()) break;
    }
    const bool failed = std::ferror(file) != 0;
    const int error = errno;
    std::fclose(file);
    if (failed) throw HostError("cannot read " + path + ": " + std::strerror(error));
    data.push_back('\0');  // the spare byte the CSV reader may write
    return data;
}

ReportSummary RenderReport(const Plugin &plugin, const std::string &path, const ReportOptions &options, std::FILE *out,
                           std::FILE *messages) {
    const Clock::time_point started = Clock::now();
    Call headers(plugin, Need(plugin, "String QELIndentTagHier( String, String )"));
    Call leaf(plugin, Need(plugin, "String QELIndentTagName( String )"));
    Call footprint(plugin, Need(plugin, "String QELNumberFootPrint( Number )"));
    Call alarm(plugin, Need(plugin, "Boolean QELAlarmFlagSet( Number )"));
    Call log(plugin, Need(plugin, "Boolean QELLogFlagSet( Number )"));
    std::optional<Call> match;
    if (options.match) {
        match.emplace(plugin, Need(plugin, "Boolean QELPatternMatch( String, String )"));
        match->SetString(1, options.match->c_str());
    }

    std::vector<char> data = ReadCsvFile(path, MaxFileSize);
    CsvReader reader(data.data(), data.size() - 1);
    const Columns columns = ReadHeader(reader, path);

    const Job job(plugin, ReportJob);
    CallTimer timer(options.stats);
    ReportSummary summary;
    std::vector<Tag> tags;
    CsvRecord record;
    while (reader.Next(record)) {
        Tag tag{};
        std::string problem = record.error.empty() ? ReadTag(record, columns, tag) : record.error;
        if (!problem.empty()) {
            std::string message = "qelrpt-host: ";
            message.append(path).append(":").append(std::to_string(record.line)).append(": ");
            message.append(problem).append("\n");
            std::fputs(message.c_str(), messages);
            ++summary.skipped;
            continue;
        }
        ++summary.tagsRead;
        bool keep = true;
        if (match) {
            match->SetString(0, tag.name);
            timer.Run([&] { keep = match->InvokeBoolean(); });
        }
        if (keep) tags.push_back(tag);
    }
    summary.tagsListed = tags.size();
    if (!options.keepOrder) {
        std::vector<std::string_view> names;
        names.reserve(tags.size());
        for (const Tag &tag : tags) names.push_back(tag.Name());
        std::vector<Tag> sorted;
        sorted.reserve(tags.size());
        for (const std::uint32_t position : SortedOrder(names)) sorted.push_back(tags[position]);
        tags.swap(sorted);
    }

    // Ask the library for every line first; the text listing needs the
    // widest indented name before it writes its first line.
    std::string arena;
    arena.reserve(tags.size() * 48);
    std::vector<Line> lines;
    lines.reserve(tags.size());
    const char *previous = "";
    for (const Tag &tag : tags) {
        headers.SetString(0, previous);
        headers.SetString(1, tag.name);
        leaf.SetString(0, tag.name);
        footprint.SetNumber(0, tag.value);
        alarm.SetNumber(0, tag.flags);
        log.SetNumber(0, tag.flags);
        std::string_view headerText, leafText, valueText;
        Line line{};
        timer.Run([&] {
            headerText = headers.InvokeString();
            leafText = leaf.InvokeString();
            valueText = footprint.InvokeString();
            line.alarm = alarm.InvokeBoolean();
            line.log = log.InvokeBoolean();
        });
        line.headers = arena.size();
        line.headersSize = headerText.size();
        arena.append(headerText);
        line.leaf = arena.size();
        line.leafSize = leafText.size();
        arena.append(leafText);
        line.value = arena.size();
        line.valueSize = valueText.size();
        arena.append(valueText);
        lines.push_back(line);
        previous = tag.name;
    }

    Output output(out);
    if (options.format == ReportFormat::Html)
        RenderHtml(output, arena, lines, path, Summary(summary, options));
    else
        RenderText(output, arena, lines, Summary(summary, options));
    output.Finish();
    if (options.stats) PrintStats(messages, summary, Clock::now() - started, timer.Total());
    return summary;
}

}  // namespace qhost
