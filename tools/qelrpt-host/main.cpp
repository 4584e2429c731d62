// qelrpt-host: a stand-in for the report engine.  It loads a user function
// library at run time, learns its functions from the library's tables
// only, and calls them through the entry points of the definition table
// with call blocks laid out as the engine lays them out: to list what the
// library offers, to evaluate one formula call, and to render a tag
// listing from a CSV file as a report built on the functions would.
#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "formula.h"
#include "plugin.h"
#include "report.h"
#include "text.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

using namespace qhost;

#ifdef _WIN32
constexpr const char *DefaultLibrary = "qelrpt.dll";
constexpr char PathSeparator = '\\';
#else
constexpr const char *DefaultLibrary = "libqelrpt.so";
constexpr char PathSeparator = '/';
#endif

// The job number of an evaluation.
constexpr std::uint32_t EvalJob = 1;

constexpr int ExitOk = 0;
constexpr int ExitSkipped = 1;
constexpr int ExitError = 2;

const char *const HelpText =
    "Usage: qelrpt-host [--library PATH] list\n"
    "       qelrpt-host [--library PATH] eval [--show-blanks] FORMULA\n"
    "       qelrpt-host [--library PATH] report [--match PATTERN] [--keep-order]\n"
    "                   [--format text|html] [--stats] FILE.csv\n"
    "\n"
    "A stand-in for the report engine: loads a user function library, learns its\n"
    "functions from the library's tables and calls them as the engine does.\n"
    "\n"
    "Commands:\n"
    "  list    the library's version and each function's definition, template\n"
    "          and example text\n"
    "  eval    evaluate one formula call and print its result, e.g.\n"
    "            qelrpt-host eval 'QELIndentTagHier(\"A\\B\\C\", \"A\\E\\F\")'\n"
    "  report  render the tag listing of a CSV file\n"
    "\n"
    "Options:\n"
    "  --library PATH   the library to load; a bare file name means the current\n"
    "                   folder (default: the qelrpt library beside this program)\n"
    "  --show-blanks    eval: show blanks as \xC2\xB7 and line feeds as \xE2\x86\xB5\n"
    "  --match PATTERN  report: only the tags whose name QELPatternMatch accepts\n"
    "                   (* any run of characters, % one character)\n"
    "  --keep-order     report: the tags in file order, not sorted by name\n"
    "  --format FORMAT  report: text (default) or html (one standalone page)\n"
    "  --stats          report: time the run and the calls into the library\n"
    "                   (one line on standard error)\n"
    "  -h, --help       show this help\n"
    "\n"
    "Formulas: a function name and its arguments in parentheses.  A string\n"
    "stands in double or single quotes; the enclosing quote is written twice to\n"
    "stand for itself (\"say \"\"hi\"\"\"); a backslash is an ordinary character.\n"
    "A number is written as -12.5, 3 or 1e-3; the host passes 100 times its value.\n"
    "\n"
    "CSV: a header row naming the columns name, value and flags (in any order;\n"
    "other columns are ignored), then one tag per record, quoted as RFC 4180\n"
    "describes.  Values are decimal numbers, flags whole numbers from 0 to\n"
    "4294967295.  Malformed records are reported and skipped.\n"
    "\n"
    "Exit status: 0 done; 1 report done, but malformed records were skipped;\n"
    "2 usage error, unreadable file or library, or a formula that does not fit\n"
    "its function's definition (then nothing is called).\n";

class UsageError : public std::runtime_error {
   public:
    using std::runtime_error::runtime_error;
};

struct CommandLine {
    bool help = false;
    std::string command;
    std::vector<std::string> operands;
    std::optional<std::string> library;
    bool showBlanks = false;
    ReportOptions report;
    std::vector<std::string> evalOptions, reportOptions;  // as given, to check they fit the command
};

