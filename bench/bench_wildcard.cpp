// Wildcard match: time per match of the library's matcher on typical tag
// names, next to glibc's fnmatch(3) and the recursive backtracking
// reference, and on hostile inputs (long runs of one character against
// many star runs).  After the runs a summary gives the ratios that the
// matcher is held to:
//
//   - typical cases, geometric mean: at most 0.8 x the recursive
//     reference's time and at most 1/3 of fnmatch's;
//   - a^n against (*a)^k*b: linear in n for each k (growth exponent of
//     the time between the smallest and the largest n at most 1.1);
//   - 255 a's against *a*a*a*a*a*a*a*a*b: at most 10 x a typical match.
//
// Every answer is folded into a checksum that is printed at the end.
//
//   bench_wildcard --benchmark_min_time=0.2
#include <benchmark/benchmark.h>
#include <fnmatch.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "bench_summary.h"
#include "functions/wildcard.h"
#include "support/wildcard_oracle.h"

namespace {

using MatchFn = int (*)(const char *candidate, const char *pattern);

int Matcher(const char *candidate, const char *pattern) { return qelrpt::WildcardMatch(candidate, pattern); }

int Recursive(const char *candidate, const char *pattern) { return oracle::RecursiveWildcardMatch(candidate, pattern); }

// fnmatch takes "?" for one character; the patterns handed to it are
// translated beforehand, and none holds "[", "?" or a backslash escape.
int Fnmatch(const char *candidate, const char *pattern) { return fnmatch(pattern, candidate, FNM_NOESCAPE) == 0; }

// Tag names of 20 to 60 characters as reports list them.
const char *const kTagNames[] = {
    "Plant1\\Area3\\Pump07.Speed",
    "Plant1\\Area3\\Pump07.Current",
    "Plant1\\Area3\\Pump12.Speed",
    "Plant1\\Area3\\Valve03.Position",
    "Plant1\\Area1\\Tank02\\Level.Value",
    "Plant2\\Boiler\\Feed\\Pump01.Pressure.Setpoint",
    "Plant1\\Area4\\Conveyor\\Belt05\\Motor.Speed",
    "Plant1\\Utilities\\Air\\Compressor02.DischargePressure",
    "Plant2\\Area7\\Pump3.Speed",
    "Site\\Line2\\Station14\\Robot\\Axis4.Torque",
    "Plant1\\Area3\\Pump07\\Bearing\\Temperature.Alarm.Hi",
    "Plant3\\WaterTreatment\\Filter\\Backwash\\Pump02.RunHours",
};
constexpr std::size_t kNameCount = sizeof kTagNames / sizeof kTagNames[0];

struct Typical {
    const char *label;
    const char *pattern;  // "%" for one character
    const char *glob;     // the same for fnmatch, "?" for one character
};

const Typical kTypical[] = {
    {"contains", "*Pump*", "*Pump*"},
    {"levels", "Plant1\\*\\Pump%%.*", "Plant1\\*\\Pump??.*"},
    {"suffix", "*.Speed", "*.Speed"},
    {"exact", "Plant1\\Area3\\Pump07.Speed", "Plant1\\Area3\\Pump07.Speed"},
    {"nomatch", "*\\Heater%%.*", "*\\Heater??.*"},
};
constexpr std::size_t kTypicalCount = sizeof kTypical / sizeof kTypical[0];

struct Engine {
    const char *name;
    MatchFn fn;
    bool glob;  // takes the fnmatch form of the patterns
};

const Engine kEngines[] = {
    {"matcher", Matcher, false},
    {"fnmatch", Fnmatch, true},
    {"recursive", Recursive, false},
};

std::uint64_t g_checksum = 0;

// ns per match by benchmark name: of each repetition, and the median that
// the library computes over repetitions (all that is reported with
// --benchmark_report_aggregates_only).
std::map<std::string, std::vector<double>> g_nsPerMatch;
std::map<std::string, double> g_nsPerMatchMedian;

// Records the time per match of each run, then shows it as usual.
class Collector : public benchmark::ConsoleReporter {
   public:
    void ReportRuns(const std::vector<Run> &runs) override {
        for (const Run &run : runs) {
            if (run.error_occurred) continue;
            const auto it = run.counters.find("ns_per_match");
            if (it == run.counters.end()) continue;
            const double ns = it->second.value * 1e9;
            if (run.run_type == Run::RT_Iteration) {
                g_nsPerMatch[run.run_name.str()].push_back(ns);
            } else if (run.aggregate_name == "median") {
                g_nsPerMatchMedian[run.run_name.str()] = ns;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// ns per match of a finished benchmark, or NaN when it did not run.
double NsPerMatch(const std::string &name) {
    const auto median = g_nsPerMatchMedian.find(name);
    if (median != g_nsPerMatchMedian.end()) return median->second;
    const auto it = g_nsPerMatch.find(name);
    return it == g_nsPerMatch.end() || it->second.empty() ? std::nan("") : Median(it->second);
}

void PerMatch(benchmark::State &state, std::size_t matchesPerIteration) {
    state.counters["ns_per_match"] =
        benchmark::Counter(static_cast<double>(matchesPerIteration),
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Every tag name against one typical pattern.
void TypicalCase(benchmark::State &state, const Engine &engine, const Typical &typical) {
    std::uint64_t sum = 0;
    for (auto _ : state) {
        for (std::size_t i = 0; i < kNameCount; ++i) {
            const char *candidate = kTagNames[i];
            const char *pattern = engine.glob ? typical.glob : typical.pattern;
            benchmark::DoNotOptimize(candidate);
            benchmark::DoNotOptimize(pattern);
            sum += static_cast<std::uint64_t>(engine.fn(candidate, pattern));
        }
    }
    benchmark::DoNotOptimize(sum);
    g_checksum += sum;
    PerMatch(state, kNameCount);
}

std::string Repeat(const std::string &unit, std::size_t n) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i) s += unit;
    return s;
}

// Times one candidate against one pattern, folding the answers into the
// checksum.
void TimeOneMatch(benchmark::State &state, MatchFn fn, const std::string &candidate, const std::string &pattern) {
    std::uint64_t sum = 0;
    for (auto _ : state) {
        const char *c = candidate.c_str();
        const char *p = pattern.c_str();
        benchmark::DoNotOptimize(c);
        benchmark::DoNotOptimize(p);
        sum += static_cast<std::uint64_t>(fn(c, p)) + 1;
    }
    benchmark::DoNotOptimize(sum);
    g_checksum += sum;
    PerMatch(state, 1);
}

// a^n against (*a)^k*b: no match, and n^k work for plain backtracking.
void HostileCase(benchmark::State &state, MatchFn fn) {
    const std::size_t k = static_cast<std::size_t>(state.range(0));
    const std::size_t n = static_cast<std::size_t>(state.range(1));
    TimeOneMatch(state, fn, std::string(n, 'a'), Repeat("*a", k) + "*b");
    state.counters["ns_per_char"] = benchmark::Counter(
        static_cast<double>(n), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// a^n against *a^k b: one star before a literal run that fails only at
// its end, the most steps for the matcher (about n x k).
void LongRunCase(benchmark::State &state) {
    const std::size_t k = static_cast<std::size_t>(state.range(0));
    const std::size_t n = static_cast<std::size_t>(state.range(1));
    TimeOneMatch(state, Matcher, std::string(n, 'a'), "*" + std::string(k, 'a') + "b");
}

const char kHostile255Pattern[] = "*a*a*a*a*a*a*a*a*b";

void Hostile255(benchmark::State &state) { TimeOneMatch(state, Matcher, std::string(255, 'a'), kHostile255Pattern); }

const std::int64_t kHostileRuns[] = {1, 8, 32};
const std::int64_t kHostileLengths[] = {256, 1024, 4096, 16384, 100000};
const std::int64_t kRecursiveRuns[] = {1, 2, 3};
const std::int64_t kRecursiveLengths[] = {16, 32, 64};
const std::int64_t kLongRuns[] = {1, 8, 32};
const std::int64_t kLongRunLength = 4096;

std::string TypicalName(const Engine &engine, const Typical &typical) {
    return std::string("typical/") + engine.name + "/" + typical.label;
}

std::string SizedName(const char *family, std::int64_t k, std::int64_t n) {
    return std::string(family) + "/k:" + std::to_string(k) + "/n:" + std::to_string(n);
}

void Register() {
    for (const Typical &typical : kTypical)
        for (const Engine &engine : kEngines)
            benchmark::RegisterBenchmark(TypicalName(engine, typical).c_str(), TypicalCase, engine, typical);
    for (const std::int64_t k : kHostileRuns)
        for (const std::int64_t n : kHostileLengths)
            benchmark::RegisterBenchmark("hostile/matcher", HostileCase, Matcher)->ArgNames({"k", "n"})->Args({k, n});
    for (const std::int64_t k : kRecursiveRuns)
        for (const std::int64_t n : kRecursiveLengths)
            benchmark::RegisterBenchmark("hostile/recursive", HostileCase, Recursive)
                ->ArgNames({"k", "n"})
                ->Args({k, n});
    benchmark::RegisterBenchmark("hostile255/matcher", Hostile255);
    for (const std::int64_t k : kLongRuns)
        benchmark::RegisterBenchmark("longrun/matcher", LongRunCase)->ArgNames({"k", "n"})->Args({k, kLongRunLength});
}

// The three engines must give the same answers on the typical cases, or
// comparing their times means nothing.
bool EnginesAgree() {
    bool agree = true;
    for (const Typical &typical : kTypical) {
        for (const char *name : kTagNames) {
            const int m = Matcher(name, typical.pattern);
            const int f = Fnmatch(name, typical.glob);
            const int r = Recursive(name, typical.pattern);
            if (m != f || m != r) {
                std::fprintf(stderr, "answers differ: '%s' against '%s': matcher %d, fnmatch %d, recursive %d\n", name,
                             typical.pattern, m, f, r);
                agree = false;
            }
        }
    }
    return agree;
}

void PrintSummary() {
    std::printf("\nTypical tag names (%zu names per pattern), ns per match:\n", kNameCount);
    std::printf("  %-10s %10s %10s %10s %12s %12s\n", "pattern", "matcher", "fnmatch", "recursive", "m/fnmatch",
                "m/recursive");
    std::vector<double> matcher, fn, recursive;
    for (const Typical &typical : kTypical) {
        const double m = NsPerMatch(TypicalName(kEngines[0], typical));
        const double f = NsPerMatch(TypicalName(kEngines[1], typical));
        const double r = NsPerMatch(TypicalName(kEngines[2], typical));
        std::printf("  %-10s %10.1f %10.1f %10.1f %12.2f %12.2f\n", typical.label, m, f, r, m / f, m / r);
        matcher.push_back(m);
        fn.push_back(f);
        recursive.push_back(r);
    }
    const double gm = GeometricMean(matcher), gf = GeometricMean(fn), gr = GeometricMean(recursive);
    std::printf("  %-10s %10.1f %10.1f %10.1f %12.2f %12.2f\n", "geomean", gm, gf, gr, gm / gf, gm / gr);

    std::printf("\na^n against (*a)^k*b, matcher, ns per match:\n  %-6s", "k \\ n");
    for (const std::int64_t n : kHostileLengths) std::printf(" %10lld", static_cast<long long>(n));
    std::printf(" %10s\n", "exponent");
    double worstExponent = 0;
    for (const std::int64_t k : kHostileRuns) {
        std::printf("  %-6lld", static_cast<long long>(k));
        for (const std::int64_t n : kHostileLengths)
            std::printf(" %10.1f", NsPerMatch(SizedName("hostile/matcher", k, n)));
        // Growth exponent between the second smallest and the largest n
        // (the smallest is dominated by the fixed cost of a call).
        const double n0 = static_cast<double>(kHostileLengths[1]);
        const double n1 = static_cast<double>(kHostileLengths[std::size(kHostileLengths) - 1]);
        const double t0 = NsPerMatch(SizedName("hostile/matcher", k, kHostileLengths[1]));
        const double t1 = NsPerMatch(SizedName("hostile/matcher", k, kHostileLengths[std::size(kHostileLengths) - 1]));
        const double exponent = std::log(t1 / t0) / std::log(n1 / n0);
        if (std::isnan(exponent) || std::isnan(worstExponent)) {
            worstExponent = std::nan("");
        } else {
            worstExponent = std::max(worstExponent, exponent);
        }
        std::printf(" %10.2f\n", exponent);
    }
    std::printf("\na^n against (*a)^k*b, recursive reference, ns per match:\n  %-6s", "k \\ n");
    for (const std::int64_t n : kRecursiveLengths) std::printf(" %10lld", static_cast<long long>(n));
    std::printf("\n");
    for (const std::int64_t k : kRecursiveRuns) {
        std::printf("  %-6lld", static_cast<long long>(k));
        for (const std::int64_t n : kRecursiveLengths)
            std::printf(" %10.1f", NsPerMatch(SizedName("hostile/recursive", k, n)));
        std::printf("\n");
    }
    std::printf("\na^%lld against *a^k b, matcher, ns per match:\n", static_cast<long long>(kLongRunLength));
    for (const std::int64_t k : kLongRuns)
        std::printf("  k = %-3lld %10.1f\n", static_cast<long long>(k),
                    NsPerMatch(SizedName("longrun/matcher", k, kLongRunLength)));

    const double h255 = NsPerMatch("hostile255/matcher");
    std::printf("\n255 a's against %s, matcher: %.1f ns (%.2f x a typical match)\n", kHostile255Pattern, h255,
                h255 / gm);

    std::printf("\nGoals:\n");
    std::printf("  typical, matcher / recursive  %6.2f  (<= 0.80)  %s\n", gm / gr, Verdict(gm / gr, 0.8));
    std::printf("  typical, matcher / fnmatch    %6.2f  (<= 0.33)  %s\n", gm / gf, Verdict(gm / gf, 1.0 / 3.0));
    std::printf("  hostile, growth exponent in n %6.2f  (<= 1.10)  %s\n", worstExponent, Verdict(worstExponent, 1.1));
    std::printf("  255 a's / typical match       %6.2f  (<= 10)    %s\n", h255 / gm, Verdict(h255 / gm, 10.0));
}

}  // namespace

int main(int argc, char **argv) {
    std::setlocale(LC_ALL, "C");
    if (!EnginesAgree()) return 1;
    Register();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    Collector reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    PrintSummary();
    std::printf("\nchecksum %llu\n", static_cast<unsigned long long>(g_checksum));
    return 0;
}
