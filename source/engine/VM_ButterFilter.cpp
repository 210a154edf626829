#include "VM_ButterFilter.h"

namespace
{
constexpr double kGain = 2.229190766075972e-07;
constexpr double kBinom16[17] = {1,     16,   120,  560,  1820, 4368, 8008, 11440, 12870,
                                 11440, 8008, 4368, 1820, 560,  120,  16,   1};
// Denominator of the bilinear-transform Butterworth design at 0.3125 of Nyquist.
constexpr double kDen[17] = {1.0,
                             -5.99246813889646,
                             18.41889060323935,
                             -37.52182560842441,
                             55.99231992540787,
                             -64.35683988191244,
                             58.59008706519126,
                             -42.90496279806512,
                             25.4517894691274,
                             -12.23697312208123,
                             4.741513370684538,
                             -1.462190306602027,
                             0.351217070208962,
                             -0.06343065749766662,
                             0.008112827092187956,
                             -0.0006558089855256322,
                             2.5216117861872e-05};
} // namespace

void VM_ButterFilter::prepare() noexcept
{
    for (int k = 0; k <= 16; ++k)
    {
        b[k] = kGain * kBinom16[k];
        a[k] = kDen[k];
    }
    h.clear();
}

float VM_ButterFilter::update(float xin) noexcept
{
    const double x = xin;
    const double* xh = h.x + h.i;
    const double* yh = h.y + h.i;

    double ff = b[0] * x;
    double fb = 0.0;
    for (int j = 0; j < 16; ++j)
    {
        ff += b[j + 1] * xh[j];
        fb += a[j + 1] * yh[j];
    }
    const double y = ff - fb;
    h.push(x, y);
    return static_cast<float>(y);
}
