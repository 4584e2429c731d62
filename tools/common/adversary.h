// McIlroy's adversary for comparison sorts ("A Killer Adversary for
// Quicksort", Software: Practice and Experience 29(4), 1999): it answers a
// sort's comparisons of items it has not yet fixed so as to make the sort
// work hardest, and the values it fixed along the way are then an input
// on which that sort does the same work again.  The unit tests count a
// sort's comparisons against it; qelrpt-gentags writes the tags in such an
// order for the benchmark.
#ifndef QELRPT_TOOLS_ADVERSARY_H
#define QELRPT_TOOLS_ADVERSARY_H

#include <cstddef>
#include <vector>

namespace qtool {

class Adversary {
   public:
    // Items 0 to `count` - 1, all "gas" (not fixed, above every fixed one).
    explicit Adversary(std::size_t count) : values_(count, count), gas_(count) {}

    // Whether item `x` comes before item `y`.  When both are gas, one is
    // fixed: the one that was last compared with gas, the likely pivot, so
    // that it falls below everything still unfixed.
    bool Less(std::size_t x, std::size_t y) {
        ++comparisons_;
        if (values_[x] == gas_ && values_[y] == gas_) Fix(x == candidate_ ? x : y);
        if (values_[x] == gas_)
            candidate_ = x;
        else if (values_[y] == gas_)
            candidate_ = y;
        return values_[x] < values_[y];
    }

    std::size_t Comparisons() const { return comparisons_; }

    // The rank of each item once the sort is done: the items still gas are
    // fixed in their order.  As an input (item i holding rank i's value), it
    // makes the sort do the same comparisons again.
    std::vector<std::size_t> Ranks() {
        for (std::size_t i = 0; i < values_.size(); ++i)
            if (values_[i] == gas_) Fix(i);
        return values_;
    }

   private:
    void Fix(std::size_t item) { values_[item] = fixed_++; }

    std::vector<std::size_t> values_;
    std::size_t gas_, fixed_ = 0, candidate_ = 0, comparisons_ = 0;
};

}  // namespace qtool

#endif
