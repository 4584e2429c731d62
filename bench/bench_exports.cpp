// The formula functions as the report engine sees them: the built
// plug-in is loaded at run time, every entry point is resolved by its
// export name and called through that pointer, with call blocks built
// once, before any timing, over large input sets (harness.h): the tag
// functions in listing order and shuffled, the match on sixteen pattern
// shapes over 12,000 varied names and on names of 252 to 10,000
// characters.
//
// Each row gives the function's time per call and instructions per call,
// each beside its floor and its peers in the same run:
//
//   - floor: the empty export UFStartJob through its pointer and, for the
//     String functions, strlen over each text argument and a memcpy of
//     the result with its NUL into the result buffer;
//   - peers: snprintf("%10.4g") for the footprint; for the match glibc's
//     fnmatch(FNM_NOESCAPE) ("%" written as "?"), and, for the matcher
//     called directly, the simple two-pointer matcher with strchr and the
//     greedy matcher built on memmem.
//
// The match's hostile families follow, one call each, with their growth
// exponent in the candidate's and in the segment's length (from the same
// call at half the length; above 1.1 is printed as a miss), then every
// goal with its verdict.  Before timing, every result is checked against
// the peers.  Instruction counts are the reliable figure on a shared
// machine; times are printed beside them.
//
//   bench_exports [--plugin=PATH] [--previous=PATH] [--repetitions=N] [--no-callgrind] [--typical-only]
//
// --previous loads the previous release's plug-in as well: its export is
// a peer of every export row and worst case, its answers compared.
//
// --typical-only leaves out the worst cases (for a plug-in whose matcher
// would take minutes on them).
#include <dlfcn.h>
#include <fnmatch.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "functions/wildcard.h"
#include "harness.h"
#include "qelrpt.h"

#ifndef QELRPT_PLUGIN_PATH
#error "QELRPT_PLUGIN_PATH must name the built plug-in"
#endif

namespace {

constexpr std::size_t kNames = 12000;
constexpr std::size_t kResultSize = 256;

void *g_plugin = nullptr;
void *g_previous = nullptr;  // the previous release's plug-in, when given

template <typename Function>
Function Export(const char *name, void *plugin = g_plugin) {
    void *symbol = dlsym(plugin, name);
    if (symbol == nullptr) {
        std::fprintf(stderr, "the plug-in has no export %s\n", name);
        std::exit(1);
    }
    Function function;
    static_assert(sizeof function == sizeof symbol);
    std::memcpy(&function, &symbol, sizeof function);
    return function;
}

using JobNotice = void(QELRPT_CALL *)(std::uint32_t job);
JobNotice g_startJob = nullptr;

// The calls of one export over an input set: per input a call block, its
// argument nodes (text or number) and its result buffer.
struct Calls {
    UFFormulaFunction entry = nullptr;
    UFFormulaFunction previous = nullptr;  // the previous release's, when given
    bool boolean = false;
    std::vector<const char *> text1, text2;
    std::vector<double> numbers;
    std::vector<UFArgNode> nodes;
    std::vector<UFCallBlock> blocks;
    std::vector<char> buffers;
    std::vector<std::string> results;          // of the first pass, for the floor
    std::vector<std::string> previousResults;  // the previous release's, to compare

    std::size_t Size() const { return text1.empty() ? numbers.size() : text1.size(); }
    char *Buffer(std::size_t i) { return buffers.data() + i * kResultSize; }

    void Build(const char *exportName, bool isBoolean) {
        entry = Export<UFFormulaFunction>(exportName);
        boolean = isBoolean;
        const std::size_t n = Size();
        nodes.assign(2 * n, UFArgNode{});
        blocks.assign(n, UFCallBlock{});
        buffers.assign(n * kResultSize, '\0');
        for (std::size_t i = 0; i < n; ++i) {
            UFArgNode &first = nodes[2 * i];
            if (text1.empty()) first.value.number = numbers[i];
            if (!text1.empty()) first.value.string = text1[i];
            if (!text2.empty()) {
                nodes[2 * i + 1].value.string = text2[i];
                first.next = &nodes[2 * i + 1];
            }
            blocks[i].firstArg = &first;
            if (!boolean) blocks[i].result.string = Buffer(i);
        }
        if (g_previous != nullptr) previous = Export<UFFormulaFunction>(exportName, g_previous);
        for (std::size_t i = 0; i < n; ++i) {
            if (previous != nullptr) {
                previous(&blocks[i]);
                previousResults.push_back(Result(i));
            }
            entry(&blocks[i]);
            results.push_back(Result(i));
        }
    }

    std::string Result(std::size_t i) {
        return boolean ? std::to_string(blocks[i].result.boolean) : std::string(Buffer(i));
    }

