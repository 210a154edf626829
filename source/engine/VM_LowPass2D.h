#pragma once
// Order-16 Butterworth low-pass at a quarter of its sampling rate. The drive
// stage uses one to interpolate its input to twice the engine rate and one to
// band-limit the diode output before it returns to the engine rate.

namespace vm
{
// Direct form I history of an order-16 section. Each history is stored twice
// (at i and i + 16) so that x[n-1-j] = x[i + j] for j = 0..15 without wrapping.
struct History16
{
    double x[32] = {};
    double y[32] = {};
    int i = 0;

    void clear() noexcept
    {
        for (int j = 0; j < 32; ++j)
            x[j] = y[j] = 0.0;
        i = 0;
    }

    void push(double xn, double yn) noexcept
    {
        i = (i == 0) ? 15 : i - 1;
        x[i] = x[i + 16] = xn;
        y[i] = y[i + 16] = yn;
    }
};
} // namespace vm

class VM_LowPass2D
{
public:
    VM_LowPass2D() noexcept;

    // One sample in, one sample out. Outputs of magnitude 1e-6 or less are
    // returned as exactly 0 (the history keeps the exact value), so the
    // drive stage falls truly silent.
    double update(double x) noexcept;

    void reset() noexcept { h.clear(); }

    // Numerator b_k = g C(16, k), each coefficient rounded once; only the even
    // denominator terms are non-zero for a half-band Butterworth design.
    static constexpr double g = 8.80046409745677e-05;
    double b[17] = {};
    static constexpr double aEven[8] = {2.16964477543704,      1.76504194938032,
                                        0.685302479580568,     0.134084268528723,
                                        0.0128506295130287,    0.000540383728671063,
                                        7.64925129563502e-06,  1.54896336661535e-08};

private:
    vm::History16 h;
};
