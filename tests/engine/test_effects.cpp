#include "VM_Delay.h"
#include "VM_Diode.h"
#include "VM_Drive.h"
#include "VM_Equaliser.h"
#include "VM_Gate.h"
#include "VM_LowPass2D.h"
#include "VM_VCF.h"
#include "fx_test_helpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <memory>
#include <thread>
#include <vector>

namespace
{
using fxtest::sineGain;
using fxtest::toDb;

//==============================================================================
// Equaliser

// Each band measured alone: a shelf reaches its full gain far from its corner
// and half of it (in dB) at the corner; the peaking section has exactly its
// gain at its centre and none far away.
TEST(Equaliser, MeasuredResponseMatchesTheSettings)
{
    enum Band { Low, Mid, High };
    struct Case
    {
        Band band;
        double freq, gainDb, probe, expectedDb, tolDb;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    (void) nan;
    for (double rate : {44100.0, 48000.0})
        for (const Case c : {Case {Low, 100, -10, 10, -10, 0.1},     Case {Low, 100, -10, 100, -5, 0.05},
                             Case {Low, 300, 8, 30, 8, 0.1},         Case {Low, 300, 8, 3000, 0, 0.1},
                             Case {Mid, 1000, 6, 1000, 6, 0.02},     Case {Mid, 2500, -12, 2500, -12, 0.02},
                             Case {Mid, 1000, 6, 100, 0, 0.1},       Case {Mid, 4000, -20, 400, 0, 0.3},
                             Case {High, 12000, -10, 12000, -5, 0.05}, Case {High, 5000, 6, 5000, 3, 0.05},
                             Case {High, 5000, 6, 19000, 6, 0.2},    Case {High, 12000, -10, 500, 0, 0.05}})
        {
            SCOPED_TRACE(testing::Message() << rate << " Hz, band " << c.band << " " << c.freq << " Hz "
                                            << c.gainDb << " dB, probe " << c.probe);
            VM_Equaliser eq;
            eq.prepare(rate);
            if (c.band == Low)
                eq.setLow(c.freq, c.gainDb);
            else if (c.band == Mid)
                eq.setMid(c.freq, c.gainDb);
            else
                eq.setHigh(c.freq, c.gainDb);
            const int settle = static_cast<int>(rate * 0.3);
            const double g = sineGain([&](double x) { return eq.process(x); }, c.probe, rate, settle, settle);
            EXPECT_NEAR(toDb(g), c.expectedDb, c.tolDb);
        }
}

// At 0 dB every band passes the signal unchanged; nonsense settings stay finite.
TEST(Equaliser, FlatAtZeroGainAndSafeWithNonsense)
{
    VM_Equaliser eq;
    eq.prepare(44100.0);
    eq.setLow(100, 0);
    eq.setMid(1000, 0);
    eq.setHigh(12000, 0);
    for (int n = 0; n < 1000; ++n)
    {
        const double x = std::sin(0.1 * n) + 0.3 * std::sin(1.7 * n);
        ASSERT_NEAR(eq.process(x), x, 1e-12);
    }
    const double nan = std::numeric_limits<double>::quiet_NaN();
    eq.setLow(nan, nan);
    eq.setMid(1e9, -1e9);
    eq.setHigh(-5, std::numeric_limits<double>::infinity());
    for (int n = 0; n < 1000; ++n)
        ASSERT_TRUE(std::isfinite(eq.process(std::sin(0.05 * n))));
}

//==============================================================================
// VCF

VM_VCF makeVcf(double rate, double cutoff, double resonance)
{
    VM_VCF f;
    f.prepare(rate);
    f.setCutoff(cutoff);
    f.setResonance(resonance);
    f.noteOn(0.1, 1.0, 1.0, 0.2); // the current cutoff jumps to the target
    return f;
}

double vcfGain(double rate, double cutoff, double resonance, double f)
{
    VM_VCF v = makeVcf(rate, cutoff, resonance);
    return sineGain([&](double x) { return v.process(x); }, f, rate, 8000, 16000, 0.01);
}

// With high resonance the small-signal response peaks near the cutoff and
// stands well above the pass band; with minimum resonance there is no peak.
TEST(VCF, ResonatesNearItsCutoff)
{
    for (double cutoff : {500.0, 1500.0, 4000.0})
    {
        SCOPED_TRACE(cutoff);
        double best = 0.0, bestF = 0.0;
        for (double r = 0.6; r <= 1.6; r *= 1.05)
        {
            const double g = vcfGain(44100.0, cutoff, 100.0, r * cutoff);
            if (g > best)
            {
                best = g;
                bestF = r * cutoff;
            }
        }
        EXPECT_NEAR(bestF / cutoff, 1.0, 0.15);
        const double passBand = vcfGain(44100.0, cutoff, 100.0, 0.2 * cutoff);
        EXPECT_GT(best, 4.0 * passBand);
        EXPECT_LT(vcfGain(44100.0, cutoff, 1.0, cutoff), vcfGain(44100.0, cutoff, 1.0, 0.5 * cutoff));
        EXPECT_LT(vcfGain(44100.0, cutoff, 1.0, 4.0 * cutoff), 0.1 * vcfGain(44100.0, cutoff, 1.0, 0.25 * cutoff));
    }
}

// With the cutoff envelope on and the envelope at zero the filter runs at
// 200 Hz, sample for sample the same as a filter set to 200 Hz.
TEST(VCF, ZeroEnvelopeRunsAt200Hz)
{
    VM_VCF withEnv;
    withEnv.prepare(44100.0);
    withEnv.setCutoff(5000.0);
    withEnv.setResonance(50.0);
    withEnv.setEnvelopeOn(true);
    VM_VCF fixed = makeVcf(44100.0, 200.0, 50.0);
    for (int n = 0; n < 5000; ++n)
    {
        const double x = 0.5 * std::sin(0.05 * n) + 0.2 * std::sin(0.31 * n);
        ASSERT_EQ(withEnv.process(x), fixed.process(x)) << n;
    }
}

// The filter envelope: linear attack to 1, decay to sustain, release from the
// level it has to 0 over the release time; times below 10 ms count as 10 ms.
TEST(VCF, FilterEnvelopeTimes)
{
    VM_FilterEnvelope e;
    e.prepare(48000.0);
    e.noteOn(0.1, 0.5, 0.25, 0.2);
    for (int n = 0; n < 2400; ++n)
        e.next();
    EXPECT_NEAR(e.level, 0.5, 1e-3);
    for (int n = 0; n < 2400 + 12000; ++n)
        e.next();
    EXPECT_NEAR(e.level, 1.0 - 0.75 * 0.5, 2e-3); // halfway through the decay
    for (int n = 0; n < 20000; ++n)
        e.next();
    EXPECT_NEAR(e.level, 0.25, 1e-4);
    e.noteOff();
    for (int n = 0; n < 4800; ++n)
        e.next();
    EXPECT_NEAR(e.level, 0.125, 1e-3);
    for (int n = 0; n < 4810; ++n)
        e.next();
    EXPECT_EQ(e.level, 0.0);
    EXPECT_EQ(e.releasing, 0);

    e.noteOn(0.0, 0.0, 1.0, 0.0);
    for (int n = 0; n < 240; ++n)
        e.next();
    EXPECT_NEAR(e.level, 0.5, 1e-3);
}

// The cutoff glides towards a new target by 0.02 % per sample.
TEST(VCF, CutoffGlidesExponentially)
{
    VM_VCF v = makeVcf(44100.0, 1000.0, 10.0);
    v.setCutoff(2000.0);
    const int steps = static_cast<int>(std::ceil(std::log(2.0) / std::log(1.0002)));
    for (int n = 0; n < steps - 10; ++n)
        v.process(0.0);
    EXPECT_LT(v.cutoff, 2000.0);
    for (int n = 0; n < 20; ++n)
        v.process(0.0);
    EXPECT_NEAR(v.cutoff, 2000.0, 2000.0 * 0.0002);
}

// The VCF written out step by step from its definition: cutoff glide, envelope,
// effective cutoff, wah shelf 20 dB down below it, h = k w / 2 with w = 2 pi fe,
// the iteration on the trapezoidal residuals, output gain, wah, DC blocker.
// The elimination of the 4x4 system uses the same arithmetic as the filter, so
// the two must agree to the last bit.
struct ReferenceVcf
{
    double k, targetCutoff, fc = 4000.0, R;
    bool envelopeOn = false, wahOn = false;

    double e = 0.0, sustain = 1.0, attackInc = 0.0, decayInc = 0.0, releaseDec = 0.0, releaseTime = 0.01;
    bool attacking = false, decaying = false, releasing = false;

    double y[4] = {}, yPrev[4] = {}, gPrev[4] = {}, ySq[4] = {}, tSq = 0.0;
    double wn = 1, wb0 = 1, wb1 = 0, wb2 = 0, wa1 = 0, wa2 = 0, wx1 = 0, wx2 = 0, wy1 = 0, wy2 = 0;
    double dcIn = 0.0, dcOut = 0.0;

    ReferenceVcf(double rate, double cutoff, double resonance)
        : k(1.0 / rate), targetCutoff(cutoff), R(0.0094 * resonance)
    {
    }

    void noteOn(double a, double d, double s, double r)
    {
        sustain = s;
        attackInc = k / std::max(a, 0.01);
        decayInc = k * (s - 1.0) / std::max(d, 0.01);
        releaseTime = std::max(r, 0.01);
        releasing = false;
        attacking = true;
        decaying = false;
        fc = targetCutoff;
    }

    void noteOff()
    {
        if (e > 0.0)
        {
            releaseDec = e * k / releaseTime;
            releasing = true;
        }
        else
        {
            e = 0.0;
            releasing = false;
        }
        attacking = decaying = false;
    }

    double process(double x)
    {
        if (targetCutoff - fc > 0.0002 * fc)
            fc = 1.0002 * fc;
        else if (fc - targetCutoff > 0.0002 * fc)
            fc = 0.9998 * fc;

        if (attacking)
        {
            e += attackInc;
            if (e > 1.0)
            {
                attacking = false;
                if (sustain < 1.0)
                    decaying = true;
            }
        }
        else if (decaying)
        {
            e += decayInc;
            if (e < sustain)
                decaying = false;
        }
        if (releasing)
        {
            e -= releaseDec;
            if (e < 0.0)
            {
                e = 0.0;
                attacking = decaying = releasing = false;
            }
        }

        const double fe = envelopeOn ? e * (fc - 200.0) + 200.0 : fc;
        if (wahOn)
        {
            const double W = std::tan(fxtest::kPi * fe * k), V = std::sqrt(std::pow(10.0, -1.0));
            const double W2 = W * W, sV = std::sqrt(2.0) * std::sqrt(V) * W;
            wn = 1.0 / (sV + V + W2);
            wa1 = 2.0 * (W2 - V);
            wa2 = V + W2 - sV;
            wb0 = V * (V * W2 + sV + 1.0);
            wb1 = 2.0 * V * (V * W2 - 1.0);
            wb2 = V * (V * W2 - sV + 1.0);
        }

        const double w = 2.0 * fxtest::kPi * fe;
        const double h = k * w / 2.0;
        const double z = 1.2 * x;

        double r[4] = {1e-5, 1e-5, 1e-5, 1e-5};
        double g[4] = {gPrev[0], gPrev[1], gPrev[2], gPrev[3]};
        for (int it = 0; it < 25; ++it)
        {
            double c[4];
            for (int i = 0; i < 4; ++i)
                c[i] = h * (1.0 - ySq[i]);
            const double J14 = 4.0 * h * R * (1.0 - tSq);
            const double inv1 = 1.0 / (1.0 + c[0]);
            const double al1 = r[0] * inv1, be1 = -J14 * inv1;
            const double inv2 = 1.0 / (1.0 + c[1]);
            const double al2 = (r[1] + c[0] * al1) * inv2, be2 = c[0] * be1 * inv2;
            const double inv3 = 1.0 / (1.0 + c[2]);
            const double al3 = (r[2] + c[1] * al2) * inv3, be3 = c[1] * be2 * inv3;
            const double d4 = (r[3] + c[2] * al3) / (1.0 + c[3] - c[2] * be3);
            const double d[4] = {al1 + be1 * d4, al2 + be2 * d4, al3 + be3 * d4, d4};

            double dmax = 0.0;
            for (double v : d)
                dmax = std::max(dmax, std::fabs(v));
            if (dmax < 1e-8)
                break;
            for (int i = 0; i < 4; ++i)
            {
                y[i] -= d[i];
                ySq[i] = y[i] * y[i];
            }
            const double t = std::tanh(z + 4.0 * R * y[3]);
            tSq = t * t;
            g[0] = t + y[0];
            for (int i = 1; i < 4; ++i)
                g[i] = y[i] - y[i - 1];
            for (int i = 0; i < 4; ++i)
                r[i] = (y[i] - yPrev[i]) + h * (g[i] + gPrev[i]);
        }

        double o = (1.0 + 0.8 * R) * y[3];
        if (wahOn)
        {
            const double wy = wn * (wb0 * o + wb1 * wx1 + wb2 * wx2 - wa1 * wy1 - wa2 * wy2);
            wx2 = wx1;
            wx1 = o;
            wy2 = wy1;
            wy1 = wy;
            o = 6.0 * wy;
        }
        const double dc = 0.993 * dcOut + o - dcIn;
        dcIn = o;
        dcOut = dc;
        for (int i = 0; i < 4; ++i)
        {
            yPrev[i] = y[i];
            gPrev[i] = g[i];
        }
        return 1.3 * dc;
    }
};

// The filter follows its definition sample for sample, bit for bit, with the
// envelope sweeping the cutoff (so h changes every sample), with and without
// the wah, and through a glide to a new target.
TEST(VCF, SampleForSampleAsDefined)
{
    for (double rate : {44100.0, 48000.0})
        for (bool wah : {false, true})
        {
            SCOPED_TRACE(testing::Message() << rate << " Hz, wah " << wah);
            VM_VCF v;
            v.prepare(rate);
            v.setCutoff(3170.0);
            v.setResonance(83.0);
            v.setEnvelopeOn(true);
            v.setWahOn(wah);
            ReferenceVcf ref(rate, 3170.0, 83.0);
            ref.envelopeOn = true;
            ref.wahOn = wah;
            v.noteOn(0.05, 0.3, 0.4, 0.1);
            ref.noteOn(0.05, 0.3, 0.4, 0.1);
            for (int n = 0; n < 24000; ++n)
            {
                if (n == 9000)
                {
                    v.noteOff();
                    ref.noteOff();
                }
                if (n == 12000)
                {
                    v.setEnvelopeOn(false);
                    ref.envelopeOn = false;
                    v.setCutoff(650.0);
                    ref.targetCutoff = 650.0;
                }
                const double x = 0.7 * std::sin(2.0 * fxtest::kPi * 233.0 * n / rate) +
                                 0.2 * std::sin(2.0 * fxtest::kPi * 3911.0 * n / rate);
                ASSERT_EQ(v.process(x), ref.process(x)) << n;
                ASSERT_EQ(v.cutoff, ref.fc) << n;
            }
        }
}

// The filter envelope released at level 0 stays at 0 with every stage off;
// released while rising it falls from where it is over the release time.
TEST(VCF, FilterEnvelopeReleaseAtLevelZero)
{
    VM_FilterEnvelope e;
    e.prepare(44100.0);
    e.noteOn(0.2, 0.5, 0.5, 0.3);
    e.noteOff(); // before the first step: the level is still 0
    EXPECT_EQ(e.level, 0.0);
    EXPECT_EQ(e.attacking, 0);
    EXPECT_EQ(e.decaying, 0);
    EXPECT_EQ(e.releasing, 0);
    for (int n = 0; n < 100; ++n)
        ASSERT_EQ(e.next(), 0.0) << n;

    e.noteOn(0.2, 0.5, 0.5, 0.3);
    for (int n = 0; n < 4410; ++n)
        e.next();
    const double from = e.level; // about 0.5, still in the attack
    e.noteOff();
    EXPECT_EQ(e.releasing, 1);
    EXPECT_EQ(e.attacking, 0);
    EXPECT_EQ(e.releaseDec, from * (1.0 / 44100.0) / 0.3);
    int steps = 0;
    while (e.releasing && steps < 100000)
    {
        e.next();
        ++steps;
    }
    EXPECT_EQ(e.level, 0.0);
    EXPECT_NEAR(steps, 0.3 * 44100.0, 2.0);
}

// The iteration is bounded, loud inputs stay finite, and a non-finite input
// does not poison the filter.
TEST(VCF, BoundedIterationAndFiniteOutput)
{
    for (bool wah : {false, true})
    {
        VM_VCF v = makeVcf(48000.0, 7000.0, 100.0);
        v.setWahOn(wah);
        int worst = 0;
        for (int n = 0; n < 4000; ++n)
        {
            const double x = (n == 1000) ? std::numeric_limits<double>::quiet_NaN() : 50.0 * std::sin(0.2 * n);
            const double y = v.process(x);
            ASSERT_TRUE(std::isfinite(y)) << n;
            worst = std::max(worst, v.lastIterations);
        }
        EXPECT_LE(worst, VM_VCF::kMaxIterations);
        EXPECT_GE(worst, 2);
        EXPECT_NE(v.process(0.3), 0.0); // still running after the NaN
    }
}

//==============================================================================
// Drive

// The drive's wet path assembled from its parts: zero-stuffed interpolation,
// diode on both sub-samples, decimation and DC blocker.
struct ReferenceDrive
{
    VM_LowPass2D up, down;
    VM_Diode diode;
    double dIn = 0.0, dOut = 0.0;
    ReferenceDrive() { diode.prepare(44100.0); }
    double wet(double x, double m)
    {
        const double c = 0.025 * m + 0.3;
        const double q1 = diode.process(2.0 * up.update(x), c);
        const double q2 = diode.process(2.0 * up.update(0.0), c);
        const double r = down.update(q1);
        down.update(q2);
        const double d = 0.995 * dOut + r - dIn;
        dIn = r;
        dOut = d;
        return d;
    }
};

// Below 1 the stage is bypassed; from 1 to 2 it blends dry into 3x wet; from
// 2 to 52 the wet gain falls from 3 to 1.5, and stays at 1.5 above.
TEST(Drive, ThreeRegions)
{
    struct Case
    {
        double m, wetGain, dryGain;
    };
    for (const Case c : {Case {1.0, 0.0, 1.0}, Case {1.25, 0.75, 0.75}, Case {1.5, 1.5, 0.5}, Case {2.0, 3.0, 0.0},
                         Case {27.0, 2.25, 0.0}, Case {51.9, 1.5 * (1.0 + 0.02 * (2.0 - 51.9)) + 1.5, 0.0},
                         Case {52.0, 1.5, 0.0}, Case {100.0, 1.5, 0.0}})
    {
        SCOPED_TRACE(c.m);
        VM_Drive drive;
        drive.prepare(44100.0);
        ReferenceDrive ref;
        for (int n = 0; n < 3000; ++n)
        {
            const double x = 0.8 * std::sin(2.0 * fxtest::kPi * 330.0 * n / 44100.0);
            const double expected = static_cast<float>(c.wetGain * ref.wet(x, c.m) + c.dryGain * x);
            ASSERT_NEAR(drive.process(x, c.m), expected, 1e-6 * (1.0 + std::fabs(expected))) << n;
        }
    }
    VM_Drive bypass;
    bypass.prepare(44100.0);
    for (double m : {0.0, 0.99, std::nan("")})
        for (double x : {0.3, -1e-7, 5.0})
            EXPECT_EQ(bypass.process(x, m), x);
}

// A quiet input does not wake the stage; once awake, the silence watch clears
// it after the signal has died away and the stage outputs exact zeros.
TEST(Drive, SilenceWatchClearsTheStage)
{
    VM_Drive drive;
    drive.prepare(48000.0);
    EXPECT_EQ(drive.process(5e-5, 10.0), 0.0);
    EXPECT_EQ(drive.active, 0);
    for (int n = 0; n < 2000; ++n)
        drive.process(0.5 * std::sin(0.05 * n), 10.0);
    EXPECT_EQ(drive.active, 1);
    int clearedAt = -1;
    for (int n = 0; n < 200000 && clearedAt < 0; ++n)
    {
        drive.process(0.0, 10.0);
        if (!drive.active)
            clearedAt = n;
    }
    ASSERT_GT(clearedAt, 0);
    EXPECT_EQ(drive.cleared, 1);
    EXPECT_EQ(drive.diode.v, 0.0);
    for (int n = 0; n < 100; ++n)
        EXPECT_EQ(drive.process(1e-5, 10.0), 0.0);
}

//==============================================================================
// Gate

// An LFO that stays above the threshold opens a closed gate fully in 10000
// samples; below it the gate closes as fast, down to 1 - depth.
TEST(Gate, OpensAndClosesIn10000Samples)
{
    VM_Gate gate;
    gate.prepare(44100.0);
    gate.setRates(0.0, 1.0);
    gate.setThreshold(0.5);
    gate.phase1 = 0.5 * fxtest::kPi; // |sin| = 1, above the threshold
    double y = 0.0;
    for (int n = 0; n < 5000; ++n)
        y = gate.process(1.0, 100.0, false, false);
    EXPECT_NEAR(y, 0.5, 1e-9);
    for (int n = 0; n < 4990; ++n)
        y = gate.process(1.0, 100.0, false, false);
    EXPECT_LT(y, 1.0);
    for (int n = 0; n < 20; ++n)
        y = gate.process(1.0, 100.0, false, false);
    EXPECT_EQ(y, 1.0);
    EXPECT_EQ(gate.opening, 0);

    gate.setThreshold(1.5); // now below: close
    for (int n = 0; n < 10010; ++n)
        y = gate.process(1.0, 60.0, false, false);
    EXPECT_NEAR(y, 0.4, 1e-12);
}

// The detector: one LFO, the product of two, or their mean.
TEST(Gate, DetectorCombinesTheLfos)
{
    struct Case
    {
        bool lfo2, add;
        double threshold;
        bool opens;
    };
    // LFO 1 at |sin| = 1, LFO 2 at |sin| = 0.5.
    for (const Case c : {Case {false, false, 0.9, true}, Case {true, false, 0.6, false}, Case {true, false, 0.4, true},
                         Case {true, true, 0.7, true}, Case {true, true, 0.8, false}})
    {
        VM_Gate gate;
        gate.prepare(44100.0);
        gate.setRates(0.0, 0.0);
        gate.setThreshold(c.threshold);
        gate.phase1 = 0.5 * fxtest::kPi;
        gate.phase2 = fxtest::kPi / 6.0;
        double y = 0.0;
        for (int n = 0; n < 100; ++n)
            y = gate.process(1.0, 100.0, c.lfo2, c.add);
        EXPECT_EQ(y > 0.0, c.opens) << c.lfo2 << c.add << c.threshold;
    }
}

// The signal is scaled by (Dg/100) g + (1 - Dg/100), Dg the smoothed gate
// depth in percent (a single-precision value), exactly as written.
TEST(Gate, DepthScalesTheSignalExactly)
{
    int sensitive = 0; // depths where scaling by 0.01 would give another result
    for (int i = 0; i <= 700; ++i)
    {
        const double depth = static_cast<float>(30.0 + 0.1 * i);
        VM_Gate gate;
        gate.prepare(44100.0);
        gate.setRates(0.0, 0.0);
        gate.setThreshold(0.5);
        gate.phase1 = 0.5 * fxtest::kPi; // above the threshold: opening
        gate.g = 0.3;
        const double x = 0.7310585786300049;
        const double y = gate.process(x, depth, false, false);
        ASSERT_EQ(gate.g, 0.3 + 0.0001);
        ASSERT_EQ(y, x * ((depth / 100.0) * gate.g + (1.0 - depth / 100.0))) << depth;
        if (y != x * ((0.01 * depth) * gate.g + (1.0 - 0.01 * depth)))
            ++sensitive;
    }
    EXPECT_GT(sensitive, 0);
}

// The editor re-aligns the LFO phases from its own thread; the audio thread
// takes the request at its next sample.
TEST(Gate, PhaseAlignmentRequestFromAnotherThread)
{
    VM_Gate gate;
    gate.prepare(48000.0);
    gate.setRates(3.0, 0.5);
    for (int n = 0; n < 1000; ++n)
        gate.process(1.0, 100.0, true, false);
    std::thread editor([&] { gate.requestPhaseAlignment(VM_Gate::phaseFromDegrees(90.0)); });
    editor.join();
    gate.process(1.0, 100.0, true, false);
    EXPECT_DOUBLE_EQ(gate.phase1, gate.inc1);
    EXPECT_DOUBLE_EQ(gate.phase2, 0.5 * fxtest::kPi + gate.inc2);

    // Many requests racing with processing leave valid phases.
    std::atomic<bool> stop {false};
    std::thread spammer([&] {
        for (int i = 0; i < 2000 && !stop; ++i)
            gate.requestPhaseAlignment(0.001 * i);
    });
    for (int n = 0; n < 20000; ++n)
    {
        gate.process(1.0, 100.0, true, true);
        ASSERT_GE(gate.phase2, 0.0);
        ASSERT_LE(gate.phase2, 2.0 * fxtest::kPi);
    }
    stop = true;
    spammer.join();
}

//==============================================================================
// Delay

// Length in samples from tempo and note: 60000 / (bpm * note) ms, tempo at
// least 60 bpm, note a whole number 1..4, at most 1000 ms.
TEST(Delay, LengthFromTempoAndNote)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case
    {
        double rate, bpm, note;
        float samples;
    };
    for (const Case c : {Case {44100, 120, 1, 22050.0f}, Case {44100, 60, 1, 44100.0f}, Case {48000, 60, 1, 48000.0f},
                         Case {44100, 30, 1, 44100.0f}, Case {44100, 160, 4, 4134.375f}, Case {48000, 110, 2.9, 13090.9092f},
                         Case {44100, 120, nan, 22050.0f}, Case {44100, 120, -3, 22050.0f}, Case {44100, 120, 9, 5512.5f},
                         Case {44100, 120, inf, 22050.0f}, Case {44100, nan, 2, 22050.0f}, Case {44100, -inf, 1, 44100.0f}, Case {44100, 1e30, 1, 0.0f}})
    {
        VM_Delay d;
        d.prepare(c.rate);
        d.setTempo(c.bpm, c.note);
        EXPECT_NEAR(d.length, c.samples, 1e-3) << c.bpm << " bpm, note " << c.note;
        EXPECT_GE(d.length, 0.0f);
        EXPECT_LE(d.length, static_cast<float>(c.rate));
    }
}

// A 500 ms delay at 44.1 kHz reads 22050 samples behind the write index. The
// read interpolates between that position and the one before it, so an
// impulse comes back 22051 samples later, low-passed, and repeats through the
// feedback.
TEST(Delay, ImpulseReturnsAfterTheLength)
{
    VM_Delay d;
    d.prepare(44100.0);
    d.writeIndex = 1234;
    d.setTempo(120, 1);
    EXPECT_EQ(d.length, 22050.0f);
    EXPECT_EQ(d.readPos, static_cast<float>(1234 - 22050 + VM_Delay::kSize));
    d.setFeedback(40);
    d.setLevel(50);
    std::vector<double> wet;
    for (int n = 0; n < 50000; ++n)
        wet.push_back(d.process(n == 0 ? 1.0 : 0.0) - (n == 0 ? 1.0 : 0.0));
    for (int n = 0; n <= 22050; ++n)
        ASSERT_EQ(wet[n], 0.0) << n;
    const double c = d.toneCoeff;
    const double first = 0.22 * 0.5 * (1.0 + c); // input level 0.22, low-pass gain (1 + c) / 2 at once
    EXPECT_NEAR(wet[22051], first, 1e-7);
    double firstPass = 0.0; // the tone filter has unit gain at DC
    for (int n = 22051; n < 2 * 22051; ++n)
        firstPass += wet[n];
    EXPECT_NEAR(firstPass, 0.22, 1e-6);
    EXPECT_GT(std::fabs(wet[2 * 22051 + 1]), 0.1 * first); // second pass through the feedback of 0.35
}

// Whole-number lengths walk the read position up to 48002, the alias of 0;
// that read takes 0 for the sample past the buffer and the output stays that
// of an ideal ring buffer.
TEST(Delay, WrapAtTheBufferEndMatchesAnIdealRing)
{
    VM_Delay d;
    d.prepare(44100.0);
    d.setTempo(120, 1); // 22050 samples, whole
    d.setFeedback(80);
    d.setLevel(100);

    std::vector<float> ring(VM_Delay::kSize, 0.0f);
    int w = 0;
    double s = 0.0;
    const double c = d.toneCoeff;
    float maxPos = 0.0f;
    for (int n = 0; n < 3 * VM_Delay::kSize; ++n)
    {
        const double x = std::sin(0.013 * n) * (n % 7 == 0 ? 1.0 : 0.2);
        maxPos = std::max(maxPos, d.readPos);
        const double got = d.process(x);

        const float wv = ring[static_cast<size_t>((w - 22050 - 1 + 2 * VM_Delay::kSize) % VM_Delay::kSize)];
        const double q = wv - c * s;
        const double y = 0.5 * (wv + s + c * q);
        s = q;
        ring[static_cast<size_t>(w)] = static_cast<float>(d.feedback * y + d.level * x);
        w = (w + 1) % VM_Delay::kSize;
        ASSERT_EQ(got, x + y) << n;
    }
    EXPECT_EQ(maxPos, static_cast<float>(VM_Delay::kSize));
}

// Nonsense settings and inputs reach neither NaN nor an index outside the
// delay buffer.
TEST(Effects, NonsenseInputsStayFinite)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    VM_Gate gate;
    gate.prepare(44100.0);
    gate.setRates(nan, inf);
    gate.setThreshold(nan);
    gate.requestPhaseAlignment(inf);
    static VM_Delay delay;
    delay.prepare(48000.0);
    delay.setTempo(inf, nan);
    delay.setFeedback(nan);
    delay.setLevel(inf);
    for (int n = 0; n < 5000; ++n)
    {
        const double x = (n % 100 == 0) ? nan : (n % 77 == 0 ? inf : std::sin(0.1 * n));
        const double g = gate.process(std::isfinite(x) ? x : 0.0, n % 3 == 0 ? nan : 1e9, true, n % 2 == 0);
        ASSERT_TRUE(std::isfinite(g)) << n;
        const double d = delay.process(x) - (std::isfinite(x) ? x : 0.0);
        ASSERT_TRUE(std::isfinite(x) ? std::isfinite(d) : true) << n;
    }
    for (float v : delay.buffer)
        ASSERT_TRUE(std::isfinite(v));
}

