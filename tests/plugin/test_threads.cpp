// Concurrency: the audio thread plays while a host thread saves and restores the
// state and the message thread rolls, undoes, loads the default instrument and
// writes properties. Run under ThreadSanitizer by the test script.
#include "ProcessorHarness.h"

#include <gtest/gtest.h>

#include <thread>

using namespace harness;
using namespace quorvane;

namespace
{
TEST (Threads, AudioHostAndMessageThreadsShareTheStateSafely)
{
    QuorvaneAudioProcessor p;
    p.setProperty (kProp_EType_ID, 2);
    p.prepareToPlay (48000.0, 256);

    juce::MemoryBlock otherState;
    {
        QuorvaneAudioProcessor other;
        other.setProperty (kProp_EType_ID, 5);
        other.setProperty (kProp_Bar0Stiffness_ID, 55.0);
        other.getStateInformation (otherState);
    }

    std::atomic<bool> stop { false };
    std::atomic<int> blocks { 0 };
    std::atomic<bool> badOutput { false };

    std::thread audio ([&]
    {
        juce::AudioBuffer<float> buffer (2, 256);
        int b = 0;
        while (! stop.load())
        {
            juce::MidiBuffer midi;
            midi.addEvent (juce::MidiMessage::noteOn (1, 40 + (b * 5) % 40, (juce::uint8) 100), 0);
            midi.addEvent (juce::MidiMessage::controllerEvent (1, 25 + b % 5, b % 128), 1);
            if (b % 50 == 0)
                midi.addEvent (juce::MidiMessage::controllerEvent (1, 104, 1), 2);
            if (b > 4)
                midi.addEvent (juce::MidiMessage::noteOff (1, 40 + ((b - 4) * 5) % 40), 3);
            p.processBlock (buffer, midi);
            for (int i = 0; i < 256; ++i)
                if (! std::isfinite (buffer.getSample (0, i)) || ! std::isfinite (buffer.getSample (1, i)))
                    badOutput = true;
            ++b;
            blocks = b;
        }
    });

    std::thread host ([&]
    {
        for (int i = 0; i < 40; ++i)
        {
            juce::MemoryBlock saved;
            p.getStateInformation (saved);
            p.setStateInformation (i % 2 == 0 ? otherState.getData() : saved.getData(),
                                   (int) (i % 2 == 0 ? otherState.getSize() : saved.getSize()));
        }
    });

    // This thread plays the message thread.
    for (int i = 0; i < 40; ++i)
    {
        p.randomise (i % 2 == 0, true, false, true, i % 3 == 0);
        p.undoRandomise();
        p.setProperty (kProp_EType_ID, 1 + i % 5);
        p.setProperty (kProp_VCFOn_ID, i % 2);
        p.setProperty (kProp_GDOn_ID, 1);
        p.runPendingMidiRolls();
        if (i % 10 == 0)
            p.loadDefaultPreset();
    }

    host.join();
    while (blocks.load() < 200)
        std::this_thread::yield();
    stop = true;
    audio.join();

    EXPECT_FALSE (badOutput.load());
}
} // namespace
