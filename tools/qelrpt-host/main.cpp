// qelrpt-host: a stand-in for the report engine.  It loads a user function
// library at run time, learns its functions from the library's tables
// only, and calls them through the entry points of the definition table
// with call blocks laid out as the engine lays them out: to list what the
// library offers, to evaluate one formula call, and to render a tag
// listing from a CSV file as a report built on the functions would.
#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "commands.h"
#include "common/messages.h"
#include "common/output.h"
#include "common/tool_main.h"
#include "csv.h"
#include "host_errors.h"
#include "output_file.h"
#include "pdf.h"
#include "plugin.h"
#include "report.h"

namespace {

using namespace qhost;

constexpr int ExitOk = 0;
constexpr int ExitSkipped = 1;

const char *const Footer =
    "Formulas: a function name and its arguments in parentheses.  A string\n"
    "stands in double or single quotes; the enclosing quote is written twice to\n"
    "stand for itself (\"say \"\"hi\"\"\"); a backslash is an ordinary character.\n"
    "A number is written as -12.5, 3 or 1e-3; the host passes 100 times its value.\n"
    "In sh, cmd.exe and PowerShell alike:\n"
    "  qelrpt-host eval \"QELIndentTagHier('A\\B\\C', 'A\\E\\F')\"\n"
    "\n"
    "CSV: a header row naming the columns name, value and flags (in any order\n"
    "and case, or as --columns maps them; other columns are ignored), then one\n"
    "tag per record, quoted as RFC 4180 describes, fields separated by commas\n"
    "(or by semicolons, when the header line holds more of them, or by\n"
    "--delimiter).  Values are decimal numbers, flags whole numbers from 0 to\n"
    "4294967295 (3.0 reads as 3); blanks around them are ignored, and a blank\n"
    "one leaves its column blank.  Malformed records are reported and skipped.\n"
    "FILE may be a pipe; - reads standard input.  The CSV that report writes\n"
    "puts an apostrophe before a text that a spreadsheet would run as a formula\n"
    "(see --csv-raw).\n"
    "\n"
    "Exit status: 0 done; 1 report done, but malformed records were skipped;\n"
    "2 usage error, unreadable file or library, or a formula that does not fit\n"
    "its function's definition (then nothing is called).";

struct CommandLine {
    std::string library;
    std::string formula;
    bool showBlanks = false;
    std::string csv;
    std::string format = "text";
    std::string paper = "a4";
    std::string delimiter;
    std::string columns;
    std::string output;
    bool quiet = false;
    ReportOptions report;
};

// The report's options for its output and its input's columns.
void DescribeOutput(CLI::App &report, CommandLine &line) {
    report.add_option("--paper", line.paper, "the PDF's paper: a4 (default) or letter")
        ->type_name("SIZE")
        ->transform(CLI::IsMember({"a4", "letter"}, CLI::ignore_case));
    report
        .add_option("-o,--output", line.output,
                    "write to FILE (through a temporary file beside it, renamed at the end: an interrupted "
                    "run leaves FILE as it was)")
        ->type_name("FILE")
        ->check([](const std::string &path) { return path.empty() ? "a path, not an empty text" : ""; });
    report.add_flag("--csv-raw", line.report.csvRaw,
                    "CSV texts as they are; by default a text that starts with =, +, -, @, a tab or a CR and "
                    "is not a number gets a leading ' so that a spreadsheet does not run it as a formula");
    report.add_flag("--group-path", line.report.groupPath,
                    "in print, each row's group path in small grey text under its name");
    report
        .add_option("--columns", line.columns,
                    "the header's names of the columns, as name=TagName,value=Value,flags=Quality (any "
                    "case; the ones not given keep their names)")
        ->type_name("MAP");
}

// The command line as CLI11 reads it, with the same help layout, --version
// and usage errors as qelrpt-gentags.
void Describe(CLI::App &app, CommandLine &line) {
    app.description(
        "A stand-in for the report engine: loads a user function library, learns its\n"
        "functions from the library's tables and calls them as the engine does.");
    app.footer(Footer);
    app.set_version_flag("--version", std::string("qelrpt-host ") + QELRPT_VERSION_TEXT);
    app.require_subcommand(0, 1);
    app.fallthrough();
    app.add_option("--library", line.library,
                   "the library to load; a bare file name means the current folder (default: the qelrpt library "
                   "beside this program)")
        ->type_name("PATH")
        ->check([](const std::string &path) { return path.empty() ? "a path, not an empty text" : ""; });
    app.add_subcommand("list", "the library's version and each function's definition, template and example text");
    CLI::App *eval = app.add_subcommand("eval", "evaluate one formula call and print its result");
    eval->add_flag("--show-blanks", line.showBlanks, "show blanks as \xC2\xB7 and line feeds as \xE2\x86\xB5");
    eval->add_option("FORMULA", line.formula, "one formula call")->required();
    CLI::App *report = app.add_subcommand("report", "render the tag listing of a CSV file");
    report
        ->add_option("-m,--match", line.report.patterns,
                     "only the tags whose name QELPatternMatch accepts (* any run of bytes, % one byte: "
                     "a two-byte UTF-8 letter such as \xC3\xA9 needs %%); given again, the tags that any of the "
                     "patterns accepts")
        ->type_name("PATTERN")
        ->allow_extra_args(false);
    report->add_flag("--keep-order", line.report.keepOrder, "the tags in file order, not sorted by name");
    report
        ->add_option("-f,--format", line.format,
                     "text (default); html, one standalone page; csv, json or jsonl (JSON Lines), one record "
                     "per listed tag: name, value, flags, alarm, log, depth, parent and the texts shown; pdf, "
                     "the page as a PDF document")
        ->type_name("FORMAT")
        ->check(CLI::IsMember({"text", "html", "csv", "json", "jsonl", "pdf"}));
    DescribeOutput(*report, line);
    report->add_flag("--stats", line.report.stats, "where the time goes (one line on standard error)");
    report->add_option("--title", line.report.title, "the title of the HTML page or the PDF (default: the file's name)")
        ->type_name("TEXT");
    report
        ->add_option("--delimiter", line.delimiter,
                     "the field separator, one character (default: \";\" when the header line holds more "
                     "semicolons than commas, else \",\")")
        ->type_name("CHAR")
        ->check([](const std::string &text) {
            return text.size() == 1 && text != "\"" && text != "\n" && text != "\r"
                       ? ""
                       : "one character other than a quote or a line break";
        });
    report->add_flag("-q,--quiet", line.quiet, "no progress line on standard error");
    report->add_option("FILE", line.csv, "the CSV file, or - for standard input")->required();
    // The long footer once, in the top-level help.
    for (CLI::App *command : app.get_subcommands({}))
        command->footer("Formulas, the CSV format and the exit status: qelrpt-host --help");
}

std::string LibraryPath(const CommandLine &line) {
    return line.library.empty() ? DefaultLibraryPath(ProgramFolder()) : line.library;
}

// The report's options from the command line.
ReportOptions OptionsOf(const CommandLine &line) {
    ReportOptions options = line.report;
    constexpr std::pair<const char *, ReportFormat> formats[] = {{"html", ReportFormat::Html},
                                                                 {"csv", ReportFormat::Csv},
                                                                 {"json", ReportFormat::Json},
                                                                 {"jsonl", ReportFormat::JsonLines},
                                                                 {"pdf", ReportFormat::Pdf}};
    for (const auto &[name, format] : formats)
        if (line.format == name) options.format = format;
    if (options.format == ReportFormat::Pdf) RequirePdf();
    options.paper = line.paper == "letter" ? Paper::Letter : Paper::A4;
    if (!line.columns.empty()) options.columns = ParseColumnNames(line.columns);
    options.delimiter = line.delimiter.empty() ? '\0' : line.delimiter[0];
    options.progress = !line.quiet && qtool::IsTerminal(stderr);
    // For tests and demonstrations: the progress line from the start.
    if (const char *delay = std::getenv("QELRPT_PROGRESS_DELAY_MS"); delay != nullptr && *delay != '\0')
        options.progressDelay = std::chrono::milliseconds(std::strtol(delay, nullptr, 10));
    return options;
}

int Report(const Plugin &plugin, const CommandLine &line, qtool::Messages &messages) {
    const ReportOptions options = OptionsOf(line);
    ReportSummary summary;
    if (line.output.empty()) {
        summary = RunReport(plugin, line.csv, options, stdout, messages);
    } else {
        OutputFile file(line.output);
        summary = RunReport(plugin, line.csv, options, file.Stream(), messages);
        file.Commit();
    }
    if (summary.skippedRecords == 0) return ExitOk;
    messages.Say(DataName(line.csv) + ": " + std::to_string(summary.skippedRecords) +
                 (summary.skippedRecords == 1 ? " malformed record" : " malformed records") + " (" +
                 std::to_string(summary.skippedLines) + (summary.skippedLines == 1 ? " line" : " lines") + ") skipped");
    return ExitSkipped;
}

int Run(const CLI::App &app, const CommandLine &line, qtool::Messages &messages) {
    const Plugin plugin(LibraryPath(line));
    if (app.got_subcommand("report")) return Report(plugin, line, messages);
    qtool::Output output(stdout);
    if (app.got_subcommand("list"))
        List(plugin, output);
    else
        Eval(plugin, line.formula, line.showBlanks, output, messages);
    output.Finish();
    return ExitOk;
}

int Start(CLI::App &app, qtool::Messages &messages, int argc, char **argv) {
    CommandLine line;
    Describe(app, line);
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success &) {
        throw;
    } catch (const CLI::ExtrasError &error) {
        const bool command = !app.get_subcommands().empty();
        throw UsageError(error.what() + std::string(command ? "" : " (the commands are list, eval and report)"));
    } catch (const CLI::ParseError &error) {
        // A command's argument or option: that command's help.
        const std::vector<CLI::App *> commands = app.get_subcommands();
        if (commands.empty() || std::string_view(error.what()).rfind("--library", 0) == 0) throw;
        throw UsageError(error.what(), commands.front()->get_name());
    }
    if (app.get_subcommands().empty()) throw UsageError("no command given (list, eval or report)");
    return Run(app, line, messages);
}

}  // namespace

int main(int argc, char **argv) { return qtool::Main("qelrpt-host", argc, argv, Start); }
