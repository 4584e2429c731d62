#include "report.h"

#include <chrono>
#include <cstdlib>
#include <new>
#include <optional>
#include <string_view>

#include "common/display.h"
#include "common/output.h"
#include "csv.h"
#include "host_errors.h"
#include "memory.h"
#include "pdf.h"
#include "render.h"
#include "sort.h"
#include "tags.h"

namespace qhost {

namespace {

using Clock = std::chrono::steady_clock;

// The largest CSV file the report reads: 1 GiB.
constexpr std::uintmax_t MaxFileSize = std::uintmax_t{1} << 30U;

// The job number the report hands to UFStartJob and UFEndJob.
constexpr std::uint32_t ReportJob = 1;

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
    Calls(const Plugin &plugin, bool matching, bool records)
        : headers(plugin, Need(plugin, "String QELIndentTagHier( String, String )")),
          leaf(plugin, Need(plugin, "String QELIndentTagName( String )")),
          footprint(plugin, Need(plugin, "String QELNumberFootPrint( Number )")),
          alarm(plugin, Need(plugin, "Boolean QELAlarmFlagSet( Number )")),
          log(plugin, Need(plugin, "Boolean QELLogFlagSet( Number )")) {
        if (matching) match.emplace(plugin, Need(plugin, "Boolean QELPatternMatch( String, String )"));
        if (records) parent.emplace(plugin, Need(plugin, "String QELRemoveTagName( String )"));
    }
    Call headers, leaf, footprint, alarm, log;
    std::optional<Call> match, parent;
};

// Where the time of a run goes.
struct Phases {
    Clock::duration reading{}, parsing{}, sorting{}, library{}, output{};
};

// Runs one phase of the report, adding its time to `total`; running out
// of memory in it is told as one sentence naming what did not fit.
template <typename Work>
auto Timed(Clock::duration &total, const std::string &what, Work &&work) {
    const Clock::time_point start = Clock::now();
    struct Add {
        Clock::duration &total;
        Clock::time_point start;
        ~Add() { total += Clock::now() - start; }
    } add{total, start};
    try {
        return work();
    } catch (const std::bad_alloc &) {
        throw HostError("not enough memory " + what);
    }
}

// Keeps the tags whose name matches any of the patterns, in their order.
void Filter(std::vector<Tag> &tags, Call &match, const std::vector<std::string> &patterns) {
    std::size_t kept = 0;
    for (const Tag &tag : tags) {
        match.SetString(0, tag.name);
        for (const std::string &pattern : patterns) {
            match.SetString(1, pattern.c_str());
            if (!match.InvokeBoolean()) continue;
            tags[kept++] = tag;
            break;
        }
    }
    tags.resize(kept);
}

// How many tags are listed between looks at the clock for the progress.
constexpr std::size_t ProgressStep = 65536;

// Tags ahead of the one at hand whose names are fetched into the cache
// early: sorted, neighbours lie anywhere in the file.
constexpr std::size_t Ahead = 8;

// The positions of the tags in the listing's order.
std::vector<std::uint32_t> Order(const std::vector<Tag> &tags, bool keepOrder) {
    if (keepOrder || tags.size() > UINT32_MAX) {
        if (!keepOrder) throw HostError("too many tags to sort");
        std::vector<std::uint32_t> order(tags.size());
        for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<std::uint32_t>(i);
        return order;
    }
    std::vector<std::string_view> names;
    names.reserve(tags.size());
    for (const Tag &tag : tags) names.push_back(tag.Name());
    return SortedOrder(names);
}

// Appends a String result to the arena as the library gave it (the
// renderer shows it cleaned: bytes that are not UTF-8 take three bytes
// then, so the arena keeps them as one) and returns its size there; a result at the library's bound is reported and
// marks the line.
std::uint32_t Keep(std::string &arena, std::string_view text, const Tag &tag, const Call &call, Line &line,
                   const std::string &path, qtool::Messages &messages) {
    const std::size_t start = arena.size();
    arena.append(text);
    if (const std::string note = call.BoundNote(text); !note.empty()) {
        line.cut = true;
        messages.SayAboutRecord(path + ":" + std::to_string(tag.line) + ": " + note);
    }
    return static_cast<std::uint32_t>(arena.size() - start);
}

// The value's and the flags' columns of a line, and the parent for
// records; a blank value or blank flags leave their columns blank, as the
// engine shows a formula on a null field.
void AskValue(Calls &calls, const Tag &tag, Line &line, Listing &listing, qtool::Messages &messages) {
    std::string &arena = listing.arena;
    listing.blankValues += tag.HasValue() ? 0U : 1U;
    listing.blankFlags += tag.hasFlags ? 0U : 1U;
    if (tag.HasValue()) {
        calls.footprint.SetNumber(0, tag.value);
        line.valueSize =
            Keep(arena, calls.footprint.InvokeString(), tag, calls.footprint, line, listing.source, messages);
    }
    if (calls.parent) {
        calls.parent->SetString(0, tag.name);
        line.parentSize = Keep(arena, calls.parent->InvokeString(), tag, *calls.parent, line, listing.source, messages);
    }
    if (!tag.hasFlags) return;
    const double flags = static_cast<double>(tag.flags) * 100.0;
    calls.alarm.SetNumber(0, flags);
    calls.log.SetNumber(0, flags);
    line.alarm = calls.alarm.InvokeBoolean();
    line.log = calls.log.InvokeBoolean();
}

// Asks the library for every line first; the text listing needs the widest
// indented name before it writes its first line.
void AskLibrary(Calls &calls, const std::vector<Tag> &tags, const std::vector<std::uint32_t> &order, Listing &listing,
                qtool::Messages &messages, qtool::Progress &progress) {
    const std::string read = std::to_string(listing.tagsRead) + " tags read, sorted; ";
    std::string &arena = listing.arena;
    // About what the texts take: the name, its indentation and the value.
    std::size_t names = 0;
    for (const std::uint32_t index : order) names += tags[index].nameSize;
    arena.reserve(names + order.size() * 24);
    listing.lines.reserve(order.size());
    const char *previous = "";
    for (std::size_t i = 0; i < order.size(); ++i) {
        const Tag &tag = tags[order[i]];
        if (i % ProgressStep == 0 && progress.Due()) progress.Show(read + std::to_string(i) + " listed");
        if (i + 2 * Ahead < order.size()) Prefetch(&tags[order[i + 2 * Ahead]]);
        if (i + Ahead < order.size()) Prefetch(tags[order[i + Ahead]].name);
        Line line{};
        line.at = arena.size();
        line.tag = &tag;
        calls.headers.SetString(0, previous);
        calls.headers.SetString(1, tag.name);
        line.headersSize =
            Keep(arena, calls.headers.InvokeString(), tag, calls.headers, line, listing.source, messages);
        calls.leaf.SetString(0, tag.name);
        line.leafSize = Keep(arena, calls.leaf.InvokeString(), tag, calls.leaf, line, listing.source, messages);
        line.leafWidth = static_cast<std::uint32_t>(qtool::ShownWidth(line.Leaf(arena)));
        line.isolate = qtool::HoldsRightToLeft(line.Leaf(arena));
        AskValue(calls, tag, line, listing, messages);
        listing.lines.push_back(line);
        previous = tag.name;
    }
}

// The last second of 9999, the last year that a date of four digits shows.
constexpr std::uint64_t LastSecond = 253402300799;

// The seconds since 1970 that SOURCE_DATE_EPOCH gives.  Throws HostError
// when it is anything but a whole number of seconds from 1970 to 9999.
std::uint64_t EpochSeconds(std::string_view text) {
    std::uint64_t seconds = 0;
    bool whole = !text.empty();
    for (const char digit : text) {
        whole = whole && digit >= '0' && digit <= '9' && seconds <= LastSecond;
        if (whole) seconds = seconds * 10 + static_cast<unsigned>(digit - '0');
    }
    constexpr std::size_t Shown = 40;  // characters of a long value that the message shows
    const std::string shown = text.size() > Shown ? std::string(text.substr(0, Shown)) + "..." : std::string(text);
    if (!whole || seconds > LastSecond)
        throw HostError("SOURCE_DATE_EPOCH is \"" + shown +
                        "\", not a whole number of seconds from 1970 to 9999 (0 to " + std::to_string(LastSecond) +
                        ")");
    return seconds;
}

// The day of the report: SOURCE_DATE_EPOCH's, when it is set (for
// reproducible pages), else today's, in UTC, as 2026-12-09.
std::string ReportDate() {
    using namespace std::chrono;
    sys_seconds now = floor<seconds>(system_clock::now());
    if (const char *epoch = std::getenv("SOURCE_DATE_EPOCH"); epoch != nullptr && *epoch != '\0')
        now = sys_seconds(seconds(static_cast<seconds::rep>(EpochSeconds(epoch))));
    const year_month_day day(floor<days>(now));
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(day.year()), static_cast<unsigned>(day.month()),
                  static_cast<unsigned>(day.day()));
    return text;
}

