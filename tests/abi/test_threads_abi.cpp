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

std::vector<Work> MakeWork() {
    const engine::Library &lib = engine::Library::Get();
    auto entry = [&](const char *name) { return lib.FormulaEntry(name); };
    std::vector<Work> work;
    const char *names[] = {"Plant1\\Area1\\Pump01.Speed", "Plant1\\Area2\\Tank\\Level", "A.B\\C", "\\x\\y",
                           "Site Clock"};
    for (const char *prev : names) {
        for (const char *cur : names) {
            work.push_back({entry("QELFormula_IndentTagHier"), false, {Str(prev), Str(cur)}, {}});
            work.push_back(
                {entry("QELFormula_PatternMatch"), true, {Str(cur), Str(std::string("*") + (prev + 3))}, {}});
        }
        work.push_back({entry("QELFormula_IndentTagName"), false, {Str(prev)}, {}});
        work.push_back({entry("QELFormula_RemoveTagName"), false, {Str(prev)}, {}});
    }
    for (double v : {12345.0, -5.0, 99999.0, 1234567.0, 149.0, 150.0, -150.0, 250.0, 1e300}) {
        work.push_back({entry("QELFormula_NumberFootPrint"), false, {Num(v)}, {}});
        work.push_back({entry("QELFormula_AlarmFlagSet"), true, {Num(v)}, {}});
        work.push_back({entry("QELFormula_LogFlagSet"), true, {Num(v)}, {}});
    }
    return work;
}

// The entry points of the definition table, as the engine reads them.
std::vector<engine::Formula> DefinedEntries() {
    using Getter = const void *(HOST_CALL *)();
    const auto getter = reinterpret_cast<Getter>(engine::Library::Get().Symbol("UFGetFunctionDefStrings"));
    std::vector<engine::Formula> entries;
    if (getter == nullptr) return entries;
    const auto *header = static_cast<const unsigned char *>(getter());
    const unsigned char *rows = nullptr;
    std::memcpy(&rows, header + 2, engine::kPtr);
    for (const unsigned char *row = rows;; row += 2 * engine::kPtr + 4) {
        engine::Formula f = nullptr;
        std::memcpy(&f, row + engine::kPtr, engine::kPtr);
        if (f == nullptr) break;
        entries.push_back(f);
    }
    return entries;
}

// A function added to the library must be added to the work list too.
TEST(ThreadsAbi, TheWorkCallsEveryDefinedFunction) {
    const std::vector<Work> work = MakeWork();
    const std::vector<engine::Formula> defined = DefinedEntries();
    EXPECT_FALSE(defined.empty());
    for (const engine::Formula f : defined) {
        const bool called = std::any_of(work.begin(), work.end(), [&](const Work &w) { return w.f == f; });
        EXPECT_TRUE(called) << "an entry point of the definition table is missing from MakeWork()";
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
