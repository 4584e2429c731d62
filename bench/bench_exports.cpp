// The seven formula functions as the report engine sees them: the built
// plug-in is loaded at run time, every entry point is resolved by its
// export name and called through that pointer with call blocks and
// argument nodes built once, before any timing, from include/qelrpt.h.
//
// For each function the program measures, on representative report data,
//
//   - the time per call through the export (CPU time, median of
//     repetitions that run in random order, so that other work on the
//     machine spreads over all of them alike);
//   - its floor: the empty export UFStartJob called through its pointer
//     and, for the String functions, the least work on the bytes that no
//     implementation can avoid: strlen over each text argument and a
//     memcpy of the result's bytes with their NUL into the result buffer;
//   - its peer where the C library has one: snprintf("%10.4g") for the
//     footprint, fnmatch(FNM_NOESCAPE) for the pattern match (with "%"
//     written as "?"), both in the "C" locale;
//   - instructions per call of each of these, counted by valgrind's
//     callgrind tool: the program runs itself under callgrind with
//     collection on only inside CountedPasses, which makes one profile
//     dump per visit; every loop is run for N and for 2N passes, and the
//     difference divided by N passes' calls is the count per call, free of
//     fixed costs (lazy binding, the first touch of a page) and of noise.
//
// and prints one table with the ratios, then the goals the library holds
// itself to and whether this run meets them.  The instruction counts
// include the loop around each call, alike for a function, its floor and
// its peer.
//
// Before timing, the program checks that the footprint gives snprintf's
// text and the pattern match fnmatch's answer for every input.  Every
// timed loop folds its results into a checksum that is printed at the end.
//
//   bench_exports [--plugin=PATH] [--no-callgrind] [benchmark flags]
//
// Defaults: --benchmark_repetitions=9 --benchmark_min_time=0.05
// --benchmark_enable_random_interleaving=true; flags given on the command
// line take precedence.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "bench_summary.h"
#include "qelrpt.h"

#ifndef QELRPT_PLUGIN_PATH
#error "QELRPT_PLUGIN_PATH must name the built plug-in"
#endif

extern char **environ;

