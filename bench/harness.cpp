// The shared benchmark harness (see harness.h).
#include "harness.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <set>

namespace bench {

namespace {

// ---------------------------------------------------------------------------
// Tag names

// One plant's naming style: the words of each level, how levels are
// joined, and how numbers are written.
struct Plant {
    const char *root;
    const char *const *words;  // null-terminated
    char separator;            // between levels above the leaf
    char leafSeparator;        // before the leaf
    int digits;                // of the level numbers, at least
};

const char *const kIndustrial[] = {"Area",   "CoolingWater", "Condensate", "Pump",     "Valve",      "Motor", "Tank",
                                   "Boiler", "Feed",         "Filter",     "Backwash", "Compressor", "Fan",   nullptr};
const char *const kAutomotive[] = {"Line", "Station", "Robot", "Axis", "Cell", "Press", "Conveyor", "Gripper", nullptr};
const char *const kMining[] = {"Conveyor ", "Belt Scale ", "Crusher ", "Screen ", "Mill ", "Stockpile ", nullptr};
const char *const kWater[] = {"WTP_Main", "Filters", "Filter_", "Valve_V", "Clearwell", "Pump_P", "Ozone_", nullptr};
const char *const kRefinery[] = {"Unit", "FIC-", "TIC-", "PIC-", "LIC-", "Furnace", "Column", "Drum", nullptr};
const char *const kBuilding[] = {"Building ", "Floor ", "AHU-", "Supply Fan", "Return Fan", "VAV-", "Chiller", nullptr};

const Plant kPlants[] = {
    {"Plant1", kIndustrial, '\\', '.', 2},  {"SiteB", kAutomotive, '.', '.', 1},
    {"North Mine", kMining, '\\', '\\', 1}, {"WaterWorks", kWater, '\\', '.', 3},
    {"Refinery2", kRefinery, '\\', '.', 4}, {"Campus", kBuilding, '\\', '\\', 1},
};

const char *const kLeaves[] = {"Speed", "Current",   "Temperature", "RunHours", "Position", "Pressure.Setpoint",
                               "PV",    "SP",        "OUT",         "Status",   "Alarm.Hi", "Alarm.HiHi",
                               "Level", "Flow.Rate", "Torque",      "Vibration"};

// A description long enough to make names of up to 255 characters.
const char *const kDescriptions[] = {
    "Primary_Cooling_Circuit_Return_Header_Temperature_Transmitter",
    "Emergency_Shutdown_Interlock_Bypass_Permissive",
    "Feedwater_Control_Valve_Position_Feedback_Redundant_Channel_B",
};

std::size_t Count(const char *const *words) {
    std::size_t n = 0;
    while (words[n] != nullptr) ++n;
    return n;
}

std::string Level(const Plant &plant, std::size_t depth, std::mt19937_64 &rng) {
    const std::size_t words = Count(plant.words);
    // A few choices per level, so that the names share their upper levels
    // as a plant's names do.
    const std::size_t word = (depth * 3 + rng() % 3) % words;
    char number[16];
    std::snprintf(number, sizeof number, "%0*u", plant.digits, static_cast<unsigned>(rng() % (depth < 2 ? 4 : 24) + 1));
    return std::string(plant.words[word]) + number;
}

// The levels above the leaf: a piece of equipment's place in its plant.
std::string MakePath(std::mt19937_64 &rng) {
    const Plant &plant = kPlants[rng() % std::size(kPlants)];
    const std::size_t levels = 2 + rng() % 7;  // 2 to 8, the leaf included
    std::string path = plant.root;
    for (std::size_t depth = 1; depth + 1 < levels; ++depth) path += plant.separator + Level(plant, depth, rng);
    if (rng() % 10 == 0) path += plant.separator + std::string(kDescriptions[rng() % std::size(kDescriptions)]);
    if (rng() % 40 == 0) path += plant.separator + std::string(kDescriptions[0]) + "_" + kDescriptions[2];
    return path + plant.leafSeparator;
}
std::mt19937_64 &Rng() {
    static std::mt19937_64 rng(20261209);  // NOLINT(cert-msc32-c,cert-msc51-cpp): the same inputs on every run
    return rng;
}

}  // namespace

std::vector<std::string> TagNames(std::size_t count) {
    // Each piece of equipment has a few of the leaves, as in a real
    // listing: about two per path.
    std::mt19937_64 rng(0x7A65);  // NOLINT(cert-msc32-c,cert-msc51-cpp): the same names on every run
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < count / 2; ++i) paths.push_back(MakePath(rng));
    std::set<std::string> seen;
    std::vector<std::string> names;
    while (names.size() < count) {
        std::string name = paths[rng() % paths.size()] + kLeaves[rng() % std::size(kLeaves)];
        if (name.size() < 10 || name.size() > 255 || !seen.insert(name).second) continue;
        names.push_back(std::move(name));
    }
    return names;
}

