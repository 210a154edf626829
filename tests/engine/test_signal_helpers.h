#pragma once
// Small measurement helpers for the model tests: pitch by a Hann-windowed DFT
// peak search, levels and cents.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace testsig
{
constexpr double kPi = 3.14159265358979323846;

// Relative tolerance for values that a test recomputes from the model's formulas in
// the same order: none at all, unless the compiler may fuse multiply-adds, which
// round differently from one expression to the next.
#if defined(__FMA__)
constexpr double kSameArithmetic = 1e-13;
#else
constexpr double kSameArithmetic = 0.0;
#endif

inline double cents(double f, double reference)
{
    return 1200.0 * std::log2(f / reference);
}

// x[begin, end) under a Hann window.
inline std::vector<double> hannWindowed(const std::vector<double>& x, std::size_t begin,
                                        std::size_t end)
{
    const std::size_t n = end - begin;
    std::vector<double> out(n);
    for (std::size_t i = 0; i < n; ++i)
        out[i] = (0.5 - 0.5 * std::cos(2.0 * kPi * i / (n - 1))) * x[begin + i];
    return out;
}

// Magnitude of the DFT of x at frequency f (Hz), by the Goertzel recursion.
inline double dftMagnitude(const std::vector<double>& x, double f, double rate)
{
    const double w = 2.0 * kPi * f / rate;
    const double c = 2.0 * std::cos(w);
    double s1 = 0.0, s2 = 0.0;
    for (double v : x)
    {
        const double s = v + c * s1 - s2;
        s2 = s1;
        s1 = s;
    }
    const double re = s1 - s2 * std::cos(w);
    const double im = s2 * std::sin(w);
    return std::hypot(re, im);
}

// The strongest spectral peak of x[begin, end) within +-rangeCents of guess,
// to a hundredth of a cent.
inline double peakFrequency(const std::vector<double>& x, std::size_t begin, std::size_t end,
                            double guess, double rate, double rangeCents = 150.0)
{
    const std::vector<double> wx = hannWindowed(x, begin, end);
    auto at = [&](double c) { return dftMagnitude(wx, guess * std::exp2(c / 1200.0), rate); };
    double best = -rangeCents, bestMag = -1.0;
    for (double c = -rangeCents; c <= rangeCents; c += 4.0)
    {
        const double m = at(c);
        if (m > bestMag)
        {
            bestMag = m;
            best = c;
        }
    }
    // golden-section refinement around the coarse maximum
    double a = best - 4.0, b = best + 4.0;
    const double r = 0.6180339887498949;
    double c1 = b - r * (b - a), c2 = a + r * (b - a);
    double m1 = at(c1), m2 = at(c2);
    while (b - a > 0.01)
    {
        if (m1 > m2)
        {
            b = c2;
            c2 = c1;
            m2 = m1;
            c1 = b - r * (b - a);
            m1 = at(c1);
        }
        else
        {
            a = c1;
            c1 = c2;
            m1 = m2;
            c2 = a + r * (b - a);
            m2 = at(c2);
        }
    }
    return guess * std::exp2(0.5 * (a + b) / 1200.0);
}

inline double rms(const std::vector<double>& x, std::size_t begin, std::size_t end)
{
    double s = 0.0;
    for (std::size_t i = begin; i < end; ++i)
        s += x[i] * x[i];
    return std::sqrt(s / static_cast<double>(end - begin));
}

inline double peak(const std::vector<double>& x, std::size_t begin, std::size_t end)
{
    double p = 0.0;
    for (std::size_t i = begin; i < end; ++i)
        p = std::max(p, std::fabs(x[i]));
    return p;
}
} // namespace testsig
