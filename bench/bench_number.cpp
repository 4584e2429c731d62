// The number footprint against the C run-time's snprintf("%10.4g") on a
// mix of report values: mostly amounts from 0 to 10,000 with two
// decimals, some negative, a few large and a few tiny.
//
// Before timing, the program checks that both give the same text for
// every value of the mix.  Each benchmark folds the texts of one pass over
// the mix into a checksum (an integer, so that nothing the compiler may
// assume about it can drop the work) and shows it as its label; the two
// labels must agree.  At the end the program prints the ratio of the two
// times.
#include <benchmark/benchmark.h>

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "functions/number.h"

namespace {

constexpr std::size_t kMixSize = 4096;

std::vector<double> MakeMix() {
    std::mt19937_64 rng(12345);
    std::vector<double> mix;
    mix.reserve(kMixSize);
    for (std::size_t i = 0; i < kMixSize; ++i) {
        const std::uint64_t kind = rng() % 100;
        const auto cents = static_cast<double>(rng() % 1000001);  // 0.00 to 10000.00
        double value = cents / 100.0;
        if (kind < 10) {
            value = -value;
        } else if (kind < 14) {
            value = static_cast<double>(rng() % 100000000000) / 100.0;  // up to 10^9
        } else if (kind < 18) {
            value = static_cast<double>(rng() % 10000 + 1) * 1e-8;  // 10^-8 to 10^-4
        }
        mix.push_back(value);
    }
    return mix;
}

const std::vector<double> &Mix() {
    static const std::vector<double> mix = MakeMix();
    return mix;
}

std::size_t WithPrintf(double value, char *out) {
    const int n = std::snprintf(out, qelrpt::FootprintBufferSize, "%10.4g", value);
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

// FNV-1a over the text of one value, chained across the pass.
std::uint64_t Fold(std::uint64_t hash, const char *text, std::size_t len) {
    for (std::size_t i = 0; i < len; ++i) hash = (hash ^ static_cast<unsigned char>(text[i])) * 0x100000001B3U;
    return hash;
}

template <std::size_t (*Format)(double, char *)>
std::uint64_t Pass(const std::vector<double> &mix) {
    std::uint64_t hash = 0xCBF29CE484222325U;
    char text[qelrpt::FootprintBufferSize];
    for (const double value : mix) hash = Fold(hash, text, Format(value, text));
    return hash;
}

std::string ChecksumText(std::uint64_t value) {
    char text[32];
    std::snprintf(text, sizeof text, "checksum %016" PRIx64, value);
    return text;
}

template <std::size_t (*Format)(double, char *)>
void Run(benchmark::State &state) {
    const std::vector<double> &mix = Mix();
    std::uint64_t checksum = 0;
    for (auto _ : state) {
        checksum = Pass<Format>(mix);
        benchmark::DoNotOptimize(checksum);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(mix.size()));
    state.SetLabel(ChecksumText(checksum));
}

void BM_FormatFootprint(benchmark::State &state) { Run<qelrpt::FormatFootprint>(state); }
void BM_Snprintf(benchmark::State &state) { Run<WithPrintf>(state); }
BENCHMARK(BM_FormatFootprint);
BENCHMARK(BM_Snprintf);

// Compares the two texts for every value of the mix; prints the first
// differences.
bool SameText() {
    int differences = 0;
    for (const double value : Mix()) {
        char ours[qelrpt::FootprintBufferSize], theirs[qelrpt::FootprintBufferSize];
        qelrpt::FormatFootprint(value, ours);
        WithPrintf(value, theirs);
        if (std::strcmp(ours, theirs) != 0 && ++differences <= 10)
            std::fprintf(stderr, "%.17g: \"%s\" but snprintf gives \"%s\"\n", value, ours, theirs);
    }
    return differences == 0;
}

// The console output, plus the fastest CPU time of each benchmark (CPU
// rather than wall-clock time, as other work may share the machine).
class RatioReporter : public benchmark::ConsoleReporter {
   public:
    RatioReporter() : ConsoleReporter(OO_Tabular) {}  // no colours: the output is read from logs
    void ReportRuns(const std::vector<Run> &runs) override {
        for (const Run &run : runs) {
            if (run.run_type != Run::RT_Iteration || run.iterations == 0) continue;
            const double t = run.GetAdjustedCPUTime();
            auto [it, added] = fastest_.try_emplace(run.run_name.function_name, t);
            if (!added && t < it->second) it->second = t;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    double Fastest(const std::string &name) const {
        const auto it = fastest_.find(name);
        return it == fastest_.end() ? 0 : it->second;
    }

   private:
    std::map<std::string, double> fastest_;
};

}  // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    if (!SameText()) {
        std::fprintf(stderr, "FormatFootprint and snprintf disagree on the mix\n");
        return 1;
    }
    std::printf("FormatFootprint and snprintf give the same text for all %zu values of the mix; %s\n", Mix().size(),
                ChecksumText(Pass<qelrpt::FormatFootprint>(Mix())).c_str());
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const double ours = reporter.Fastest("BM_FormatFootprint");
    const double theirs = reporter.Fastest("BM_Snprintf");
    if (ours > 0 && theirs > 0) std::printf("FormatFootprint / snprintf CPU time: %.3f\n", ours / theirs);
    return 0;
}