namespace {

// Inputs per function; every loop makes one call per input and pass.
constexpr std::size_t kInputs = 64;
// The host's result buffer for each input of a String function.
constexpr std::size_t kResultBufferSize = 256;
// The formula value is the host's Number times this (the double nearest
// to 0.01), as the library computes it.
constexpr double kNumberScale = 0.01;
// Passes per profile of the instruction count: N and 2N.
constexpr std::uint64_t kCountedPasses = 100;

// ---------------------------------------------------------------------------
// The plug-in

using JobNotice = void(QELRPT_CALL *)(std::uint32_t job);

struct Plugin {
    void *handle = nullptr;
    JobNotice startJob = nullptr;
};

Plugin g_plugin;

// The address of an export, resolved by name as the report engine does.
void *Export(const char *name) {
    void *symbol = dlsym(g_plugin.handle, name);
    if (symbol == nullptr) {
        std::fprintf(stderr, "the plug-in has no export %s\n", name);
        std::exit(1);
    }
    return symbol;
}

template <typename Function>
Function ExportAs(const char *name) {
    Function function;
    void *symbol = Export(name);
    static_assert(sizeof function == sizeof symbol);
    std::memcpy(&function, &symbol, sizeof function);
    return function;
}

bool LoadPlugin(const std::string &path) {
    g_plugin.handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (g_plugin.handle == nullptr) {
        std::fprintf(stderr, "cannot load %s: %s\n", path.c_str(), dlerror());
        return false;
    }
    g_plugin.startJob = ExportAs<JobNotice>("UFStartJob");
    return true;
}

// ---------------------------------------------------------------------------
// Representative report data

// A tag listing as a report shows it, in order: four levels above each
// leaf, 37 to 46 characters per name.
std::vector<std::string> MakeTagListing() {
    const char *const areas[] = {"Area03", "Area11"};
    const char *const units[] = {"CoolingWater", "Condensate"};
    const char *const equipment[] = {"Pump07", "Pump12", "Valve03", "Motor21"};
    const char *const leaves[] = {"Speed", "Current", "Temperature", "RunHours"};
    std::vector<std::string> names;
    for (const char *area : areas)
        for (const char *unit : units)
            for (const char *item : equipment)
                for (const char *leaf : leaves)
                    names.push_back(std::string("Plant1\\") + area + "\\" + unit + "\\" + item + "." + leaf);
    return names;
}

const std::vector<std::string> &TagNames() {
    static const std::vector<std::string> names = MakeTagListing();
    return names;
}

// "64 names, 37-46 chars, 4 levels"
std::string DescribeNames() {
    const std::vector<std::string> &names = TagNames();
    std::size_t shortest = names[0].size(), longest = names[0].size();
    for (const std::string &name : names) {
        shortest = std::min(shortest, name.size());
        longest = std::max(longest, name.size());
    }
    const auto levels = std::count_if(names[0].begin(), names[0].end(), [](char c) { return c == '\\' || c == '.'; });
    return std::to_string(names.size()) + " names, " + std::to_string(shortest) + "-" + std::to_string(longest) +
           " chars, " + std::to_string(levels) + " levels";
}

// Amounts from 0 to 10,000 with two decimals, as the host passes them:
// 100 times the value, so whole numbers from 0 to 1,000,000.
std::vector<double> MakeAmounts() {
    std::mt19937_64 rng(20240611);
    std::vector<double> values;
    for (std::size_t i = 0; i < kInputs; ++i) values.push_back(static_cast<double>(rng() % 1000001));
    return values;
}

// Flag words 0 to 7 (alarm bit 0, log bit 1, another bit 2), as the host
// passes them: 100 times the word.
std::vector<double> MakeFlagWords() {
    std::mt19937_64 rng(7);
    std::vector<double> values;
    for (std::size_t i = 0; i < kInputs; ++i) values.push_back(100.0 * static_cast<double>(rng() % 8));
    return values;
}

struct PatternInput {
    const char *label;
    const char *pattern;  // "%" for one character
};

const PatternInput kPatterns[] = {
    {"*Pump*", "*Pump*"},
    {"Plant1\\*\\Pump%%.*", "Plant1\\*\\Pump%%.*"},
    {"*.Speed", "*.Speed"},
    {"exact name", "Plant1\\Area11\\CoolingWater\\Pump12.Current"},
    {"*\\Heater%%.* (none)", "*\\Heater%%.*"},
};

// The pattern as fnmatch takes it: "?" for one character.  None of the
// patterns holds "?", "[" or a backslash that fnmatch could read as an
// escape (FNM_NOESCAPE).
std::string AsGlob(const char *pattern) {
    std::string glob(pattern);
    std::replace(glob.begin(), glob.end(), '%', '?');
    return glob;
}

// ---------------------------------------------------------------------------
// Cases: one function on its inputs, with the call blocks of every input

enum class Peer { None, Snprintf, Fnmatch };

struct Case {
    std::string function;  // the formula name
    std::string inputs;    // what the inputs are
    UFFormulaFunction entry = nullptr;
    bool boolean = false;
    Peer peer = Peer::None;

    // Per input: up to two text arguments (null when absent), or a number.
    std::vector<const char *> text1, text2;
    std::vector<double> numbers;

    std::vector<UFArgNode> nodes;
    std::vector<UFCallBlock> blocks;
    std::vector<char> buffers;         // kInputs result buffers of kResultBufferSize
    std::vector<std::string> globs;    // fnmatch's patterns
    std::vector<double> values;        // snprintf's values (the formula values)
    std::vector<std::string> results;  // the export's results, for the floor

