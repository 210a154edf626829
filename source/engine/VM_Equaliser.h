#pragma once
// Three-band equaliser: low shelf, peaking section, high shelf.

// Second-order shelving biquad in normalised direct form I,
//     y = n (b0 x + b1 x1 + b2 x2 - a1 y1 - a2 y2).
// Also used for the VCF's wah tilt and the output shelf.
class VM_ShelfFilter
{
public:
    // Low shelf: gain V^2 below the corner, unity above. W = tan(pi f k).
    void setLowShelf(double W, double V) noexcept;
    // High shelf: unity below the corner, gain V^2 above.
    void setHighShelf(double W, double V) noexcept;
    // Shelf gain in dB as V = sqrt(10^(dB/20)).
    static double shelfV(double gainDb) noexcept;

    double process(double x) noexcept
    {
        const double y = n * (b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2);
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }
    void reset() noexcept { x1 = x2 = y1 = y2 = 0.0; }

    double n = 1.0, b0 = 1.0, b1 = 0.0, b2 = 0.0, a1 = 0.0, a2 = 0.0;
    double x1 = 0.0, x2 = 0.0, y1 = 0.0, y2 = 0.0;
};

// Peaking section built on a second-order allpass A(z): out = u + (G-1)/2 (u - A u).
// D = -cos(2 pi f k) places the centre; K sets the bandwidth (fixed for a
// boost, gain-dependent for a cut so that boost and cut mirror each other).
class VM_PeakFilter
{
public:
    void set(double frequency, double gainDb, double timeStep) noexcept;

    double process(double u) noexcept
    {
        const double t = (1.0 - K) * D * s1;
        const double v = u - t + K * s2;
        const double m = u - s2 - t + K * v;
        s2 = s1;
        s1 = v;
        return u + halfGm1 * m;
    }
    void reset() noexcept { s1 = s2 = 0.0; }

    double D = 0.0, K = -0.9099299881777375, halfGm1 = 0.0; // halfGm1 = (G - 1) / 2
    double s1 = 0.0, s2 = 0.0;
};

class VM_Equaliser
{
public:
    // Stores the time step and clears the histories; flat until set.
    void prepare(double engineRate) noexcept;
    void reset() noexcept;

    // Frequencies in Hz, gains in dB (the smoothed eqlow/eqmid/eqhigh values).
    void setLow(double frequency, double gainDb) noexcept;
    void setMid(double frequency, double gainDb) noexcept;
    void setHigh(double frequency, double gainDb) noexcept;

    double process(double x) noexcept { return high.process(mid.process(low.process(x))); }

    VM_ShelfFilter low, high;
    VM_PeakFilter mid;
    double k = 1.0 / 44100.0;
};
