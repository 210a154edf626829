#pragma once
// Linear attack-decay-release envelope, shared by the sawtooth voices and the
// filter: the level rises to 1, falls to the sustain level, and on release falls
// from wherever it is to 0 over the release time.

#include <algorithm>
#include <cstdint>

class VM_LinearEnvelope
{
public:
    // Level 0, every stage off.
    void reset() noexcept
    {
        level = 0.0;
        attacking = decaying = releasing = 0;
    }

    // Starts the attack from the present level. k is the time step; times in
    // seconds count as at least 10 ms.
    void trigger(double k, double attackTime, double decayTime, double sustainLevel,
                 double releaseTime) noexcept
    {
        sustain = sustainLevel;
        attackInc = k / std::max(attackTime, kMinTime);
        decayInc = k * (sustain - 1.0) / std::max(decayTime, kMinTime);
        releaseDuration = std::max(releaseTime, kMinTime);
        releasing = 0;
        decaying = 0;
        attacking = 1;
    }

    // Falls from the present level to 0 over the release time.
    void release(double k) noexcept { releaseWith(level * k / releaseDuration); }

    // Falls by a fixed decrement per sample.
    void releaseWith(double decrement) noexcept
    {
        if (level > 0.0)
        {
            releaseDec = decrement;
            releasing = 1;
        }
        else
        {
            level = 0.0;
            releasing = 0;
        }
        attacking = decaying = 0;
    }

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

    static constexpr double kMinTime = 0.01;

    double level = 0.0, sustain = 1.0;
    double attackInc = 0.0, decayInc = 0.0, releaseDec = 0.0, releaseDuration = kMinTime;
    uint8_t attacking = 0, decaying = 0, releasing = 0;
};
