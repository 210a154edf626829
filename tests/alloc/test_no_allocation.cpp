// The audio thread must never allocate: a counting global operator new watches
// processBlock while every exciter type is played hard.
#include "PluginProcessor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace
{
std::atomic<bool> watching { false };
std::atomic<long> allocationsWhileWatching { 0 };

void* countedAllocate (std::size_t size)
{
    if (watching.load (std::memory_order_relaxed))
        allocationsWhileWatching.fetch_add (1, std::memory_order_relaxed);
    if (void* p = std::malloc (size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}
} // namespace

void* operator new (std::size_t size) { return countedAllocate (size); }
void* operator new[] (std::size_t size) { return countedAllocate (size); }
void operator delete (void* p) noexcept { std::free (p); }
void operator delete[] (void* p) noexcept { std::free (p); }
void operator delete (void* p, std::size_t) noexcept { std::free (p); }
void operator delete[] (void* p, std::size_t) noexcept { std::free (p); }

namespace
{
struct Watch
{
    Watch() { watching = true; }
    ~Watch() { watching = false; }
};

juce::MidiBuffer eventsFor (int block, bool mpe)
{
    juce::MidiBuffer midi;
    const int channel = mpe ? 2 + block % 8 : 1;
    const int note = 36 + (block * 7) % 30;
    midi.addEvent (juce::MidiMessage::controllerEvent (channel, 74, (block * 13) % 128), 0);
    midi.addEvent (juce::MidiMessage::noteOn (channel, note, (juce::uint8) (40 + block % 80)), 1);
    midi.addEvent (juce::MidiMessage::pitchWheel (channel, (block * 977) % 16384), 2);
    midi.addEvent (juce::MidiMessage::channelPressureChange (channel, block % 128), 3);
    midi.addEvent (juce::MidiMessage::controllerEvent (channel, 1, (block * 5) % 128), 4);
    midi.addEvent (juce::MidiMessage::controllerEvent (channel, 21, (block * 3) % 128), 5);
    midi.addEvent (juce::MidiMessage::controllerEvent (channel, 22 + block % 8, (block * 11) % 128), 6);
    if (block % 40 == 0)
        midi.addEvent (juce::MidiMessage::controllerEvent (channel, 104, 127), 7);
    if (block > 3)
        midi.addEvent (juce::MidiMessage::noteOff (channel, 36 + ((block - 3) * 7) % 30), 8);
    return midi;
}

// The counter itself must see allocations, or the test below proves nothing.
TEST (AudioThread, WatcherSeesAnAllocation)
{
    allocationsWhileWatching = 0;
    {
        Watch watch;
        auto* leak = new std::vector<int> (100);
        delete leak;
    }
    EXPECT_GE (allocationsWhileWatching.load(), 1);
}

TEST (AudioThread, PlayingEveryExciterAllocatesNothing)
{
    juce::ScopedJuceInitialiser_GUI framework;

    struct Case { int type; bool mpe; double rate; bool effects; };
    const Case cases[] = {
        { 1, false, 48000, true }, { 1, true, 48000, false }, { 2, false, 44100, true }, { 3, false, 48000, false },
        { 3, true, 96000, true }, { 4, false, 88200, false }, { 4, true, 48000, true }, { 5, false, 48000, true },
        { 5, true, 44100, false },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (juce::String ("type ") + juce::String (c.type) + (c.mpe ? " mpe" : "") + " at " + juce::String (c.rate));
        QuorvaneAudioProcessor p;
        p.setProperty (quorvane::kProp_EType_ID, c.type);
        p.setProperty (quorvane::kProp_MPEModeOn_ID, c.mpe ? 1 : 0);
        p.setProperty (quorvane::kProp_PolyOn_ID, 1);
        p.setProperty (quorvane::kProp_VCFOn_ID, c.effects ? 1 : 0);
        p.setProperty (quorvane::kProp_WahOn_ID, c.effects ? 1 : 0);
        p.setProperty (quorvane::kProp_GDOn_ID, 1);
        p.setProperty (quorvane::kProp_GDType_ID, c.effects ? 1 : 2);
        p.setProperty (quorvane::kProp_LFO2On_ID, 1);
        p.setProperty (quorvane::kProp_HostSyncOn_ID, 1);
        auto* drive = p.getValueTreeState().getParameter (quorvane::kParam_Drive_ID);
        drive->setValueNotifyingHost (c.effects ? 0.6f : 0.0f);
        p.prepareToPlay (c.rate, 256);

        // Build every block's events before watching: the test's own buffers may allocate.
        const int blocks = (int) (3.0 * c.rate / 256);
        std::vector<juce::MidiBuffer> events;
        events.reserve ((size_t) blocks);
        for (int b = 0; b < blocks; ++b)
            events.push_back (eventsFor (b, c.mpe));
        juce::AudioBuffer<float> buffer (2, 256);

        allocationsWhileWatching = 0;
        for (int b = 0; b < blocks; ++b)
        {
            Watch watch;
            p.processBlock (buffer, events[(size_t) b]);
            if (b == blocks / 2)
            {
                // A state change on the way: the resync happens inside processBlock.
                watching = false;
                p.setProperty (quorvane::kProp_Bar1Stiffness_ID, 40.0);
                p.loadDefaultPreset();
                p.setProperty (quorvane::kProp_EType_ID, c.type);
                watching = true;
            }
        }
        EXPECT_EQ (allocationsWhileWatching.load(), 0);
    }
}
} // namespace
