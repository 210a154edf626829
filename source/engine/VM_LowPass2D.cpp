#include "VM_LowPass2D.h"

#include <cmath>

namespace
{
// C(16, k) for k = 0..16.
constexpr double kBinom16[17] = {1,     16,   120,  560,  1820, 4368, 8008, 11440, 12870,
                                 11440, 8008, 4368, 1820, 560,  120,  16,   1};
} // namespace

VM_LowPass2D::VM_LowPass2D() noexcept
{
    for (int k = 0; k <= 16; ++k)
        b[k] = g * kBinom16[k];
}

double VM_LowPass2D::update(double x) noexcept
{
    const double* xh = h.x + h.i; // xh[j] = x[n-1-j]
    const double* yh = h.y + h.i; // yh[j] = y[n-1-j]

    // y[n] = sum b_k x[n-k] - sum a_k y[n-k]; the odd a_k are 0.
    double ff = b[0] * x;
    for (int j = 0; j < 16; ++j)
        ff += b[j + 1] * xh[j];

    double fb = 0.0;
    for (int j = 0; j < 8; ++j)
        fb += aEven[j] * yh[2 * j + 1]; // a_{2j+2} * y[n-2j-2]

    const double y = ff - fb;
    h.push(x, y);
    return std::fabs(y) <= 1e-6 ? 0.0 : y;
}
