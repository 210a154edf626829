// The processor's engine operations: preparation, mapping, frame, limiter, reset.
#include "ProcessorHarness.h"

#include <gtest/gtest.h>

using namespace harness;
using namespace quorvane;

namespace
{
TEST (Preparation, EachSupportedRateSetsTheEngine)
{
    struct Case { double hostRate; double engineRate; bool doubleRate; };
    const Case cases[] = { { 44100, 44100, false }, { 48000, 48000, false }, { 88200, 44100, true },
                           { 96000, 48000, true }, { 48000.4, 48000, false }, { 88199.6, 44100, true } };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.hostRate);
        QuorvaneAudioProcessor p;
        p.prepareToPlay (c.hostRate, 512);
        EXPECT_FALSE (p.isEngineHalted());
        EXPECT_EQ (p.getEngineRate(), c.engineRate);
        EXPECT_EQ (p.doubleRate, c.doubleRate);
        EXPECT_DOUBLE_EQ (p.barNet.timeStep(), 1.0 / c.engineRate);
        // Steps follow the host rate, not the engine rate.
        const float h = (float) std::round (c.hostRate);
        EXPECT_FLOAT_EQ (p.smoothers[QuorvaneAudioProcessor::smBar2Gain].step, 1333.3333f / h);
        EXPECT_EQ (p.smoothers[QuorvaneAudioProcessor::smBar2Gain].period, 4);
        EXPECT_FLOAT_EQ (p.smoothers[QuorvaneAudioProcessor::smStringOutpos].step, 116.666664f / h);
        EXPECT_EQ (p.smoothers[QuorvaneAudioProcessor::smStringOutpos].period, 1);
        EXPECT_FLOAT_EQ (p.smoothers[QuorvaneAudioProcessor::smEQHighFreq].step, 266666.66f / h);
        EXPECT_FLOAT_EQ (p.smoothers[QuorvaneAudioProcessor::smResonance].step, 2640.0f / h);
        EXPECT_EQ (p.smoothers[QuorvaneAudioProcessor::smResonance].period, 8);
        EXPECT_FLOAT_EQ (p.smoothers[QuorvaneAudioProcessor::smGateDepth].step, 933.3333f / h);
        EXPECT_FLOAT_EQ (p.smoothers[QuorvaneAudioProcessor::smDrive].step, 333.3333f / h);
        EXPECT_EQ (p.meterRings[0].length, std::min (((int) h / 23) / 512 + 5, 99));
    }

    for (double rate : { 22050.0, 32000.0, 192000.0, 44099.0 })
    {
        QuorvaneAudioProcessor p;
        p.prepareToPlay (48000.0, 512);
        p.prepareToPlay (rate, 512);
        EXPECT_TRUE (p.isEngineHalted()) << rate;
    }
}

TEST (Preparation, TinyBlockSizeCountsAsOne)
{
    QuorvaneAudioProcessor p;
    p.prepareToPlay (48000.0, 0);
    EXPECT_FALSE (p.isEngineHalted());
    EXPECT_EQ (p.preparedBlockSize, 1.0f);
    EXPECT_EQ (p.meterRings[0].length, 99);
}

// A property change that the editor or a preset makes reaches the engine after the fade.
TEST (Mapping, SyncUpCarriesPropertiesIntoTheEngine)
{
    QuorvaneAudioProcessor p;
    p.prepareToPlay (44100.0, 512);
    EXPECT_EQ (p.barNet.barN (0), 1167);
    EXPECT_EQ (p.exciterType, 4);
    const int springIndexBefore = p.barNet.springIndexA (3);

    p.setProperty (kProp_Bar0Stiffness_ID, 60.0);
    p.setProperty (kProp_Spring3Pos1_ID, 0.1);
    p.setProperty (kProp_EType_ID, 2);
    p.syncUp();

    EXPECT_LT (p.barNet.barN (0), 1167);
    EXPECT_NE (p.barNet.springIndexA (3), springIndexBefore);
    // Odd springs sit in the second half of their bars.
    EXPECT_EQ (p.barNet.springIndexA (3), (int) std::floor (p.barNet.barN (1) * (0.48 * 0.1 + 0.51)));
    EXPECT_EQ (p.exciterType, 2);
    for (const auto& voice : p.stringVoices)
    {
        EXPECT_FALSE (voice.bowedMode);
        EXPECT_FALSE (voice.pitchedBarMode);
    }
}

