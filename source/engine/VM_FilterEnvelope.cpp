#include "VM_FilterEnvelope.h"

#include <algorithm>
#include <cmath>

namespace
{
inline double finiteOr(double v, double fallback) noexcept { return std::isfinite(v) ? v : fallback; }
} // namespace

void VM_FilterEnvelope::noteOn(double a, double d, double s, double r) noexcept
{
    attackParam = finiteOr(a, 0.0);
    decayParam = finiteOr(d, 0.0);
    sustainParam = std::clamp(finiteOr(s, 1.0), 0.0, 1.0);
    releaseParam = finiteOr(r, 0.0);
    trigger(k, attackParam, decayParam, sustainParam, releaseParam);
}
