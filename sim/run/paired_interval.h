// How sure a difference is: the median of paired differences (one per seed, settings B minus
// settings A on the same seed) and a distribution-free interval for it.
//
// The interval is the sign-test interval for the median: with the n differences sorted,
// [d(k), d(n+1-k)] where k is the largest rank with P(X <= k - 1) <= (1 - level) / 2 for X
// binomial with n trials and chance one half. It covers the median of the differences with
// probability at least the level, whatever their distribution: lumpy counts with many ties
// (posses per hour, deaths) and skewed times need no symmetry and no resampling. Its coverage
// is exact and stated; fewer than six seeds cannot reach 95 % and give no interval.
#pragma once
#include <vector>

struct PairedInterval {
    int n = 0;            // pairs that had the figure under both settings
    double median = 0;    // median of the differences (mean of the middle two for even n)
    bool bounded = false; // false: too few pairs for the level
    double lo = 0, hi = 0;
    double coverage = 0; // the interval's exact coverage, at least the level asked for
    bool ExcludesZero() const { return bounded && (lo > 0 || hi < 0); }
};

// P(X <= j) for X binomial with n trials and chance one half (0 for j < 0, 1 for j >= n). Only
// exact arithmetic and scaling by powers of two: the same bits on every platform.
double HalfBinomialCdf(int n, int j);
// The rank k above (1-based); 0 when even [d(1), d(n)] falls short of the level.
int SignTestRank(int n, double level);
PairedInterval SignTestInterval(std::vector<double> differences, double level = 0.95);
