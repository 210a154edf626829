#pragma once
// Strikers: thirty repeating hammers, one per key from MIDI note 36 to 65.
// Each produces a raised-cosine force pulse while its key is held and repeats
// it at the strike interval, with a jitter driven by a logistic map.

#include <cstdint>

class VM_MultiStriker
{
public:
    // Off, pulse inactive, full raised cosine, interval and period one second.
    // The jitter and the logistic state are kept.
    void prepare(double engineRate) noexcept;

    // Starts striking at once with force velocity (the note velocity or the
    // MPE slide value).
    void strike(double velocity) noexcept;

    // Lets the current stroke finish; the striker turns off when its next
    // strike would be due.
    void stop() noexcept
    {
        if (on)
            stopping = 1;
    }
    void turnOff() noexcept { on = stopping = 0; pulseActive = 0; pulseCount = 0; }

    double next() noexcept;

    // Written by the caller.
    double strength = 0.0;         // force, the velocity; MPE pressure updates it
    double randomDepth = 0.0;      // randepth / 100, in [0, 1]
    int32_t strikeInterval = 44100; // samples between strikes

    // Read-only for the caller.
    uint8_t on = 0;
    uint8_t stopping = 0;
    double amplitude = 0.0;
    int32_t pulseLength = 0;  // L, samples
    int32_t period = 44100;   // interval in force for the current repeat
    int32_t jitter = 0;       // samples added to the period
    double x = 0.1;           // logistic-map state of the jitter

private:
    void armPulse(double velocity) noexcept;

    // Pulse oscillator: y[n] = 2cos(w) y[n-1] - y[n-2] runs cos(n w).
    double y = 0.0, y1 = 0.0, y2 = 0.0, twoCosW = 0.0;
    double duration = 0.0;
    int32_t pulseCount = 0;
    uint8_t pulseActive = 0;
    uint8_t halfCosine = 0;
    double rate = 44100.0;
    int32_t repeatCount = 0;
};

class VM_StrikerInst
{
public:
    static constexpr int kNumStrikers = 30;
    static constexpr int kLowestNote = 36;
    static constexpr int kStrikersPerBar = 6;
    static constexpr int kNumBars = 5;

    void prepare(double engineRate) noexcept;
    // All strikers off, channel table cleared.
    void reset() noexcept;

    // Starts striker note - 36; other notes are ignored.
    void noteOn(int note, int channel, double velocity) noexcept;
    // Stops striker note - 36 after its stroke; in MPE mode forgets its channel.
    void noteOff(int note) noexcept;
    // Index of the striker playing on this MPE channel, or -1.
    int matchSetStriker(int channel) const noexcept;

    // Per-block settings.
    // Strikes per second, clamped to [1, 55]: interval = floor(rate / R).
    void setStrikeRate(double strikesPerSecond) noexcept;
    void setStrikeInterval(int32_t samples) noexcept;
    void setRandomDepth(double depth) noexcept; // randepth / 100
    // Mod wheel outside MPE: every sounding striker takes the new strength.
    void setStrengthOfSounding(double strength) noexcept;

    // Sums the strikers in five groups of six: out[g] drives bar g.
    void next(double out[kNumBars]) noexcept;

    VM_MultiStriker strikers[kNumStrikers];
    int32_t channels[kNumStrikers] = {};
    uint8_t mpe = 0;

private:
    double rate = 44100.0;
};
