#include "VM_Common.h"

#if defined(__SSE__) || defined(__x86_64__)
#include <xmmintrin.h>
#define VM_HAVE_MXCSR 1
#endif

namespace vm
{
ScopedFlushDenormals::ScopedFlushDenormals() noexcept
{
#if VM_HAVE_MXCSR
    savedMode = _mm_getcsr();
    _mm_setcsr(savedMode | 0x8040u); // FTZ | DAZ
#endif
}

ScopedFlushDenormals::~ScopedFlushDenormals() noexcept
{
#if VM_HAVE_MXCSR
    _mm_setcsr(savedMode);
#endif
}
} // namespace vm
