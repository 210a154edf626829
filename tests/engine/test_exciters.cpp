#include "VM_SBowInst.h"
#include "VM_StrikerInst.h"
#include "fx_test_helpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace
{
//==============================================================================
// Strikers

std::vector<double> renderStriker(VM_MultiStriker& s, int n)
{
    std::vector<double> out(static_cast<size_t>(n));
    for (auto& v : out)
        v = s.next();
    return out;
}

// Sample indices where a pulse rises out of silence (the cosine's first
// sample is 0 up to rounding).
std::vector<int> pulseStarts(const std::vector<double>& out)
{
    std::vector<int> starts;
    for (size_t n = 0; n < out.size(); ++n)
        if (std::fabs(out[n]) > 1e-12 && (n == 0 || std::fabs(out[n - 1]) <= 1e-12))
            starts.push_back(static_cast<int>(n));
    return starts;
}

// A hard strike is a 0.5 ms raised cosine of height 1.92, a soft one a 5 ms
// pulse of height 0.02.
TEST(Striker, PulseLengthAndAmplitudeFollowVelocity)
{
    struct Case
    {
        double rate, velocity;
        int length;
        double peak;
    };
    for (const Case c : {Case {44100, 1.0, 22, 1.92}, Case {44100, 0.0, 220, 0.02}, Case {48000, 1.0, 24, 1.92},
                         Case {48000, 0.0, 240, 0.02}, Case {44100, 1.5, 22, 1.9 * 1.5 + 0.02}})
    {
        SCOPED_TRACE(testing::Message() << c.rate << " Hz, velocity " << c.velocity);
        VM_MultiStriker s;
        s.prepare(c.rate);
        s.strike(c.velocity);
        EXPECT_EQ(s.pulseLength, c.length);
        const auto out = renderStriker(s, 1000);
        // The raised cosine starts at 0 and runs for L samples, then silence.
        EXPECT_NEAR(out[0], 0.0, 1e-12);
        EXPECT_GT(out[1], 0.0);
        EXPECT_GT(out[c.length - 1], 0.0);
        for (int n = c.length; n < 1000; ++n)
            ASSERT_EQ(out[n], 0.0) << n;
        double peak = 0.0;
        for (double v : out)
            peak = std::max(peak, v);
        EXPECT_NEAR(peak, c.peak, 1e-9);
        EXPECT_NEAR(out[c.length / 2], c.peak, 1e-9); // centre of the cosine
    }
}

// A held key strikes at once and then once per interval: the counter reaches
// the period, a new pulse is armed and starts on the following sample, so the
// pulses are period + jitter + 1 samples apart. The jitter follows the logistic
// map from 0.1 and stays within 1 % of the period at full depth.
TEST(Striker, RepeatIntervalWithAndWithoutJitter)
{
    for (double depth : {0.0, 1.0, 0.5})
    {
        SCOPED_TRACE(depth);
        VM_StrikerInst inst;
        inst.prepare(44100.0);
        inst.setStrikeRate(10.0); // 4410 samples
        inst.setRandomDepth(depth);
        EXPECT_EQ(inst.strikers[0].strikeInterval, 4410);
        inst.noteOn(36, 1, 1.0);
        const auto out = renderStriker(inst.strikers[0], 4410 * 12);
        const auto starts = pulseStarts(out);
        ASSERT_GE(starts.size(), 10u);
        EXPECT_EQ(starts[0], 1); // sample 0 of the cosine is 0

        double x = 0.1;
        int jitter = 0;
        for (size_t i = 1; i < starts.size(); ++i)
        {
            const int spacing = starts[i] - starts[i - 1];
            EXPECT_EQ(spacing, 4410 + jitter + 1) << "pulse " << i;
            EXPECT_LE(std::abs(spacing - 4411), 45);
            x = 3.99999 * x * (1.0 - x);
            jitter = static_cast<int>(std::floor(4410 * 0.02 * depth * (x - 0.5)));
        }
    }
}

// Preparing again stops the striker and resets its interval and period, but the
// jitter drawn at its last strike and its logistic state stay: the next note's
// first repeat comes period + that jitter samples later.
TEST(Striker, PrepareKeepsTheJitterAndLogisticState)
{
    VM_StrikerInst inst;
    inst.prepare(44100.0);
    inst.setStrikeRate(10.0); // 4410 samples
    inst.setRandomDepth(1.0);
    inst.noteOn(36, 1, 1.0);
    renderStriker(inst.strikers[0], 4410 * 3 + 100); // three repeats drawn
    const int32_t jitter = inst.strikers[0].jitter;
    const double x = inst.strikers[0].x;
    ASSERT_NE(jitter, 0);

    inst.prepare(44100.0);
    const VM_MultiStriker& s = inst.strikers[0];
    EXPECT_EQ(s.on, 0);
    EXPECT_EQ(s.period, 44100);
    EXPECT_EQ(s.strikeInterval, 44100);
    EXPECT_EQ(s.jitter, jitter);
    EXPECT_EQ(s.x, x);

    inst.setStrikeRate(10.0);
    inst.setRandomDepth(1.0);
    inst.noteOn(36, 1, 1.0);
    const auto starts = pulseStarts(renderStriker(inst.strikers[0], 4410 * 3));
    ASSERT_GE(starts.size(), 2u);
    EXPECT_EQ(starts[1] - starts[0], 4410 + jitter + 1);
}

// Releasing the key mid-pulse lets the pulse finish; the striker turns off when
// its next strike would have been due and stays silent.
TEST(Striker, StopsAfterReleaseAtTheNextDueStrike)
{
    VM_StrikerInst inst;
    inst.prepare(44100.0);
    inst.setStrikeInterval(1000);
    inst.noteOn(40, 1, 0.0); // 220-sample pulse
    VM_MultiStriker reference = inst.strikers[4];

    std::vector<double> out;
    for (int n = 0; n < 3000; ++n)
    {
        if (n == 50)
            inst.noteOff(40);
        double groups[5];
        inst.next(groups);
        out.push_back(groups[0]);
        EXPECT_EQ(inst.strikers[4].on, n < 1000 ? 1 : 0) << n;
    }
    for (int n = 0; n < 1000; ++n)
        ASSERT_EQ(out[n], reference.next()) << n;
    for (int n = 220; n < 3000; ++n)
        ASSERT_EQ(out[n], 0.0) << n;
}

// Notes 36..65 map six by six onto the five bars; other notes do nothing. In
// MPE mode a striker remembers its channel until its note-off.
TEST(Striker, NotesMapOntoBarsAndChannels)
{
    VM_StrikerInst inst;
    inst.prepare(48000.0);
    inst.mpe = 1;
    for (int note : {35, 66, 0, 127})
        inst.noteOn(note, 2, 1.0);
    for (const auto& s : inst.strikers)
        EXPECT_EQ(s.on, 0);

    for (int bar = 0; bar < 5; ++bar)
    {
        VM_StrikerInst one;
        one.prepare(48000.0);
        one.noteOn(36 + 6 * bar + 5, 1, 1.0);
        double g[5] = {};
        one.next(g);
        one.next(g);
        for (int b = 0; b < 5; ++b)
            EXPECT_EQ(g[b] > 0.0, b == bar) << bar << " " << b;
    }

    inst.noteOn(50, 7, 1.0);
    EXPECT_EQ(inst.matchSetStriker(7), 14);
    EXPECT_EQ(inst.matchSetStriker(8), -1);
    inst.noteOff(50);
    EXPECT_EQ(inst.matchSetStriker(7), -1);
}

// Strike rates are clamped to 1..55 per second; the interval is whole samples.
TEST(Striker, StrikeRateToInterval)
{
    struct Case
    {
        double rate, strikes;
        int interval;
    };
    for (const Case c : {Case {44100, 55, 801}, Case {44100, 1, 44100}, Case {44100, 100, 801}, Case {44100, 0.2, 44100},
                         Case {48000, 7, 6857}, Case {44100, std::nan(""), 44100}})
    {
        VM_StrikerInst inst;
        inst.prepare(c.rate);
        inst.setStrikeRate(c.strikes);
        for (const auto& s : inst.strikers)
            ASSERT_EQ(s.strikeInterval, c.interval) << c.strikes;
    }
}

//==============================================================================
// Sawtooth

struct SawSetup
{
    VM_SBowInst inst;
    explicit SawSetup(bool poly = false, double attack = 0.01, double decay = 0.0, double release = 0.2,
                      double porta = 0.0, double rate = 44100.0)
    {
        inst.prepare(rate);
        inst.setPoly(poly);
        inst.setModWheel(0.7);
        inst.setTimes(attack, decay, release, porta);
    }
    // The voice control's note start outside MPE.
    void noteOn(int note, double velocity = 1.0)
    {
        inst.noteOn(note, 0, velocity, 0.0);
        inst.setPitchBend(0.0, 1, true);
    }
    std::vector<double> render(int n)
    {
        std::vector<double> out(static_cast<size_t>(n));
        for (auto& v : out)
            v = inst.next();
        return out;
    }
};

// The fundamental follows the equal-tempered note frequency and is clamped to
// 32.7..1244.51 Hz.
TEST(Sawtooth, PitchAcrossTheRange)
{
    for (double rate : {44100.0, 48000.0})
        for (int note : {20, 24, 36, 57, 69, 81, 84, 87, 100})
        {
            SawSetup s(false, 0.01, 0.0, 0.2, 0.0, rate);
            s.noteOn(note);
            const auto out = s.render(static_cast<int>(rate));
            const double expected = std::clamp(440.0 * std::pow(2.0, (note - 69) / 12.0), 32.7, 1244.51);
            EXPECT_NEAR(fxtest::zeroCrossingFrequency(out, rate) / expected, 1.0, 1e-4) << note << " at " << rate;
        }
}

// Attack to 1, decay to the sustain level (0 when decay > 10 ms: the voice
// ends; 1 otherwise), release from the present level to 0 over its time.
TEST(Sawtooth, EnvelopeTimes)
{
    const double rate = 44100.0;
    struct Case
    {
        double attack, decay, release;
        int releaseAt;  // note-off sample, -1 for none
        int endsAfter;  // samples until the voice is inactive
    };
    for (const Case c : {Case {0.1, 0.0, 0.2, 10000, 10000 + 8820}, Case {0.05, 0.5, 0.2, -1, 2205 + 22050},
                         Case {0.0, 0.0, 0.0, 1000, 1000 + 441}, Case {0.2, 0.01, 1.0, 30000, 30000 + 44100}})
    {
        SCOPED_TRACE(testing::Message() << c.attack << " " << c.decay << " " << c.release);
        SawSetup s(false, c.attack, c.decay, c.release);
        s.noteOn(60);
        const VM_SBow& v = s.inst.voices[0];
        const int attackSamples = static_cast<int>(std::max(c.attack, 0.01) * rate);
        int peakAt = -1, endAt = -1;
        for (int n = 0; n < 120000 && endAt < 0; ++n)
        {
            if (n == c.releaseAt)
                s.inst.noteOff(60, 1);
            s.inst.next();
            if (peakAt < 0 && v.envelope.level > 1.0 - 1e-9)
                peakAt = n;
            if (n == attackSamples / 2)
            {
                EXPECT_NEAR(v.envelope.level, 0.5, 0.002);
            }
            if (c.releaseAt < 0 && c.decay > 0.01 && n == attackSamples + static_cast<int>(c.decay * rate / 2))
            {
                EXPECT_NEAR(v.envelope.level, 0.5, 0.002); // halfway down the decay
            }
            if (c.releaseAt < 0 && c.decay <= 0.01 && n == 60000)
            {
                EXPECT_GT(v.envelope.level, 1.0); // sustains
            }
            if (c.releaseAt >= 0 && n == c.releaseAt + static_cast<int>(std::max(c.release, 0.01) * rate / 2))
            {
                EXPECT_NEAR(v.envelope.level, 0.5, 0.002); // halfway down the release
            }
            if (!v.active)
                endAt = n;
        }
        EXPECT_NEAR(peakAt, attackSamples, 2);
        EXPECT_NEAR(endAt, c.endsAfter, 3);
    }
}

// A note-off that finds the level still at 0 (before the voice's first sample)
// leaves it at 0 with every stage off: the voice ends at its next sample. A
// stolen voice at level 0 ends the same way; one above 0 falls by 0.001 per sample.
TEST(Sawtooth, ReleaseAtLevelZero)
{
    SawSetup s(false, 0.05, 0.0, 0.2);
    s.noteOn(60);
    const VM_SBow& v = s.inst.voices[0];
    EXPECT_EQ(v.envelope.level, 0.0);
    s.inst.noteOff(60, 1);
    EXPECT_EQ(v.envelope.level, 0.0);
    EXPECT_EQ(v.envelope.attacking, 0);
    EXPECT_EQ(v.envelope.decaying, 0);
    EXPECT_EQ(v.envelope.releasing, 0);
    EXPECT_EQ(v.active, 1);
    EXPECT_EQ(s.inst.next(), 0.0);
    EXPECT_EQ(v.active, 0);

    // Released from the middle of the attack: a straight line to 0 over the
    // release time, from the level it had.
    s.noteOn(60);
    s.render(1102);
    const double from = v.envelope.level;
    s.inst.noteOff(60, 1);
    EXPECT_EQ(v.envelope.releaseDec, from * (1.0 / 44100.0) / 0.2);
    EXPECT_EQ(v.envelope.releasing, 1);

    SawSetup p(true);
    for (int note = 60; note < 67; ++note)
        p.noteOn(note);
    VM_SBow& quiet = p.inst.voices[6]; // the highest note, at level 0 as yet
    ASSERT_EQ(quiet.envelope.level, 0.0);
    p.inst.currentVoice = 0;
    p.noteOn(70); // all seven active: voice 0 reused, voice 6 freed in advance
    EXPECT_EQ(p.inst.noteEntry[6], 0);
    EXPECT_EQ(quiet.envelope.releasing, 0);
    EXPECT_EQ(quiet.envelope.attacking, 0);
    p.inst.next();
    EXPECT_EQ(quiet.active, 0);
}

// Mono legato: with portamento the pitch moves linearly to the new note over
// the portamento time; with 0 it jumps at once.
TEST(Sawtooth, MonoLegatoGlideAndJump)
{
    const double f60 = 440.0 * std::pow(2.0, -9.0 / 12.0), f72 = 2.0 * f60;
    for (double porta : {0.1, 0.0})
    {
        SCOPED_TRACE(porta);
        SawSetup s(false, 0.01, 0.0, 0.2, porta);
        s.noteOn(60);
        s.render(2000);
        s.noteOn(72); // legato: 60 still held
        const VM_SBow& v = s.inst.voices[0];
        if (porta > 0.0)
        {
            s.render(2205);
            EXPECT_NEAR(v.currentFreq, 0.5 * (f60 + f72), 0.1);
            s.render(2205);
            EXPECT_NEAR(v.currentFreq, f72, 0.01);
        }
        else
            EXPECT_DOUBLE_EQ(v.currentFreq, f72);
        const auto out = s.render(44100);
        EXPECT_NEAR(fxtest::zeroCrossingFrequency(out, 44100.0) / f72, 1.0, 1e-4);
        // Releasing the newer key leaves the voice sounding until the last key goes.
        s.inst.noteOff(72, 1);
        s.render(20000);
        EXPECT_EQ(v.active, 1);
        s.inst.noteOff(60, 1);
        s.render(20000);
        EXPECT_EQ(v.active, 0);
    }
}

// Poly: notes take free voices; when all seven sound, the current voice is
// reused and the voice with the highest other note is released fast, so the
// next note finds it free.
TEST(Sawtooth, PolyStealing)
{
    SawSetup s(true);
    const int notes[7] = {60, 72, 64, 67, 50, 55, 62};
    for (int i = 0; i < 7; ++i)
    {
        s.noteOn(notes[i]);
        EXPECT_EQ(s.inst.currentVoice, i);
    }
    s.render(1000);
    s.noteOn(70); // all busy: voice 6 retuned, voice 1 (note 72) released fast
    EXPECT_EQ(s.inst.currentVoice, 6);
    EXPECT_EQ(s.inst.noteEntry[6], 70);
    EXPECT_EQ(s.inst.noteEntry[1], 0);
    EXPECT_EQ(s.inst.voices[1].envelope.releasing, 1);
    EXPECT_DOUBLE_EQ(s.inst.voices[1].envelope.releaseDec, 0.001);
    s.render(999);
    EXPECT_EQ(s.inst.voices[1].active, 1);
    s.render(3);
    EXPECT_EQ(s.inst.voices[1].active, 0);
    s.noteOn(48);
    EXPECT_EQ(s.inst.currentVoice, 1);
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(s.inst.voices[i].active, 1) << i;
    // Note-off finds its voice by note.
    s.inst.noteOff(64, 1);
    EXPECT_EQ(s.inst.voices[2].envelope.releasing, 1);
    EXPECT_EQ(s.inst.key[2], -1);
}

// The tone amount is capped for high notes so that bright settings do not
// alias; the brightness follows as 0.5 + 0.4 sqrt(tone).
TEST(Sawtooth, ModWheelCapsToneByPitch)
{
    struct Case
    {
        int note;
        double wheel, tone;
    };
    for (const Case c : {Case {84, 1.0, 0.7}, Case {79, 1.0, 0.9}, Case {82, 1.0, 0.8}, Case {69, 1.0, 1.0},
                         Case {84, 0.3, 0.3}, Case {60, -1.0, 0.0}, Case {60, 2.0, 1.0}})
    {
        SawSetup s(true);
        s.noteOn(c.note);
        s.inst.setModWheel(c.wheel);
        const VM_SBow& v = s.inst.voices[0];
        EXPECT_DOUBLE_EQ(v.toneTarget, c.tone) << c.note;
        EXPECT_DOUBLE_EQ(v.brightTarget, 0.5 + 0.4 * std::sqrt(c.tone)) << c.note;
        s.render(40000); // the current values follow at 3e-5 per sample
        EXPECT_NEAR(v.tone, c.tone, 3e-5);
        EXPECT_NEAR(v.bright, v.brightTarget, 3e-5);
    }
}

// Pitch bend of +-1 is +-2 semitones on the sounding voice.
TEST(Sawtooth, PitchBendTwoSemitones)
{
    for (double bend : {1.0, -1.0, 0.5})
    {
        SawSetup s(true);
        s.noteOn(69);
        s.inst.setPitchBend(bend, 1, false);
        const auto out = s.render(44100);
        EXPECT_NEAR(fxtest::zeroCrossingFrequency(out, 44100.0), 440.0 * std::pow(2.0, 2.0 * bend / 12.0), 0.05);
    }
}

// Nonsense velocities, bends, wheel and rate values give finite output.
TEST(Exciters, NonsenseInputsStayFinite)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    VM_StrikerInst strikers;
    strikers.prepare(44100.0);
    strikers.setStrikeRate(inf);
    strikers.setRandomDepth(nan);
    strikers.noteOn(40, 1, nan);
    strikers.noteOn(41, 1, inf);
    strikers.setStrengthOfSounding(-inf);
    VM_SBowInst saw;
    saw.prepare(48000.0);
    saw.setPoly(true);
    saw.setTimes(nan, inf, -1.0, nan);
    saw.noteOn(60, 0, nan, nan);
    saw.noteOn(-1000, 0, inf, 0.0);
    saw.setPitchBend(inf, 0, true);
    saw.setModWheel(nan);
    saw.setVibrato(inf);
    for (int n = 0; n < 20000; ++n)
    {
        double g[5];
        strikers.next(g);
        for (double v : g)
            ASSERT_TRUE(std::isfinite(v)) << n;
        ASSERT_TRUE(std::isfinite(saw.next())) << n;
    }
}

