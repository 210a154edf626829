#pragma once
// Linear attack-decay-sustain-release envelope of the VCF cutoff.

#include "VM_LinearEnvelope.h"

class VM_FilterEnvelope : public VM_LinearEnvelope
{
public:
    void prepare(double engineRate) noexcept
    {
        k = 1.0 / engineRate;
        reset();
    }

    // Times in seconds (raised to at least 0.01 s), sustain level in [0, 1].
    // The level starts from where it is.
    void noteOn(double attack, double decay, double sustainLevel, double release) noexcept;
    // Linear fall from the present level to 0 over the release time.
    void noteOff() noexcept { release(k); }

    // Envelope times and sustain as last triggered.
    double attackParam = 0.1, decayParam = 1.0, sustainParam = 1.0, releaseParam = 0.2;
    double k = 1.0 / 44100.0;
};