    std::uint64_t Pass() { return PassOf(entry); }
    std::uint64_t PreviousPass() { return PassOf(previous); }

    std::uint64_t PassOf(UFFormulaFunction function) {
        std::uint64_t sum = 0;
        for (std::size_t i = 0; i < blocks.size(); ++i) {
            sum += static_cast<std::uint32_t>(function(&blocks[i]));
            sum += boolean ? std::uint64_t{blocks[i].result.boolean} : static_cast<unsigned char>(Buffer(i)[0]);
        }
        return sum;
    }

    std::uint64_t CallFloor() const {
        std::uint64_t sum = 0;
        for (std::size_t i = 0; i < blocks.size(); ++i) {
            g_startJob(static_cast<std::uint32_t>(i));
            sum += i;
        }
        return sum;
    }

    std::uint64_t StringFloor() {
        std::uint64_t sum = 0;
        for (std::size_t i = 0; i < blocks.size(); ++i) {
            g_startJob(static_cast<std::uint32_t>(i));
            std::size_t read = std::strlen(text1.empty() ? "" : text1[i]);
            if (!text2.empty()) read += std::strlen(text2[i]);
            std::memcpy(Buffer(i), results[i].c_str(), results[i].size() + 1);
            sum += read + static_cast<unsigned char>(Buffer(i)[0]);
        }
        return sum;
    }
};

using Peer = std::pair<std::string, std::size_t>;  // its name and its loop

struct Row {
    std::string function, inputs;
    std::size_t loop = SIZE_MAX, floor = SIZE_MAX;
    std::vector<Peer> peers;
    bool shape = false;                                       // one of the pattern shapes (fnmatch's mean)
    double growthChars = 0;                                   // worst cases: the candidate's length
    double goalMs = 0;                                        // worst cases: the time goal
    std::size_t halfText = SIZE_MAX, halfPattern = SIZE_MAX;  // worst cases: the loops at half the length
};

Row NewRow(std::string function, std::string inputs) {
    Row row;
    row.function = std::move(function);
    row.inputs = std::move(inputs);
    return row;
}

std::vector<Calls *> g_calls;  // live for the whole run
bench::Runner g_runner;
std::vector<Row> g_rows;
bool g_same = true;

Calls &NewCalls() { return *g_calls.emplace_back(new Calls); }

std::size_t Loop(const std::string &name, std::size_t calls, std::function<std::uint64_t()> pass) {
    return g_runner.Add(name, calls, std::move(pass));
}

void Disagree(const char *what, const std::string &args, const std::string &ours, const std::string &theirs);

// The previous release's export on the same calls as a peer of the row,
// its answers checked against this build's.
void AddPrevious(Row &row, Calls &c, const std::string &name) {
    if (c.previous == nullptr) return;
    for (std::size_t i = 0; i < c.Size(); ++i)
        if (c.results[i] != c.previousResults[i])
            Disagree(row.function.c_str(), std::string(c.text1.empty() ? "" : c.text1[i]), c.results[i],
                     c.previousResults[i] + " (previous release)");
    row.peers.emplace_back("previous", Loop(name + " (previous release)", c.Size(), [&c] { return c.PreviousPass(); }));
}

void Disagree(const char *what, const std::string &args, const std::string &ours, const std::string &theirs) {
    if (g_same) std::fprintf(stderr, "%s(%s): \"%s\", peer \"%s\"\n", what, args.c_str(), ours.c_str(), theirs.c_str());
    g_same = false;
}

void AddTagNameRows(const std::vector<std::string> &names, const std::vector<bench::NamePair> &pairs,
                    const std::string &order) {
    const char *exports[] = {"QELFormula_IndentTagHier", "QELFormula_IndentTagName", "QELFormula_RemoveTagName"};
    const char *functions[] = {"QELIndentTagHier", "QELIndentTagName", "QELRemoveTagName"};
    for (std::size_t f = 0; f < 3; ++f) {
        Calls &c = NewCalls();
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (f == 0) c.text1.push_back(pairs[i].previous);
            (f == 0 ? c.text2 : c.text1).push_back(f == 0 ? pairs[i].current : names[i].c_str());
        }
        c.Build(exports[f], false);
        Row row = NewRow(functions[f], std::to_string(names.size()) + (f == 0 ? " pairs, " : " names, ") + order);
        if (f == 0) {
            const auto opening = std::count_if(c.results.begin(), c.results.end(), [](auto &r) { return !r.empty(); });
            row.inputs += ", " +
                          bench::Fixed(100.0 * static_cast<double>(opening) / static_cast<double>(names.size()), 0) +
                          "% open levels";
        }
        row.loop = Loop(row.function, c.Size(), [&c] { return c.Pass(); });
        row.floor = Loop(row.function + "/floor", c.Size(), [&c] { return c.StringFloor(); });
        AddPrevious(row, c, row.function + " " + order);
        g_rows.push_back(row);
    }
}