// Pinned renders: a held striker with jitter, and a sawtooth with vibrato.
TEST(Golden, StrikerAndSawtooth)
{
    VM_StrikerInst inst;
    inst.prepare(44100.0);
    inst.setStrikeRate(20.0);
    inst.setRandomDepth(1.0);
    inst.noteOn(61, 1, 0.6);
    std::vector<double> strikes;
    for (int n = 0; n < 20000; ++n)
    {
        double g[5];
        inst.next(g);
        strikes.push_back(g[4]);
    }
    double sum = 0.0;
    for (double v : strikes)
        sum += std::fabs(v);
    strikes.push_back(sum); // index 20000: the whole render's absolute sum
    fxtest::expectGolden(strikes,
                         {{30, 0.74890453309181526},
                          {2220, 0.20641596135877338},
                          {4440, 0.91061870976400239},
                          {8830, 0.027832397631017598},
                          {20000, 585.79999999999814}},
                         "striker");

    SawSetup s(false, 0.05, 0.0, 0.2, 0.0);
    s.noteOn(57, 0.8);
    s.inst.setVibrato(0.8);
    auto saw = s.render(20000);
    double sawSum = 0.0;
    for (double v : saw)
        sawSum += std::fabs(v);
    saw.push_back(sawSum);
    fxtest::expectGolden(saw,
                         {{100, 0.00093378308881359861},
                          {2000, 0.0219576825494547},
                          {5001, 0.030704751540180278},
                          {12345, -0.056365124091334699},
                          {19999, -0.010642003763144928},
                          {20000, 2115.7921944204063}},
                         "sawtooth");
}
} // namespace
