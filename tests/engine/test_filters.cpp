#include "VM_ButterFilter.h"
#include "VM_Diode.h"
#include "VM_LowPass2D.h"
#include "fx_test_helpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

namespace
{
using fxtest::sineGain;

// Runs either Butterworth low-pass on doubles.
struct AnyLowPass
{
    const char* name;
    std::function<std::function<double(double)>()> make;
    double cutoffFraction; // cutoff as a fraction of the sampling rate
};

std::vector<AnyLowPass> lowPasses()
{
    return {
        {"VM_LowPass2D",
         [] {
             auto f = std::make_shared<VM_LowPass2D>();
             return std::function<double(double)>([f](double x) { return f->update(x); });
         },
         0.25},
        {"VM_ButterFilter",
         [] {
             auto f = std::make_shared<VM_ButterFilter>();
             return std::function<double(double)>(
                 [f](double x) { return static_cast<double>(f->update(static_cast<float>(x))); });
         },
         0.3125 * 0.5},
    };
}

// Both order-16 Butterworth filters pass DC at unit gain, are 3 dB down at
// their design cutoff, flat well inside the pass band and deep in the stop band.
TEST(Butterworth16, UnitDcGainAndCutoffWhereDesigned)
{
    for (const auto& lp : lowPasses())
    {
        SCOPED_TRACE(lp.name);
        auto dc = lp.make();
        double y = 0.0;
        for (int n = 0; n < 2000; ++n)
            y = dc(1.0);
        EXPECT_NEAR(y, 1.0, 1e-6);

        const double fc = lp.cutoffFraction;
        EXPECT_NEAR(sineGain(lp.make(), fc, 1.0, 3000, 20000), std::sqrt(0.5), 2e-3);
        EXPECT_NEAR(sineGain(lp.make(), 0.5 * fc, 1.0, 3000, 20000), 1.0, 2e-3);
        EXPECT_LT(sineGain(lp.make(), 1.4 * fc, 1.0, 3000, 20000), 0.01);
    }
}

// The interpolation use: a frame and a zero alternately, output doubled,
// reproduces a 1 kHz tone from a 48 kHz engine at 96 kHz with its level.
TEST(Butterworth16, ZeroStuffedInterpolationKeepsLevel)
{
    VM_ButterFilter f;
    const double w = 2.0 * fxtest::kPi * 1000.0 / 96000.0;
    double re = 0.0, im = 0.0;
    const int settle = 4000, measure = 48000;
    for (int n = 0; n < settle + measure; ++n)
    {
        const float in = (n % 2 == 0) ? static_cast<float>(std::sin(w * n)) : 0.0f;
        const double y = 2.0 * f.update(in);
        if (n >= settle)
        {
            re += y * std::cos(w * n);
            im += y * std::sin(w * n);
        }
    }
    EXPECT_NEAR(2.0 * std::hypot(re, im) / measure, 1.0, 2e-3);
}

// Outputs of magnitude 1e-6 or less come out as exact zeros; the filter keeps
// its exact history, so a signal that rises again comes back unharmed.
TEST(LowPass2D, FlushesTinyOutputsToZero)
{
    VM_LowPass2D f;
    // 0.7e-6 stays at or below 1e-6 including the step overshoot.
    for (int n = 0; n < 500; ++n)
        EXPECT_EQ(f.update(0.7e-6), 0.0) << n;
    double y = 0.0;
    for (int n = 0; n < 500; ++n)
        y = f.update(1.5e-6);
    EXPECT_NEAR(y, 1.5e-6, 1e-12);
    for (int n = 0; n < 500; ++n)
        y = f.update(0.9e-6);
    EXPECT_EQ(y, 0.0);

    VM_LowPass2D g;
    g.update(1.0);
    double tail = 1.0;
    for (int n = 0; n < 400; ++n)
        tail = g.update(0.0);
    EXPECT_EQ(tail, 0.0); // the impulse response has died below 1e-6
}

// Direct form I as written: y[n] = sum_{k=0..16} b_k x[n-k] - sum_{k=1..16} a_k y[n-k],
// each b_k = gain C(16, k) rounded once.
struct DirectForm16
{
    double b[17] = {}, a[17] = {};
    double x[17] = {}, y[17] = {}; // x[j] = x[n-j], y[j] = y[n-j]

    DirectForm16(double gain, const double (&den)[17])
    {
        const double binom[17] = {1, 16, 120, 560, 1820, 4368, 8008, 11440, 12870, 11440, 8008, 4368, 1820, 560, 120, 16, 1};
        for (int k = 0; k <= 16; ++k)
        {
            b[k] = gain * binom[k];
            a[k] = den[k];
        }
    }