    char *Buffer(std::size_t i) { return buffers.data() + i * kResultBufferSize; }
};

// Builds the host's records for every input: a block whose result slot
// points at the input's own result buffer (String functions) and whose
// argument list holds one or two nodes.
void BuildBlocks(Case &c) {
    const std::size_t n = c.text1.empty() ? c.numbers.size() : c.text1.size();
    c.nodes.assign(2 * n, UFArgNode{});
    c.blocks.assign(n, UFCallBlock{});
    c.buffers.assign(n * kResultBufferSize, '\0');
    for (std::size_t i = 0; i < n; ++i) {
        UFArgNode &first = c.nodes[2 * i];
        UFArgNode &second = c.nodes[2 * i + 1];
        if (c.text1.empty()) {
            first.value.number = c.numbers[i];
        } else {
            first.value.string = c.text1[i];
            if (!c.text2.empty()) {
                second.value.string = c.text2[i];
                first.next = &second;
            }
        }
        UFCallBlock &block = c.blocks[i];
        block.firstArg = &first;
        if (c.boolean) {
            block.result.boolean = 0;
        } else {
            block.result.string = c.Buffer(i);
        }
    }
}

std::vector<Case> g_cases;

// Texts live as long as the program.
std::vector<std::string> g_patternTexts;

void MakeCases() {
    const std::vector<std::string> &names = TagNames();
    const std::size_t count = names.size();
    auto formula = [](const char *name) { return ExportAs<UFFormulaFunction>(name); };

    {
        Case c;
        c.function = "QELIndentTagHier";
        c.inputs = "";  // told after the first calls
        c.entry = formula("QELFormula_IndentTagHier");
        // Each name after the one listed before it; the first after the
        // last.
        for (std::size_t i = 0; i < count; ++i) {
            c.text1.push_back(names[(i + count - 1) % count].c_str());
            c.text2.push_back(names[i].c_str());
        }
        g_cases.push_back(std::move(c));
    }
    {
        Case c;
        c.function = "QELIndentTagName";
        c.inputs = DescribeNames();
        c.entry = formula("QELFormula_IndentTagName");
        for (const std::string &name : names) c.text1.push_back(name.c_str());
        g_cases.push_back(std::move(c));
    }
    {
        Case c;
        c.function = "QELRemoveTagName";
        c.inputs = DescribeNames();
        c.entry = formula("QELFormula_RemoveTagName");
        for (const std::string &name : names) c.text1.push_back(name.c_str());
        g_cases.push_back(std::move(c));
    }
    {
        Case c;
        c.function = "QELNumberFootPrint";
        c.inputs = "64 amounts 0.00-10000.00";
        c.entry = formula("QELFormula_NumberFootPrint");
        c.peer = Peer::Snprintf;
        c.numbers = MakeAmounts();
        for (const double number : c.numbers) c.values.push_back(number * kNumberScale);
        g_cases.push_back(std::move(c));
    }
    {
        Case c;
        c.function = "QELAlarmFlagSet";
        c.inputs = "64 flag words 0-7";
        c.entry = formula("QELFormula_AlarmFlagSet");
        c.boolean = true;
        c.numbers = MakeFlagWords();
        g_cases.push_back(std::move(c));
    }
    {
        Case c;
        c.function = "QELLogFlagSet";
        c.inputs = "64 flag words 0-7";
        c.entry = formula("QELFormula_LogFlagSet");
        c.boolean = true;
        c.numbers = MakeFlagWords();
        g_cases.push_back(std::move(c));
    }
    for (const PatternInput &pattern : kPatterns) {
        Case c;
        c.function = "QELPatternMatch";
        c.inputs = std::string("64 names, ") + pattern.label;
        c.entry = formula("QELFormula_PatternMatch");
        c.boolean = true;
        c.peer = Peer::Fnmatch;
        for (const std::string &name : names) {
            c.text1.push_back(name.c_str());
            c.text2.push_back(pattern.pattern);
            c.globs.push_back(AsGlob(pattern.pattern));
        }
        g_cases.push_back(std::move(c));
    }
    for (Case &c : g_cases) BuildBlocks(c);
}

// ---------------------------------------------------------------------------
// The loops: one pass calls once per input and folds what the call gave
// into a sum.  The calls go through pointers into the plug-in or the C
// library, which the compiler cannot see into, so none can be dropped.

std::uint64_t ExportPass(Case &c) {
    std::uint64_t sum = 0;
    const std::size_t n = c.blocks.size();
    for (std::size_t i = 0; i < n; ++i) {
        UFCallBlock *block = &c.blocks[i];
        sum += static_cast<std::uint32_t>(c.entry(block));
        sum += c.boolean ? std::uint64_t{block->result.boolean} : static_cast<unsigned char>(c.Buffer(i)[0]);
    }
    return sum;
}

// The empty export alone, once per input of the case.
std::uint64_t CallFloorPass(Case &c) {
    std::uint64_t sum = 0;
    const std::size_t n = c.blocks.size();
    for (std::size_t i = 0; i < n; ++i) {
        g_plugin.startJob(static_cast<std::uint32_t>(i));
        sum += static_cast<unsigned char>(c.Buffer(i)[0]);
    }
    return sum;
}

// The empty export, strlen over each text argument and a memcpy of the
// result's bytes into the result buffer.
std::uint64_t StringFloorPass(Case &c) {
    std::uint64_t sum = 0;
    const std::size_t n = c.blocks.size();
    for (std::size_t i = 0; i < n; ++i) {
        g_plugin.startJob(static_cast<std::uint32_t>(i));
        std::size_t read = 0;
        if (!c.text1.empty()) read += std::strlen(c.text1[i]);
        if (!c.text2.empty()) read += std::strlen(c.text2[i]);
        const std::string &result = c.results[i];
        std::memcpy(c.Buffer(i), result.data(), result.size() + 1);
        sum += read + static_cast<unsigned char>(c.Buffer(i)[0]);
    }
    return sum;
}

std::uint64_t PeerPass(Case &c) {
    std::uint64_t sum = 0;
    const std::size_t n = c.blocks.size();
    if (c.peer == Peer::Snprintf) {
        for (std::size_t i = 0; i < n; ++i) {
            const int len = std::snprintf(c.Buffer(i), 20, "%10.4g", c.values[i]);
            sum += static_cast<std::uint32_t>(len) + static_cast<unsigned char>(c.Buffer(i)[0]);
        }
    } else {
        for (std::size_t i = 0; i < n; ++i) sum += fnmatch(c.globs[i].c_str(), c.text1[i], FNM_NOESCAPE) == 0 ? 1U : 0U;
    }
    return sum;
}

enum class Loop { Export, CallFloor, StringFloor, Peer };

struct Measured {
    Case *c;
    Loop loop;
    std::string name;  // the benchmark's name
    std::uint64_t (*pass)(Case &);
};

std::vector<Measured> g_measured;

// The empty call is the same for every case: it is measured once, with
// the first case's inputs.
void MakeLoops() {
    g_measured.push_back({&g_cases[0], Loop::CallFloor, "UFStartJob", CallFloorPass});
    for (std::size_t k = 0; k < g_cases.size(); ++k) {
        Case &c = g_cases[k];
        const std::string prefix = c.function + "#" + std::to_string(k) + "/";
        g_measured.push_back({&c, Loop::Export, prefix + "export", ExportPass});
        if (!c.boolean) g_measured.push_back({&c, Loop::StringFloor, prefix + "floor", StringFloorPass});
        if (c.peer != Peer::None) g_measured.push_back({&c, Loop::Peer, prefix + "peer", PeerPass});
    }
}

std::size_t FindLoop(const Case *c, Loop loop) {
    for (std::size_t i = 0; i < g_measured.size(); ++i)
        if (g_measured[i].loop == loop && (loop == Loop::CallFloor || g_measured[i].c == c)) return i;
    return g_measured.size();
}

// ---------------------------------------------------------------------------
// Checks before timing

std::uint64_t Fnv(std::uint64_t hash, const std::string &text) {
    for (const char ch : text) hash = (hash ^ static_cast<unsigned char>(ch)) * 0x100000001B3U;
    return (hash ^ 0xFFU) * 0x100000001B3U;
}

std::string Shown(const std::string &text) {
    std::string shown;
    for (const char ch : text) shown += ch == '\n' ? std::string("\\n") : std::string(1, ch);
    return shown;
}

// Calls every export once per input, keeps the String results for the
// floors and compares with the peers.
bool CheckResults(std::uint64_t *resultHash) {
    bool same = true;
    std::uint64_t hash = 0xCBF29CE484222325U;
    for (Case &c : g_cases) {
        for (std::size_t i = 0; i < c.blocks.size(); ++i) {
            UFCallBlock *block = &c.blocks[i];
            if (c.entry(block) != 0) {
                std::fprintf(stderr, "%s returned an error number\n", c.function.c_str());
                return false;
            }
            std::string result = c.boolean ? std::to_string(block->result.boolean) : std::string(c.Buffer(i));
            if (c.peer == Peer::Snprintf) {
                char expected[32];
                std::snprintf(expected, sizeof expected, "%10.4g", c.values[i]);
                if (result != expected) {
                    std::fprintf(stderr, "%s(%.17g): \"%s\", snprintf: \"%s\"\n", c.function.c_str(), c.values[i],
                                 result.c_str(), expected);
                    same = false;
                }
            } else if (c.peer == Peer::Fnmatch) {
                const bool expected = fnmatch(c.globs[i].c_str(), c.text1[i], FNM_NOESCAPE) == 0;
                if (result != (expected ? "1" : "0")) {
                    std::fprintf(stderr, "%s(\"%s\", \"%s\"): %s, fnmatch: %d\n", c.function.c_str(), c.text1[i],
                                 c.text2[i], result.c_str(), expected ? 1 : 0);
                    same = false;
                }
            }
            hash = Fnv(hash, result);
            c.results.push_back(std::move(result));
        }
        if (c.function == "QELIndentTagHier") {
            const auto lines =
                std::count_if(c.results.begin(), c.results.end(), [](const std::string &r) { return !r.empty(); });
            c.inputs = std::to_string(c.results.size()) + " listed pairs, " + std::to_string(lines) + " give lines";
        }
    }
    *resultHash = hash;
    return same;
}

void ShowSamples() {
    std::printf("Sample results:\n");
    for (const Case &c : g_cases) {
        if (c.function == "QELPatternMatch" && c.text2[0] != kPatterns[1].pattern) continue;
        const std::size_t i = c.function == "QELIndentTagHier" ? 4 : 0;
        std::string args;
        if (!c.text1.empty()) {
            args = std::string("\"") + c.text1[i] + "\"";
            if (!c.text2.empty()) args += std::string(", \"") + c.text2[i] + "\"";
        } else {
            char number[32];
            std::snprintf(number, sizeof number, "%.2f", c.numbers[i] * kNumberScale);
            args = number;
        }
        std::printf("  %s(%s) = %s%s%s\n", c.function.c_str(), args.c_str(), c.boolean ? "" : "\"",
                    Shown(c.results[i]).c_str(), c.boolean ? "" : "\"");
    }
}

// ---------------------------------------------------------------------------
// Timing

std::uint64_t g_checksum = 0;

// ns per call of every repetition, by benchmark name.
std::map<std::string, std::vector<double>> g_nsPerCall;

// Collects the CPU time of every repetition; shows only the context
// (machine, load, and the library's own warnings).
class Collector : public benchmark::BenchmarkReporter {
   public:
    bool ReportContext(const Context &context) override {
        PrintBasicContext(&GetOutputStream(), context);
        GetOutputStream() << std::flush;
        return true;
    }
    void ReportRuns(const std::vector<Run> &runs) override {
        for (const Run &run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred || run.iterations == 0) continue;
            const auto it = calls_.find(run.run_name.function_name);
            if (it == calls_.end()) continue;
            const double seconds = run.cpu_accumulated_time / static_cast<double>(run.iterations);
            g_nsPerCall[run.run_name.function_name].push_back(seconds * 1e9 / static_cast<double>(it->second));
        }
    }
    void Expect(const std::string &name, std::size_t callsPerIteration) { calls_[name] = callsPerIteration; }

