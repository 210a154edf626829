#include "VM_Drive.h"

#include <algorithm>
#include <cmath>

void VM_Drive::clear() noexcept
{
    diode.reset();
    interpolator.reset();
    decimator.reset();
    dcIn = dcOut = 0.0;
    cleared = 1;
    active = 0;
}

double VM_Drive::process(double x, double m) noexcept
{
    if (!(m >= 1.0)) // also a non-finite drive amount: bypass
    {
        if (!cleared)
            clear();
        return x;
    }
    if (!std::isfinite(x))
        x = 0.0;

    if (!active)
    {
        if (std::fabs(x) < 1e-4)
            return 0.0;
        active = 1;
        silenceLevel = 0.1;
    }

    // Twice-rate diode: zero-stuffed input through the interpolator, the
    // diode on both sub-samples, the decimator keeps the first.
    const double c = 0.025 * m + 0.3;
    const double p1 = 2.0 * interpolator.update(x);
    const double p2 = 2.0 * interpolator.update(0.0);
    const double q1 = diode.process(p1, c);
    const double q2 = diode.process(p2, c);
    const double r = decimator.update(q1);
    decimator.update(q2);

    const double d = kDcCoeff * dcOut + r - dcIn;
    dcIn = r;
    dcOut = d;
    cleared = 0;

    // Dry-to-wet blend up to m = 2, then a gain that falls from 3 to 1.5 at m = 52.
    float out;
    if (m < 2.0)
        out = static_cast<float>(3.0 * (m - 1.0) * d + (2.0 - m) * x);
    else if (m < 52.0)
        out = static_cast<float>(d * (1.5 * (1.0 + 0.02 * (2.0 - m)) + 1.5));
    else
        out = static_cast<float>(1.5 * d);

    // Silence watch: the level follows quieter signals down only.
    const double u = std::max(std::fabs(x), std::fabs(static_cast<double>(out)));
    if (u <= silenceLevel)
    {
        silenceLevel = 0.9997 * silenceLevel + 0.0003 * u;
        if (silenceLevel < 1e-5)
            clear();
    }
    return out;
}
