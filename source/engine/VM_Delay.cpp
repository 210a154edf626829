#include "VM_Delay.h"

#include "VM_Common.h"

#include <algorithm>
#include <cmath>

void VM_Delay::prepare(double engineRate) noexcept
{
    rate = engineRate;
    // Allpass coefficient; averaged with its input the allpass is a first-order
    // low-pass with G = tan(2 pi 1000 / rate).
    const double G = std::tan(2000.0 * vm::kPi / rate);
    toneCoeff = (G - 1.0) / (G + 1.0);
    reset();
}

void VM_Delay::reset() noexcept
{
    for (auto& s : buffer)
        s = 0.0f;
    toneState = 0.0;
}

void VM_Delay::setTempo(double bpm, double note) noexcept
{
    // The note division is a whole number 1..4 (a non-finite value counts as 1).
    const int n = std::isfinite(note) ? static_cast<int>(std::clamp(note, 1.0, 4.0)) : 1;
    const double b = std::isfinite(bpm) ? std::max(bpm, 60.0) : 60.0;
    const double ms = std::min(60000.0 / (b * n), kMaxMs);
    length = static_cast<float>(ms * (rate * 0.001));
    readPos = static_cast<float>(writeIndex) - length;
    if (readPos < 0.0f)
        readPos += static_cast<float>(kSize);
}

void VM_Delay::setFeedback(double percent) noexcept
{
    if (std::isfinite(percent))
        feedback = 0.0075 * std::clamp(percent, 0.0, 100.0) + 0.05;
}

void VM_Delay::setLevel(double percent) noexcept
{
    if (std::isfinite(percent))
        level = 0.004 * std::clamp(percent, 0.0, 100.0) + 0.02;
}

double VM_Delay::process(double x) noexcept
{
    // Fractional read between i - 1 and i. Position kSize is the wrap alias of
    // 0 and is only reached with a zero fraction; it reads as 0.
    const int i = static_cast<int>(readPos);
    const float phi = readPos - static_cast<float>(i);
    const float a = buffer[i == 0 ? kSize - 1 : i - 1];
    const float b = i < kSize ? buffer[i] : 0.0f;
    const float w = (1.0f - phi) * a + phi * b;

    if (readPos + 1.0f > static_cast<float>(kSize))
        readPos = readPos - static_cast<float>(kSize - 1);
    else
        readPos += 1.0f;

    // Feedback tone: averaged first-order allpass.
    const double q = w - toneCoeff * toneState;
    const double y = 0.5 * (w + toneState + toneCoeff * q);
    toneState = q;

    const float in = static_cast<float>(feedback * y + level * x);
    buffer[writeIndex] = std::isfinite(in) ? in : 0.0f;
    if (++writeIndex >= kSize)
        writeIndex = 0;

    return x + y;
}
