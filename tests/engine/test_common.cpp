#include "VM_Common.h"

#include <gtest/gtest.h>

#include <cfloat>

namespace
{
// The guard must turn subnormal results into zero while it lives and give the
// caller's floating-point mode back afterwards.
TEST(FlushDenormals, ScopedGuardFlushesAndRestores)
{
    volatile double tiny = DBL_MIN;
    {
        vm::ScopedFlushDenormals guard;
        volatile double r = tiny / 4.0;
        EXPECT_EQ(r, 0.0);
    }
    volatile double r = tiny / 4.0;
    EXPECT_GT(r, 0.0);
}
} // namespace
