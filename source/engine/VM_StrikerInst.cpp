#include "VM_StrikerInst.h"

#include "VM_Common.h"

#include <algorithm>
#include <cmath>

namespace
{
inline double finiteOr(double v, double fallback) noexcept { return std::isfinite(v) ? v : fallback; }
} // namespace

void VM_MultiStriker::prepare(double engineRate) noexcept
{
    rate = engineRate;
    halfCosine = 0;
    strikeInterval = period = static_cast<int32_t>(engineRate);
    // The jitter and the logistic state carry on: the first repeat of the next
    // note still uses the jitter drawn at the last strike.
    turnOff();
}

// Pulse duration from 0.5 ms (hard) to 5 ms (soft); the oscillator starts so
// that its first output is cos(0) = 1, making p = (1 - y) / 2 rise from 0.
void VM_MultiStriker::armPulse(double velocity) noexcept
{
    const double vc = std::clamp(velocity, 0.0, 1.0);
    duration = 0.0005 + 0.0045 * (1.0 - vc);
    // The guard keeps whole-sample durations whole (0.005 s at 48 kHz is 240
    // samples even though the product rounds to 239.99999...).
    pulseLength = std::max<int32_t>(1, static_cast<int32_t>(std::floor(duration * rate + 1e-6)));
    pulseCount = 0;
    const double w = (halfCosine ? vm::kPi : vm::kTwoPi) / pulseLength;
    twoCosW = 2.0 * std::cos(w);
    y = 0.0;
    y1 = std::sin(0.5 * vm::kPi - w);
    y2 = std::sin(0.5 * vm::kPi - 2.0 * w);
    pulseActive = 1;
}

void VM_MultiStriker::strike(double velocity) noexcept
{
    velocity = finiteOr(velocity, 0.0);
    strength = velocity;
    amplitude = 1.9 * velocity + 0.02;
    armPulse(velocity);
    period = strikeInterval;
    on = 1;
    stopping = 0;
    repeatCount = 0;
}

double VM_MultiStriker::next() noexcept
{
    if (!on)
        return 0.0;

    double p = 0.0;
    if (pulseActive)
    {
        y = twoCosW * y1 - y2;
        y2 = y1;
        y1 = y;
        p = 0.5 * (1.0 - y);
        if (++pulseCount >= pulseLength)
        {
            pulseActive = 0;
            pulseCount = 0;
        }
    }
    const double out = p * amplitude;

    if (repeatCount++ < period + jitter)
        return out;

    if (stopping)
    {
        on = 0;
        stopping = 0;
        return out;
    }

    // Arm the next strike for the following sample.
    armPulse(std::clamp(strength, 0.0, 1.0));
    period = strikeInterval;
    amplitude = 1.9 * strength + 0.02;
    repeatCount = 0;
    x = 3.99999 * x * (1.0 - x);
    jitter = static_cast<int32_t>(std::floor(period * 0.02 * randomDepth * (x - 0.5)));
    return out;
}

void VM_StrikerInst::prepare(double engineRate) noexcept
{
    rate = engineRate;
    for (auto& s : strikers)
        s.prepare(engineRate);
    reset();
}

void VM_StrikerInst::reset() noexcept
{
    for (auto& s : strikers)
        s.turnOff();
    for (auto& c : channels)
        c = -1;
}

void VM_StrikerInst::noteOn(int note, int channel, double velocity) noexcept
{
    const int s = note - kLowestNote;
    if (s < 0 || s >= kNumStrikers)
        return;
    strikers[s].strike(velocity);
    if (mpe)
        channels[s] = channel;
}

void VM_StrikerInst::noteOff(int note) noexcept
{
    const int s = note - kLowestNote;
    if (s < 0 || s >= kNumStrikers)
        return;
    strikers[s].stop();
    if (mpe)
        channels[s] = -1;
}

int VM_StrikerInst::matchSetStriker(int channel) const noexcept
{
    for (int s = 0; s < kNumStrikers; ++s)
        if (channels[s] == channel)
            return s;
    return -1;
}

void VM_StrikerInst::setStrikeRate(double strikesPerSecond) noexcept
{
    const double r = std::clamp(finiteOr(strikesPerSecond, 1.0), 1.0, 55.0);
    setStrikeInterval(static_cast<int32_t>(std::floor(rate * (1.0 / r))));
}

void VM_StrikerInst::setStrikeInterval(int32_t samples) noexcept
{
    samples = std::max<int32_t>(1, samples);
    for (auto& s : strikers)
        s.strikeInterval = samples;
}

void VM_StrikerInst::setRandomDepth(double depth) noexcept
{
    depth = std::clamp(finiteOr(depth, 0.0), 0.0, 1.0);
    for (auto& s : strikers)
        s.randomDepth = depth;
}

void VM_StrikerInst::setStrengthOfSounding(double strength) noexcept
{
    strength = finiteOr(strength, 0.0);
    for (auto& s : strikers)
        if (s.on)
            s.strength = strength;
}

void VM_StrikerInst::next(double out[kNumBars]) noexcept
{
    for (int g = 0; g < kNumBars; ++g)
    {
        double sum = 0.0;
        for (int j = 0; j < kStrikersPerBar; ++j)
            sum += strikers[g * kStrikersPerBar + j].next();
        out[g] = sum;
    }
}
