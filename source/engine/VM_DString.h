#pragma once
// One string voice: two finite-difference models of a stiff, lossy string with
// simply supported ends. The main string sounds at the note's pitch, the second
// one an octave higher (slightly flattened by the chorus amount) and is mixed in
// at 0.75. The voice is excited by a half-cosine push (plucked string, pitched
// bar) or by a bow with an exponential friction law (bowed string; the second
// string then rests). Pitch bend and a chaotically wandering vibrato retune the
// scheme every sample while they act.

#include "VM_Common.h"

namespace vm
{
class VM_DString
{
public:
    // Largest grids: intervals N of each string. A buffer holds the interior
    // points 0 .. N-2 plus the fixed end N-1 and one point beyond it, which are
    // kept at zero so that the pickup interpolation may touch them.
    static constexpr int kMainMaxN = 399;
    static constexpr int kSecondMaxN = 259;
    static constexpr int kMainSize = kMainMaxN + 1;     // 400
    static constexpr int kSecondSize = kSecondMaxN + 1; // 260

    // Scheme coefficients of one string (self, self next to an end, nearest and
    // second neighbours at time n; self and neighbours at time n-1).
    struct Coefficients
    {
        double A0 = 0.0, A0e = 0.0, A1 = 0.0, A2 = 0.0, B0 = 0.0, B1 = 0.0;
    };

    // rateIs44100: true selects 44100 Hz, false 48000 Hz. Clears the voice.
    void setSampleRate(bool rateIs44100) noexcept;
    // Silences the voice: zero displacement, idle, gain 1, bend 0, bow intensity 0.5.
    void clear() noexcept;

    // Starts the voice. note is clamped to 24..84, velocity to [0, 1]; sustain,
    // tone, inharm and chorus are the string parameters in their own units.
    // Reads bowedMode, pitchedBarMode and pluckPos, which the caller sets first.
    void noteOn(int note, double velocity, double sustain, double tone, double inharm,
                double chorus) noexcept;
    // Starts a linear fade of the output gain by step per sample (active voices only).
    void release(double step) noexcept;

    // Advances the grid by one sample.
    void update() noexcept;
    // Applies pluck or bow and fade; returns the output sample taken at the
    // pickup position (fraction of the string length).
    double processIO(double pickup) noexcept;

    // One time step of one string: next = f(current, previous) over the
    // interior points 0 .. N-2; both ends are fixed and simply supported.
    static void updateString(double* next, const double* current, const double* previous, int N,
                             double A0e, double A0, double A1, double A2, double B0,
                             double B1) noexcept;

    // Inputs written by the voice control and the parameter mapping.
    double bend = 0.0;         // pitch bend in units of two semitones, [-1, 1]
    double vibratoDepth = 0.0; // 0 .. 1
    double bowIntensity = 0.5; // MPE bow pressure, 0 .. 1
    double pluckPos = 0.2;     // pluck or bow position, fraction of the length
    double g = 1.0;            // output gain, falls while fading
    double fadeStep = 3e-4;
    double bowForce = 0.0;     // F
    double bowVelocity = 0.0;  // vB
    double bowSmoothing = 0.0; // the note's velocity; sets how fast F and vB move
    bool active = false;
    bool fading = false;
    bool bowedMode = false;
    bool pitchedBarMode = false;
    bool mpeMode = false;

    // Read-only views, for the editor, tests and benchmarks.
    int mainN() const noexcept { return main.N; }
    int secondN() const noexcept { return second.N; }
    int mainExcitationIndex() const noexcept { return main.j; }
    int secondExcitationIndex() const noexcept { return second.j; }
    int pulseLength() const noexcept { return pulse.L; }
    double timeStep() const noexcept { return k; }
    Coefficients mainCoefficients() const noexcept { return main.c; }
    Coefficients secondCoefficients() const noexcept { return second.c; }
    // Newest displacement state (after update) of the main and second string.
    const double* mainState() const noexcept { return main.u[main.nextRole]; }
    const double* secondState() const noexcept { return second.u[second.nextRole]; }

private:
    template <int Size>
    struct Grid
    {
        alignas(32) double u[3][static_cast<unsigned>(Size)] = {};
        int nextRole = 0, currentRole = 1, previousRole = 2;
        int N = 2;
        double h = 0.5;
        double f = 0.0, up = 0.0, down = 0.0; // nominal, bend-up and bend-down targets (Hz)
        double T1k = 1.0;                     // T60 at 1 kHz (s)
        Coefficients c;
        int j = 0;                 // excitation index
        double pluckAmp = 0.0;     // A
        double pluckPrefactor = 0.0;

        double* next() noexcept { return u[nextRole]; }
        double* current() noexcept { return u[currentRole]; }
        double* previous() noexcept { return u[previousRole]; }
        // next <- old previous, current <- old next, previous <- old current
        void rotate() noexcept
        {
            const int oldPrevious = previousRole;
            previousRole = currentRole;
            currentRole = nextRole;
            nextRole = oldPrevious;
        }
        void zero() noexcept;
        void zeroBeyond(int first) noexcept;
    };

    template <int Size>
    void computeCoefficients(Grid<Size>& s, double f) noexcept;
    template <int Size>
    void sizeGrid(Grid<Size>& s, double fMax, int cap) noexcept;
    template <int Size>
    static double readPickup(Grid<Size>& s, double pickup) noexcept;
    double advanceVibrato() noexcept;

    Grid<kMainSize> main;
    Grid<kSecondSize> second;

    double k = 1.0 / 44100.0; // time step
    double rate = 44100.0;
    double halfInvK = 22050.0; // 1/(2k)
    double T0 = 2.0;           // T60 at 0 Hz (s)
    double sigma0 = 0.0;       // frequency-independent loss
    double l = 3e-5;           // stiffness: (kappa pi / gamma)^2

    struct Pulse
    {
        double y = 0.0, y1 = 0.0, y2 = 0.0, twoCos = 0.0;
        double duration = 0.0; // s
        int L = 1;             // length in samples
        int count = 0;
        bool active = false;
    } pulse;

    struct Vibrato
    {
        double y = 0.0, y1 = 0.0, y2 = 0.0, twoCos = 0.0;
        double theta = 0.0;
        double rate = 5.6; // Hz
        int count = 0;
    } vibrato;
    double logisticX = 0.1; // chaotic state of the vibrato rate, never reset

    static constexpr double kBowForceScale = 2.331643981597124; // sqrt(2) e^(1/2)
};
} // namespace vm
