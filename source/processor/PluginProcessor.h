#pragma once

#include "ParameterIDs.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <array>
#include <atomic>

// A one-pole parameter follower: every `period` samples `current` moves towards
// the target by at most `step`.
struct ParamSmoother
{
    float step = 0.001f;
    float current = 0.0f;
    int32_t period = 8;
    int32_t counter = 0;

    float advance (float target) noexcept
    {
        if (++counter >= period)
        {
            counter = 0;
            if (current < target)
                current = juce::jmin (target, current + step);
            else if (current > target)
                current = juce::jmax (target, current - step);
        }
        return current;
    }
};

// A ring of recent peaks; its reading is the largest of its first `length` slots.
struct MeterRing
{
    static constexpr int kSlots = 100;
    std::array<float, kSlots> slots {};
    int writeIndex = 0;
    int length = kSlots;

    void clear() noexcept
    {
        slots.fill (0.0f);
        writeIndex = 0;
    }
    void push (float peak) noexcept
    {
        slots[(size_t) writeIndex] = peak;
        if (++writeIndex >= length)
            writeIndex = 0;
    }
    float reading() const noexcept
    {
        float m = 0.0f;
        for (int i = 0; i < length; ++i)
            m = juce::jmax (m, slots[(size_t) i]);
        return m;
    }
};

class QuorvaneAudioProcessor : public juce::AudioProcessor,
                               private juce::ValueTree::Listener
{
public:
    QuorvaneAudioProcessor();
    ~QuorvaneAudioProcessor() override;

    //==============================================================================
    const juce::String getName() const override;
    void prepareToPlay (double sampleRate, int samplesPerBlock) override;
    void releaseResources() override;
    void processBlock (juce::AudioBuffer<float>&, juce::MidiBuffer&) override;
    using AudioProcessor::processBlock;

    double getTailLengthSeconds() const override { return 1.0; }
    bool acceptsMidi() const override { return true; }
    bool producesMidi() const override { return false; }
    bool isMidiEffect() const override { return false; }
    void reset() override;

    juce::AudioProcessorEditor* createEditor() override;
    bool hasEditor() const override { return true; }

    int getNumPrograms() override { return 1; }
    int getCurrentProgram() override { return 0; }
    void setCurrentProgram (int) override {}
    const juce::String getProgramName (int) override { return {}; }
    void changeProgramName (int, const juce::String&) override {}

    void getStateInformation (juce::MemoryBlock& destData) override;
    void setStateInformation (const void* data, int sizeInBytes) override;

    bool isBusesLayoutSupported (const BusesLayout& layouts) const override;

    //==============================================================================
    static juce::AudioProcessorValueTreeState::ParameterLayout createParameterLayout();
    void setParamPointers();
    void loadDefaultProperties();
    void syncUp();

    // Reads a property through the audio-safe mirror (a missing or non-numeric property reads 0).
    double propertyValue (quorvane::PropIndex index) const noexcept
    {
        return propertyMirror[(size_t) index].load (std::memory_order_relaxed);
    }

    // Writes a property on the tree; message-thread writers use this so that host
    // saves on other threads never see a half-changed tree.
    void setProperty (const juce::Identifier& id, const juce::var& value);

    juce::AudioProcessorValueTreeState& getValueTreeState() noexcept { return valueTreeState; }

    bool isEngineHalted() const noexcept { return engineHalted; }

    // Editor-owned memory across editor lifetimes.
    bool lastViewWasDriver = false;

private:
    //==============================================================================
    void refreshPropertyMirror();
    void requestResyncFromMessageThread();
    void keepCurrentValuesOfMissingParameters (juce::ValueTree& tree) const;
    void valueTreePropertyChanged (juce::ValueTree&, const juce::Identifier&) override;
    void valueTreeRedirected (juce::ValueTree&) override;

    juce::AudioProcessorValueTreeState valueTreeState;

    // Serialises the writers of the state tree (host save and restore, property writes).
    // The audio thread never takes it.
    juce::CriticalSection stateLock;

    // Raw (real-unit) values of every parameter, read by the audio thread.
    std::array<std::atomic<float>*, quorvane::kNumParamPointers> params {};

    // Atomic copy of the numeric properties, kept in step with the tree on the
    // writer's thread; the audio thread reads only this.
    std::array<std::atomic<double>, quorvane::kNumProps> propertyMirror {};

public:
    static constexpr int kNumSmoothers = 19;
    std::array<ParamSmoother, kNumSmoothers> smoothers;

    // Meters published to the editor.
    static constexpr int kNumMeterRings = 11;
    std::array<MeterRing, kNumMeterRings> meterRings;
    std::atomic<float> exciterPeak { 0.0f };
    std::array<std::atomic<float>, 5> barPeakA {};
    std::array<std::atomic<float>, 5> barPeakB {};
    std::atomic<float> limiterGain { 1.0f };
    std::array<std::atomic<bool>, 5> barStruck {};

    // Control fields.
    bool engineHalted = true;
    bool engineActive = false;
    bool doubleRate = false;
    int32_t exciterType = 4;
    int32_t gateDelayType = 1;
    bool mpeMode = false;
    bool gateDelayOn = false;
    bool eqOn = true;
    bool vcfOn = false;
    bool wahOn = false;
    double pitchBend = 0.0;
    std::array<double, 17> channelSlide {};
    float outputFade = 1.0f;
    float levelFollower = 0.0f;
    float preparedBlockSize = 0.0f;
    int32_t notesDown = 0;

    juce::Random random;
    juce::String dataFolder;

    std::atomic<bool> resyncHold { false };
    std::atomic<bool> resyncRequest { false };

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (QuorvaneAudioProcessor)
};
