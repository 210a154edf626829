#include "VM_VCF.h"

#include "VM_Common.h"

#include <algorithm>
#include <cmath>

void VM_VCF::prepare(double engineRate) noexcept
{
    k = 1.0 / engineRate;
    envelope.prepare(engineRate);
    reset();
}

void VM_VCF::reset() noexcept
{
    for (int i = 0; i < 4; ++i)
        y[i] = yPrev[i] = gPrev[i] = ySq[i] = 0.0;
    tSq = 0.0;
    wah.reset();
    dcIn = dcOut = 0.0;
    envelope.reset();
}

void VM_VCF::setCutoff(double hz) noexcept
{
    if (std::isfinite(hz))
        targetCutoff = std::clamp(hz, 200.0, 7000.0);
}

void VM_VCF::setResonance(double resonance) noexcept
{
    if (std::isfinite(resonance))
        R = 0.0094 * std::clamp(resonance, 0.0, 100.0);
}

void VM_VCF::noteOn(double attack, double decay, double sustain, double release) noexcept
{
    envelope.noteOn(attack, decay, sustain, release);
    cutoff = targetCutoff;
}

double VM_VCF::process(double x) noexcept
{
    // Cutoff glide.
    if (targetCutoff - cutoff > 0.0002 * cutoff)
        cutoff *= 1.0002;
    else if (cutoff - targetCutoff > 0.0002 * cutoff)
        cutoff *= 0.9998;

    const double e = envelope.next();
    const double fe = envelopeOn ? e * (cutoff - 200.0) + 200.0 : cutoff;

    if (wahOn)
        wah.setLowShelf(std::tan(vm::kPi * fe * k), 0.31622776601683794); // 20 dB down below fe

    // dy_i/dt = -w g_i with g1 = tanh(z + 4R y4) + y1, g_i = y_i - y_(i-1);
    // trapezoidal residuals r_i = (y_i - y_i,prev) + h (g_i + g_i,prev).
    // h = k w / 2 with w = 2 pi fe, evaluated in exactly that order.
    const double w = vm::kTwoPi * fe;
    const double h = k * w / 2.0;
    const double z = 1.2 * x;

    double r[4] = {1e-5, 1e-5, 1e-5, 1e-5};
    double g[4] = {gPrev[0], gPrev[1], gPrev[2], gPrev[3]};
    int it = 0;
    while (it < kMaxIterations)
    {
        ++it;
        // J: diagonal 1 + h(1 - y_i^2), sub-diagonal -h(1 - y_(i-1)^2),
        // corner J14 = 4hR(1 - t^2). Eliminate d1..d3 into the d4 equation:
        // d_i = alpha_i + beta_i d4.
        const double c1 = h * (1.0 - ySq[0]);
        const double c2 = h * (1.0 - ySq[1]);
        const double c3 = h * (1.0 - ySq[2]);
        const double c4 = h * (1.0 - ySq[3]);
        const double J14 = 4.0 * h * R * (1.0 - tSq);

        const double inv1 = 1.0 / (1.0 + c1);
        const double al1 = r[0] * inv1, be1 = -J14 * inv1;
        const double inv2 = 1.0 / (1.0 + c2);
        const double al2 = (r[1] + c1 * al1) * inv2, be2 = c1 * be1 * inv2;
        const double inv3 = 1.0 / (1.0 + c3);
        const double al3 = (r[2] + c2 * al2) * inv3, be3 = c2 * be2 * inv3;
        const double d4 = (r[3] + c3 * al3) / (1.0 + c4 - c3 * be3);
        const double d1 = al1 + be1 * d4;
        const double d2 = al2 + be2 * d4;
        const double d3 = al3 + be3 * d4;

        const double dmax = std::max(std::max(std::fabs(d1), std::fabs(d2)), std::max(std::fabs(d3), std::fabs(d4)));
        if (dmax < 1e-8)
            break;

        y[0] -= d1;
        y[1] -= d2;
        y[2] -= d3;
        y[3] -= d4;
        for (int i = 0; i < 4; ++i)
            ySq[i] = y[i] * y[i];
        const double t = std::tanh(z + 4.0 * R * y[3]);
        tSq = t * t;

        g[0] = t + y[0];
        g[1] = y[1] - y[0];
        g[2] = y[2] - y[1];
        g[3] = y[3] - y[2];
        for (int i = 0; i < 4; ++i)
            r[i] = (y[i] - yPrev[i]) + h * (g[i] + gPrev[i]);
    }
    lastIterations = it;

    double o = (1.0 + 0.8 * R) * y[3];
    if (wahOn)
        o = 6.0 * wah.process(o);

    // DC blocker.
    const double d = kDcCoeff * dcOut + o - dcIn;
    dcIn = o;
    dcOut = d;

    if (!std::isfinite(d))
    {
        // A non-finite input would poison the stages for good: start clean.
        const double e0 = envelope.level;
        const uint8_t a = envelope.attacking, dc = envelope.decaying, rl = envelope.releasing;
        reset();
        envelope.level = e0;
        envelope.attacking = a;
        envelope.decaying = dc;
        envelope.releasing = rl;
        return 0.0;
    }

    for (int i = 0; i < 4; ++i)
    {
        yPrev[i] = y[i];
        gPrev[i] = g[i];
    }
    return 1.3 * d;
}
