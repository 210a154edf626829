#pragma once
// Linear attack-decay-sustain-release envelope of the VCF cutoff.

#include <cstdint>

class VM_FilterEnvelope
{
public:
    void prepare(double engineRate) noexcept
    {
        k = 1.0 / engineRate;
        reset();
    }
    // Level 0, all stages off.
    void reset() noexcept
    {
        level = 0.0;
        attacking = decaying = releasing = 0;
    }

    // Times in seconds (raised to at least 0.01 s), sustain level in [0, 1].
    // The level starts from where it is.
    void noteOn(double attack, double decay, double sustainLevel, double release) noexcept;
    // Linear fall from the present level to 0 over the release time.
    void noteOff() noexcept;

    // One step; returns the level.
    double next() noexcept
    {
        if (attacking)
        {
            level += attackInc;
            if (level > 1.0)
            {
                attacking = 0;
                if (sustain < 1.0)
                    decaying = 1;
            }
        }
        else if (decaying)
        {
            level += decayInc;
            if (level < sustain)
                decaying = 0;
        }
        if (releasing)
        {
            level -= releaseDec;
            if (level < 0.0)
            {
                level = 0.0;
                attacking = decaying = releasing = 0;
            }
        }
        return level;
    }

    double level = 0.0, sustain = 1.0;
    double attackInc = 0.0, decayInc = 0.0, releaseDec = 0.0, releaseTime = 0.01;
    uint8_t attacking = 0, decaying = 0, releasing = 0;
    // Envelope times and sustain as last triggered.
    double attack = 0.1, decay = 1.0, sustainParam = 1.0, release = 0.2;
    double k = 1.0 / 44100.0;
};