TEST (Mapping, MpeForcesPolyphonicSawtooth)
{
    QuorvaneAudioProcessor p;
    p.setProperty (kProp_EType_ID, 1);
    p.setProperty (kProp_MPEModeOn_ID, 1);
    p.prepareToPlay (48000.0, 512);
    EXPECT_EQ (p.sawtooth.poly, 1);
    EXPECT_TRUE (p.mpeMode);

    play (p, 4096, 512, notes ({ on (48, 100, 2), on (55, 100, 3) }));
    EXPECT_TRUE (p.sawtooth.voices[0].active);
    EXPECT_TRUE (p.sawtooth.voices[1].active);
}

TEST (Frame, FirstTenFramesAfterResetAreSilent)
{
    QuorvaneAudioProcessor p;
    p.setProperty (kProp_EType_ID, 2);
    p.prepareToPlay (44100.0, 512);
    juce::MidiBuffer midi = notes ({ on (60, 127) });
    juce::AudioBuffer<float> buffer (2, 256);
    p.processBlock (buffer, midi);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ (buffer.getSample (0, i), 0.0f) << i;
    float later = 0.0f;
    for (int i = 10; i < 256; ++i)
        later = std::max (later, std::abs (buffer.getSample (0, i)));
    EXPECT_GT (later, 0.0f);
}

TEST (Frame, ZeroGainsGiveExactSilenceWhileTheBarsRing)
{
    QuorvaneAudioProcessor p;
    for (const char* id : { kParam_Bar0Gain_ID, kParam_Bar1Gain_ID, kParam_Bar2Gain_ID, kParam_Bar3Gain_ID,
                            kParam_Bar4Gain_ID, kParam_DriverGain_ID })
        setParam (p, id, 0.0f);
    p.prepareToPlay (48000.0, 512);
    auto r = play (p, 9600, 512, notes ({ on (60, 127) }));
    EXPECT_EQ (r.peak(), 0.0f);
    double energy = 0.0;
    for (int b = 0; b < 5; ++b)
        for (int j = 0; j <= p.barNet.barN (b); ++j)
            energy += std::abs (p.barNet.barState (b)[j]);
    EXPECT_GT (energy, 0.0);
}

TEST (Limiter, SustainedFullScaleSettlesAt098)
{
    LookAheadLimiter limiter;
    float l = 0.0f, r = 0.0f, lastPeak = 0.0f;
    for (int i = 0; i < 200000; ++i)
    {
        const float x = (float) std::sin (2.0 * 3.14159265358979 * 441.0 * i / 44100.0);
        limiter.process (x, -x, 1.0f, l, r);
        if (i > 190000)
            lastPeak = std::max (lastPeak, std::abs (l));
    }
    EXPECT_NEAR (limiter.envelope, 1.0f, 0.01f);
    EXPECT_NEAR (limiter.gain, 0.98f, 0.01f);
    EXPECT_LE (lastPeak, 0.99f);
}

TEST (Frame, BrokenModelHaltsWithoutPoisoningTheOutput)
{
    QuorvaneAudioProcessor p;
    p.setProperty (kProp_EType_ID, 2);
    p.prepareToPlay (44100.0, 256);
    auto first = play (p, 256, 256, notes ({ on (60, 100) }));
    ASSERT_TRUE (p.stringVoices[0].active);
    p.stringVoices[0].g = std::numeric_limits<double>::quiet_NaN();
    auto after = play (p, 1024, 256);
    EXPECT_TRUE (after.finite());
    EXPECT_TRUE (p.isEngineHalted());
}

TEST (Reset, ClearsVoicesMetersAndFlags)
{
    QuorvaneAudioProcessor p;
    p.setProperty (kProp_EType_ID, 2);
    p.prepareToPlay (48000.0, 512);
    play (p, 4096, 512, notes ({ on (60), on (64), juce::MidiMessage::pitchWheel (1, 12000),
                                 juce::MidiMessage::controllerEvent (1, 74, 40) }));
    ASSERT_TRUE (p.engineActive);
    ASSERT_GT (p.exciterPeak.load() + p.barPeakA[0].load(), 0.0f);
    p.resyncRequest = true;
    p.outputFade = 0.5f;

    p.reset();

    for (const auto& voice : p.stringVoices)
        EXPECT_FALSE (voice.active);
    for (int j = 0; j < 7; ++j)
    {
        EXPECT_EQ (p.stringVoiceKey[(size_t) j], -1);
        EXPECT_EQ (p.stringVoiceNote[(size_t) j], 0);
    }
    EXPECT_FALSE (p.engineActive);
    EXPECT_FALSE (p.resyncRequest.load());
    EXPECT_FALSE (p.resyncHold.load());
    EXPECT_EQ (p.outputFade, 1.0f);
    EXPECT_EQ (p.levelFollower, 0.0f);
    EXPECT_EQ (p.notesDown, 0);
    EXPECT_EQ (p.pitchBend, 0.0);
    EXPECT_EQ (p.exciterPeak.load(), 0.0f);
    EXPECT_EQ (p.limiterGain.load(), 1.0f);
    EXPECT_EQ (p.limiter.gain, 1.0f);
    for (int b = 0; b < 5; ++b)
    {
        EXPECT_EQ (p.barPeakA[(size_t) b].load(), 0.0f);
        EXPECT_FALSE (p.barStruck[(size_t) b].load());
        for (int j = 0; j <= p.barNet.barN (b); ++j)
            ASSERT_EQ (p.barNet.barState (b)[j], 0.0);
    }
    for (double s : p.channelSlide)
        EXPECT_EQ (s, 0.0);
    for (const auto& ring : p.meterRings)
        EXPECT_EQ (ring.reading(), 0.0f);
    EXPECT_EQ (play (p, 512).peak(), 0.0f);
}