//==============================================================================
// Pinned renders of the main stages.

std::vector<double> testSignal(int n, double rate)
{
    std::vector<double> x(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
    {
        const double t = i / rate;
        x[i] = 0.6 * std::sin(2.0 * fxtest::kPi * 220.0 * t) + 0.3 * std::sin(2.0 * fxtest::kPi * 1870.0 * t) *
                                                                   std::exp(-3.0 * t);
    }
    return x;
}

TEST(Golden, EffectStages)
{
    const double rate = 44100.0;
    const auto x = testSignal(8000, rate);

    VM_Equaliser eq;
    eq.prepare(rate);
    eq.setLow(100, -5);
    eq.setMid(1000, 1);
    eq.setHigh(12000, -10);
    std::vector<double> e;
    for (double v : x)
        e.push_back(eq.process(v));
    fxtest::expectGolden(e,
                         {{3, 0.24426155601253413},
                          {777, -0.43723356543223579},
                          {4000, -0.16844842591321499},
                          {7999, -0.062625295279993123}},
                         "equaliser");

    VM_VCF vcf;
    vcf.prepare(rate);
    vcf.setCutoff(3000);
    vcf.setResonance(70);
    vcf.setEnvelopeOn(true);
    vcf.noteOn(0.1, 1.0, 0.5, 0.2);
    std::vector<double> f;
    for (int n = 0; n < 8000; ++n)
    {
        if (n == 5000)
            vcf.noteOff();
        f.push_back(vcf.process(x[n]));
    }
    fxtest::expectGolden(f,
                         {{3, -4.5768628661906519e-07},
                          {777, 0.33332043288485591},
                          {4000, -0.017473468118390654},
                          {5555, 0.23096744937436184},
                          {7999, 0.50209023748729475}},
                         "vcf");

    VM_VCF wah = makeVcf(rate, 1200, 40);
    wah.setWahOn(true);
    std::vector<double> wv;
    for (double v : x)
        wv.push_back(wah.process(v));
    fxtest::expectGolden(wv,
                         {{3, -0.0015929880885610886},
                          {777, 0.14778298617172217},
                          {4000, -0.11692237108226038},
                          {7999, 0.21816737691827826}},
                         "wah");

    VM_Drive drive;
    drive.prepare(rate);
    std::vector<double> dr;
    for (int n = 0; n < 8000; ++n)
        dr.push_back(drive.process(x[n], 1.0 + 0.01 * n));
    fxtest::expectGolden(dr,
                         {{10, 0.31910532712936401},
                          {150, -0.50813645124435425},
                          {777, -0.70985007286071777},
                          {4000, -0.15391384065151215},
                          {7999, -0.415149986743927}},
                         "drive");

    VM_Gate gate;
    gate.prepare(rate);
    gate.setRates(3.0, 1.5);
    gate.setThreshold(0.6);
    gate.alignPhases(VM_Gate::phaseFromDegrees(45.0));
    std::vector<double> g;
    for (double v : x)
        g.push_back(gate.process(v, 80.0, true, false));
    fxtest::expectGolden(g,
                         {{3000, 0.034834697633690154},
                          {5000, -0.088150229781722378},
                          {7999, -0.12821097799749612}},
                         "gate");

    VM_Delay delay;
    delay.prepare(rate);
    delay.setTempo(137.0, 3); // 146 ms, fractional length
    delay.setFeedback(60);
    delay.setLevel(70);
    std::vector<double> dl;
    for (int n = 0; n < 20000; ++n)
        dl.push_back(delay.process(n < 8000 ? x[n] : 0.0));
    fxtest::expectGolden(dl,
                         {{6500, 0.31969981721830854},
                          {9000, -0.17101296830000778},
                          {15000, -0.049132081467356703},
                          {19999, 0.02329237468329089}},
                         "delay");
}
} // namespace
