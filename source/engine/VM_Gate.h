#pragma once
// LFO gate: one or two sine LFOs drive a detector; when it crosses the
// threshold the gate gain ramps open or closed over 10000 samples, and the
// signal is scaled between full and (1 - depth).

#include <atomic>
#include <limits>
#include <cstdint>

class VM_Gate
{
public:
    VM_Gate() noexcept = default;
    VM_Gate(const VM_Gate&) = delete;
    VM_Gate& operator=(const VM_Gate&) = delete;

    void prepare(double engineRate) noexcept;
    // Gain 0, flags cleared, LFO 1 at phase 0 and LFO 2 at lfo2Phase (radians).
    void reset(double lfo2Phase) noexcept;

    // LFO 1 at f1 Hz, LFO 2 at ratio * f1 Hz.
    void setRates(double f1, double ratio) noexcept;
    void setThreshold(double t) noexcept;
    // Audio thread: LFO 1 to phase 0, LFO 2 to lfo2Phase (radians).
    void alignPhases(double lfo2Phase) noexcept;
    // Any thread: asks the audio thread to align the phases at its next sample.
    void requestPhaseAlignment(double lfo2Phase) noexcept;
    // Radians from the gatephase parameter in degrees.
    static double phaseFromDegrees(double degrees) noexcept;

    // depthPercent: the smoothed gatedepth; lfo2On / addLfos: the properties.
    double process(double x, double depthPercent, bool lfo2On, bool addLfos) noexcept;

    double phase1 = 0.0, phase2 = 0.0, inc1 = 0.0, inc2 = 0.0;
    double threshold = 0.5;
    double g = 0.0;
    static constexpr double kAttack = 0.0001, kRelease = 0.0001;
    uint8_t opening = 0, closing = 0;

private:
    void applyPending() noexcept;

    double k = 1.0 / 44100.0;
    // NaN when no alignment is pending.
    std::atomic<double> pendingPhase2 {std::numeric_limits<double>::quiet_NaN()};
    static_assert(std::atomic<double>::is_always_lock_free, "phase request must be lock-free");
};