std::vector<NamePair> ListingPairs(const std::vector<std::string> &sortedNames, bool shuffled) {
    std::vector<NamePair> pairs;
    for (std::size_t i = 0; i < sortedNames.size(); ++i)
        pairs.push_back({i == 0 ? "" : sortedNames[i - 1].c_str(), sortedNames[i].c_str()});
    if (shuffled) std::shuffle(pairs.begin(), pairs.end(), Rng());
    return pairs;
}

std::vector<std::string> LongNames(std::size_t length, std::size_t count) {
    std::mt19937_64 rng(0x4C4E);  // NOLINT(cert-msc32-c,cert-msc51-cpp): the same names on every run
    std::vector<std::string> names;
    while (names.size() < count) {
        std::string name;
        while (name.size() + 64 < length) name += MakePath(rng);
        name.resize(length - 6, 'x');
        names.push_back(name + (rng() % 2 == 0 ? ".Speed" : ".Sp33d"));
    }
    return names;
}

std::vector<Value> ReportValues(std::size_t count) {
    std::mt19937_64 &rng = Rng();
    std::vector<Value> values;
    for (std::size_t i = 0; i < count; ++i) {
        const auto cents = static_cast<double>(rng() % 1000001);  // 0.00 to 10,000.00
        switch (i % 6) {
            case 0:
                values.push_back({"amount", cents});
                break;
            case 1:
                values.push_back({"count", 100.0 * static_cast<double>(rng() % 100000)});
                break;
            case 2:
                values.push_back({"negative", -cents});
                break;
            case 3:
                values.push_back({"tiny", static_cast<double>(rng() % 10000 + 1) * 1e-6});
                break;
            case 4:
                values.push_back({"huge", static_cast<double>(rng() % 1000000 + 1) * 1e12});
                break;
            default:
                values.push_back({"zero", i % 12 == 5 ? -0.0 : 0.0});
                break;
        }
    }
    std::shuffle(values.begin(), values.end(), rng);
    return values;
}

std::vector<double> FlagWords(std::size_t count) {
    std::vector<double> words;
    for (std::size_t i = 0; i < count; ++i) words.push_back(100.0 * static_cast<double>(Rng()() % 65536));
    return words;
}

namespace {

// The levels of a name.
std::vector<std::string> Levels(const std::string &name) {
    std::vector<std::string> levels(1);
    for (const char c : name) {
        if (c == '\\' || c == '.') {
            levels.emplace_back();
        } else {
            levels.back() += c;
        }
    }
    return levels;
}

// A level with its digits written as "%".
std::string Blurred(std::string level) {
    for (char &c : level)
        if (c >= '0' && c <= '9') c = '%';
    return level;
}

// The level in the wrong case: lower case, or its first letter's case
// turned when it has no capital.
std::string WrongCase(std::string level) {
    bool changed = false;
    for (char &c : level) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
            changed = true;
        }
    }
    for (char &c : level) {
        if (changed) break;
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
            changed = true;
        }
    }
    return level;
}

// The name without its separators, kept for the whole run.
const char *Flat(const std::string &name) {
    static std::deque<std::string> flat;
    std::string f;
    for (const char c : name)
        if (c != '\\' && c != '.') f += c;
    return flat.emplace_back(std::move(f)).c_str();
}

}  // namespace

