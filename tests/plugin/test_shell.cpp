// The processor as the host binding sees it: buses, programs, tail and the halted state.
#include "PluginProcessor.h"

#include <gtest/gtest.h>

namespace
{
using Set = juce::AudioChannelSet;

TEST (ProcessorShell, OnlyStereoInWithStereoOutIsSupported)
{
    struct Case { const char* what; Set in; Set out; bool hasInput; bool expected; };
    const Case cases[] = {
        { "stereo/stereo", Set::stereo(), Set::stereo(), true, true },
        { "mono/mono", Set::mono(), Set::mono(), true, false },
        { "mono/stereo", Set::mono(), Set::stereo(), true, false },
        { "stereo/mono", Set::stereo(), Set::mono(), true, false },
        { "disabled/stereo", Set::disabled(), Set::stereo(), true, false },
        { "stereo/disabled", Set::stereo(), Set::disabled(), true, false },
        { "5.1/5.1", Set::create5point1(), Set::create5point1(), true, false },
        { "no input bus", Set::disabled(), Set::stereo(), false, false },
    };

    QuorvaneAudioProcessor p;
    for (const auto& c : cases)
    {
        juce::AudioProcessor::BusesLayout layout;
        if (c.hasInput)
            layout.inputBuses.add (c.in);
        layout.outputBuses.add (c.out);
        EXPECT_EQ (p.checkBusesLayoutSupported (layout), c.expected) << c.what;
    }
}

TEST (ProcessorShell, IdentityProgramsAndTail)
{
    QuorvaneAudioProcessor p;
    EXPECT_EQ (p.getName(), "Quorvane");
    EXPECT_TRUE (p.acceptsMidi());
    EXPECT_FALSE (p.producesMidi());
    EXPECT_FALSE (p.isMidiEffect());
    EXPECT_TRUE (p.hasEditor());
    EXPECT_EQ (p.getTailLengthSeconds(), 1.0);
    EXPECT_EQ (p.getBusCount (true), 1);
    EXPECT_EQ (p.getBusCount (false), 1);
    EXPECT_EQ (p.getBus (true, 0)->getName(), "Input");
    EXPECT_EQ (p.getBus (false, 0)->getName(), "Output");
    EXPECT_FALSE (p.canAddBus (true));
    EXPECT_FALSE (p.canRemoveBus (false));

    EXPECT_EQ (p.getNumPrograms(), 1);
    EXPECT_EQ (p.getCurrentProgram(), 0);
    EXPECT_TRUE (p.getProgramName (0).isEmpty());
    p.changeProgramName (0, "Renamed");
    p.setCurrentProgram (0);
    EXPECT_TRUE (p.getProgramName (0).isEmpty());
    EXPECT_EQ (p.getCurrentProgram(), 0);
}

juce::MidiBuffer someMidi()
{
    juce::MidiBuffer midi;
    midi.addEvent (juce::MidiMessage::noteOn (1, 60, (juce::uint8) 100), 0);
    midi.addEvent (juce::MidiMessage::noteOff (1, 60), 10);
    return midi;
}

void expectUntouched (QuorvaneAudioProcessor& p)
{
    juce::AudioBuffer<float> buffer (2, 64);
    for (int ch = 0; ch < 2; ++ch)
        for (int i = 0; i < 64; ++i)
            buffer.setSample (ch, i, 0.25f * (float) (ch + 1));
    auto midi = someMidi();

    p.processBlock (buffer, midi);

    EXPECT_EQ (midi.getNumEvents(), 2);
    for (int ch = 0; ch < 2; ++ch)
        for (int i = 0; i < 64; ++i)
            ASSERT_EQ (buffer.getSample (ch, i), 0.25f * (float) (ch + 1));
}

TEST (ProcessorShell, HaltedUntilPreparedAtASupportedRate)
{
    QuorvaneAudioProcessor p;
    EXPECT_TRUE (p.isEngineHalted());
    expectUntouched (p);

    for (double rate : { 22050.0, 32000.0, 192000.0, 44000.0 })
    {
        p.prepareToPlay (rate, 512);
        EXPECT_TRUE (p.isEngineHalted()) << rate;
        expectUntouched (p);
    }

    for (double rate : { 44100.0, 48000.0, 88200.0, 96000.0, 48000.4 })
    {
        p.prepareToPlay (rate, 512);
        EXPECT_FALSE (p.isEngineHalted()) << rate;
    }
}
} // namespace
