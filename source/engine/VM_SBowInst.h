#pragma once
// Sawtooth exciter: seven band-limited sawtooth-like voices computed in closed
// form, each with an attack-decay-release envelope, portamento, pitch bend and
// a vibrato whose rate wanders chaotically. Played monophonically (voice 0) or
// polyphonically, optionally with MPE.

#include "VM_LinearEnvelope.h"

#include <cstdint>

class VM_SBow
{
public:
    void prepare(double timeStep) noexcept;
    // Inactive, envelope 0, brightness and tone at their targets, vibrato
    // restarted at phase 0.
    void silence() noexcept;

    // Envelope set-up of a note start from the stored times; the level is not reset.
    void startEnvelope() noexcept;
    // Linear fall from the present level to 0 over the release time.
    void release() noexcept;
    // Fast release with a fixed decrement per sample (a stolen voice).
    void releaseWith(double decrement) noexcept;
    // Tone amount and brightness targets from w in [0, 1], the tone capped for
    // high target frequencies.
    void setTone(double w) noexcept;
    static double capTone(double w, double frequency) noexcept;

    // Next sample, before the voice gain.
    double next() noexcept;

    // Written by the caller at each note start (seconds).
    double attackTime = 0.04, decayTime = 0.0, releaseTime = 0.2, portaTime = 0.02;

    uint8_t active = 0;
    double note = 60.0;
    double targetFreq = 261.63, currentFreq = 261.63, glideStep = 0.0; // Hz, Hz per sample
    double phase = 0.0;                                                 // radians
    double vibratoDepth = 0.0;
    double brightTarget = 0.83, bright = 0.83; // b: ratio of the harmonic series
    double toneTarget = 0.7, tone = 0.7;       // e: tone amount, sets the normalisation

    VM_LinearEnvelope envelope;

private:
    void restartVibrato() noexcept;

    static constexpr double kVibratoRate = 5.8;
    double k = 1.0 / 44100.0, twoPiK = 0.0;
    // Vibrato oscillator y[n] = 2cos(theta) y[n-1] - y[n-2], restarted at each
    // upward zero crossing with a rate from a logistic map.
    double vy = 0.0, vy1 = 0.0, vy2 = 0.0, twoCosTheta = 2.0, theta = 0.0;
    double vx = 0.1;
    int32_t vcount = 0;
};

class VM_SBowInst
{
public:
    static constexpr int kNumVoices = 7;

    void prepare(double engineRate) noexcept;
    // All voices silenced, note and key tables cleared, gains 1, current voice 0.
    void reset() noexcept;

    // Envelope and portamento times for every voice (seconds), written at each
    // note start of the sawtooth before noteOn.
    void setTimes(double attack, double decay, double release, double porta) noexcept;

    // slide is the MPE per-note timbre value (0 outside MPE).
    void noteOn(int note, int channel, double velocity, double slide) noexcept;
    // Poly: releases the voice keyed by the channel (MPE) or the note. Mono:
    // counts the held notes down and releases voice 0 when none is left.
    void noteOff(int note, int channel) noexcept;
    // bend in [-1, 1] is +-2 semitones; glide lets the mono voice glide to it.
    void setPitchBend(double bend, int channel, bool glide) noexcept;
    // Tone amount of every voice from w in [0, 1] (sawtone / 100).
    void setModWheel(double w) noexcept;
    // MPE slide (controller 74) on a channel, s = 1 - value.
    void setSlide(int channel, double s) noexcept;
    // Vibrato depth of the current voice if it sounds (controller 21, pressure).
    void setVibrato(double depth) noexcept;

    void setPoly(bool on) noexcept { poly = on ? 1 : 0; }
    void setMPE(bool on) noexcept { mpe = on ? 1 : 0; }

    // The exciter signal of one frame: voice 0 (mono) or the sum of all seven
    // voices (poly), each times its gain, halved.
    double next() noexcept;

    static double noteFrequency(double note) noexcept;

    VM_SBow voices[kNumVoices];
    double gainTarget[kNumVoices] = {1, 1, 1, 1, 1, 1, 1};
    double gain[kNumVoices] = {1, 1, 1, 1, 1, 1, 1};
    int32_t noteEntry[kNumVoices] = {};  // stealing priority, 0 = none
    int32_t key[kNumVoices] = {-1, -1, -1, -1, -1, -1, -1}; // channel (MPE) or note
    int32_t currentVoice = 0;
    int32_t heldCount = 0;
    uint8_t poly = 0, mpe = 0;

private:
    double k = 1.0 / 44100.0;
};