//==============================================================================
TEST (DefaultInstrument, RestoresEveryValueButNotesAndMpe)
{
    QuorvaneAudioProcessor fresh;
    QuorvaneAudioProcessor p;
    p.prepareToPlay (48000.0, 512);
    for (auto* param : p.getParameters())
        param->setValueNotifyingHost (0.77f);
    for (int i = 0; i < kNumProps; ++i)
        if (kPropCatalogue[i].kind != PropKind::Text)
            p.setProperty (*kPropCatalogue[i].id, 0.5 + i);
    p.setProperty (kProp_PresetNotes_ID, "my notes");
    p.setProperty (kProp_MPEModeOn_ID, 1);

    p.loadDefaultPreset();

    EXPECT_TRUE (p.resyncRequest.load());
    EXPECT_FALSE (p.resyncHold.load());
    for (int i = 0; i < kNumParams; ++i)
    {
        const char* id = kParamCatalogue[i].id;
        EXPECT_EQ (paramValue (p, id), paramValue (fresh, id)) << id;
    }
    for (int i = 0; i < kNumProps; ++i)
    {
        const auto& id = *kPropCatalogue[i].id;
        if (id == kProp_PresetNotes_ID || id == kProp_MPEModeOn_ID)
            continue;
        EXPECT_EQ (p.getValueTreeState().state[id], fresh.getValueTreeState().state[id]) << id.toString();
    }
    EXPECT_EQ (p.getValueTreeState().state[kProp_PresetNotes_ID].toString(), "my notes");
    EXPECT_EQ ((int) p.getValueTreeState().state[kProp_MPEModeOn_ID], 1);
}

//==============================================================================
struct Randomiser : ::testing::Test
{
    QuorvaneAudioProcessor p;
    void SetUp() override { p.prepareToPlay (48000.0, 512); }

    std::vector<double> barValues()
    {
        std::vector<double> v;
        for (int b = 0; b < 5; ++b)
        {
            v.push_back (p.getValueTreeState().state[*kPropCatalogue[prBar0Stiffness + b].id]);
            v.push_back (paramValue (p, kParamPointerIDs[ppBar0Sustain + b]));
            v.push_back (paramValue (p, kParamPointerIDs[ppBar0Tone + b]));
            v.push_back (paramValue (p, kParamPointerIDs[ppBar0Mass + b]));
            v.push_back (paramValue (p, kParamPointerIDs[ppBar0Gain + b]));
        }
        return v;
    }
    std::vector<double> springValues()
    {
        std::vector<double> v;
        for (int i = 0; i < 20; ++i)
            v.push_back (p.getValueTreeState().state[*kPropCatalogue[prSpring0Pos1 + i].id]);
        for (int i = 0; i < 30; ++i)
            v.push_back (paramValue (p, kParamPointerIDs[ppSpr0Afreq + i]));
        return v;
    }
};

TEST_F (Randomiser, NoBarFlagsRollsOnlyTheSprings)
{
    const auto bars = barValues();
    const auto springs = springValues();
    p.randomise (false, false, false, false, false);
    EXPECT_EQ (barValues(), bars);
    const auto rolled = springValues();
    int changed = 0;
    for (size_t i = 0; i < rolled.size(); ++i)
        changed += rolled[i] != springs[i];
    EXPECT_GE (changed, 45);
    EXPECT_TRUE (p.resyncRequest.load());
    EXPECT_FALSE (p.resyncHold.load());
}