    double step(double in)
    {
        for (int j = 16; j > 0; --j)
        {
            x[j] = x[j - 1];
            y[j] = y[j - 1];
        }
        x[0] = in;
        double ff = b[0] * x[0];
        for (int k = 1; k <= 16; ++k)
            ff += b[k] * x[k];
        double fb = 0.0;
        for (int k = 1; k <= 16; ++k)
            fb += a[k] * y[k];
        y[0] = ff - fb;
        return y[0];
    }
};

std::vector<double> driveLikeSignal(int n)
{
    std::vector<double> s(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        s[static_cast<size_t>(i)] = (i % 2 == 0 ? 1.7 * std::sin(0.013 * i) + 0.4 * std::sin(0.61 * i) : 0.0) +
                                    (i > 3000 ? 0.0 : 1e-7 * i);
    return s;
}

// The drive's half-band filter computes exactly the direct form with its
// stated coefficients (the odd denominator terms 0), and flushes outputs of
// magnitude 1e-6 or less to 0 while keeping the exact value in its history.
TEST(LowPass2D, SampleForSampleTheDirectForm)
{
    double den[17] = {1.0};
    for (int j = 0; j < 8; ++j)
        den[2 * j + 2] = VM_LowPass2D::aEven[j];
    DirectForm16 ref(8.80046409745677e-05, den);
    VM_LowPass2D f;
    const auto s = driveLikeSignal(6000);
    int flushed = 0;
    for (size_t n = 0; n < s.size(); ++n)
    {
        const double y = ref.step(s[n]);
        const double expected = std::fabs(y) <= 1e-6 ? 0.0 : y;
        if (expected == 0.0 && y != 0.0)
            ++flushed;
        ASSERT_EQ(f.update(s[n]), expected) << n;
    }
    for (int n = 0; n < 3000; ++n)
        ASSERT_EQ(f.update(0.0), std::fabs(ref.step(0.0)) <= 1e-6 ? 0.0 : ref.y[0]) << n;
    EXPECT_GT(flushed, 0);
}

// The output interpolator likewise, in single precision at its ends.
TEST(ButterFilter, SampleForSampleTheDirectForm)
{
    const double den[17] = {1.0,
                            -5.99246813889646,
                            18.41889060323935,
                            -37.52182560842441,
                            55.99231992540787,
                            -64.35683988191244,
                            58.59008706519126,
                            -42.90496279806512,
                            25.4517894691274,
                            -12.23697312208123,
                            4.741513370684538,
                            -1.462190306602027,
                            0.351217070208962,
                            -0.06343065749766662,
                            0.008112827092187956,
                            -0.0006558089855256322,
                            2.5216117861872e-05};
    DirectForm16 ref(2.229190766075972e-07, den);
    VM_ButterFilter f;
    const auto s = driveLikeSignal(6000);
    for (size_t n = 0; n < s.size(); ++n)
    {
        const float in = static_cast<float>(s[n]);
        ASSERT_EQ(f.update(in), static_cast<float>(ref.step(in))) << n;
    }
}

// Settling value of the diode clipper for a constant input u: the root of
// c (u - v) = L sinh(v / Vt).
double diodeEquilibrium(double u)
{
    double lo = 0.0, hi = u;
    for (int i = 0; i < 200; ++i)
    {
        const double v = 0.5 * (lo + hi);
        (VM_Diode::c * (u - v) - VM_Diode::L * std::sinh(v / VM_Diode::Vt) > 0.0 ? lo : hi) = v;
    }
    return 0.5 * (lo + hi);
}

TEST(Diode, ZeroInStaysExactlyZero)
{
    VM_Diode d;
    d.prepare(44100.0);
    for (int n = 0; n < 10; ++n)
        EXPECT_EQ(d.process(0.0, 0.8), 0.0);
}

// A constant input of 1 settles where the resistor current balances the
// diode current, about 0.325 V.
TEST(Diode, SettlesOnTheCircuitEquilibrium)
{
    VM_Diode d;
    d.prepare(44100.0);
    double v = 0.0;
    for (int n = 0; n < 2000; ++n)
        v = d.process(1.0, 1.0);
    EXPECT_NEAR(v, diodeEquilibrium(1.0), 1e-6);
    EXPECT_NEAR(v, 0.325, 0.005);
}

// For small signals the diode pair is a conductance M and the circuit is a
// one-pole low-pass with corner (c + M) / 2pi, about 4.82 kHz. The two-stage
// step at 88.2 kHz turns it into v[n+1] = alpha v[n] + beta u[n], whose
// response the measured one must follow; its -3 dB point lies at 4.3 kHz.
TEST(Diode, SmallSignalOnePoleCorner)
{
    const double c = VM_Diode::c, M = VM_Diode::M, T = 1.0 / 88200.0;
    const double corner = (c + M) / (2.0 * fxtest::kPi);
    EXPECT_NEAR(corner, 4824.0, 1.0);

    const double a = (c + M) * T / 2.0;
    const double alpha = (1.0 + a / 2.0) / ((1.0 + a) * (1.0 + 1.5 * a));
    const double beta = (T / 2.0) * c * (1.0 + (1.0 + a / 2.0) / (1.0 + a)) / (1.0 + 1.5 * a);
    auto linearGain = [&](double f) {
        const double w = 2.0 * fxtest::kPi * f * T;
        return beta / std::sqrt(1.0 + alpha * alpha - 2.0 * alpha * std::cos(w));
    };
    auto gainAt = [](double f) {
        VM_Diode d;
        d.prepare(44100.0); // runs at 88.2 kHz
        return sineGain([&](double x) { return d.process(x, 1.0); }, f, 88200.0, 2000, 40000, 1e-4);
    };
    const double dcGain = c / (c + M);
    EXPECT_NEAR(linearGain(0.0), dcGain, 1e-12);
    for (double f : {100.0, 1000.0, corner, 2.0 * corner, 4.0 * corner})
        EXPECT_NEAR(gainAt(f), linearGain(f), 2e-3) << f;

    double f3 = 100.0;
    while (linearGain(f3) > std::sqrt(0.5) * dcGain)
        f3 += 1.0;
    EXPECT_GT(f3, 4200.0);
    EXPECT_LT(f3, 4900.0);
}

// Inputs far beyond any musical level neither overflow nor produce NaN.
TEST(Diode, HugeInputsStayFinite)
{
    for (double u : {1e3, -1e3, 1e6, 1e300, -1e300})
    {
        VM_Diode d;
        d.prepare(48000.0);
        double v = 0.0;
        for (int n = 0; n < 50; ++n)
        {
            v = d.process(u, 1.0);
            ASSERT_TRUE(std::isfinite(v)) << u;
        }
        EXPECT_LE(std::fabs(v), std::fabs(u)) << u; // between 0 and the source voltage
    }
}

// The two-stage step written out as defined, for signals within the clamp of
// the sinh argument: the diode follows it bit for bit at both engine rates.
TEST(Diode, SampleForSampleTheTwoStageStep)
{
    const double c = 30303.030303030308, L = 0.15272727272727274, M = 5.874125874125875, Vt = 0.026;
    auto S = [&](double v) { return std::sinh(v / Vt); };
    auto Ch = [&](double v) { return std::cosh(v / Vt); };
    auto G = [&](double v) { return std::fabs(v) >= 1e-13 ? L * S(v) / v : M; };
    for (double rate : {44100.0, 48000.0})
    {
        const double T = 1.0 / (2.0 * rate);
        VM_Diode d;
        d.prepare(rate);
        EXPECT_EQ(d.T, T);
        double v = 0.0;
        for (int n = 0; n < 4000; ++n)
        {
            const double x = 4.0 * std::sin(0.0071 * n) * std::sin(0.00023 * n), g = 0.3 + 0.0003 * (n % 1000);
            const double u = x * g, vp = v;
            const double H0 = (M * Ch(vp) - G(vp)) * T / 2 + 1.0;
            const double vm =
                0.5 * (vp + (T * c * u - (T / 2) * (c * vp + L * S(vp)) + H0 * vp) / ((G(vp) + c) * T / 2 + H0));
            const double E = (M * Ch(vm) + c) * T / 2 + 1.0;
            v = ((T / 2) * c * u + E * vm - (T / 4) * (c * vm + L * S(vm))) / ((T / 4) * (G(vm) + c) + E);
            ASSERT_EQ(d.process(x, g), v) << rate << " " << n;
        }
    }
}

// Pinned renders: the diode driven hard by a 220 Hz tone, and the 96 kHz
// interpolation filter's step response.
TEST(Golden, DiodeAndButterworth)
{
    VM_Diode d;
    d.prepare(44100.0);
    std::vector<double> diode;
    for (int n = 0; n < 1000; ++n)
        diode.push_back(d.process(3.0 * std::sin(2.0 * fxtest::kPi * 220.0 * n / 88200.0), 0.8));
    fxtest::expectGolden(diode,
                         {{10, 0.25984352482568218},
                          {100, 0.35378805712158345},
                          {250, -0.34275811390172473},
                          {399, -0.14750652941391357},
                          {777, -0.32147328658005953}},
                         "diode");

    VM_ButterFilter b;
    std::vector<double> step;
    for (int n = 0; n < 200; ++n)
        step.push_back(b.update(1.0f));
    fxtest::expectGolden(step,
                         {{5, 0.0087412744760513306},
                          {12, 1.0796889066696167},
                          {20, 1.0670638084411621},
                          {50, 0.99284875392913818},
                          {199, 1}},
                         "butter step");
}
} // namespace