void AddNumberRows(std::size_t count) {
    const std::vector<bench::Value> values = bench::ReportValues(count);
    Calls &c = NewCalls();
    for (const bench::Value &v : values) c.numbers.push_back(v.argument);
    c.Build("QELFormula_NumberFootPrint", false);
    for (std::size_t i = 0; i < count; ++i) {
        char expected[64];
        std::snprintf(expected, sizeof expected, "%10.4g", c.numbers[i] * 0.01);
        if (c.results[i] != expected) Disagree("QELNumberFootPrint", values[i].kind, c.results[i], expected);
    }
    Row row = NewRow("QELNumberFootPrint", std::to_string(count) + " values, 6 classes");
    row.loop = Loop(row.function, count, [&c] { return c.Pass(); });
    row.floor = Loop(row.function + "/floor", count, [&c] { return c.StringFloor(); });
    row.peers.emplace_back("snprintf", Loop("snprintf", count, [&c] {
                               std::uint64_t sum = 0;
                               char text[64];
                               for (const double n : c.numbers)
                                   sum +=
                                       static_cast<std::uint64_t>(std::snprintf(text, sizeof text, "%10.4g", n * 0.01));
                               return sum;
                           }));
    g_rows.push_back(row);

    const std::vector<double> words = bench::FlagWords(count);
    for (const char *name : {"AlarmFlagSet", "LogFlagSet"}) {
        Calls &f = NewCalls();
        f.numbers = words;
        f.Build((std::string("QELFormula_") + name).c_str(), true);
        Row flags = NewRow(std::string("QEL") + name, std::to_string(count) + " flag words 0-65535");
        flags.loop = Loop(flags.function, count, [&f] { return f.Pass(); });
        flags.floor = Loop(flags.function + "/floor", count, [&f] { return f.CallFloor(); });
        g_rows.push_back(flags);
    }
}

// Checks every match against fnmatch, the two-pointer and the memmem
// matcher; the number of matches.
std::size_t CheckMatches(const Calls &c, const std::vector<std::string> &globs) {
    std::size_t matches = 0;
    for (std::size_t i = 0; i < c.Size(); ++i) {
        const int fn = fnmatch(globs[i].c_str(), c.text1[i], FNM_NOESCAPE) == 0 ? 1 : 0;
        const int tp = bench::TwoPointerMatch(c.text1[i], c.text2[i]);
        const int mm = bench::GreedyMemmemMatch(c.text1[i], c.text2[i]);
        matches += c.results[i] == "1" ? 1U : 0U;
        if (c.results[i] != std::to_string(fn) || fn != tp || fn != mm)
            Disagree("QELPatternMatch", std::string(c.text1[i]) + ", " + c.text2[i], c.results[i], std::to_string(fn));
    }
    return matches;
}

// The matcher itself beside the two-pointer and the memmem matcher, all
// called directly, with the same loop around them.
void AddDirectRow(Calls &c, const std::string &label, std::size_t floor) {
    const std::size_t n = c.Size();
    Row direct = NewRow("  WildcardMatch", "the same, called directly");
    direct.loop = Loop("WildcardMatch " + label, n, [&c] {
        std::uint64_t sum = 0;
        for (std::size_t i = 0; i < c.Size(); ++i)
            sum += static_cast<std::uint64_t>(qelrpt::WildcardMatch(c.text1[i], c.text2[i]));
        return sum;
    });
    direct.floor = floor;
    direct.peers.emplace_back("2-pointer", Loop("two-pointer " + label, n, [&c] {
                                  std::uint64_t sum = 0;
                                  for (std::size_t i = 0; i < c.Size(); ++i)
                                      sum += static_cast<std::uint64_t>(bench::TwoPointerMatch(c.text1[i], c.text2[i]));
                                  return sum;
                              }));
    direct.peers.emplace_back("memmem", Loop("memmem " + label, n, [&c] {
                                  std::uint64_t sum = 0;
                                  for (std::size_t i = 0; i < c.Size(); ++i)
                                      sum +=
                                          static_cast<std::uint64_t>(bench::GreedyMemmemMatch(c.text1[i], c.text2[i]));
                                  return sum;
                              }));
    g_rows.push_back(direct);
}

