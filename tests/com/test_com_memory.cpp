// No input leaks or grows the client: texts of 1 MB to every method, and
// 100,000 calls in a loop, leave the process's private memory flat.  The
// figures are printed for the record; the check allows 1 MiB of growth
// (allocator noise), far below what one leaked answer per call would take
// (100,000 BSTRs: several MiB; one 1 MB text: its size again per call).
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "client.h"

namespace client {
namespace {

constexpr std::size_t Flat = 1024;  // KiB

// A tag listing's worth of names in one text of `bytes` bytes of UTF-8,
// with characters of 1252 and beyond it.
std::string LongName(std::size_t bytes) {
    const std::string piece = "Plant1\\Area 3\\Pump07.Speed\\Größe\\丁\\";
    std::string text;
    while (text.size() + piece.size() <= bytes) text += piece;
    return text;
}

// The arguments of a call of `row` with long texts: the long name for each
// String (the pattern too, so that it matches), 853.05 for each Number.
std::vector<ComArg> LongArgs(const support::TableRow &row, const std::wstring &name) {
    std::vector<ComArg> args;
    for (const std::string &type : row.ParameterTypes())
        args.push_back(type == "Number" ? ComArg::Value(853.05) : ComArg::Text(name));
    return args;
}

TEST_F(Com, LongTextsAndManyCallsLeaveMemoryFlat) {
    const std::string utf8 = LongName(1 << 20);
    const std::wstring name = Wide(utf8, CP_UTF8);
    // Each method once against the plug-in, and a first round that brings
    // the allocators to their working size.
    for (const support::TableRow &row : support::kTableRows) {
        std::vector<std::string> texts;
        for (const std::string &type : row.ParameterTypes()) texts.push_back(type == "Number" ? "853.05" : utf8);
        EXPECT_EQ(Call(row.name, LongArgs(row, name)), PluginAnswer(row, texts)) << row.name << " with 1 MB texts";
    }
    const std::size_t longBefore = PrivateKiB();
    std::size_t longCalls = 0;
    for (int round = 0; round < 20; ++round) {
        for (const support::TableRow &row : support::kTableRows) {
            Call(row.name, LongArgs(row, name));
            ++longCalls;
        }
    }
    const std::size_t longAfter = PrivateKiB();

    std::vector<std::vector<ComArg>> examples;
    std::vector<DISPID> ids;
    for (const support::TableRow &row : support::kTableRows) {
        std::vector<ComArg> args;
        for (const support::ExampleArgument &a : support::ExampleArguments(row.example))
            args.push_back(a.number ? ComArg::Value(std::strtod(a.text.c_str(), nullptr))
                                    : ComArg::Text(Wide(a.text, CP_UTF8)));
        examples.push_back(args);
        ids.push_back(IdOf(Object(), row.name));
    }
    for (std::size_t i = 0; i < 10000; ++i) Invoke(Object(), ids[i % ids.size()], examples[i % ids.size()]);
    const std::size_t manyBefore = PrivateKiB();
    for (std::size_t i = 0; i < 100000; ++i) Invoke(Object(), ids[i % ids.size()], examples[i % ids.size()]);
    const std::size_t manyAfter = PrivateKiB();

    std::printf(
        "memory: %zu calls with 1 MB texts: private %zu KiB before, %zu KiB after; "
        "100000 calls: private %zu KiB before, %zu KiB after\n",
        longCalls, longBefore, longAfter, manyBefore, manyAfter);
    EXPECT_LE(longAfter, longBefore + Flat);
    EXPECT_LE(manyAfter, manyBefore + Flat);
}

}  // namespace
}  // namespace client
