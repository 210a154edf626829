#pragma once
// Order-16 Butterworth low-pass with its cutoff at 0.3125 of the Nyquist
// frequency (13.78 kHz at 88.2 kHz, 15 kHz at 96 kHz). At double host rate the
// block loop feeds it each engine frame followed by a zero and doubles its
// output, which interpolates the engine output to the host rate.

#include "VM_LowPass2D.h"

class VM_ButterFilter
{
public:
    VM_ButterFilter() noexcept { prepare(); }

    // Sets the coefficients (the same at 88.2 and 96 kHz) and clears the history.
    void prepare() noexcept;
    void reset() noexcept { h.clear(); }

    // Single-precision in and out; the arithmetic and the histories are double.
    float update(float x) noexcept;

    double b[17] = {};
    double a[17] = {}; // a[0] = 1 is implied

private:
    vm::History16 h;
};