void AddMatchRows(const std::vector<std::string> &names) {
    std::mt19937_64 rng(77);  // NOLINT(cert-msc32-c,cert-msc51-cpp): the same calls on every run
    static const std::vector<bench::PatternShape> shapes = bench::PatternShapes(names, rng);  // live for the run
    for (const bench::PatternShape &shape : shapes) {
        Calls &c = NewCalls();
        auto *globs = new std::vector<std::string>;  // live for the whole run
        for (std::size_t i = 0; i < names.size(); ++i) {
            // Half the candidates are a pattern's source name, which it
            // matches unless it is of the no-match shape.
            const std::size_t k = rng() % shape.patterns.size();
            const std::string &pattern = shape.patterns[k];
            const char *other =
                shape.pool.empty() ? names[rng() % names.size()].c_str() : shape.pool[rng() % shape.pool.size()];
            c.text1.push_back(i % 2 == 0 ? shape.sources[k] : other);
            c.text2.push_back(pattern.c_str());
            globs->push_back(bench::AsGlob(pattern));
        }
        c.Build("QELFormula_PatternMatch", true);
        const std::size_t n = c.Size();
        const std::size_t matches = CheckMatches(c, *globs);
        Row row =
            NewRow("QELPatternMatch",
                   std::to_string(n) + " x " + shape.label + ", " +
                       bench::Fixed(100.0 * static_cast<double>(matches) / static_cast<double>(n), 0) + "% match");
        row.loop = Loop(row.function + " " + shape.label, n, [&c] { return c.Pass(); });
        row.floor = Loop(row.function + "/floor", n, [&c] { return c.CallFloor(); });
        row.peers.emplace_back("fnmatch", Loop("fnmatch " + std::string(shape.label), n, [&c, globs] {
                                   std::uint64_t sum = 0;
                                   for (std::size_t i = 0; i < c.Size(); ++i)
                                       sum += fnmatch((*globs)[i].c_str(), c.text1[i], FNM_NOESCAPE) == 0 ? 1U : 0U;
                                   return sum;
                               }));
        AddPrevious(row, c, row.function + " " + shape.label);
        row.shape = true;
        g_rows.push_back(row);
        AddDirectRow(c, shape.label, row.floor);
    }
}

std::string Repeat(const std::string &unit, std::size_t n) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i) s += unit;
    return s;
}

// A class of hostile inputs: a candidate of n characters against a
// pattern whose segment grows with k; one call each.
struct Family {
    const char *label;
    std::string (*text)(std::size_t n);
    std::string (*pattern)(std::size_t k);
};

const Family kRunB = {"a^n vs *a^k b*", [](std::size_t n) { return std::string(n, 'a'); },
                      [](std::size_t k) { return "*" + std::string(k, 'a') + "b*"; }};
const Family kRunA = {"b^n vs *b^k a*", [](std::size_t n) { return std::string(n, 'b'); },
                      [](std::size_t k) { return "*" + std::string(k, 'b') + "a*"; }};
const Family kPairs = {"a^n vs *(a%)^k b*", [](std::size_t n) { return std::string(n, 'a'); },
                       [](std::size_t k) {
                           std::string p = "*";
                           for (std::size_t i = 0; i < k; ++i) p += "a%";
                           return p + "b*";
                       }};
const Family kLeadRun = {"a^n vs *%^k ab*", [](std::size_t n) { return std::string(n, 'a'); },
                         [](std::size_t k) { return "*" + std::string(k, '%') + "ab*"; }};
const Family kLeadRunB = {"b^n vs *%^k bba*", [](std::size_t n) { return std::string(n, 'b'); },
                          [](std::size_t k) { return "*" + std::string(k, '%') + "bba*"; }};
const Family kShortOnes = {"(a^17 c)^n vs (*a^8%c)^k *d*",
                           [](std::size_t n) { return Repeat("aaaaaaaaaaaaaaaaac", n / 18); },
                           [](std::size_t k) { return Repeat("*aaaaaaaa%c", k) + "*d*"; }};
const Family kStars = {"a^n vs (*a)^k *b", [](std::size_t n) { return std::string(n, 'a'); },
                       [](std::size_t k) {
                           std::string p;
                           for (std::size_t i = 0; i < k; ++i) p += "*a";
                           return p + "*b";
                       }};

// One call of the export on a pattern and candidate kept for the whole run.
std::size_t OneCall(const Family &f, std::size_t n, std::size_t k, const std::string &name, Row *previous = nullptr) {
    auto *texts = new std::vector<std::string>{f.text(n), f.pattern(k)};  // live for the whole run
    Calls &c = NewCalls();
    c.text1.push_back((*texts)[0].c_str());
    c.text2.push_back((*texts)[1].c_str());
    c.Build("QELFormula_PatternMatch", true);
    if (c.results[0] != "0") Disagree("QELPatternMatch", name, c.results[0], "0");
    if (previous != nullptr) AddPrevious(*previous, c, name);
    return Loop(name, 1, [&c] { return c.Pass(); });
}