// "line 3" or "lines 3, 7-9 and 4 more": where the skipped records are.
std::string SkippedLines(const TagList &list) {
    const bool one = list.skippedRecords == 1 && list.skippedLines == 1;
    std::string text = one ? "line " : "lines ";
    for (std::size_t i = 0; i < list.skippedRanges.size(); ++i) text += (i == 0 ? "" : ", ") + list.skippedRanges[i];
    if (list.skippedRecords > list.skippedRanges.size())
        text += " and " + std::to_string(list.skippedRecords - list.skippedRanges.size()) + " more";
    return text;
}

Listing StartListing(const std::string &name, const ReportOptions &options, const TagList &list) {
    Listing listing;
    listing.source = name;
    listing.title = options.title.empty() ? name : options.title;
    listing.date = ReportDate();
    listing.patterns = options.patterns;
    listing.groupPath = options.groupPath;
    listing.csvRaw = options.csvRaw;
    listing.tagsRead = list.tags.size();
    listing.skippedRecords = list.skippedRecords;
    if (list.skippedRecords > 0) listing.skippedLines = SkippedLines(list);
    return listing;
}

double Seconds(Clock::duration time) { return std::chrono::duration<double>(time).count(); }

std::string Fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

void PrintStats(qtool::Messages &messages, const ReportSummary &summary, Clock::duration run, const Phases &phases) {
    const double seconds = Seconds(run);
    const auto share = [seconds](Clock::duration part) {
        return Fixed(Seconds(part), 3) + " s (" + Fixed(seconds > 0 ? 100 * Seconds(part) / seconds : 0, 1) + "%)";
    };
    messages.Say(std::to_string(summary.tagsRead) + " tags read, " + std::to_string(summary.tagsListed) +
                 " listed, in " + Fixed(seconds, 3) + " s (" +
                 Fixed(seconds > 0 ? static_cast<double>(summary.tagsRead) / seconds : 0, 0) + " tags/s): reading " +
                 share(phases.reading) + ", parsing " + share(phases.parsing) + ", sorting " + share(phases.sorting) +
                 ", library " + share(phases.library) + ", output " + share(phases.output));
}

}  // namespace

