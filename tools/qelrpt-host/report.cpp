#include "report.h"

#include <chrono>
#include <optional>
#include <string_view>

#include "csv.h"
#include "errors.h"
#include "render.h"
#include "sort.h"
#include "tags.h"
#include "text.h"

namespace qhost {

namespace {

using Clock = std::chrono::steady_clock;

// The largest CSV file the report reads: 1 GiB.
constexpr std::uintmax_t MaxFileSize = std::uintmax_t{1} << 30U;

// The job number the report hands to UFStartJob and UFEndJob.
constexpr std::uint32_t ReportJob = 1;

// The library cuts every String result at this many characters; a result
// this long may have lost its end.
constexpr std::size_t LibraryBound = 255;

// A function the listing calls, checked against the definition it needs.
const Function &Need(const Plugin &plugin, const char *definition) {
    const Definition wanted = ParseDefinition(definition);
    const Function *function = plugin.Find(wanted.signature.name);
    if (function == nullptr)
        throw HostError("the library has no function " + wanted.signature.name + ", which the listing needs as \"" +
                        definition + "\"");
    const bool same = function->signature && function->signature->result == wanted.signature.result &&
                      function->signature->parameters == wanted.signature.parameters;
    if (!same || !function->problem.empty())
        throw HostError("the listing needs \"" + std::string(definition) + "\", but the library defines \"" +
                        function->definition + "\"");
    return *function;
}

// The calls the listing makes, set up once.
struct Calls {
    Calls(const Plugin &plugin, bool matching)
        : headers(plugin, Need(plugin, "String QELIndentTagHier( String, String )")),
          leaf(plugin, Need(plugin, "String QELIndentTagName( String )")),
          footprint(plugin, Need(plugin, "String QELNumberFootPrint( Number )")),
          alarm(plugin, Need(plugin, "Boolean QELAlarmFlagSet( Number )")),
          log(plugin, Need(plugin, "Boolean QELLogFlagSet( Number )")) {
        if (matching) match.emplace(plugin, Need(plugin, "Boolean QELPatternMatch( String, String )"));
    }
    Call headers, leaf, footprint, alarm, log;
    std::optional<Call> match;
};

// Where the time of a run goes.
struct Phases {
    Clock::duration reading{}, parsing{}, sorting{}, library{}, output{};
};

template <typename Work>
auto Timed(Clock::duration &total, Work &&work) {
    const Clock::time_point start = Clock::now();
    struct Add {
        Clock::duration &total;
        Clock::time_point start;
        ~Add() { total += Clock::now() - start; }
    } add{total, start};
    return work();
}

// The tags whose name matches any of the patterns.
std::vector<Tag> Filter(std::vector<Tag> tags, Call &match, const std::vector<std::string> &patterns) {
    std::vector<Tag> kept;
    for (const Tag &tag : tags) {
        match.SetString(0, tag.name);
        for (const std::string &pattern : patterns) {
            match.SetString(1, pattern.c_str());
            if (!match.InvokeBoolean()) continue;
            kept.push_back(tag);
            break;
        }
    }
    return kept;
}

std::vector<Tag> Sorted(const std::vector<Tag> &tags) {
    std::vector<std::string_view> names;
    names.reserve(tags.size());
    for (const Tag &tag : tags) names.push_back(tag.Name());
    std::vector<Tag> sorted;
    sorted.reserve(tags.size());
    for (const std::uint32_t position : SortedOrder(names)) sorted.push_back(tags[position]);
    return sorted;
}

// Appends a String result to the arena as valid UTF-8; true when it
// reached the library's bound, which is then reported.
bool Keep(std::string &arena, std::string_view text, const Tag &tag, const Call &call, const std::string &path,
          std::FILE *messages) {
    AppendShown(arena, text, false);
    if (text.size() < LibraryBound) return false;
    const std::string message = "qelrpt-host: " + path + ":" + std::to_string(tag.line) + ": " + call.Name() +
                                " gave " + std::to_string(text.size()) +
                                " characters, the library's bound: its result may be cut short\n";
    std::fputs(message.c_str(), messages);
    return true;
}

// Asks the library for every line first; the text listing needs the widest
// indented name before it writes its first line.
void AskLibrary(Calls &calls, const std::vector<Tag> &tags, Listing &listing, std::FILE *messages) {
    std::string &arena = listing.arena;
    arena.reserve(tags.size() * 48);
    listing.lines.reserve(tags.size());
    const char *previous = "";
    for (const Tag &tag : tags) {
        calls.headers.SetString(0, previous);
        calls.headers.SetString(1, tag.name);
        calls.leaf.SetString(0, tag.name);
        calls.footprint.SetNumber(0, tag.value);
        calls.alarm.SetNumber(0, tag.flags);
        calls.log.SetNumber(0, tag.flags);
        Line line{};
        line.headers = arena.size();
        line.cut = Keep(arena, calls.headers.InvokeString(), tag, calls.headers, listing.source, messages);
        line.headersSize = arena.size() - line.headers;
        line.leaf = arena.size();
        line.cut |= Keep(arena, calls.leaf.InvokeString(), tag, calls.leaf, listing.source, messages);
        line.leafSize = arena.size() - line.leaf;
        line.leafWidth = ShownWidth({arena.data() + line.leaf, line.leafSize});
        line.value = arena.size();
        line.cut |= Keep(arena, calls.footprint.InvokeString(), tag, calls.footprint, listing.source, messages);
        line.valueSize = arena.size() - line.value;
        line.alarm = calls.alarm.InvokeBoolean();
        line.log = calls.log.InvokeBoolean();
        listing.lines.push_back(line);
        previous = tag.name;
    }
}

double Seconds(Clock::duration time) { return std::chrono::duration<double>(time).count(); }

std::string Fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

void PrintStats(std::FILE *messages, const ReportSummary &summary, Clock::duration run, const Phases &phases) {
    const double seconds = Seconds(run);
    const auto share = [seconds](Clock::duration part) {
        return Fixed(Seconds(part), 3) + " s (" + Fixed(seconds > 0 ? 100 * Seconds(part) / seconds : 0, 1) + "%)";
    };
    const std::string line = "qelrpt-host: " + std::to_string(summary.tagsRead) + " tags read, " +
                             std::to_string(summary.tagsListed) + " listed, in " + Fixed(seconds, 3) + " s (" +
                             Fixed(seconds > 0 ? static_cast<double>(summary.tagsRead) / seconds : 0, 0) +
                             " tags/s): reading " + share(phases.reading) + ", parsing " + share(phases.parsing) +
                             ", sorting " + share(phases.sorting) + ", library " + share(phases.library) +
                             ", output " + share(phases.output) + "\n";
    std::fputs(line.c_str(), messages);
}

}  // namespace

ReportSummary RenderReport(const Plugin &plugin, const std::string &path, const ReportOptions &options, std::FILE *out,
                           std::FILE *messages) {
    const Clock::time_point started = Clock::now();
    Phases phases;
    Calls calls(plugin, !options.patterns.empty());
    std::vector<char> data = Timed(phases.reading, [&] { return ReadCsvFile(path, MaxFileSize); });
    CsvReader reader(data.data(), data.size() - 1);
    TagList list = Timed(phases.parsing, [&] {
        const Columns columns = ReadHeader(reader, path);
        return ReadTags(reader, columns, path, messages);
    });
    ReportSummary summary{list.tags.size(), 0, list.skippedRecords, list.skippedLines, 0};

    const Job job(plugin, ReportJob);
    Listing listing{path, options.patterns, summary.tagsRead, {}, {}};
    std::vector<Tag> tags = std::move(list.tags);
    if (calls.match)
        tags = Timed(phases.library, [&] { return Filter(std::move(tags), *calls.match, options.patterns); });
    if (!options.keepOrder) tags = Timed(phases.sorting, [&] { return Sorted(tags); });
    Timed(phases.library, [&] { AskLibrary(calls, tags, listing, messages); });
    summary.tagsListed = listing.lines.size();
    for (const Line &line : listing.lines) summary.cutRows += line.cut ? 1 : 0;

    Timed(phases.output, [&] {
        Output output(out);
        if (options.format == ReportFormat::Html)
            RenderHtml(output, listing);
        else
            RenderText(output, listing);
        output.Finish();
    });
    if (options.stats) PrintStats(messages, summary, Clock::now() - started, phases);
    return summary;
}

}  // namespace qhost