// The family at n and k, with its growth: the same at n / 2 and at k / 2.
void AddFamily(const Family &f, std::size_t n, std::size_t k, double goalMs) {
    const std::string name = std::string(f.label) + ", n = " + std::to_string(n) + ", k = " + std::to_string(k);
    Row row = NewRow("QELPatternMatch", name);
    row.loop = OneCall(f, n, k, name, &row);
    row.halfText = OneCall(f, n / 2, k, name + " (n / 2)");
    if (k >= 2) row.halfPattern = OneCall(f, n, k / 2, name + " (k / 2)");
    row.growthChars = static_cast<double>(n);
    row.goalMs = goalMs;
    g_rows.push_back(row);
}

// Names of 255 to 10,000 characters against "*.Speed": the matcher called
// directly beside its peers.
void AddLongNameRow(const std::vector<std::string> *names, const std::string &pattern, const std::string &what) {
    Calls &c = NewCalls();
    const auto *kept = new std::string(pattern);  // live for the whole run
    for (const std::string &name : *names) {
        c.text1.push_back(name.c_str());
        c.text2.push_back(kept->c_str());
    }
    c.Build("QELFormula_PatternMatch", true);
    const std::vector<std::string> globs(names->size(), bench::AsGlob(pattern));
    CheckMatches(c, globs);
    const std::string inputs = std::to_string(names->size()) + " names of " + what + " vs " + pattern;
    Row row = NewRow("QELPatternMatch", inputs.substr(0, 40));
    row.loop = Loop(row.function + " " + inputs, c.Size(), [&c] { return c.Pass(); });
    row.floor = Loop(row.function + "/floor", c.Size(), [&c] { return c.CallFloor(); });
    AddPrevious(row, c, row.function + " " + inputs);
    g_rows.push_back(row);
    AddDirectRow(c, inputs, row.floor);
    g_rows.back().inputs = inputs;
}

// Names of 255 to 10,000 characters against "*.Speed", names of 255
// against a pattern of "%" runs and separators, and a name of 252 of short
// "%" segments' near misses: the export beside the previous release's, and
// the matcher called directly beside its peers.
void AddLongNameRows() {
    for (const std::size_t length : {255U, 1000U, 10000U}) {
        const auto *names = new std::vector<std::string>(bench::LongNames(length, 2000));  // live for the whole run
        AddLongNameRow(names, "*.Speed", std::to_string(length));
        if (length == 255) AddLongNameRow(names, "%%%*\\*\\*.Sp%%d", "255");
    }
    const auto *shortOnes = new std::vector<std::string>(2000, Repeat("aaaaaaaaaaaaaaaaac", 14));
    AddLongNameRow(shortOnes, Repeat("*aaaaaaaa%c", 14) + "*d*", "252");
    g_rows.back().inputs = "2000 names of 252 vs (*a^8%c)^14 *d*";
}

double At(const std::vector<double> &v, std::size_t i) { return i < v.size() ? v[i] : std::nan(""); }

// One row of the table: a line per peer, the function's figures on the first.
void PrintRow(const Row &row, const std::vector<double> &ns, const std::vector<double> &ir) {
    const double n = At(ns, row.loop), i = At(ir, row.loop);
    const double fn = At(ns, row.floor), fi = At(ir, row.floor);
    std::size_t shown = 0;
    do {
        const bool first = shown == 0;
        const Peer *peer = shown < row.peers.size() ? &row.peers[shown] : nullptr;
        const double pn = peer != nullptr ? At(ns, peer->second) : std::nan("");
        const double pi = peer != nullptr ? At(ir, peer->second) : std::nan("");
        const auto cell = [first](double value, int decimals) { return first ? bench::Fixed(value, decimals) : ""; };
        std::printf("%-18s %-40s %7s %6s %5s  %-9s %7s %5s  %6s %6s %5s %7s %5s\n", first ? row.function.c_str() : "",
                    first ? row.inputs.c_str() : "", cell(n, 1).c_str(), cell(fn, 1).c_str(), cell(n / fn, 2).c_str(),
                    peer != nullptr ? peer->first.c_str() : "-", bench::Fixed(pn, 1).c_str(),
                    bench::Fixed(n / pn, 2).c_str(), cell(i, 0).c_str(), cell(fi, 0).c_str(), cell(i / fi, 2).c_str(),
                    bench::Fixed(pi, 0).c_str(), bench::Fixed(i / pi, 2).c_str());
    } while (++shown < row.peers.size());
}

void PrintWorstCases(const std::vector<double> &ns, const std::vector<double> &ir);

void PrintRows(const std::vector<double> &ns, const std::vector<double> &ir) {
    std::printf("\nns: CPU time per call, median of the repetitions.  Ir: instructions per call (callgrind).\n");
    std::printf("x: the function's ns or Ir over the floor's or the peer's, in the same run.\n\n");
    std::printf("%-18s %-40s %7s %6s %5s  %-9s %7s %5s  %6s %6s %5s %7s %5s\n", "function", "inputs", "ns", "floor",
                "x", "peer", "peer ns", "x", "Ir", "floor", "x", "peer Ir", "x");
    for (const Row &row : g_rows)
        if (row.growthChars <= 0) PrintRow(row, ns, ir);
    PrintWorstCases(ns, ir);
}

