#include "VM_FilterEnvelope.h"

#include <algorithm>
#include <cmath>

namespace
{
inline double finiteOr(double v, double fallback) noexcept { return std::isfinite(v) ? v : fallback; }
} // namespace

void VM_FilterEnvelope::noteOn(double a, double d, double s, double r) noexcept
{
    attack = finiteOr(a, 0.0);
    decay = finiteOr(d, 0.0);
    sustainParam = std::clamp(finiteOr(s, 1.0), 0.0, 1.0);
    release = finiteOr(r, 0.0);

    sustain = sustainParam;
    attackInc = k / std::max(attack, 0.01);
    decayInc = k * (sustain - 1.0) / std::max(decay, 0.01);
    releaseTime = std::max(release, 0.01);
    releasing = 0;
    attacking = 1;
    decaying = 0;
}

void VM_FilterEnvelope::noteOff() noexcept
{
    if (level > 0.0)
    {
        releaseDec = level * k / releaseTime;
        releasing = 1;
    }
    else
    {
        level = 0.0;
        releasing = 0;
    }
    attacking = decaying = 0;
}
