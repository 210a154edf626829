#include "VM_BarNet.h"

#include <algorithm>
#include <cmath>

namespace vm
{
namespace
{
// Stiffness kappa = slope * s + base for each bar, and 27 kappa written out the
// same way, as the frequency-dependent loss uses it.
constexpr double kKappaSlope[VM_BarNet::kNumBars] = {2e-4, 0.004, 0.004, 0.009, 0.009};
constexpr double kKappaBase[VM_BarNet::kNumBars] = {0.012, 0.04, 0.04, 0.1, 0.1};
constexpr double k27KappaSlope[VM_BarNet::kNumBars] = {0.0054, 0.108, 0.108, 0.243, 0.243};
constexpr double k27KappaBase[VM_BarNet::kNumBars] = {0.324, 1.08, 1.08, 2.7, 2.7};
// Pickup positions along each bar.
constexpr double kPickupPos[VM_BarNet::kNumBars][2] = {
    {0.117, 0.871}, {0.124, 0.892}, {0.196, 0.826}, {0.163, 0.853}, {0.113, 0.837}};

// Frequency-dependent loss of the bar relative to its stiffness:
// sigma_m = 27 kappa ln 10 / (1800 pi).
constexpr double kSigmaPerKappa = 27.0 * kLn10 / (1800.0 * kPi);

// Defaults of the instrument's resonator, for a network that nobody has set up.
constexpr double kDefaultMass[VM_BarNet::kNumBars] = {9.0, 2.0, 2.0, 1.0, 1.0};
constexpr double kDefaultPos[VM_BarNet::kNumSprings][2] = {
    {0.7, 0.71},   {0.4, 0.41},   {0.82, 0.83}, {0.42, 0.43}, {0.84, 0.83},
    {0.44, 0.45},  {0.86, 0.87},  {0.46, 0.47}, {0.88, 0.89}, {0.46, 0.48}};
constexpr double kDefaultNonlin[VM_BarNet::kNumSprings] = {10, 20, 30, 40, 50, 40, 30, 20, 10, 10};

inline bool isBar(int bar) noexcept { return bar >= 0 && bar < VM_BarNet::kNumBars; }
inline bool isSpring(int spring) noexcept { return spring >= 0 && spring < VM_BarNet::kNumSprings; }

// Points 2 .. last, with all neighbours on the bar (the ends read as stored).
// Branch-free and free of aliasing, so that the compiler vectorises it: the
// resonator's time goes here.
void interior(double* __restrict out, const double* __restrict u, const double* __restrict w,
              int last, double C6, double C1, double C2, double D0, double D1) noexcept
{
    for (int i = 2; i <= last; ++i)
        out[i] = C6 * u[i] + C1 * (u[i - 1] + u[i + 1]) + C2 * (u[i - 2] + u[i + 2]) + D0 * w[i]
                 + D1 * (w[i - 1] + w[i + 1]);
}

inline double finiteOr(double x, double fallback) noexcept
{
    return std::isfinite(x) ? x : fallback;
}
} // namespace

VM_BarNet::VM_BarNet() noexcept
{
    for (int b = 0; b < kNumBars; ++b)
    {
        setBarStiffness(b, kDefaultStiffness[b]);
        setBarDecays(b, 5.0, 60.0);
        setBarMass(b, kDefaultMass[b]);
    }
    for (int i = 0; i < kNumSprings; ++i)
    {
        setSpringPos(i, kDefaultPos[i][0], kDefaultPos[i][1]);
        setSpringPhysics(i, 20.0, 40.0, kDefaultNonlin[i], 1.0, 1.0);
        setSpringOn(i, true);
    }
}

void VM_BarNet::setTimeStep(double newK) noexcept
{
    if (std::isfinite(newK) && newK > 0.0)
        k = newK;
}

void VM_BarNet::clear() noexcept
{
    for (double& x : store)
        x = 0.0;
    for (HighPass& f : highPass)
        f = HighPass{};
    for (double& p : pickup)
        p = 0.0;
    phase = 0.0;
}

void VM_BarNet::setBarStiffness(int bar, double s) noexcept
{
    if (!isBar(bar))
        return;
    Bar& b = bars[bar];

    // Stiffness comes from saved state: a missing or broken value takes the
    // default, and a value that would leave the bar without stiffness counts as 0.
    s = finiteOr(s, kDefaultStiffness[bar]);
    double kappa = kKappaSlope[bar] * s + kKappaBase[bar];
    double twentySevenKappa = k27KappaSlope[bar] * s + k27KappaBase[bar];
    if (s <= -kKappaBase[bar] / kKappaSlope[bar] || !(kappa > 0.0))
    {
        kappa = kKappaBase[bar];
        twentySevenKappa = k27KappaBase[bar];
    }

    // Stability of the explicit scheme: h >= sqrt(2k (sigma_m + sqrt(sigma_m^2 + kappa^2))).
    // A bar too stiff even for two intervals is held at the stiffest two-interval bar.
    const double kappaMax = 0.98 / (8.0 * k * (kSigmaPerKappa + std::sqrt(kSigmaPerKappa * kSigmaPerKappa + 1.0)));
    if (kappa > kappaMax)
    {
        kappa = kappaMax;
        twentySevenKappa = 27.0 * kappa;
    }
    // sigma_m = 27 kappa ln 10 / (1800 pi)
    const double sigmaM = twentySevenKappa * kLn10 / (1800.0 * kPi);
    double N = std::floor(1.0 / std::sqrt(2.0 * k * (sigmaM + std::sqrt(sigmaM * sigmaM + kappa * kappa))));
    if (!(N >= 2.0))
        N = 2.0;
    N = std::min(N, static_cast<double>(kMaxN[bar]));

    const int oldN = b.N;
    b.kappa = kappa;
    b.N = static_cast<int>(N);
    b.h = 1.0 / b.N;
    for (int j = 0; j < 2; ++j)
        b.pickupIndex[j] = static_cast<int>(std::floor(kPickupPos[bar][j] * b.N));

    if (b.N != oldN)
    {
        // The displacements stay; the new end point (and all beyond) is at rest.
        for (int role = 0; role < 3; ++role)
        {
            double* u = level(bar, role);
            for (int i = b.N; i < kBufferSize[bar]; ++i)
                u[i] = 0.0;
        }
        // Springs stay on the bar.
        for (int i = 0; i < kNumSprings; ++i)
        {
            if (barA(i) == bar)
                springs[i].jA = std::min(springs[i].jA, b.N);
            if (barB(i) == bar)
                springs[i].jB = std::min(springs[i].jB, b.N);
        }
    }
    computeScheme(bar);
}

void VM_BarNet::setBarDecays(int bar, double sustain, double tone) noexcept
{
    if (!isBar(bar))
        return;
    bars[bar].sustain = sustain;
    bars[bar].tone = tone;
    computeScheme(bar);
}

// Explicit scheme for u_tt = -kappa^2 u_xxxx - 2 sigma0 u_t + 2 sigma1 u_txx.
void VM_BarNet::computeScheme(int bar) noexcept
{
    Bar& b = bars[bar];
    const double T100 = 2.0 * b.sustain;              // T60 at 100 Hz
    const double T1000 = 2.0 * b.sustain * b.tone / 100.0; // T60 at 1000 Hz
    // loss variables at 100 Hz and 1000 Hz: xi = omega / kappa for a bar
    const double xi1 = 200.0 * kPi / b.kappa;
    const double xi2 = 2000.0 * kPi / b.kappa;
    b.sigma0 = kSixLn10 / (xi2 - xi1) * (xi2 / T100 - xi1 / T1000);
    const double sigma1 = kSixLn10 / (xi2 - xi1) * (1.0 / T1000 - 1.0 / T100);

    const double mu = b.kappa * k / (b.h * b.h);
    const double mu2 = mu * mu;
    const double s1 = k * sigma1 / (b.h * b.h);
    const double G = 1.0 / (1.0 + k * b.sigma0);

    b.C6 = G * (2.0 - 4.0 * s1 - 6.0 * mu2);
    b.C5 = G * (2.0 - 4.0 * s1 - 5.0 * mu2);
    b.C1 = G * (2.0 * s1 + 4.0 * mu2);
    b.C2 = -G * mu2;
    b.D0 = G * (k * b.sigma0 - 1.0 + 4.0 * s1);
    b.D1 = -2.0 * G * s1;

    // A spring's force moves a bar point by k^2 F / ((1 + k sigma0) h).
    const double r = k * k / ((1.0 + k * b.sigma0) * b.h);
    for (int i = 0; i < kNumSprings; ++i)
    {
        if (barA(i) == bar)
            springs[i].cA = r;
        if (barB(i) == bar)
            springs[i].cB = -r;
    }
}

void VM_BarNet::setBarMass(int bar, double mass) noexcept
{
    if (!isBar(bar))
        return;
    bars[bar].mass = (std::isfinite(mass) && mass > 0.0) ? mass : 1.0;
}

void VM_BarNet::setSpringPos(int spring, double pos1, double pos2) noexcept
{
    if (!isSpring(spring))
        return;
    // Positions come from presets and saved state: keep them on the bars.
    pos1 = std::isfinite(pos1) ? std::clamp(pos1, 0.0, 1.0) : 0.0;
    pos2 = std::isfinite(pos2) ? std::clamp(pos2, 0.0, 1.0) : 0.0;

    Spring& sp = springs[spring];
    sp.pos1 = pos1;
    sp.pos2 = pos2;
    // Even springs sit in the first half of their bars, odd springs in the second.
    const double offset = (spring % 2 == 0) ? 0.01 : 0.51;
    const int NA = bars[barA(spring)].N;
    const int NB = bars[barB(spring)].N;
    sp.jA = std::clamp(static_cast<int>(std::floor(NA * (0.48 * pos1 + offset))), 0, NA);
    sp.jB = std::clamp(static_cast<int>(std::floor(NB * (0.48 * pos2 + offset))), 0, NB);
    separateSharedPoints();
}

// Two springs never share a grid point of a bar: where a spring's B end meets the
// next spring's A end on the same bar, the latter moves one point away.
void VM_BarNet::separateSharedPoints() noexcept
{
    for (int i = 0; i < kNumSprings; ++i)
    {
        Spring& from = springs[i];
        Spring& to = springs[(i + 2) % kNumSprings];
        if (from.jB != to.jA)
            continue;
        const int N = bars[barA((i + 2) % kNumSprings)].N;
        to.jA = std::clamp(to.jA + (i % 2 == 0 ? 1 : -1), 0, N);
    }
}

void VM_BarNet::setSpringConstants(int spring, double alphaMinus, double alphaPlus,
                                   double eta) noexcept
{
    if (!isSpring(spring))
        return;
    Spring& sp = springs[spring];
    // A spring only stores and loses energy: alpha- and eta are never positive.
    sp.alphaMinus = std::min(finiteOr(alphaMinus, 0.0), 0.0);
    sp.alphaPlus = finiteOr(alphaPlus, 0.0);
    sp.eta = std::min(finiteOr(eta, 0.0), 0.0);
}

void VM_BarNet::setSpringPhysics(int spring, double afreq, double t60, double nonlin,
                                 double stiffness, double nonlinear) noexcept
{
    const double omega = 6.0 * afreq * stiffness;
    const double d = -0.5 * omega * omega;
    const double e = kSixLn10 / (t60 * k);
    const double K = 0.1 * nonlin * nonlinear;
    setSpringConstants(spring, d - e, d + e, -0.5 * (K * K) * (K * K));
}

void VM_BarNet::setSpringOn(int spring, bool on) noexcept
{
    if (isSpring(spring))
        springs[spring].on = on;
}

void VM_BarNet::setInputBar(double value) noexcept
{
    if (!(value >= 0.0))
        value = 0.0;
    inputBarIndex = static_cast<int>(std::min(value, 4.0));
}

void VM_BarNet::setInputMovement(double inputMov) noexcept
{
    const double increment = inputMov * 0.005 * kTwoPi * k;
    phaseIncrement = std::isfinite(increment) ? std::clamp(increment, 0.0, kTwoPi) : 0.0;
}

void VM_BarNet::updateBar(double* next, const double* current, const double* previous, int N,
                          double C5, double C6, double C1, double C2, double D0, double D1) noexcept
{
    const double* u = current;
    const double* w = previous;
    double* out = next;

    if (N <= 2)
    {
        // a single interior point, simply supported on both sides
        out[1] = (C5 - C2) * u[1] + C1 * (u[0] + u[2]) + D0 * w[1] + D1 * (w[0] + w[2]);
        return;
    }
    // Points next to the ends: the simply supported end mirrors the point (C5).
    out[1] = C5 * u[1] + C1 * (u[0] + u[2]) + C2 * u[3] + D0 * w[1] + D1 * (w[0] + w[2]);
    interior(out, u, w, N - 2, C6, C1, C2, D0, D1);
    out[N - 1] = C5 * u[N - 1] + C1 * (u[N - 2] + u[N]) + C2 * u[N - 3] + D0 * w[N - 1]
                 + D1 * (w[N - 2] + w[N]);
}

void VM_BarNet::updateBars() noexcept
{
    for (int bar = 0; bar < kNumBars; ++bar)
    {
        Bar& b = bars[bar];
        const int oldPrevious = b.previousRole;
        b.previousRole = b.currentRole;
        b.currentRole = b.nextRole;
        b.nextRole = oldPrevious;
        updateBar(level(bar, b.nextRole), level(bar, b.currentRole), level(bar, b.previousRole), b.N,
                  b.C5, b.C6, b.C1, b.C2, b.D0, b.D1);
    }
}

// Each spring's force F = -(w^2 + K D^2)(D(n+1) + D(n-1))/2 - sigma (D(n+1) - D(n-1))/k
// on the stretch D between its two ends, solved in closed form for the new
// displacements, which it then corrects.
void VM_BarNet::updateSprings() noexcept
{
    for (int i = 0; i < kNumSprings; ++i)
    {
        const Spring& sp = springs[i];
        if (!sp.on)
            continue;
        const int a = barA(i);
        const int b = barB(i);
        double* nextA = level(a, bars[a].nextRole);
        double* nextB = level(b, bars[b].nextRole);
        const double* currentA = level(a, bars[a].currentRole);
        const double* currentB = level(b, bars[b].currentRole);
        const double* previousA = level(a, bars[a].previousRole);
        const double* previousB = level(b, bars[b].previousRole);

        const double stretchNext = nextA[sp.jA] - nextB[sp.jB];
        const double stretch = currentA[sp.jA] - currentB[sp.jB];
        const double stretchPrevious = previousA[sp.jA] - previousB[sp.jB];
        const double R = bars[a].mass / bars[b].mass;
        const double D = sp.eta * stretch * stretch;
        const double F = ((sp.alphaPlus + D) * stretchPrevious + (sp.alphaMinus + D) * stretchNext)
                         / (1.0 + (R * sp.cB - sp.cA) * (sp.alphaMinus + D));
        nextA[sp.jA] += sp.cA * F;
        nextB[sp.jB] += R * sp.cB * F;
    }
}

void VM_BarNet::addInput(double x) noexcept
{
    const int bar = std::clamp(inputBarIndex, 0, kNumBars - 1);
    const int N = bars[bar].N;
    double* next = level(bar, bars[bar].nextRole);

    // The two points swing by +-0.02 of the length in opposite directions.
    const double d = 0.02 * std::sin(phase);
    phase += phaseIncrement;
    if (phase > kTwoPi)
        phase -= kTwoPi;

    const double points[2] = {(0.297 - d) * N, (0.693 + d) * N};
    for (double P : points)
    {
        const int i = static_cast<int>(P);
        const double phi = P - i;
        // The fixed ends take no input (only a bar of fewer than four intervals
        // has an input point beside an end).
        if (i >= 1)
            next[i] += (1.0 - phi) * x;
        if (i + 1 <= N - 1)
            next[i + 1] += phi * x;
    }
}

void VM_BarNet::updatePickups() noexcept
{
    for (int which = 0; which < 2; ++which)
        for (int bar = 0; bar < kNumBars; ++bar)
        {
            const Bar& b = bars[bar];
            const int j = b.pickupIndex[which];
            const double x = level(bar, b.nextRole)[j] - level(bar, b.currentRole)[j];
            HighPass& f = highPass[which * kNumBars + bar];
            const double y = 0.995 * f.y1 + x - f.x1;
            f.x1 = x;
            f.y1 = y;
            pickup[which * kNumBars + bar] = y;
        }
}
} // namespace vm