   private:
    std::map<std::string, std::size_t> calls_;
};

double Median(std::vector<double> v) {
    if (v.empty()) return std::nan("");
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

void Register(Collector &collector) {
    for (Measured &m : g_measured) {
        Measured *loop = &m;
        benchmark::RegisterBenchmark(m.name.c_str(), [loop](benchmark::State &state) {
            std::uint64_t sum = 0;
            for (auto _ : state) {
                sum += loop->pass(*loop->c);
                benchmark::DoNotOptimize(sum);
            }
            g_checksum += sum;
        });
        collector.Expect(m.name, m.c->blocks.size());
    }
}

// ---------------------------------------------------------------------------
// Instruction counts

}  // namespace

// Runs loop `index` for `passes` passes; the only code whose instructions
// callgrind collects, with one profile dump after each visit.
extern "C" __attribute__((noinline, noclone)) std::uint64_t CountedPasses(std::size_t index, std::uint64_t passes) {
    Measured &m = g_measured[index];
    std::uint64_t sum = 0;
    for (std::uint64_t p = 0; p < passes; ++p) sum += m.pass(*m.c);
    return sum;
}

namespace {

// The child under callgrind: every loop once untimed (to bind every
// symbol), then for N and for 2N passes.
int RunCountedLoops() {
    std::uint64_t sum = 0;
    for (Measured &m : g_measured) sum += m.pass(*m.c);
    for (std::size_t i = 0; i < g_measured.size(); ++i) {
        sum += CountedPasses(i, kCountedPasses);
        sum += CountedPasses(i, 2 * kCountedPasses);
    }
    std::printf("checksum %016llx\n", static_cast<unsigned long long>(sum));
    return 0;
}

std::string FindInPath(const char *program) {
    const char *path = std::getenv("PATH");
    std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        const std::string candidate = dirs.substr(start, end - start) + "/" + program;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return "";
}

std::string SelfPath() {
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return "";
    path[n] = '\0';
    return path;
}

// The "totals:" line of one callgrind profile, or -1.
double ProfileTotal(const std::string &file) {
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("totals:", 0) == 0) return std::strtod(line.c_str() + 7, nullptr);
    return -1;
}

