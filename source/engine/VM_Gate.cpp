#include "VM_Gate.h"

#include "VM_Common.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{
inline double wrapPhase(double p) noexcept
{
    if (!std::isfinite(p))
        return 0.0;
    p = std::fmod(p, vm::kTwoPi);
    return p < 0.0 ? p + vm::kTwoPi : p;
}
// Increments stay within one cycle per sample.
inline double safeIncrement(double inc) noexcept
{
    return std::isfinite(inc) ? std::clamp(inc, 0.0, vm::kTwoPi) : 0.0;
}
} // namespace

void VM_Gate::prepare(double engineRate) noexcept
{
    k = 1.0 / engineRate;
    reset(0.0);
}

void VM_Gate::reset(double lfo2Phase) noexcept
{
    opening = closing = 0;
    g = 0.0;
    alignPhases(lfo2Phase);
}

double VM_Gate::phaseFromDegrees(double degrees) noexcept { return degrees * (1.0 / 360.0) * vm::kTwoPi; }

void VM_Gate::setRates(double f1, double ratio) noexcept
{
    inc1 = safeIncrement(vm::kTwoPi * k * f1);
    inc2 = safeIncrement(vm::kTwoPi * k * (ratio * f1));
}

void VM_Gate::setThreshold(double t) noexcept
{
    if (std::isfinite(t))
        threshold = t;
}

void VM_Gate::alignPhases(double lfo2Phase) noexcept
{
    phase1 = 0.0;
    phase2 = wrapPhase(lfo2Phase);
}

void VM_Gate::requestPhaseAlignment(double lfo2Phase) noexcept
{
    pendingPhase2.store(wrapPhase(lfo2Phase), std::memory_order_release);
}

void VM_Gate::applyPending() noexcept
{
    if (std::isnan(pendingPhase2.load(std::memory_order_relaxed)))
        return;
    const double p = pendingPhase2.exchange(std::numeric_limits<double>::quiet_NaN(), std::memory_order_acq_rel);
    if (!std::isnan(p))
        alignPhases(p);
}

double VM_Gate::process(double x, double depthPercent, bool lfo2On, bool addLfos) noexcept
{
    applyPending();

    const double s1 = std::sin(phase1);
    phase1 += inc1;
    if (phase1 > vm::kTwoPi)
        phase1 -= vm::kTwoPi;
    const double s2 = std::sin(phase2);
    phase2 += inc2;
    if (phase2 > vm::kTwoPi)
        phase2 -= vm::kTwoPi;

    double v;
    if (lfo2On)
        v = addLfos ? 0.5 * (std::fabs(s1) + std::fabs(s2)) : std::fabs(s1) * std::fabs(s2);
    else
        v = std::fabs(s1);

    if (v > threshold)
        opening = 1;
    if (v < threshold)
        closing = 1;

    if (opening)
    {
        g += kAttack;
        if (g > 1.0)
        {
            g = 1.0;
            opening = 0;
        }
    }
    else if (closing)
    {
        g -= kRelease;
        if (g < 0.0)
        {
            g = 0.0;
            closing = 0;
        }
    }

    double depth = depthPercent / 100.0;
    depth = std::isfinite(depth) ? std::clamp(depth, 0.0, 1.0) : 0.0;
    return x * (depth * g + (1.0 - depth));
}
