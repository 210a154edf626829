#pragma once
// Drive stage: the signal is interpolated to twice the engine rate, clipped by
// the diode, band-limited and decimated back, DC-blocked and blended with the
// dry signal according to the drive amount. A silence watch clears the stage
// once its input and output have died away.

#include "VM_Diode.h"
#include "VM_LowPass2D.h"

#include <cstdint>

class VM_Drive
{
public:
    void prepare(double engineRate) noexcept
    {
        diode.prepare(engineRate);
        clear();
    }
    // Diode, both filters and the DC blocker zeroed; the stage is idle.
    void clear() noexcept;

    // m: the smoothed drive parameter (0..100). Below 1 the stage is bypassed.
    double process(double x, double m) noexcept;

    VM_LowPass2D interpolator, decimator;
    VM_Diode diode;
    double dcIn = 0.0, dcOut = 0.0;
    double silenceLevel = 0.0;
    uint8_t active = 0, cleared = 1;
    static constexpr double kDcCoeff = 0.995;
};
