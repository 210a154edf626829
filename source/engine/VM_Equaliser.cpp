#include "VM_Equaliser.h"

#include "VM_Common.h"

#include <algorithm>
#include <cmath>

namespace
{
constexpr double kSqrt2 = 1.4142135623730951;

// Frequencies are held inside (1 Hz, 0.49 of the rate) so that tan stays
// finite; gains inside +-60 dB.
inline double safeFrequency(double f, double k) noexcept
{
    return std::isfinite(f) ? std::clamp(f, 1.0, 0.49 / k) : 1000.0;
}
inline double safeGain(double dB) noexcept { return std::isfinite(dB) ? std::clamp(dB, -60.0, 60.0) : 0.0; }
} // namespace

double VM_ShelfFilter::shelfV(double gainDb) noexcept { return std::sqrt(std::pow(10.0, gainDb / 20.0)); }

void VM_ShelfFilter::setLowShelf(double W, double V) noexcept
{
    const double sV = kSqrt2 * std::sqrt(V) * W;
    const double W2 = W * W;
    n = 1.0 / (sV + V + W2);
    a1 = 2.0 * (W2 - V);
    a2 = V + W2 - sV;
    b0 = V * (V * W2 + sV + 1.0);
    b1 = 2.0 * V * (V * W2 - 1.0);
    b2 = V * (V * W2 - sV + 1.0);
}

void VM_ShelfFilter::setHighShelf(double W, double V) noexcept
{
    const double sV = kSqrt2 * std::sqrt(V) * W;
    const double W2 = W * W;
    n = 1.0 / (V * W2 + sV + 1.0);
    a1 = 2.0 * (V * W2 - 1.0);
    a2 = V * W2 - sV + 1.0;
    b0 = V * (V + W2 + sV);
    b1 = 2.0 * V * (W2 - V);
    b2 = V * (V + W2 - sV);
}

void VM_PeakFilter::set(double frequency, double gainDb, double timeStep) noexcept
{
    const double G = std::pow(10.0, gainDb / 20.0);
    D = -std::cos(vm::kTwoPi * frequency * timeStep);
    K = gainDb > 0.0 ? -0.9099299881777375 : (0.04715880287748047 - G) / (G + 0.04715880287748047);
    halfGm1 = 0.5 * (G - 1.0);
}

void VM_Equaliser::prepare(double engineRate) noexcept
{
    k = 1.0 / engineRate;
    setLow(100.0, 0.0);
    setMid(1000.0, 0.0);
    setHigh(12000.0, 0.0);
    reset();
}

void VM_Equaliser::reset() noexcept
{
    low.reset();
    mid.reset();
    high.reset();
}

void VM_Equaliser::setLow(double frequency, double gainDb) noexcept
{
    low.setLowShelf(std::tan(vm::kPi * safeFrequency(frequency, k) * k), VM_ShelfFilter::shelfV(safeGain(gainDb)));
}

void VM_Equaliser::setMid(double frequency, double gainDb) noexcept
{
    mid.set(safeFrequency(frequency, k), safeGain(gainDb), k);
}

void VM_Equaliser::setHigh(double frequency, double gainDb) noexcept
{
    high.setHighShelf(std::tan(vm::kPi * safeFrequency(frequency, k) * k), VM_ShelfFilter::shelfV(safeGain(gainDb)));
}
