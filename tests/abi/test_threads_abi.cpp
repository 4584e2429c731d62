// Every formula entry point called from eight threads at once, each on its
// own call blocks: the results must be exactly those of the same calls made
// one at a time.  Under ThreadSanitizer this also proves that the library
// shares no mutable data between calls.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "engine.h"
#include "support/table_rows.h"

namespace {

using engine::Arg;
Arg Str(std::string s) { return Arg::Str(std::move(s)); }
Arg Num(double v) { return Arg::Num(v); }

struct Work {
    engine::Formula f;
    bool boolean;
    std::vector<engine::Arg> args;
    std::string expected;  // filled by the one-at-a-time pass
};

std::string Answer(const Work &w) { return engine::CallQuietly(w.f, w.boolean, w.args); }

// Calls of every row of the function table: each String parameter takes
// each of a few names and patterns, each Number each of a few values.
std::vector<Work> MakeWork() {
    const std::vector<std::string> texts = {"Plant1\\Area1\\Pump01.Speed",
                                            "Plant1\\Area2\\Tank\\Level",
                                            "A.B\\C",
                                            "\\x\\y",
                                            "Site Clock",
                                            "*Area%\\*.Speed"};
    const std::vector<double> numbers = {12345.0, -5.0, 99999.0, 1234567.0, 149.0, 150.0, -150.0, 250.0, 1e300};
    std::vector<Work> work;
    for (const support::TableRow &row : support::kTableRows) {
        std::vector<std::vector<Arg>> calls = {{}};
        for (const std::string &type : row.ParameterTypes()) {
            std::vector<std::vector<Arg>> longer;
            for (const std::vector<Arg> &call : calls) {
                const std::size_t choices = type == "Number" ? numbers.size() : texts.size();
                for (std::size_t i = 0; i < choices; ++i) {
                    longer.push_back(call);
                    longer.back().push_back(type == "Number" ? Num(numbers[i]) : Str(texts[i]));
                }
            }
            calls = longer;
        }
        for (std::vector<Arg> &args : calls)
            work.push_back({engine::Library::Get().FormulaEntry(row.entry), row.Boolean(), std::move(args), {}});
    }
    return work;
}

// The work reaches every entry point the engine can find.
TEST(ThreadsAbi, TheWorkCallsEveryDefinedFunction) {
    const std::vector<Work> work = MakeWork();
    const std::vector<engine::DefinedRow> defined = engine::DefinedRows();
    EXPECT_FALSE(defined.empty());
    for (const engine::DefinedRow &row : defined) {
        const bool called = std::any_of(work.begin(), work.end(), [&](const Work &w) { return w.f == row.entry; });
        EXPECT_TRUE(called) << row.name << " is defined, but the work never calls it";
    }
}

TEST(ThreadsAbi, EightThreadsGetTheSameResultsAsOne) {
    std::vector<Work> work = MakeWork();
    for (Work &w : work) {
        ASSERT_NE(w.f, nullptr);
        w.expected = Answer(w);
    }
    constexpr int kThreads = 8;
    constexpr int kRounds = 400;
    std::atomic<long> calls{0}, mismatches{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            long local = 0, bad = 0;
            for (int round = 0; round < kRounds; ++round) {
                // Each thread walks the work list from its own offset, so
                // different functions run at the same moment.
                for (std::size_t i = 0; i < work.size(); ++i) {
                    const Work &w = work[(i + static_cast<std::size_t>(t) * 7) % work.size()];
                    bad += Answer(w) != w.expected ? 1 : 0;
                    ++local;
                }
            }
            calls += local;
            mismatches += bad;
        });
    }
    for (std::thread &thread : threads) thread.join();
    EXPECT_EQ(mismatches.load(), 0);
    EXPECT_EQ(calls.load(), static_cast<long>(kThreads) * kRounds * static_cast<long>(work.size()));
    std::printf("[   INFO   ] %ld calls from %d threads\n", calls.load(), kThreads);
}

}  // namespace