// log2 of the growth from half the length, or NaN without that loop.
double Exponent(const std::vector<double> &v, std::size_t loop, std::size_t half) {
    return half == SIZE_MAX ? std::nan("") : std::log2(At(v, loop) / At(v, half));
}

std::string Growth(double exponent) {
    if (std::isnan(exponent)) return "-";
    return bench::Fixed(exponent, 2) + (exponent > 1.1 ? " MISS" : "");
}

void PrintWorstCases(const std::vector<double> &ns, const std::vector<double> &ir) {
    std::printf(
        "\nWorst cases of the match, one call each (no match; near matches at every place).  Growth: the\n"
        "exponent from half the candidate (n) and half the segment (k), by Ir and by time; above 1.1 a MISS.\n");
    std::printf("  %-42s %8s %11s %7s %10s %10s %10s %11s %5s  %s\n", "inputs", "ms", "Ir", "Ir/char", "n Ir", "n time",
                "k Ir", "previous Ir", "x", "goal");
    for (const Row &row : g_rows) {
        if (row.growthChars <= 0) continue;
        const double ms = At(ns, row.loop) / 1e6, i = At(ir, row.loop);
        const std::string goal =
            row.goalMs > 0 ? "< " + bench::Fixed(row.goalMs, 0) + " ms " + bench::Verdict(ms, row.goalMs) : "-";
        const double pi = row.peers.empty() ? std::nan("") : At(ir, row.peers[0].second);
        std::printf("  %-42s %8.3f %11.0f %7.2f %10s %10s %10s %11.0f %5s  %s\n", row.inputs.substr(0, 42).c_str(), ms,
                    i, i / row.growthChars, Growth(Exponent(ir, row.loop, row.halfText)).c_str(),
                    Growth(Exponent(ns, row.loop, row.halfText)).c_str(),
                    Growth(Exponent(ir, row.loop, row.halfPattern)).c_str(), pi, bench::Fixed(i / pi, 2).c_str(),
                    goal.c_str());
    }
}

// The worst ratio of the matcher's direct rows over one peer, by Ir and
// by time, and the shape where the Ir ratio is worst; `only` limits the
// shapes (empty for all).
struct WorstRatio {
    double ir = 0, ns = 0;
    std::string shape;
};

bool ShapeIn(const std::string &shape, const std::vector<std::string> &only) {
    if (only.empty()) return true;
    return std::any_of(only.begin(), only.end(), [&shape](const std::string &o) { return shape.rfind(o, 0) == 0; });
}

WorstRatio WorstOverPeer(const std::vector<double> &ns, const std::vector<double> &ir, const std::string &peer,
                         const std::vector<std::string> &only) {
    WorstRatio worst;
    std::string shape;
    for (const Row &row : g_rows) {
        if (row.function == "QELPatternMatch") shape = row.inputs.substr(row.inputs.find(" x ") + 3);
        if (row.function != "  WildcardMatch") continue;
        if (row.inputs.find(" vs ") != std::string::npos) shape = row.inputs;
        if (!ShapeIn(shape, only)) continue;
        for (const Peer &p : row.peers) {
            if (p.first != peer) continue;
            const double r = At(ir, row.loop) / At(ir, p.second), t = At(ns, row.loop) / At(ns, p.second);
            if (!(r <= worst.ir)) {
                worst.ir = r;
                worst.shape = shape;
            }
            if (!(t <= worst.ns)) worst.ns = t;
        }
    }
    return worst;
}

const char *Verdict2(double ir, double irGoal, double ns, double nsGoal) {
    if (std::isnan(ir) || std::isnan(ns)) return "not measured";
    if (ir <= irGoal && ns <= nsGoal) return "met";
    if (ir <= irGoal) return "MISSED by time";
    return ns <= nsGoal ? "MISSED by Ir" : "MISSED";
}

