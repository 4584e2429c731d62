// The shared benchmark harness: varied report inputs, timed loops and
// their callgrind instruction counts, and the table they end up in.
//
// A loop is a pass of calls over one input set.  Every loop is timed with
// Google Benchmark, as one benchmark whose iteration is one pass: CPU
// time, repetitions of at least 20 ms each, interleaved in random order
// across the loops, and the median of the repetitions divided by the
// pass's calls kept.  Every loop is also counted under valgrind's
// callgrind: the program runs itself under callgrind with collection on
// only inside CountedPasses, which dumps one profile per visit; each loop
// runs for one and for two passes, and the difference over one pass's
// calls is the count per call, free of fixed costs such as lazy binding
// and first touches of pages.
#ifndef QELRPT_BENCH_HARNESS_H
#define QELRPT_BENCH_HARNESS_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace bench {

// ---------------------------------------------------------------------------
// Inputs, all drawn from fixed seeds, so that every run sees the same.

// Distinct tag names from several plants, each with its own naming style:
// 2 to 8 levels, 10 to 255 characters, in random order.
std::vector<std::string> TagNames(std::size_t count);

// A listing's neighbours: the names sorted, each with the one before it
// (the first with ""), in listing order or shuffled.
struct NamePair {
    const char *previous;
    const char *current;
};
std::vector<NamePair> ListingPairs(const std::vector<std::string> &sortedNames, bool shuffled);

// `count` names of `length` characters, levels of the plants' names
// run together, each ending in a leaf ".Speed" or ".Sp33d".
std::vector<std::string> LongNames(std::size_t length, std::size_t count);

// A value of each class in turn, as the host passes it (100 times the
// formula value), shuffled: amounts with two decimals, counts, negatives,
// tiny, huge, and zero.
struct Value {
    const char *kind;
    double argument;
};
std::vector<Value> ReportValues(std::size_t count);

// Flag words of up to 16 bits, as the host passes them.
std::vector<double> FlagWords(std::size_t count);

// Patterns of sixteen shapes, each built from pieces of one of the names
// (its source); "%" for one character.
struct PatternShape {
    const char *label;
    std::vector<std::string> patterns;
    std::vector<const char *> sources;
    std::vector<const char *> pool;  // the other candidates; empty: the names
};
std::vector<PatternShape> PatternShapes(const std::vector<std::string> &names, std::mt19937_64 &rng);

// "%" written as "?", for fnmatch.
std::string AsGlob(const std::string &pattern);

// The simple iterative matcher that remembers only the last star, and
// jumps with strchr to the literal after it: the peer the library's
// matcher must not be slower than.
int TwoPointerMatch(const char *candidate, const char *pattern);

// The greedy matcher built on memmem: the candidate measured once, the
// head compared in step, each middle segment at its leftmost place
// (memmem for literals only, every place in turn with a "%"), the last
// compared with the candidate's tail.  The second peer.
int GreedyMemmemMatch(const char *candidate, const char *pattern);

// ---------------------------------------------------------------------------
// Loops

struct Loop {
    std::string name;
    std::size_t calls;                    // per pass
    std::function<std::uint64_t()> pass;  // folds its results into a sum
};

class Runner {
   public:
    // Adds a loop; its index.
    std::size_t Add(std::string name, std::size_t calls, std::function<std::uint64_t()> pass);
    const Loop &At(std::size_t i) const { return loops_[i]; }
    std::size_t Size() const { return loops_.size(); }

    // Median CPU ns per call of each loop over `repetitions` (NaN for a
    // loop Google Benchmark could not time).
    std::vector<double> Time(int repetitions);

    // Instructions per call of each loop, from a child of this program
    // started with `childArgs` plus --callgrind-child under callgrind;
    // empty with the reason in `problem` when that fails.
    std::vector<double> Count(const std::vector<std::string> &childArgs, std::string *problem);

    // In the child: each loop once, then for one and for two passes
    // inside CountedPasses.
    int RunCounted();

    std::uint64_t checksum = 0;

   private:
    std::vector<Loop> loops_;
};

// ---------------------------------------------------------------------------
// Output

std::string Fixed(double value, int decimals);
double GeometricMean(const std::vector<double> &v);
double Median(std::vector<double> v);
const char *Verdict(double value, double goal);

}  // namespace bench

#endif
