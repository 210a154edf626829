#pragma once
// Small shared pieces of the synthesis engine: constants and the denormal guard.

namespace vm
{
constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2.0 * kPi;

// A T60 decay time becomes a damping coefficient through 6 ln 10.
constexpr double kSixLn10 = 13.815510557964274;

// Sets flush-to-zero and denormals-are-zero for the lifetime of the object and
// restores the previous floating-point mode afterwards. Decaying models would
// otherwise spend most of their time on subnormal arithmetic.
class ScopedFlushDenormals
{
public:
    ScopedFlushDenormals() noexcept;
    ~ScopedFlushDenormals() noexcept;
    ScopedFlushDenormals(const ScopedFlushDenormals&) = delete;
    ScopedFlushDenormals& operator=(const ScopedFlushDenormals&) = delete;

private:
    unsigned int savedMode = 0;
};
} // namespace vm