ReportSummary RunReport(const Plugin &plugin, const std::string &path, const ReportOptions &options, std::FILE *out,
                        qtool::Messages &messages) {
    const Clock::time_point started = Clock::now();
    const std::string name = DataName(path);
    Phases phases;
    const bool records = options.format == ReportFormat::Csv || options.format == ReportFormat::Json ||
                         options.format == ReportFormat::JsonLines;
    Calls calls(plugin, !options.patterns.empty(), records);
    qtool::Progress progress(messages, options.progress, options.progressDelay);
    std::vector<char> data = Timed(phases.reading, "to read " + name, [&] { return ReadCsvFile(path, MaxFileSize); });
    const std::string_view text(data.data(), data.size() - 1);
    CsvReader reader(data.data(), text.size(), options.delimiter != 0 ? options.delimiter : DetectDelimiter(text));
    TagList list = Timed(phases.parsing, "for the tags of " + name, [&] {
        const Columns columns = ReadHeader(reader, name, options.columns);
        return ReadTags(reader, columns, name, messages, progress);
    });
    ReportSummary summary{list.tags.size(), 0, list.skippedRecords, list.skippedLines};

    const Job job(plugin, ReportJob);
    Listing listing = StartListing(name, options, list);
    std::vector<Tag> &tags = list.tags;
    const std::string count = std::to_string(tags.size()) + " tags of " + name;
    if (calls.match && progress.Started()) progress.Show(std::to_string(summary.tagsRead) + " tags read, matching");
    if (calls.match)
        Timed(phases.library, "to filter the " + count, [&] { Filter(tags, *calls.match, options.patterns); });
    if (progress.Started() && !options.keepOrder)
        progress.Show(std::to_string(summary.tagsRead) + " tags read, sorting");
    const std::vector<std::uint32_t> order =
        Timed(phases.sorting, "to sort the " + count, [&] { return Order(tags, options.keepOrder); });
    Timed(phases.library, "for the listing of the " + count,
          [&] { AskLibrary(calls, tags, order, listing, messages, progress); });
    messages.EndRecords();
    summary.tagsListed = listing.lines.size();
    // Standard output may be the same terminal: the line goes before the
    // listing's first byte.
    messages.EndProgress();

    Timed(phases.output, "for the output", [&] {
        qtool::Output output(out);
        switch (options.format) {
            case ReportFormat::Html:
                RenderHtml(output, listing);
                break;
            case ReportFormat::Csv:
                RenderCsv(output, listing);
                break;
            case ReportFormat::Json:
                RenderJson(output, listing);
                break;
            case ReportFormat::JsonLines:
                RenderJsonLines(output, listing);
                break;
            case ReportFormat::Pdf:
                RenderPdf(output, listing, options.paper);
                break;
            case ReportFormat::Text:
                RenderText(output, listing);
                break;
        }
        output.Finish();
    });
    messages.EndProgress();
    if (options.stats) PrintStats(messages, summary, Clock::now() - started, phases);
    return summary;
}

}  // namespace qhost