// Instructions per call of every loop, by index; empty when valgrind is
// missing or fails.
std::vector<double> CountInstructions(const std::string &pluginPath, std::string *problem) {
    const std::string valgrind = FindInPath("valgrind");
    if (valgrind.empty()) {
        *problem = "valgrind not found (scripts/deps.sh bench installs it)";
        return {};
    }
    char dirTemplate[] = "/tmp/bench_exports.XXXXXX";
    if (mkdtemp(dirTemplate) == nullptr) {
        *problem = "no temporary folder";
        return {};
    }
    const std::string dir = dirTemplate;
    const std::string out = dir + "/callgrind.out";
    const std::string log = dir + "/valgrind.log";
    std::vector<std::string> args = {valgrind,
                                     "--tool=callgrind",
                                     "--collect-atstart=no",
                                     "--toggle-collect=CountedPasses",
                                     "--dump-after=CountedPasses",
                                     "--callgrind-out-file=" + out,
                                     "--log-file=" + log,
                                     SelfPath(),
                                     "--plugin=" + pluginPath,
                                     "--callgrind-child"};
    std::vector<char *> argv;
    for (std::string &arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    std::fflush(stdout);
    pid_t pid = 0;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, (dir + "/child.out").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int spawned = posix_spawn(&pid, valgrind.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (spawned != 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        *problem = "valgrind failed; see " + log;
        return {};
    }
    std::vector<double> perCall;
    for (std::size_t i = 0; i < g_measured.size(); ++i) {
        const std::string once = out + "." + std::to_string(2 * i + 1);
        const std::string twice = out + "." + std::to_string(2 * i + 2);
        const double t1 = ProfileTotal(once), t2 = ProfileTotal(twice);
        if (t1 < 0 || t2 < 0) {
            *problem = "no callgrind profile " + once + " or " + twice;
            return {};
        }
        const double calls = static_cast<double>(kCountedPasses) * static_cast<double>(g_measured[i].c->blocks.size());
        perCall.push_back((t2 - t1) / calls);
        std::remove(once.c_str());
        std::remove(twice.c_str());
    }
    for (const char *name : {"/callgrind.out", "/valgrind.log", "/child.out"}) std::remove((dir + name).c_str());
    rmdir(dir.c_str());
    return perCall;
}

// ---------------------------------------------------------------------------
// The table

std::string Fixed(double value, int decimals) {
    if (std::isnan(value)) return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

struct Row {
    std::string function, inputs;
    double ns = std::nan(""), floorNs = std::nan(""), peerNs = std::nan("");
    double ir = std::nan(""), floorIr = std::nan(""), peerIr = std::nan("");
    std::string peer;
};

void PrintTable(const std::vector<double> &instructions, const std::string &problem) {
    auto ns = [](std::size_t index) {
        return index < g_measured.size() ? Median(g_nsPerCall[g_measured[index].name]) : std::nan("");
    };
    auto ir = [&instructions](std::size_t index) {
        return index < instructions.size() ? instructions[index] : std::nan("");
    };
    const std::size_t call = FindLoop(nullptr, Loop::CallFloor);
    std::vector<Row> rows;
    {
        Row row;
        row.function = "UFStartJob";
        row.inputs = "empty export: the floor of a call";
        row.ns = ns(call);
        row.ir = ir(call);
        rows.push_back(row);
    }
    for (Case &c : g_cases) {
        Row row;
        row.function = c.function;
        row.inputs = c.inputs;
        const std::size_t floor = c.boolean ? call : FindLoop(&c, Loop::StringFloor);
        const std::size_t peer = FindLoop(&c, Loop::Peer);
        row.ns = ns(FindLoop(&c, Loop::Export));
        row.ir = ir(FindLoop(&c, Loop::Export));
        row.floorNs = ns(floor);
        row.floorIr = ir(floor);
        if (c.peer != Peer::None) {
            row.peer = c.peer == Peer::Snprintf ? "snprintf" : "fnmatch";
            row.peerNs = ns(peer);
            row.peerIr = ir(peer);
        }
        rows.push_back(row);
    }

    std::printf("\nns per call: CPU time, median of the repetitions.  Ir per call: instructions, callgrind.\n");
    std::printf("floor: UFStartJob through its pointer; for String functions also strlen over the text\n");
    std::printf("arguments and memcpy of the result with its NUL.  x: the function's ns (or Ir) over the\n");
    std::printf("floor's or the peer's.\n\n");
    std::printf("%-18s %-34s %8s %8s %6s %-9s %8s %6s %8s %8s %6s %8s %6s\n", "function", "inputs", "ns/call", "floor",
                "x", "peer", "peer ns", "x", "Ir/call", "floor", "x", "peer Ir", "x");
    for (const Row &row : rows) {
        std::printf("%-18s %-34s %8s %8s %6s %-9s %8s %6s %8s %8s %6s %8s %6s\n", row.function.c_str(),
                    row.inputs.c_str(), Fixed(row.ns, 1).c_str(), Fixed(row.floorNs, 1).c_str(),
                    Fixed(row.ns / row.floorNs, 2).c_str(), row.peer.empty() ? "-" : row.peer.c_str(),
                    Fixed(row.peerNs, 1).c_str(), Fixed(row.ns / row.peerNs, 2).c_str(), Fixed(row.ir, 1).c_str(),
                    Fixed(row.floorIr, 1).c_str(), Fixed(row.ir / row.floorIr, 2).c_str(), Fixed(row.peerIr, 1).c_str(),
                    Fixed(row.ir / row.peerIr, 2).c_str());
    }
    if (!problem.empty()) std::printf("(no instruction counts: %s)\n", problem.c_str());

    // The goals.
    std::vector<double> matchNs, matchIr;
    std::printf("\nGoals (this run):%38s %8s\n", "ns", "Ir");
    for (const Row &row : rows) {
        if (row.function == "QELIndentTagHier" || row.function == "QELIndentTagName" ||
            row.function == "QELRemoveTagName") {
            const double r = row.ns / row.floorNs;
            std::printf("  %-18s / floor    <= 3     %14s %8s  %s\n", row.function.c_str(), Fixed(r, 2).c_str(),
                        Fixed(row.ir / row.floorIr, 2).c_str(), Verdict(r, 3.0));
        } else if (row.function == "QELNumberFootPrint") {
            const double r = row.ns / row.peerNs;
            std::printf("  %-18s / snprintf <= 0.33  %14s %8s  %s\n", row.function.c_str(), Fixed(r, 2).c_str(),
                        Fixed(row.ir / row.peerIr, 2).c_str(), Verdict(r, 1.0 / 3.0));
        } else if (row.function == "QELPatternMatch") {
            matchNs.push_back(row.ns / row.peerNs);
            matchIr.push_back(row.ir / row.peerIr);
        }
    }
    const double worst = matchNs.empty() ? std::nan("") : *std::max_element(matchNs.begin(), matchNs.end());
    const double worstIr = matchIr.empty() ? std::nan("") : *std::max_element(matchIr.begin(), matchIr.end());
    const double gm = GeometricMean(matchNs);
    std::printf("  %-18s / fnmatch  <= 0.33  %14s %8s  %s (geometric mean of the five patterns)\n", "QELPatternMatch",
                Fixed(gm, 2).c_str(), Fixed(GeometricMean(matchIr), 2).c_str(), Verdict(gm, 1.0 / 3.0));
    std::printf("  %-18s / fnmatch  <= 0.33  %14s %8s  %s (worst pattern)\n", "QELPatternMatch",
                Fixed(worst, 2).c_str(), Fixed(worstIr, 2).c_str(), Verdict(worst, 1.0 / 3.0));
}

// Command-line defaults for Google Benchmark, before the user's flags so
// that these take precedence.
const char *const kDefaultFlags[] = {
    "--benchmark_repetitions=9",
    "--benchmark_min_time=0.05",
    "--benchmark_enable_random_interleaving=true",
};

}  // namespace

int main(int argc, char **argv) {
    std::setlocale(LC_ALL, "C");
    std::string pluginPath = QELRPT_PLUGIN_PATH;
    bool callgrind = true;
    bool child = false;
    std::vector<char *> args = {argv[0]};
    for (const char *flag : kDefaultFlags) args.push_back(const_cast<char *>(flag));
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--plugin=", 0) == 0) {
            pluginPath = arg.substr(9);
        } else if (arg == "--no-callgrind") {
            callgrind = false;
        } else if (arg == "--callgrind-child") {
            child = true;
        } else {
            args.push_back(argv[i]);
        }
    }

    if (!LoadPlugin(pluginPath)) return 1;
    MakeCases();
    std::uint64_t resultHash = 0;
    if (!CheckResults(&resultHash)) {
        std::fprintf(stderr, "the exports and their peers disagree\n");
        return 1;
    }
    MakeLoops();
    if (child) return RunCountedLoops();

    std::printf("Plug-in: %s\n", pluginPath.c_str());
    ShowSamples();
    std::printf(
        "The footprint gives snprintf's text and the match fnmatch's answer for every input; "
        "results checksum %016llx\n\n",
        static_cast<unsigned long long>(resultHash));

    std::vector<double> instructions;
    std::string problem = "not asked for (--no-callgrind)";
    if (callgrind) {
        std::printf("Counting instructions under callgrind...\n");
        problem.clear();
        instructions = CountInstructions(pluginPath, &problem);
    }

    int benchArgc = static_cast<int>(args.size());
    args.push_back(nullptr);
    benchmark::Initialize(&benchArgc, args.data());
    if (benchmark::ReportUnrecognizedArguments(benchArgc, args.data())) return 1;
    Collector collector;
    Register(collector);
    std::printf("Timing %zu loops...\n", g_measured.size());
    benchmark::RunSpecifiedBenchmarks(&collector);
    benchmark::Shutdown();

    PrintTable(instructions, problem);
    std::printf("\nchecksum %016llx\n", static_cast<unsigned long long>(g_checksum));
    return 0;
}
