#include "run/paired_interval.h"

#include <algorithm>
#include <cmath>

double HalfBinomialCdf(int n, int j) {
    if (j < 0) return 0;
    if (j >= n) return 1;
    // Terms C(n, i) / 2^n, each from the last by (n - i + 1) / i, carried as a mantissa and a
    // power of two so that 2^-n does not underflow for thousands of trials.
    double mantissa = 1;
    int exponent = -n;
    double sum = std::ldexp(mantissa, exponent);
    for (int i = 1; i <= j; ++i) {
        mantissa = mantissa * (n - i + 1) / i;
        int e = 0;
        mantissa = std::frexp(mantissa, &e);
        exponent += e;
        sum += std::ldexp(mantissa, exponent);
    }
    return std::min(sum, 1.0);
}

int SignTestRank(int n, double level) {
    const double tail = (1 - level) / 2;
    int k = 0;
    // P(X <= k - 1) grows with k; the tail stays below one half for every rank worth trying.
    while (k + 1 <= (n + 1) / 2 && HalfBinomialCdf(n, k) <= tail)
        ++k;
    return k;
}

PairedInterval SignTestInterval(std::vector<double> d, double level) {
    PairedInterval r;
    r.n = static_cast<int>(d.size());
    if (d.empty()) return r;
    std::sort(d.begin(), d.end());
    const size_t n = d.size();
    r.median = n % 2 ? d[n / 2] : (d[n / 2 - 1] + d[n / 2]) / 2;
    const int k = SignTestRank(r.n, level);
    if (k == 0) return r;
    r.bounded = true;
    r.lo = d[static_cast<size_t>(k - 1)];
    r.hi = d[n - static_cast<size_t>(k)];
    r.coverage = 1 - 2 * HalfBinomialCdf(r.n, k - 1);
    return r;
}