void PrintTagAndMatchGoals(const std::vector<double> &ns, const std::vector<double> &ir) {
    std::vector<double> overFnmatchIr, overFnmatchNs;
    for (const Row &row : g_rows) {
        if (row.growthChars > 0) continue;
        const double i = At(ir, row.loop), n = At(ns, row.loop);
        if (row.function.find("Tag") != std::string::npos) {
            const double r = i / At(ir, row.floor);
            std::printf("  %-18s %-44s <= 3 x floor          %6.2f %6.2f  %s\n", row.function.c_str(),
                        row.inputs.c_str(), r, n / At(ns, row.floor), bench::Verdict(r, 3.0));
        } else if (row.function == "QELNumberFootPrint") {
            const double r = i / At(ir, row.peers[0].second);
            std::printf("  %-18s %-44s <= 0.33 x snprintf    %6.2f %6.2f  %s\n", row.function.c_str(), "", r,
                        n / At(ns, row.peers[0].second), bench::Verdict(r, 1.0 / 3.0));
        } else if (row.shape) {
            overFnmatchIr.push_back(i / At(ir, row.peers[0].second));
            overFnmatchNs.push_back(n / At(ns, row.peers[0].second));
        }
    }
    const double gmIr = bench::GeometricMean(overFnmatchIr), gmNs = bench::GeometricMean(overFnmatchNs);
    std::printf("  %-18s %-44s <= 0.25 x fnmatch     %6.2f %6.2f  %s\n", "QELPatternMatch",
                (std::to_string(overFnmatchIr.size()) + " shapes, geometric mean").c_str(), gmIr, gmNs,
                Verdict2(gmIr, 0.25, gmNs, 0.25));
}

void PrintGrowthAndFamilyGoals(const std::vector<double> &ns, const std::vector<double> &ir) {
    double worstGrowth = 0;
    std::string worstFamily;
    for (const Row &row : g_rows) {
        if (row.growthChars <= 0) continue;
        const double e = Exponent(ir, row.loop, row.halfText);
        if (!(e <= worstGrowth)) {
            worstGrowth = e;
            worstFamily = row.inputs;
        }
        if (row.goalMs <= 0) continue;
        const double ms = At(ns, row.loop) / 1e6;
        std::printf("  %-18s %-44s < %-4s ms         %11.3f ms  %s\n", "QELPatternMatch",
                    row.inputs.substr(0, 44).c_str(), bench::Fixed(row.goalMs, 0).c_str(), ms,
                    bench::Verdict(ms, row.goalMs));
    }
    std::printf("  %-18s %-44s <= 1.1 growth in n    %6.2f         %s\n", "QELPatternMatch",
                ("worst: " + worstFamily).substr(0, 44).c_str(), worstGrowth, bench::Verdict(worstGrowth, 1.1));
}

// Every row beside the previous release's build by Ir: the worst ratio,
// and a line of its own for each row named in `each`.
void PrintPreviousGoals(const std::vector<double> &ir, const std::vector<std::string> &each) {
    double worst = 0;
    std::string where = "not measured (no --previous)";
    for (const Row &row : g_rows) {
        for (const Peer &p : row.peers) {
            if (p.first != "previous") continue;
            const double r = At(ir, row.loop) / At(ir, p.second);
            if (!(r <= worst)) {
                worst = r;
                where = row.function + " " + row.inputs;
            }
            if (!std::any_of(each.begin(), each.end(),
                             [&row](const std::string &e) { return row.inputs.rfind(e, 0) == 0; }))
                continue;
            std::printf("  %-18s %-44s <= 1.0 x previous     %6.2f         %s\n", row.function.c_str(),
                        row.inputs.substr(0, 44).c_str(), r, bench::Verdict(r, 1.0));
        }
    }
    std::printf("  %-18s %-44s <= 1.0 x previous     %6.2f         %s\n", "every row",
                ("worst: " + where).substr(0, 44).c_str(), worst, bench::Verdict(worst, 1.0));
}

void PrintGoals(const std::vector<double> &ns, const std::vector<double> &ir) {
    std::printf("\nGoals (Ir, then time, each over the same run's floor or peer):    %6s %6s\n", "Ir", "ns");
    PrintTagAndMatchGoals(ns, ir);
    const WorstRatio tp = WorstOverPeer(ns, ir, "2-pointer", {});
    std::printf("  %-18s %-44s <= 1.0 / 1.1 x 2-ptr  %6.2f %6.2f  %s\n", "WildcardMatch",
                ("worst shape: " + tp.shape).substr(0, 44).c_str(), tp.ir, tp.ns, Verdict2(tp.ir, 1.0, tp.ns, 1.1));
    const WorstRatio mm = WorstOverPeer(ns, ir, "memmem", {});
    std::printf("  %-18s %-44s <= 1.0 / 1.1 x memmem %6.2f %6.2f  %s\n", "WildcardMatch",
                ("worst shape: " + mm.shape).substr(0, 44).c_str(), mm.ir, mm.ns, Verdict2(mm.ir, 1.0, mm.ns, 1.1));
    PrintGrowthAndFamilyGoals(ns, ir);
    PrintPreviousGoals(ir, {"(a^17 c)^n", "2000 names of 252"});
}