CommandLine ParseCommandLine(const std::vector<std::string> &args) {
    CommandLine line;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            if (line.command.empty())
                line.command = arg;
            else
                line.operands.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const std::size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        const auto value = [&]() -> std::string {
            if (equals != std::string::npos) return arg.substr(equals + 1);
            if (i + 1 >= args.size()) throw UsageError(name + " needs a value");
            return args[++i];
        };
        const auto flag = [&]() {
            if (equals != std::string::npos) throw UsageError(name + " takes no value");
        };
        if (name == "-h" || name == "--help") {
            flag();
            line.help = true;
        } else if (name == "--library") {
            line.library = value();
            if (line.library->empty()) throw UsageError("--library needs a path, not an empty text");
        } else if (name == "--show-blanks") {
            flag();
            line.showBlanks = true;
            line.evalOptions.push_back(name);
        } else if (name == "--keep-order") {
            flag();
            line.report.keepOrder = true;
            line.reportOptions.push_back(name);
        } else if (name == "--stats") {
            flag();
            line.report.stats = true;
            line.reportOptions.push_back(name);
        } else if (name == "--match") {
            line.report.match = value();
            line.reportOptions.push_back(name);
        } else if (name == "--format") {
            const std::string format = value();
            if (format == "text")
                line.report.format = ReportFormat::Text;
            else if (format == "html")
                line.report.format = ReportFormat::Html;
            else
                throw UsageError("--format is text or html, not " + Quoted(format));
            line.reportOptions.push_back(name);
        } else {
            throw UsageError("unknown option " + name);
        }
    }
    if (line.help) return line;
    if (line.command.empty()) throw UsageError("no command given (list, eval or report)");
    const auto expect = [&](std::size_t count, const char *what) {
        if (line.operands.size() < count) throw UsageError(line.command + " needs " + what);
        if (line.operands.size() > count)
            throw UsageError(line.command + " takes " + (count == 0 ? "no operand" : what) + ", not also " +
                             Quoted(line.operands[count]));
    };
    const auto refuse = [&](const std::vector<std::string> &given, const char *command) {
        if (!given.empty()) throw UsageError(given.front() + " applies to " + command + " only");
    };
    if (line.command == "list") {
        expect(0, "");
        refuse(line.evalOptions, "eval");
        refuse(line.reportOptions, "report");
    } else if (line.command == "eval") {
        expect(1, "one formula");
        refuse(line.reportOptions, "report");
    } else if (line.command == "report") {
        expect(1, "one CSV file");
        refuse(line.evalOptions, "eval");
    } else {
        throw UsageError("unknown command " + Quoted(line.command) + " (list, eval or report)");
    }
    return line;
}

// The folder this program was started from, with a separator at its end,
// or an empty text when it cannot be found.
std::string ProgramFolder() {
    std::string path;
#ifdef _WIN32
    std::vector<char> buffer(32768);
    const DWORD length = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length > 0 && length < buffer.size()) path.assign(buffer.data(), length);
    const std::size_t slash = path.find_last_of("\\/");
#else
    std::vector<char> buffer(4096);
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length > 0 && static_cast<std::size_t>(length) < buffer.size())
        path.assign(buffer.data(), static_cast<std::size_t>(length));
    const std::size_t slash = path.rfind('/');
#endif
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string LibraryPath(const CommandLine &line) {
    if (line.library) return *line.library;
    const std::string folder = ProgramFolder();
    return folder.empty() ? std::string(".") + PathSeparator + DefaultLibrary : folder + DefaultLibrary;
}

void Write(std::string_view text) {
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) throw HostError("cannot write the output");
}

void FlushOutput() {
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) throw HostError("cannot write the output");
}

void List(const Plugin &plugin) {
    const std::uint16_t version = plugin.Version();
    char hex[8];
    std::snprintf(hex, sizeof hex, "%04X", static_cast<unsigned>(version));
    std::string out = "UFGetVersion: " + std::to_string(version) + " (0x" + hex + ")\n";
    out += "Functions: " + std::to_string(plugin.Functions().size()) + "\n";
    std::size_t number = 0;
    for (const Function &function : plugin.Functions()) {
        out += "\n" + std::to_string(++number) + ". " + function.definition + "\n";
        out += "   template: " + function.templateText.value_or("(none)") + "\n";
        if (function.exampleText)
            out += "   example:\n" + *function.exampleText + "\n";
        else
            out += "   example: (none)\n";
        if (!function.problem.empty()) out += "   cannot be called: " + function.problem + "\n";
    }
    Write(out);
}

