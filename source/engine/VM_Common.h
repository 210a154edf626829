#pragma once
// Small shared pieces of the synthesis engine: constants and the denormal guard.

namespace vm
{
constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2.0 * kPi;

// ln 10 and 6 ln 10 as std::log(10.0) and 6 * std::log(10.0) give them in double
// arithmetic; a T60 decay time becomes a loss coefficient through the latter.
constexpr double kLn10 = 2.302585092994046;
constexpr double kSixLn10 = 13.815510557964275;

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
