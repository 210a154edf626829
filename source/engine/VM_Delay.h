#pragma once
// Tempo-related delay: a single-precision ring of 48002 samples (just over one
// second at 48 kHz) read at a fractional position, with a first-order low-pass
// on the delayed signal that also colours the feedback.

#include <cstdint>

class VM_Delay
{
public:
    static constexpr int kSize = 48002;
    static constexpr double kMaxMs = 1000.0;

    void prepare(double engineRate) noexcept;
    // Buffer and tone state zeroed.
    void reset() noexcept;

    // Length from the tempo and note division: 60000 / (bpm * note) ms, with
    // bpm at least 60, note a whole number from 1 to 4 and the length capped
    // at 1000 ms. Sets the read position behind the write index.
    void setTempo(double bpm, double note) noexcept;
    // delayfeedback and delaylevel in percent.
    void setFeedback(double percent) noexcept;
    void setLevel(double percent) noexcept;

    double process(double x) noexcept;

    float buffer[kSize] = {};
    int32_t writeIndex = 0;
    float readPos = 0.0f;
    float length = 0.0f; // samples
    double feedback = 0.05, level = 0.02;
    double toneState = 0.0, toneCoeff = 0.0;

private:
    double rate = 44100.0;
};
