// Fuzzes the wildcard matcher against the references it must agree with:
// the recursive backtracking matcher on small inputs (it takes
// exponential time on patterns with many star runs), the table-driven one
// on inputs up to a few thousand characters, where the matcher's linear
// searches for long segments come into play.  Larger ones still run the
// matcher for memory and termination errors.
#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "functions/wildcard.h"
#include "fuzz_input.h"
#include "support/wildcard_oracle.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const auto [candidate, pattern] = fuzz::TwoTexts(data, size);
    const int got = qelrpt::WildcardMatch(candidate.c_str(), pattern.c_str());
    if (got != 0 && got != 1) std::abort();
    const auto stars = std::count(pattern.begin(), pattern.end(), '*');
    if (candidate.size() <= 64 && pattern.size() <= 24 && stars <= 5) {
        if (got != oracle::RecursiveWildcardMatch(candidate.c_str(), pattern.c_str())) std::abort();
    }
    if (candidate.size() * pattern.size() <= 1000000) {
        if (got != oracle::TableWildcardMatch(candidate, pattern)) std::abort();
    }
    return 0;
}
