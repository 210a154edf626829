#pragma once
// Diode clipper: a resistor feeding a capacitor shunted by an antiparallel
// diode pair,
//     dv/dt = c (u - v) - L sinh(v / Vt),
// integrated with a two-stage semi-implicit step. The drive stage runs it at
// twice the engine rate.

class VM_Diode
{
public:
    // T = 1 / (2 * engine rate).
    void prepare(double engineRate) noexcept
    {
        T = 0.5 / engineRate;
        v = 0.0;
    }
    void reset() noexcept { v = 0.0; }

    // One step with input u = x * g; returns the new capacitor voltage.
    double process(double x, double g) noexcept;

    double v = 0.0;                       // capacitor voltage (state and output)
    double T = 1.0 / 88200.0;             // time step
    static constexpr double c = 30303.030303030308;   // 1/RC
    static constexpr double L = 0.15272727272727274;  // diode current scale / C
    static constexpr double M = 5.874125874125875;    // L / Vt, small-signal limit of L sinh(v/Vt)/v
    static constexpr double Vt = 0.026;               // thermal voltage
};
