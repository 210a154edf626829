#include "VM_Diode.h"

#include <algorithm>
#include <cmath>

namespace
{
// sinh and cosh of v/Vt with the argument held within +-700, where they are
// still finite (a limit of about 18 V, far above any signal in the drive).
inline double argOf(double v) noexcept { return std::clamp(v / VM_Diode::Vt, -700.0, 700.0); }
inline double S(double v) noexcept { return std::sinh(argOf(v)); }
inline double Ch(double v) noexcept { return std::cosh(argOf(v)); }

// Diode conductance L sinh(v/Vt)/v, with its limit M at v = 0.
inline double G(double v, double s) noexcept
{
    return std::fabs(v) >= 1e-13 ? VM_Diode::L * s / v : VM_Diode::M;
}
} // namespace

double VM_Diode::process(double x, double g) noexcept
{
    const double u = x * g;
    const double vp = v;
    const double half = 0.5 * T;

    // First stage: half step from vp.
    const double sp = S(vp);
    const double H0 = (M * Ch(vp) - G(vp, sp)) * half + 1.0;
    const double vm =
        0.5 * (vp + (T * c * u - half * (c * vp + L * sp) + H0 * vp) / ((G(vp, sp) + c) * half + H0));

    // Second stage from the midpoint.
    const double sm = S(vm);
    const double E = (M * Ch(vm) + c) * half + 1.0;
    double vn = (half * c * u + E * vm - 0.5 * half * (c * vm + L * sm)) / (0.5 * half * (G(vm, sm) + c) + E);

    if (!std::isfinite(vn))
        vn = 0.0;
    v = vn;
    return v;
}