// "12000 distinct tag names ..., 10-254 characters, 2-10 levels"
void DescribeNames(const std::vector<std::string> &names) {
    std::size_t shortest = 255, longest = 0, fewest = 99, most = 0;
    for (const std::string &name : names) {
        shortest = std::min(shortest, name.size());
        longest = std::max(longest, name.size());
        const auto separators =
            std::count_if(name.begin(), name.end(), [](char ch) { return ch == '\\' || ch == '.'; });
        fewest = std::min(fewest, static_cast<std::size_t>(separators) + 1);
        most = std::max(most, static_cast<std::size_t>(separators) + 1);
    }
    std::printf("%zu distinct tag names from 6 plants, %zu-%zu characters, %zu-%zu levels, called in shuffled order.\n",
                names.size(), shortest, longest, fewest, most);
}

void AddRows(const std::vector<std::string> &names, bool worst) {
    static std::vector<std::string> sorted;  // the pairs point into it for the whole run
    sorted = names;
    std::sort(sorted.begin(), sorted.end());
    AddTagNameRows(sorted, bench::ListingPairs(sorted, false), "listing order");
    AddTagNameRows(names, bench::ListingPairs(sorted, true), "shuffled");
    AddNumberRows(kNames);
    AddMatchRows(names);
    AddLongNameRows();
    if (!worst) return;
    // The two documented families, a "%" run before a literal, short
    // middle segments (the key on the other letter, and on the run's),
    // and many stars.
    AddFamily(kRunB, 1000000, 100000, 2);
    AddFamily(kPairs, 1000000, 500, 2);
    AddFamily(kLeadRun, 1000000, 10000, 20);
    AddFamily(kLeadRun, 1000000, 1000, 0);
    AddFamily(kLeadRunB, 1000000, 10000, 20);
    AddFamily(kRunB, 1000000, 16, 5);
    for (const std::size_t k : {1U, 2U, 4U, 8U, 16U}) AddFamily(kRunA, 1000000, k, k == 16 ? 5 : 0);
    AddFamily(kRunA, 1000000, 17, 0);
    AddFamily(kStars, 1000000, 32, 0);
    AddFamily(kShortOnes, 1000000, 1000000 / 18, 0);
}

}  // namespace

int main(int argc, char **argv) {
    std::setlocale(LC_ALL, "C");
    std::string plugin = QELRPT_PLUGIN_PATH;
    std::string previous;
    int repetitions = 7;
    bool callgrind = true, child = false, worst = true;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--plugin=", 0) == 0) plugin = arg.substr(9);
        if (arg.rfind("--previous=", 0) == 0) previous = arg.substr(11);
        if (arg.rfind("--repetitions=", 0) == 0)
            repetitions = static_cast<int>(std::clamp(std::strtol(arg.c_str() + 14, nullptr, 10), 5L, 1000L));
        callgrind = callgrind && arg != "--no-callgrind";
        child = child || arg == "--callgrind-child";
        worst = worst && arg != "--typical-only";
    }
    g_plugin = dlopen(plugin.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (g_plugin == nullptr) {
        std::fprintf(stderr, "cannot load %s: %s\n", plugin.c_str(), dlerror());
        return 1;
    }
    if (!previous.empty()) {
        g_previous = dlopen(previous.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (g_previous == nullptr) {
            std::fprintf(stderr, "cannot load %s: %s\n", previous.c_str(), dlerror());
            return 1;
        }
    }
    g_startJob = Export<JobNotice>("UFStartJob");
    const std::vector<std::string> names = bench::TagNames(kNames);
    AddRows(names, worst);
    if (!g_same) {
        std::fprintf(stderr, "the exports and their peers disagree\n");
        return 1;
    }
    if (child) return g_runner.RunCounted();

    std::printf("Plug-in: %s\n", plugin.c_str());
    if (!previous.empty()) std::printf("Previous release: %s (every answer compared)\n", previous.c_str());
    DescribeNames(names);
    std::printf("Every result agrees with snprintf, fnmatch, the two-pointer and the memmem matcher.\n");
    std::vector<double> ir;
    std::string problem = "not asked for (--no-callgrind)";
    if (callgrind) {
        std::printf("Counting instructions under callgrind...\n");
        problem.clear();
        std::vector<std::string> childArgs = {"--plugin=" + plugin};
        if (!previous.empty()) childArgs.push_back("--previous=" + previous);
        if (!worst) childArgs.emplace_back("--typical-only");
        ir = g_runner.Count(childArgs, &problem);
    }
    std::printf("Timing %zu loops, %d repetitions...\n", g_runner.Size(), repetitions);
    const std::vector<double> ns = g_runner.Time(repetitions);
    PrintRows(ns, ir);
    if (!problem.empty()) std::printf("(no instruction counts: %s)\n", problem.c_str());
    PrintGoals(ns, ir);
    std::printf("\nchecksum %016llx\n", static_cast<unsigned long long>(g_runner.checksum));
    return 0;
}
