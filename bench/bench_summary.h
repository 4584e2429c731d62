// Helpers for the goal summaries that the benchmark programs print.
#ifndef QELRPT_BENCH_SUMMARY_H
#define QELRPT_BENCH_SUMMARY_H

#include <cmath>
#include <vector>

// "met" when a measured ratio is within its goal, "MISSED" when not, and
// "not measured" when there is no number.
inline const char *Verdict(double ratio, double goal) {
    if (std::isnan(ratio)) return "not measured";
    return ratio <= goal ? "met" : "MISSED";
}

// The geometric mean of positive ratios (NaN for none).
inline double GeometricMean(const std::vector<double> &v) {
    double logSum = 0;
    for (const double x : v) logSum += std::log(x);
    return v.empty() ? std::nan("") : std::exp(logSum / static_cast<double>(v.size()));
}

#endif