TEST_F (Randomiser, RolledValuesStayInTheirRanges)
{
    for (int roll = 0; roll < 200; ++roll)
    {
        p.randomise (true, true, true, true, true);
        for (int b = 0; b < 5; ++b)
        {
            const double s = p.getValueTreeState().state[*kPropCatalogue[prBar0Stiffness + b].id];
            ASSERT_GE (s, 0.0);
            ASSERT_LT (s, 100.0);
        }
        for (int i = 0; i < 20; ++i)
        {
            const double pos = p.getValueTreeState().state[*kPropCatalogue[prSpring0Pos1 + i].id];
            ASSERT_GE (pos, 0.0);
            ASSERT_LT (pos, 1.0);
        }
        for (int i = 0; i < 10; ++i)
        {
            const int on = p.getValueTreeState().state[*kPropCatalogue[prSpring0On + i].id];
            ASSERT_TRUE (on == 0 || on == 1);
        }
        const float mass = paramValue (p, kParam_Bar0Mass_ID);
        ASSERT_GE (mass, 1.0f);
        ASSERT_LE (mass, 12.0f);
        ASSERT_NEAR (mass * 100.0f, std::round (mass * 100.0f), 1e-2f);
    }
}

TEST_F (Randomiser, UndoRestoresTheSnapshotAlsoAfterHandEdits)
{
    const auto bars = barValues();
    const auto springs = springValues();
    p.randomise (true, false, true, false, true);
    setParam (p, kParam_Bar1Tone_ID, 12.0f);
    p.setProperty (kProp_Bar3Stiffness_ID, 77.0);
    p.setProperty (kProp_Spring2Pos2_ID, 0.999);

    p.undoRandomise();
    EXPECT_EQ (barValues(), bars);
    EXPECT_EQ (springValues(), springs);
    // A second undo writes the same snapshot again.
    p.undoRandomise();
    EXPECT_EQ (barValues(), bars);
}

TEST_F (Randomiser, SameSeedSameRoll)
{
    auto rollWithSeed = [this] (juce::int64 seed)
    {
        p.loadDefaultPreset();
        p.random.setSeed (seed);
        p.randomise (true, true, true, true, true);
        auto v = barValues();
        auto s = springValues();
        v.insert (v.end(), s.begin(), s.end());
        return v;
    };
    const auto a = rollWithSeed (1234);
    const auto b = rollWithSeed (1234);
    const auto c = rollWithSeed (99);
    EXPECT_EQ (a, b);
    EXPECT_NE (a, c);
}

TEST_F (Randomiser, ResyncRebuildsTheResonatorAfterTheFade)
{
    play (p, 512, 512, notes ({ on (60) }));
    const int before = p.barNet.barN (0);
    p.random.setSeed (7);
    p.randomise (true, true, true, true, true);
    play (p, 48000 / 10, 512);
    EXPECT_FALSE (p.resyncRequest.load());
    EXPECT_NE (p.barNet.barN (0), before);
}

//==============================================================================
TEST (RestoredState, NonFiniteParameterValuesAreSkipped)
{
    QuorvaneAudioProcessor source;
    setParam (source, kParam_Drive_ID, 40.0f);
    juce::MemoryBlock blob;
    source.getStateInformation (blob);
    auto text = juce::String::fromUTF8 ((const char*) blob.getData() + 8, (int) blob.getSize() - 9);
    auto xml = juce::parseXML (text);
    xml->getChildByAttribute ("id", "drive")->setAttribute ("value", "nan");
    xml->getChildByAttribute ("id", "cutoff")->setAttribute ("value", "inf");
    xml->setAttribute ("bar0stiffness", "nan");
    juce::MemoryBlock edited;
    juce::AudioProcessor::copyXmlToBinary (*xml, edited);

    QuorvaneAudioProcessor p;
    setParam (p, kParam_Drive_ID, 12.0f);
    p.setStateInformation (edited.getData(), (int) edited.getSize());
    EXPECT_EQ (paramValue (p, kParam_Drive_ID), 12.0f);
    EXPECT_EQ (paramValue (p, kParam_Cutoff_ID), 3000.0f);

    // A broken bar stiffness plays as the default bar.
    p.prepareToPlay (44100.0, 512);
    EXPECT_EQ (p.barNet.barN (0), 1167);
    auto r = play (p, 22050, 512, notes ({ on (50) }));
    EXPECT_TRUE (r.finite());
    EXPECT_GT (r.peak(), 0.0f);
}

TEST (RestoredState, ReachesTheEngineThroughTheFade)
{
    QuorvaneAudioProcessor source;
    source.setProperty (kProp_EType_ID, 5);
    juce::MemoryBlock blob;
    source.getStateInformation (blob);

    QuorvaneAudioProcessor p;
    p.prepareToPlay (48000.0, 512);
    play (p, 1024, 512, notes ({ on (60) }));
    p.setStateInformation (blob.getData(), (int) blob.getSize());
    EXPECT_EQ (p.exciterType, 4); // not yet: the audio thread maps it between blocks
    EXPECT_TRUE (p.resyncRequest.load());
    play (p, 48000 / 10, 512);
    EXPECT_EQ (p.exciterType, 5);
    EXPECT_FALSE (p.resyncRequest.load());
}
} // namespace