std::vector<PatternShape> PatternShapes(const std::vector<std::string> &names, std::mt19937_64 &rng) {
    std::vector<PatternShape> shapes;
    for (const char *label : {"*literal*", "prefix*", "*suffix", "% runs", "exact name", "several *", "no match",
                              "*Alarm*", "levels", "*%%%literal*", "*\\level*", "prefix%*", "*level* wrong case",
                              "*fragment*", "*Leaf, no separators", "*Area%\\*Pump*.Flow"})
        shapes.push_back({label, {}, {}, {}});
    const char *const absent[] = {"*Heater%%*", "*\\Zone9*", "*Pump%%%%%%.Speed", "*TT%%%%*", "Plant9*"};
    const char *const words[] = {"*Alarm*", "*Speed*", "*Pump*", "*Temp*", "*Valve*", "*Setpoint*"};
    for (std::size_t i = 0; i < 64; ++i) {
        const std::string &name = names[rng() % names.size()];
        const std::vector<std::string> levels = Levels(name);
        const std::size_t level = 1 + rng() % (levels.size() - 1);
        const std::string &middle = levels[level];
        std::size_t at = 0;  // where the middle level starts
        for (std::size_t k = 0; k < level; ++k) at += levels[k].size() + 1;
        const std::size_t cut = name.find_first_of("\\.", name.find_first_of("\\.") + 1);
        const std::string prefix = name.substr(0, cut == std::string::npos ? name.size() / 2 : cut + 1);
        const std::size_t leaf = name.find_last_of("\\.");
        for (std::size_t k = 0; k < shapes.size(); ++k)
            shapes[k].sources.push_back(k == 14 ? Flat(name) : name.c_str());
        shapes[14].pool.push_back(Flat(names[rng() % names.size()]));
        shapes[0].patterns.push_back("*" + middle + "*");
        shapes[1].patterns.push_back(prefix + "*");
        shapes[2].patterns.push_back("*" + name.substr(leaf));
        shapes[3].patterns.push_back("*" + Blurred(middle) + "*");
        shapes[4].patterns.push_back(name);
        shapes[5].patterns.push_back(levels[0] + "*" + middle + "*" + name.substr(leaf));
        shapes[6].patterns.push_back(absent[i % std::size(absent)]);
        shapes[7].patterns.push_back(words[i % std::size(words)]);
        shapes[8].patterns.push_back(levels[0] + "*" + Blurred(middle) + "*" + name.substr(leaf, 2) + "*");
        shapes[9].patterns.push_back("*%%%" + middle + "*");
        shapes[10].patterns.push_back("*" + name.substr(at - 1, middle.size() + 1) + "*");
        std::string blurredPrefix = prefix;
        blurredPrefix[blurredPrefix.size() / 2] = '%';
        shapes[11].patterns.push_back(blurredPrefix + "*");
        shapes[12].patterns.push_back("*" + WrongCase(middle) + "*");
        shapes[13].patterns.push_back("*" + middle.substr(middle.size() / 3, 4) + "*");
        shapes[14].patterns.push_back("*" + levels.back());
        // A level with its last character as "%" and its separator, the
        // next level when it is not the leaf, and the leaf.
        std::string blurredLevel = name.substr(at, middle.size() + 1);
        if (!middle.empty()) blurredLevel[middle.size() - 1] = '%';
        std::string mixed = "*" + blurredLevel;
        if (level + 2 < levels.size()) mixed += "*" + levels[level + 1];
        shapes[15].patterns.push_back(mixed + "*" + name.substr(leaf));
    }
    return shapes;
}

std::string AsGlob(const std::string &pattern) {
    std::string glob(pattern);
    std::replace(glob.begin(), glob.end(), '%', '?');
    return glob;
}

namespace {

// Where the segment at `p` may next start in `s`: at the next occurrence of
// its first character, or right there for a "%"; null when nowhere.
const char *NextStart(const char *s, const char *p) { return *p == '%' ? s : std::strchr(s, *p); }

}  // namespace

namespace {

// Whether the m pattern characters at `p` match the candidate at `s`.
bool SameAt(const char *s, const char *p, std::size_t m) {
    for (std::size_t i = 0; i < m; ++i)
        if (p[i] != '%' && p[i] != s[i]) return false;
    return true;
}

}  // namespace