std::string DefinitionNote(const Function &function) { return "; definition: " + function.definition; }

void Eval(const Plugin &plugin, const std::string &formula, bool showBlanks) {
    FormulaCall call;
    try {
        call = ParseFormula(formula);
    } catch (const FormulaError &error) {
        const Function *function = error.Name().empty() ? nullptr : plugin.Find(error.Name());
        const std::string note = function != nullptr ? DefinitionNote(*function) : std::string();
        const std::string column = std::to_string(error.Column());
        if (error.ErrorKind() == FormulaError::Kind::OutOfRange)
            throw HostError(std::string(error.what()) + " (at character " + column + ")" + note);
        throw HostError("syntax error at character " + column + ": " + error.what() + note);
    }
    const Function *function = plugin.Find(call.name);
    if (function == nullptr) {
        std::string names;
        for (const Function &known : plugin.Functions())
            if (!known.name.empty()) names += (names.empty() ? "" : ", ") + known.name;
        throw HostError("unknown function " + call.name + "; the library defines " +
                        (names.empty() ? std::string("none") : names));
    }
    if (!function->problem.empty())
        throw HostError("cannot call " + function->name + ": " + function->problem + DefinitionNote(*function));
    const std::vector<ValueType> &parameters = function->signature->parameters;
    if (call.arguments.size() != parameters.size()) {
        const auto count = [](std::size_t n) { return std::to_string(n) + (n == 1 ? " argument" : " arguments"); };
        throw HostError(function->name + " takes " + count(parameters.size()) + ", " +
                        std::to_string(call.arguments.size()) + " given" + DefinitionNote(*function));
    }
    for (std::size_t i = 0; i < parameters.size(); ++i) {
        if (call.arguments[i].type != parameters[i])
            throw HostError("argument " + std::to_string(i + 1) + " of " + function->name + " is a " +
                            TypeName(call.arguments[i].type) + ", but must be a " + TypeName(parameters[i]) +
                            DefinitionNote(*function));
    }

    const Job job(plugin, EvalJob);
    Call entry(plugin, *function);
    for (std::size_t i = 0; i < parameters.size(); ++i) {
        if (parameters[i] == ValueType::String)
            entry.SetString(i, call.arguments[i].text.c_str());
        else
            entry.SetNumber(i, call.arguments[i].hundredfold);
    }
    std::string result;
    if (function->signature->result == ValueType::Boolean)
        result = entry.InvokeBoolean() ? "True" : "False";
    else
        result = showBlanks ? ShowBlanks(entry.InvokeString()) : std::string(entry.InvokeString());
    Write(result + "\n");
}

int Run(const std::vector<std::string> &args) {
    const CommandLine line = ParseCommandLine(args);
    if (line.help) {
        Write(HelpText);
        FlushOutput();
        return ExitOk;
    }
    const Plugin plugin(LibraryPath(line));
    if (line.command == "list") {
        List(plugin);
    } else if (line.command == "eval") {
        Eval(plugin, line.operands[0], line.showBlanks);
    } else {
        const std::string &path = line.operands[0];
        const ReportSummary summary = RenderReport(plugin, path, line.report, stdout, stderr);
        if (summary.skipped > 0) {
            const std::string message = "qelrpt-host: " + path + ": " + std::to_string(summary.skipped) +
                                        (summary.skipped == 1 ? " malformed line" : " malformed lines") + " skipped\n";
            std::fputs(message.c_str(), stderr);
            return ExitSkipped;
        }
    }
    FlushOutput();
    return ExitOk;
}

void Complain(const std::string &message) {
    std::fflush(stdout);
    const std::string line = "qelrpt-host: " + message + "\n";
    std::fputs(line.c_str(), stderr);
}

}  // namespace

int main(int argc, char **argv) {
#ifdef _WIN32
    // The same bytes as on every other system: line feeds, not CR LF.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    try {
        const std::vector<std::string> args(argv + 1, argv + argc);
        return Run(args);
    } catch (const UsageError &error) {
        Complain(std::string(error.what()) + "\nTry 'qelrpt-host --help' for more information.");
    } catch (const std::exception &error) {
        Complain(error.what());
    } catch (...) {
        Complain("unexpected failure");
    }
    return ExitError;
}
