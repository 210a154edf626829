#pragma once
// Measurement helpers for the exciter and effect tests.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <vector>

namespace fxtest
{
constexpr double kPi = 3.14159265358979323846;

// Steady-state gain of a system at frequency f: drives it with a unit sine for
// `settle` samples, then correlates the next `measure` samples (rounded to a
// whole number of periods).
template <typename Process>
double sineGain(Process&& process, double f, double rate, int settle, int measure, double amplitude = 1.0)
{
    const double w = 2.0 * kPi * f / rate;
    // Measure over a whole number of periods where there are many.
    const double periods = std::floor(measure * f / rate);
    if (periods >= 4.0)
        measure = static_cast<int>(std::lround(periods * rate / f));
    double re = 0.0, im = 0.0;
    for (int n = 0; n < settle + measure; ++n)
    {
        const double y = process(amplitude * std::sin(w * n));
        if (n >= settle)
        {
            re += y * std::cos(w * n);
            im += y * std::sin(w * n);
        }
    }
    return 2.0 * std::sqrt(re * re + im * im) / (measure * amplitude);
}

inline double toDb(double g) { return 20.0 * std::log10(g); }

// Frequency from the upward zero crossings of a signal, with linear
// interpolation between samples.
inline double zeroCrossingFrequency(const std::vector<double>& s, double rate)
{
    double first = -1.0, last = -1.0;
    int count = 0;
    for (size_t n = 1; n < s.size(); ++n)
        if (s[n - 1] < 0.0 && s[n] >= 0.0)
        {
            const double t = (n - 1) + s[n - 1] / (s[n - 1] - s[n]);
            if (first < 0.0)
                first = t;
            last = t;
            ++count;
        }
    return count > 1 ? (count - 1) * rate / (last - first) : 0.0;
}

// A short render pinned at a few sample indices. Set QUORVANE_PRINT_GOLDEN=1
// to print the values of a new render instead of checking them.
struct GoldenPoint
{
    int index;
    double value;
};

inline void expectGolden(const std::vector<double>& render, std::initializer_list<GoldenPoint> points,
                         const char* name)
{
    if (std::getenv("QUORVANE_PRINT_GOLDEN") != nullptr)
    {
        std::printf("%s:\n", name);
        for (const auto& p : points)
            std::printf("    {%d, %.17g},\n", p.index, render.at(static_cast<size_t>(p.index)));
        return;
    }
    for (const auto& p : points)
    {
        const double got = render.at(static_cast<size_t>(p.index));
        EXPECT_NEAR(got, p.value, 1e-12 + 1e-9 * std::fabs(p.value)) << name << " at sample " << p.index;
    }
}

inline bool allFinite(const std::vector<double>& s)
{
    for (double v : s)
        if (!std::isfinite(v))
            return false;
    return true;
}
} // namespace fxtest