int GreedyMemmemMatch(const char *candidate, const char *pattern) {
    const char *s = candidate;
    const char *end = candidate + std::strlen(candidate);
    const char *p = pattern;
    for (; *p != '*'; ++p, ++s) {
        if (*p == '\0') return s == end ? 1 : 0;
        if (s == end || (*p != '%' && *p != *s)) return 0;
    }
    for (;;) {
        while (*p == '*') ++p;
        if (*p == '\0') return 1;
        const char *q = p;
        bool ones = false;
        for (; *q != '*' && *q != '\0'; ++q) ones = ones || *q == '%';
        const auto m = static_cast<std::size_t>(q - p);
        const auto left = static_cast<std::size_t>(end - s);
        if (*q == '\0') return left >= m && SameAt(end - m, p, m) ? 1 : 0;
        const char *found = nullptr;
        if (!ones) found = static_cast<const char *>(memmem(s, left, p, m));
        for (const char *at = s; ones && found == nullptr && at + m <= end; ++at)
            if (SameAt(at, p, m)) found = at;
        if (found == nullptr) return 0;
        s = found + m;
        p = q;
    }
}

int TwoPointerMatch(const char *candidate, const char *pattern) {
    const char *s = candidate;
    const char *p = pattern;
    const char *star = nullptr;    // the pattern just after the last star
    const char *resume = nullptr;  // where that star's segment was last tried
    for (;;) {
        if (*p == '*') {
            while (*p == '*') ++p;
            if (*p == '\0') return 1;
            if ((s = NextStart(s, p)) == nullptr) return 0;
            star = p;
            resume = s;
            continue;
        }
        if (*s == '\0') return *p == '\0' ? 1 : 0;
        if (*p == *s || (*p == '%')) {
            ++p;
            ++s;
            continue;
        }
        if (star == nullptr) return 0;
        p = star;
        if ((s = NextStart(++resume, p)) == nullptr) return 0;
        resume = s;
    }
}

// ---------------------------------------------------------------------------
// Loops

std::size_t Runner::Add(std::string name, std::size_t calls, std::function<std::uint64_t()> pass) {
    loops_.push_back({std::move(name), calls, std::move(pass)});
    return loops_.size() - 1;
}

namespace {

// Keeps the median CPU time per call of each loop from Google Benchmark's
// aggregates, and prints nothing: the caller prints its own table.
class MedianReporter : public benchmark::BenchmarkReporter {
   public:
    MedianReporter(const std::vector<Loop> &loops, std::vector<double> *medians) : loops_(loops), medians_(medians) {}

    bool ReportContext(const Context &context) override;

    void ReportRuns(const std::vector<Run> &runs) override {
        for (const Run &run : runs) {
            if (run.run_type != Run::RT_Aggregate || run.aggregate_name != "median") continue;
            const auto i = static_cast<std::size_t>(run.family_index);
            if (i >= loops_.size() || run.error_occurred) continue;
            (*medians_)[i] = run.GetAdjustedCPUTime() / static_cast<double>(loops_[i].calls);
        }
    }

   private:
    const std::vector<Loop> &loops_;
    std::vector<double> *medians_;
};

// Nothing about the machine is printed: the caller describes it.
bool MedianReporter::ReportContext(const Context & /*context*/) { return true; }

}  // namespace

std::vector<double> Runner::Time(int repetitions) {
    // Repetitions in random order across the loops.
    std::string self = "bench_exports", interleave = "--benchmark_enable_random_interleaving=true";
    std::vector<char *> argv = {self.data(), interleave.data(), nullptr};
    int argc = 2;
    benchmark::Initialize(&argc, argv.data());
    benchmark::ClearRegisteredBenchmarks();
    // Google Benchmark keeps and frees what it registers; the analyzer
    // does not see that.
    // NOLINTBEGIN(clang-analyzer-cplusplus.NewDeleteLeaks)
    for (std::size_t i = 0; i < loops_.size(); ++i) {
        // One iteration is one pass.
        const auto passes = [this, i](benchmark::State &state) {
            std::uint64_t sum = 0;
            for (auto _ : state) sum += loops_[i].pass();
            benchmark::DoNotOptimize(sum);
            checksum += sum;
            state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(loops_[i].calls));
        };
        // Family i is loop i: the reporter finds the loop by it.
        benchmark::RegisterBenchmark(loops_[i].name.c_str(), passes)
            ->Unit(benchmark::kNanosecond)
            ->MinTime(0.02)
            ->Repetitions(repetitions)
            ->ReportAggregatesOnly(true);
    }
    // NOLINTEND(clang-analyzer-cplusplus.NewDeleteLeaks)
    std::vector<double> medians(loops_.size(), std::nan(""));
    MedianReporter reporter(loops_, &medians);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::ClearRegisteredBenchmarks();
    return medians;
}

}  // namespace bench

