#pragma once
// Nonlinear four-stage low-pass filter (the VCF) with a tanh input stage and
// resonance feedback from the last stage, integrated with the trapezoidal rule
// and solved per sample by a bounded Newton-type iteration. Includes the cutoff
// glide, the filter envelope, the optional wah tilt and a DC blocker.

#include "VM_Equaliser.h"
#include "VM_FilterEnvelope.h"

#include <cstdint>

class VM_VCF
{
public:
    static constexpr int kMaxIterations = 25;

    // Time step, envelope and all signal state cleared.
    void prepare(double engineRate) noexcept;
    // Stage values, stored terms, wah and DC blocker zeroed; envelope cleared.
    void reset() noexcept;

    // Target cutoff in Hz (the cutoff parameter, held within 200..7000 Hz);
    // the current cutoff glides towards it by 0.02 % per sample.
    void setCutoff(double hz) noexcept;
    // R = 0.0094 * resonance (resonance 1..100).
    void setResonance(double resonance) noexcept;
    void setEnvelopeOn(bool on) noexcept { envelopeOn = on ? 1 : 0; }
    void setWahOn(bool on) noexcept { wahOn = on ? 1 : 0; }

    // Filter envelope trigger; the current cutoff jumps to the target.
    void noteOn(double attack, double decay, double sustain, double release) noexcept;
    void noteOff() noexcept { envelope.noteOff(); }

    double process(double x) noexcept;

    VM_FilterEnvelope envelope;
    double targetCutoff = 4000.0; // fc*
    double cutoff = 4000.0;       // fc
    double R = 0.0;
    uint8_t envelopeOn = 0, wahOn = 0;
    int lastIterations = 0; // iterations of the last sample (for measurement)

private:
    double k = 1.0 / 44100.0;
    double y[4] = {};      // stage values
    double yPrev[4] = {};  // at the previous sample
    double gPrev[4] = {};  // stage terms at the previous sample
    double ySq[4] = {};    // squares from the last iteration
    double tSq = 0.0;      // square of the last tanh
    VM_ShelfFilter wah;
    double dcIn = 0.0, dcOut = 0.0;
    static constexpr double kDcCoeff = 0.993;
};
