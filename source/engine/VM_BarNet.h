#pragma once
// The resonator: five stiff, lossy Euler-Bernoulli bars with simply supported
// ends, joined in a ring by ten springs (two between neighbouring bars) that
// stiffen cubically and lose energy of their own. The exciter enters one bar at
// two slowly drifting points; every bar is heard through two pickups whose
// velocities pass a DC-blocking high-pass.

#include "VM_Common.h"

namespace vm
{
class VM_BarNet
{
public:
    static constexpr int kNumBars = 5;
    static constexpr int kNumSprings = 10;
    // Largest number of grid intervals per bar and the buffer that holds it
    // (points 0 .. N, the ends included).
    static constexpr int kMaxN[kNumBars] = {1405, 769, 769, 487, 487};
    static constexpr int kBufferSize[kNumBars] = {1408, 772, 772, 488, 488};
    // Default stiffness property of each bar.
    static constexpr double kDefaultStiffness[kNumBars] = {20.0, 10.0, 15.0, 10.0, 15.0};

    // A default network is the default resonator at 44100 Hz: bars sized and damped
    // from the default properties, springs placed, tuned and switched on.
    VM_BarNet() noexcept;

    // Time step k = 1 / engine rate. Does not re-size the bars.
    void setTimeStep(double newK) noexcept;
    // Zeroes every bar, the pickup filters and the input-point phase.
    void clear() noexcept;

    // Bar sizing from the bar's stiffness property: kappa, N, h and the pickups.
    // The displacements are kept; the scheme is recomputed with the last decays.
    void setBarStiffness(int bar, double stiffness) noexcept;
    // Loss and scheme coefficients from the bar's sustain and tone parameters,
    // and the coupling factors of the four springs touching the bar.
    void setBarDecays(int bar, double sustain, double tone) noexcept;
    // The bar's mass parameter (raw value); sets how a spring's force divides.
    void setBarMass(int bar, double mass) noexcept;

    // Places spring i on its two bars from its two position properties in [0, 1].
    void setSpringPos(int spring, double pos1, double pos2) noexcept;
    // Spring constants as the parameter mapping computes them:
    // alphaMinus = -w^2/2 - sigma/k, alphaPlus = -w^2/2 + sigma/k, eta = -K/2.
    void setSpringConstants(int spring, double alphaMinus, double alphaPlus, double eta) noexcept;
    // The same from the spring's parameters: afreq (spr0afreq ...), t60 (spr0t60 ...),
    // nonlin (spr0nonlin ...), and the global stiffness and nonlinear scales.
    void setSpringPhysics(int spring, double afreq, double t60, double nonlin, double stiffness,
                          double nonlinear) noexcept;
    void setSpringOn(int spring, bool on) noexcept;

    // Bar that receives the exciter: the inputbar value truncated, clamped to 0..4.
    void setInputBar(double inputBar) noexcept;
    // Speed of the input points: they swing at 0.005 inputmov Hz.
    void setInputMovement(double inputMov) noexcept;

    // Per engine sample, in this order: update() (bars, then springs), addInput,
    // updatePickups(); then read pickup[].
    void updateBars() noexcept;
    void updateSprings() noexcept;
    void update() noexcept
    {
        updateBars();
        updateSprings();
    }
    void addInput(double x) noexcept;
    void updatePickups() noexcept;

    // One time step of one bar over points 1 .. N-1; points 0 and N are read as
    // stored and never written.
    static void updateBar(double* next, const double* current, const double* previous, int N,
                          double C5, double C6, double C1, double C2, double D0, double D1) noexcept;

    // High-passed pickup velocities: 0..4 the first pickups of bars 0..4,
    // 5..9 their second pickups.
    double pickup[2 * kNumBars] = {};

    // Scheme coefficients and frequency-independent loss of a bar.
    struct BarScheme
    {
        double C5, C6, C1, C2, D0, D1, sigma0;
    };
    // Constants of a spring and the coupling factors of its two ends.
    struct SpringScheme
    {
        double alphaMinus, alphaPlus, eta, cA, cB;
    };

    // Read-only views, for the editor, tests and benchmarks.
    BarScheme barScheme(int bar) const noexcept
    {
        const Bar& b = bars[bar];
        return {b.C5, b.C6, b.C1, b.C2, b.D0, b.D1, b.sigma0};
    }
    SpringScheme springScheme(int spring) const noexcept
    {
        const Spring& sp = springs[spring];
        return {sp.alphaMinus, sp.alphaPlus, sp.eta, sp.cA, sp.cB};
    }
    int barN(int bar) const noexcept { return bars[bar].N; }
    double barKappa(int bar) const noexcept { return bars[bar].kappa; }
    int pickupIndex(int bar, int which) const noexcept { return bars[bar].pickupIndex[which]; }
    int springIndexA(int spring) const noexcept { return springs[spring].jA; }
    int springIndexB(int spring) const noexcept { return springs[spring].jB; }
    int inputBar() const noexcept { return inputBarIndex; }
    double inputPhase() const noexcept { return phase; }
    // Newest displacements of a bar (points 0 .. N).
    const double* barState(int bar) const noexcept { return level(bar, bars[bar].nextRole); }
    double timeStep() const noexcept { return k; }

    static constexpr int barA(int spring) noexcept { return spring / 2; }
    static constexpr int barB(int spring) noexcept { return (spring / 2 + 1) % kNumBars; }

private:
    struct Bar
    {
        int N = 2;
        double h = 0.5;
        double kappa = 0.0;
        double C5 = 0.0, C6 = 0.0, C1 = 0.0, C2 = 0.0, D0 = 0.0, D1 = 0.0;
        double sigma0 = 0.0;
        double mass = 1.0;
        double sustain = 5.0, tone = 60.0;
        int pickupIndex[2] = {0, 0};
        int nextRole = 0, currentRole = 1, previousRole = 2;
    };

    struct Spring
    {
        int jA = 0, jB = 0;
        double pos1 = 0.0, pos2 = 0.0;
        double eta = 0.0;
        double alphaMinus = 0.0, alphaPlus = 0.0;
        double cA = 0.0, cB = 0.0;
        bool on = false;
    };

    struct HighPass
    {
        double x1 = 0.0, y1 = 0.0;
    };

    static constexpr int barOffset(int bar) noexcept
    {
        int offset = 0;
        for (int b = 0; b < bar; ++b)
            offset += 3 * kBufferSize[b];
        return offset;
    }
    static constexpr int kStoreSize =
        3 * (kBufferSize[0] + kBufferSize[1] + kBufferSize[2] + kBufferSize[3] + kBufferSize[4]);

    double* level(int bar, int role) noexcept
    {
        return store + barOffset(bar) + role * kBufferSize[bar];
    }
    const double* level(int bar, int role) const noexcept
    {
        return store + barOffset(bar) + role * kBufferSize[bar];
    }
    void computeScheme(int bar) noexcept;
    void separateSharedPoints() noexcept;

    alignas(64) double store[kStoreSize] = {};
    Bar bars[kNumBars];
    Spring springs[kNumSprings];
    HighPass highPass[2 * kNumBars];

    double k = 1.0 / 44100.0;
    int inputBarIndex = 0;
    double phase = 0.0;          // input-point phase (rad)
    double phaseIncrement = 0.0; // per sample
};
} // namespace vm