namespace {
bench::Runner *g_counted = nullptr;
}

// Runs loop `index` for `passes` passes: the only code whose instructions
// callgrind collects, with one profile dump after each visit.
extern "C" __attribute__((noinline, noclone)) std::uint64_t CountedPasses(std::size_t index, std::uint64_t passes) {
    std::uint64_t sum = 0;
    for (std::uint64_t p = 0; p < passes; ++p) sum += g_counted->At(index).pass();
    return sum;
}

namespace bench {

int Runner::RunCounted() {
    g_counted = this;
    std::uint64_t sum = 0;
    for (const Loop &loop : loops_) sum += loop.pass();
    for (std::size_t i = 0; i < loops_.size(); ++i) {
        sum += CountedPasses(i, 1);
        sum += CountedPasses(i, 2);
    }
    std::printf("checksum %016llx\n", static_cast<unsigned long long>(sum));
    return 0;
}

namespace {

std::string FindInPath(const char *program) {
    const char *path = std::getenv("PATH");
    const std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        std::string candidate = dirs.substr(start, end - start) + "/" + program;
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

// Runs `args` with its output in `out`; whether it exited with 0.
bool Spawn(std::vector<std::string> args, const std::string &out) {
    std::vector<char *> argv;
    argv.reserve(args.size() + 1);
    for (std::string &arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    std::fflush(stdout);
    pid_t pid = 0;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int spawned = posix_spawn(&pid, args[0].c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    return spawned == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

std::vector<double> Runner::Count(const std::vector<std::string> &childArgs, std::string *problem) {
    const std::string valgrind = FindInPath("valgrind");
    if (valgrind.empty()) {
        *problem = "valgrind not found (scripts/deps.sh bench installs it)";
        return {};
    }
    char dirTemplate[] = "/tmp/qelrpt-bench.XXXXXX";
    if (mkdtemp(dirTemplate) == nullptr) {
        *problem = "no temporary folder";
        return {};
    }
    const std::string dir = dirTemplate;
    const std::string out = dir + "/callgrind.out";
    std::vector<std::string> args = {valgrind,
                                     "--tool=callgrind",
                                     "--collect-atstart=no",
                                     "--toggle-collect=CountedPasses",
                                     "--dump-after=CountedPasses",
                                     "--callgrind-out-file=" + out,
                                     "--log-file=" + dir + "/valgrind.log",
                                     SelfPath()};
    args.insert(args.end(), childArgs.begin(), childArgs.end());
    args.emplace_back("--callgrind-child");
    if (!Spawn(args, dir + "/child.out")) {
        *problem = "valgrind failed; see " + dir + "/valgrind.log";
        return {};
    }
    std::vector<double> perCall;
    for (std::size_t i = 0; i < loops_.size(); ++i) {
        const std::string once = out + "." + std::to_string(2 * i + 1);
        const std::string twice = out + "." + std::to_string(2 * i + 2);
        const double t1 = ProfileTotal(once), t2 = ProfileTotal(twice);
        if (t1 < 0 || t2 < 0) {
            *problem = std::string("no callgrind profile ").append(once).append(" or ").append(twice);
            return {};
        }
        perCall.push_back((t2 - t1) / static_cast<double>(loops_[i].calls));
        std::remove(once.c_str());
        std::remove(twice.c_str());
    }
    for (const char *name : {"/callgrind.out", "/valgrind.log", "/child.out"}) std::remove((dir + name).c_str());
    rmdir(dir.c_str());
    return perCall;
}

// ---------------------------------------------------------------------------
// Output

std::string Fixed(double value, int decimals) {
    if (std::isnan(value)) return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

double GeometricMean(const std::vector<double> &v) {
    double logSum = 0;
    for (const double x : v) logSum += std::log(x);
    return v.empty() ? std::nan("") : std::exp(logSum / static_cast<double>(v.size()));
}

double Median(std::vector<double> v) {
    if (v.empty()) return std::nan("");
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

const char *Verdict(double value, double goal) {
    if (std::isnan(value)) return "not measured";
    return value <= goal ? "met" : "MISSED";
}

}  // namespace bench
