#include "VM_DString.h"

#include "VM_NoteTable.h"

#include <algorithm>
#include <cmath>

namespace vm
{
namespace
{
constexpr double kLowestFrequency = 32.7; // Hz, nothing is tuned below C1

// x limited to [lo, hi]; a NaN takes lo.
inline double clampTo(double x, double lo, double hi) noexcept
{
    if (!(x >= lo))
        return lo;
    return x > hi ? hi : x;
}

inline double noteHz(int note) noexcept
{
    return std::max(noteFrequency(note), kLowestFrequency);
}

// Displacement of a string point; every index outside the interior 0 .. N-2
// is a fixed end (or beyond it) and reads 0.
inline double at(const double* u, int i, int N) noexcept
{
    return (i >= 0 && i <= N - 2) ? u[i] : 0.0;
}

// The stencil at one point next to an end, with the missing neighbours left out.
// At the first and last interior points the simply supported end mirrors the
// point itself (A0e instead of A0); a one-point string has both ends beside it.
inline double endPoint(const double* u, const double* w, int i, int N, double A0e, double A0,
                       double A1, double A2, double B0, double B1) noexcept
{
    double self = A0;
    if (N == 2)
        self = A0e - A2;
    else if (i == 0 || i == N - 2)
        self = A0e;
    return self * u[i] + A1 * (at(u, i - 1, N) + at(u, i + 1, N))
           + A2 * (at(u, i - 2, N) + at(u, i + 2, N)) + B0 * w[i]
           + B1 * (at(w, i - 1, N) + at(w, i + 1, N));
}
// Points first .. last, whose neighbours all lie inside the string. Branch-free
// and free of aliasing, so that the compiler vectorises it; this loop is where
// the instrument spends most of its time.
void interior(double* __restrict out, const double* __restrict u, const double* __restrict w,
              int first, int last, double A0, double A1, double A2, double B0, double B1) noexcept
{
    for (int i = first; i <= last; ++i)
        out[i] = A0 * u[i] + A1 * (u[i - 1] + u[i + 1]) + A2 * (u[i - 2] + u[i + 2]) + B0 * w[i]
                 + B1 * (w[i - 1] + w[i + 1]);
}
} // namespace

template <int Size>
void VM_DString::Grid<Size>::zero() noexcept
{
    for (auto& level : u)
        for (double& x : level)
            x = 0.0;
}

template <int Size>
void VM_DString::Grid<Size>::zeroBeyond(int first) noexcept
{
    for (auto& level : u)
        for (int i = std::max(first, 0); i < Size; ++i)
            level[i] = 0.0;
}

void VM_DString::setSampleRate(bool rateIs44100) noexcept
{
    rate = rateIs44100 ? 44100.0 : 48000.0;
    k = 1.0 / rate;
    halfInvK = 1.0 / (2.0 * k);
    clear();
}

void VM_DString::clear() noexcept
{
    main.zero();
    second.zero();
    active = false;
    fading = false;
    pulse.active = false;
    pulse.count = 0;
    g = 1.0;
    fadeStep = 3e-4;
    bend = 0.0;
    bowIntensity = 0.5;
}

// Explicit scheme for u_tt = gamma^2 u_xx - kappa^2 u_xxxx - 2 sigma0 u_t
// + 2 sigma1 u_txx on a grid of spacing h, at fundamental f.
template <int Size>
void VM_DString::computeCoefficients(Grid<Size>& s, double f) noexcept
{
    const double gamma = 2.0 * f / std::sqrt(1.0 + l);
    const double kappa = gamma * std::sqrt(l) / kPi;
    sigma0 = kSixLn10 / T0;
    // loss variable xi at 1 kHz: gamma^2 xi + kappa^2 xi^2 = (2 pi 1000)^2
    const double xi = (std::sqrt(gamma * gamma * gamma * gamma + 16.0e6 * kPi * kPi * kappa * kappa)
                       - gamma * gamma)
                      / (2.0 * kappa * kappa);
    const double sigma1 = (kSixLn10 / xi) * (1.0 / s.T1k - 1.0 / T0);

    const double lambda = gamma * k / s.h;
    const double lambda2 = lambda * lambda;
    const double mu = kappa * k / (s.h * s.h);
    const double mu2 = mu * mu;
    const double v = 2.0 * k * sigma1 / (s.h * s.h);
    const double G = 1.0 / (1.0 + k * sigma0);

    s.c.A0 = G * (2.0 - 2.0 * lambda2 - 6.0 * mu2 - 2.0 * v);
    s.c.A0e = G * (2.0 - 2.0 * lambda2 - 5.0 * mu2 - 2.0 * v);
    s.c.A1 = G * (lambda2 + 4.0 * mu2 + v);
    s.c.A2 = -G * mu2;
    s.c.B0 = G * (k * sigma0 - 1.0 + 2.0 * v);
    s.c.B1 = -G * v;
}

// Grid from the highest frequency the string may reach (its bend-up target):
// the finest spacing the explicit scheme allows stably at that frequency, capped
// by the buffer. Also the pluck amplitude prefactor, which scales with the grid.
template <int Size>
void VM_DString::sizeGrid(Grid<Size>& s, double fMax, int cap) noexcept
{
    const double gamma = fMax / std::sqrt(1.0 + l);
    const double kappa = gamma * std::sqrt(l) / kPi;
    const double xi = (std::sqrt(gamma * gamma * gamma * gamma + 16.0e6 * kPi * kPi * kappa * kappa)
                       - gamma * gamma)
                      / (2.0 * kappa * kappa);
    const double sigma1 = (kSixLn10 / xi) * (1.0 / s.T1k - 1.0 / T0);
    const double q = k * k * gamma * gamma + 4.0 * k * sigma1;
    const double hMin = std::sqrt((q + std::sqrt(q * q + 16.0 * k * k * kappa * kappa)) / 2.0);

    // The stable N may be as small as 4 (stiff pitched bar, top notes); the stencil
    // reads every point beyond the ends as 0, so it needs no larger minimum.
    const double N = clampTo(std::floor(1.0 / hMin), 2.0, static_cast<double>(cap));
    s.N = static_cast<int>(N);
    s.h = 1.0 / s.N;
    // the loss sigma0 = 6 ln 10 / T0 that the note's coefficients store
    const double loss = kSixLn10 / T0;
    s.pluckPrefactor = 4.0 * k * k * s.N * std::sqrt(gamma * gamma + 8.0 * kappa * kappa)
                       / (1.0 + k * loss);
    // A new grid must start with its end points (and beyond) at rest.
    s.zeroBeyond(s.N - 1);
}

void VM_DString::noteOn(int note, double velocity, double sustain, double tone, double inharm,
                        double chorus) noexcept
{
    note = std::clamp(note, 24, 84);
    // Parameters arrive in their catalogue ranges; anything else is pulled back in.
    sustain = clampTo(sustain, 1.0, 15.0);
    tone = clampTo(tone, 10.0, 90.0);
    inharm = clampTo(inharm, 0.0, 100.0);
    chorus = clampTo(chorus, 0.0, 100.0);
    const double position = clampTo(pluckPos, 0.0, 1.0);

    main.f = noteHz(note);
    main.up = noteHz(note + 2);
    main.down = note < 26 ? noteHz(note) : noteHz(note - 2);
    second.up = noteHz(note + 14);
    second.down = noteHz(note + 10);
    second.f = std::max(2.0 * noteFrequency(note), kLowestFrequency) * (1.0 - 5e-5 * chorus);

    if (inharm < 0.001)
        inharm = 0.0;
    if (pitchedBarMode)
        l = 0.02 * inharm + 0.1;
    else if (bowedMode)
        l = 5e-6 * inharm + 1e-4;
    else
        l = 2e-5 * inharm + 3e-5;

    // Decay: T60 of 2 sustain at 0 Hz; at 1 kHz shorter, and more so for dull tones
    // and low strings.
    T0 = 2.0 * sustain;
    const double a = 0.007 * tone + 0.3;
    main.T1k = a * sustain * (1.2 + 0.64 * (0.2000004 * std::log2(0.002273 * main.f) + 0.7500015));
    second.T1k = a * sustain * (1.2 + 0.64 * (0.2000004 * std::log2(0.002273 * second.f) + 0.7500015));

    sizeGrid(main, 2.048 * (bowedMode ? main.f : main.up), kMainMaxN);
    sizeGrid(second, bowedMode ? 100.0 : 2.048 * second.up, kSecondMaxN);

    computeCoefficients(main, main.f);
    computeCoefficients(second, second.f);

    const double v = clampTo(velocity, 0.0, 1.0);
    if (bowedMode)
    {
        bowForce = 0.4 * v * v;
        bowVelocity = 0.3 * v * v;
        bowSmoothing = v;
        main.j = static_cast<int>(std::floor(0.02 * main.N))
                 + static_cast<int>(std::floor(0.15 * main.N * position)) + 1;
        second.j = 1;
    }
    else
    {
        // Half-cosine push: p = (1 - cos(n pi / L)) / 2 over L samples.
        pulse.duration = 0.0005 + 0.0045 * (1.0 - v);
        // (the small allowance keeps exact sample counts such as 240 at 48 kHz whole)
        pulse.L = std::max(1, static_cast<int>(std::floor(rate * pulse.duration + 1e-9)));
        pulse.count = 0;
        const double omega = kPi / pulse.L;
        pulse.twoCos = 2.0 * std::cos(omega);
        pulse.y = 0.0;
        pulse.y1 = std::sin(kPi / 2.0 - omega);
        pulse.y2 = std::sin(kPi / 2.0 - 2.0 * omega);
        pulse.active = true;

        const int offset = pitchedBarMode ? 1 : 3;
        main.j = static_cast<int>(std::floor(0.3 * position * main.N)) + offset;
        second.j = static_cast<int>(std::floor(0.3 * position * second.N)) + offset;
        main.pluckAmp = main.pluckPrefactor / pulse.duration;
        second.pluckAmp = second.pluckPrefactor / pulse.duration;
        if (pitchedBarMode)
        {
            if (position > 0.4)
            {
                main.pluckAmp *= 0.8;
                second.pluckAmp *= 0.8;
            }
        }
        else
        {
            // low strings: soft notes pluck more gently
            if (main.f < 130.0)
                main.pluckAmp *= 0.5 * v + 0.5;
            if (second.f < 130.0)
                second.pluckAmp *= 0.5 * v + 0.5;
            if (position < 0.1)
            {
                main.pluckAmp *= 1.5;
                second.pluckAmp *= 1.5;
            }
        }
    }
    // The push or bow acts on an interior point only.
    main.j = std::clamp(main.j, 0, main.N - 2);
    second.j = std::clamp(second.j, 0, second.N - 2);

    vibratoDepth = 0.0;
    active = true;
    fading = false;
    vibrato.rate = 5.6;
    vibrato.theta = kTwoPi * vibrato.rate * k;
    vibrato.twoCos = 2.0 * std::cos(vibrato.theta);
    vibrato.y = 0.0;
    vibrato.y1 = std::sin(-vibrato.theta);
    vibrato.y2 = std::sin(-2.0 * vibrato.theta);
    vibrato.count = 0;
}

void VM_DString::release(double step) noexcept
{
    if (!active)
        return;
    fading = true;
    if (std::isfinite(step) && step > 0.0)
        fadeStep = step;
}

// Vibrato oscillator. Each cycle starts at an upward zero crossing with a rate
// drawn from a logistic map, so the vibrato never settles into a fixed period.
double VM_DString::advanceVibrato() noexcept
{
    const double lastY = vibrato.y1;
    double y = vibrato.twoCos * vibrato.y1 - vibrato.y2;
    vibrato.y2 = vibrato.y1;
    vibrato.y1 = y;
    vibrato.y = y;
    const int c0 = vibrato.count++;
    if (y > 0.0 && lastY < 0.0 && c0 >= 2)
    {
        const double r = logisticX * (1.0 - logisticX);
        logisticX = 3.99999 * r;
        vibrato.theta = 2.0 * k * kPi * vibrato.rate * (0.965 + 0.2799993 * r);
        vibrato.twoCos = 2.0 * std::cos(vibrato.theta);
        vibrato.y = 0.0;
        vibrato.y1 = std::sin(-vibrato.theta);
        vibrato.y2 = std::sin(-2.0 * vibrato.theta);
        vibrato.count = 0;
        y = 0.0;
    }
    return y;
}

void VM_DString::update() noexcept
{
    if (!active)
        return;

    if (!fading)
    {
        double fm = main.f;
        double fs = second.f;
        bool changed = false;
        const double b = clampTo(bend, -1.0, 1.0);
        if (b > 1e-4)
        {
            if (!bowedMode)
            {
                fm = main.f + b * (main.up - main.f);
                fs = second.f + b * (second.up - second.f);
                changed = true;
            }
            else if (mpeMode)
            {
                fm = std::min(1.024 * main.f, main.f + b * (main.up - main.f));
                changed = true;
            }
            // bowed without MPE: the bend drives the bow, not the pitch
        }
        else if (b < -1e-4)
        {
            if (!bowedMode)
            {
                fm = main.f + b * (main.f - main.down);
                fs = second.f + b * (second.f - second.down);
            }
            else
            {
                const double c = mpeMode ? 1.0 : 0.1;
                fm = main.f + b * (main.f - main.down) * c;
            }
            changed = true;
        }

        const double d = clampTo(vibratoDepth, 0.0, 1.0);
        if (d > 0.005 && !mpeMode && b > -0.001)
        {
            const double y = advanceVibrato();
            fm += main.f * d * 0.024 * y;
            fs += second.f * d * 0.024 * y;
            changed = true;
        }

        if (changed)
        {
            computeCoefficients(main, fm);
            if (!bowedMode)
                computeCoefficients(second, fs);
        }
    }

    main.rotate();
    updateString(main.next(), main.current(), main.previous(), main.N, main.c.A0e, main.c.A0,
                 main.c.A1, main.c.A2, main.c.B0, main.c.B1);
    if (!bowedMode)
    {
        second.rotate();
        updateString(second.next(), second.current(), second.previous(), second.N, second.c.A0e,
                     second.c.A0, second.c.A1, second.c.A2, second.c.B0, second.c.B1);
    }
}

void VM_DString::updateString(double* next, const double* current, const double* previous, int N,
                              double A0e, double A0, double A1, double A2, double B0,
                              double B1) noexcept
{
    const double* u = current;
    const double* w = previous;
    double* out = next;

    if (N < 6)
    {
        for (int i = 0; i <= N - 2; ++i)
            out[i] = endPoint(u, w, i, N, A0e, A0, A1, A2, B0, B1);
        return;
    }

    out[0] = endPoint(u, w, 0, N, A0e, A0, A1, A2, B0, B1);
    out[1] = endPoint(u, w, 1, N, A0e, A0, A1, A2, B0, B1);
    interior(out, u, w, 2, N - 4, A0, A1, A2, B0, B1);
    out[N - 3] = endPoint(u, w, N - 3, N, A0e, A0, A1, A2, B0, B1);
    out[N - 2] = endPoint(u, w, N - 2, N, A0e, A0, A1, A2, B0, B1);
}

template <int Size>
double VM_DString::readPickup(Grid<Size>& s, double pickup) noexcept
{
    // Linear interpolation between two points. The reading stays on the moving part
    // of the string: on a short grid (stiff top notes have as few as 4 intervals)
    // a pickup near the end would otherwise land on the fixed end and fall silent.
    double P = s.N * pickup;
    P = std::min(P, static_cast<double>(s.N - 2));
    const int i = static_cast<int>(P);
    const double phi = P - i;
    const double* u = s.next();
    return (1.0 - phi) * u[i] + phi * u[i + 1];
}

double VM_DString::processIO(double pickup) noexcept
{
    if (!active)
        return 0.0;

    const double b = clampTo(bend, -1.0, 1.0);
    double e;
    if (mpeMode)
        e = bowIntensity;
    else
        e = b >= 0.0 ? 0.5 * (1.0 + b * b) : 0.5 * (1.0 + b * b * b);
    e = clampTo(e, 0.0, 1.0);

    if (bowedMode)
    {
        // Bow force and velocity glide towards targets set by the intensity.
        const double targetF = 1.2 * e + 0.2;
        const double targetV = 0.35 * e + 0.25;
        const double s = 0.005 * bowSmoothing + 5e-5;
        if (targetF - bowForce > s)
            bowForce += s;
        else if (bowForce - targetF > s)
            bowForce -= s;
        if (targetV - bowVelocity > s)
            bowVelocity += s;
        else if (bowVelocity - targetV > s)
            bowVelocity -= s;

        // Friction force a x exp(-x^2) of the relative velocity x, solved
        // implicitly with the string's centred velocity (Newton from x = 0).
        double* next = main.next();
        const double* previous = main.previous();
        const int j = main.j;
        const double uTilde = next[j];
        const double a = bowForce * k * kBowForceScale;
        const double c = (previous[j] - uTilde) * halfInvK + bowVelocity;
        double x = 0.0;
        for (int iteration = 0; iteration < 10; ++iteration)
        {
            const double w = std::exp(-x * x);
            const double step = (c + x + a * x * w) / (1.0 + a * w * (1.0 - 2.0 * x * x));
            x -= step;
            if (std::fabs(step) < 1e-6)
                break;
        }
        next[j] = uTilde - a * x * std::exp(-x * x);
    }
    else
    {
        double p = 0.0;
        if (pulse.active)
        {
            pulse.y = pulse.twoCos * pulse.y1 - pulse.y2;
            pulse.y2 = pulse.y1;
            pulse.y1 = pulse.y;
            p = 0.5 * (1.0 - pulse.y);
            if (++pulse.count >= pulse.L)
            {
                pulse.active = false;
                pulse.count = 0;
            }
        }
        main.next()[main.j] += main.pluckAmp * p;
        second.next()[second.j] += second.pluckAmp * p;
    }

    if (fading)
    {
        g -= fadeStep;
        if (g < 0.0)
        {
            clear();
            return 0.0;
        }
    }

    double position = clampTo(pickup, 0.0, 1.0);
    if (!bowedMode && pitchedBarMode)
        position = std::min(position, 0.85);
    const double om = readPickup(main, position);
    double out;
    if (bowedMode)
        out = 350.0 * om;
    else
        out = om + 0.75 * readPickup(second, position);
    return 0.9 * g * out;
}
} // namespace vm
