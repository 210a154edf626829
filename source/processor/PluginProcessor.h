#pragma once

#include "ParameterIDs.h"

#include "VM_BarNet.h"
#include "VM_ButterFilter.h"
#include "VM_DString.h"
#include "VM_Delay.h"
#include "VM_Drive.h"
#include "VM_Equaliser.h"
#include "VM_Gate.h"
#include "VM_SBowInst.h"
#include "VM_StrikerInst.h"
#include "VM_VCF.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>

// A stepped parameter follower: every `period` samples `current` moves towards
// the target by one step, and stops within a step of it without snapping.
struct ParamSmoother
{
    float step = 0.001f;
    float current = 0.0f;
    int32_t period = 8;
    int32_t counter = 0;

    // Returns true when the value moved.
    bool advance (float target) noexcept
    {
        if (++counter != period)
            return false;
        counter = 0;
        if (target - current > step)
        {
            current += step;
            return true;
        }
        if (current - target > step)
        {
            current -= step;
            return true;
        }
        return false;
    }

    void snap (float target) noexcept
    {
        current = target;
        counter = 0;
    }
};

// Output limiter with a ten-sample look-ahead (single precision): the gain
// follows 0.98 / envelope with a fast attack and a slow release, and is applied
// to the samples of ten frames ago.
struct LookAheadLimiter
{
    static constexpr int kLookAhead = 10;
    static constexpr float kThreshold = 0.98f;
    float envelope = 0.0f;
    float gain = 1.0f;
    float ringL[kLookAhead] {};
    float ringR[kLookAhead] {};
    int index = 0;

    void reset() noexcept
    {
        envelope = 0.0f;
        gain = 1.0f;
        index = 0;
        for (int i = 0; i < kLookAhead; ++i)
            ringL[i] = ringR[i] = 0.0f;
    }

    void process (float inL, float inR, float fade, float& outL, float& outR) noexcept
    {
        const float p = std::max (std::abs (inL), std::abs (inR));
        const float c = p > envelope ? 0.1f : 0.0001f;
        envelope = c * p + (1.0f - c) * envelope;
        const float target = std::min (kThreshold / envelope, 1.0f);
        const float c2 = target < gain ? 0.1f : 0.0001f;
        gain = c2 * target + (1.0f - c2) * gain;

        outL = ringL[index] * gain * fade;
        outR = ringR[index] * gain * fade;
        ringL[index] = inL;
        ringR[index] = inR;
        index = (index + 1) % kLookAhead;
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

// Undo memory of the randomiser: what a roll may change.
struct UndoSnapshot
{
    double properties[25] {};   // bar stiffness 0..4, then spring positions 0pos1 .. 9pos2
    float parameters[45] {};    // normalised: per bar sustain, tone, mass; spring afreq, nonlin, t60
    int switches[10] {};        // spring0on .. spring9on
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
    // Parameters, properties and state
    static juce::AudioProcessorValueTreeState::ParameterLayout createParameterLayout();
    void setParamPointers();
    void loadDefaultProperties();
    void loadDefaultPreset();

    // Writes a property on the tree under the state lock (message-thread writers).
    void setProperty (const juce::Identifier& id, const juce::var& value);

    // A property as the audio thread sees it: missing, text or non-finite values read 0.
    double propertyValue (quorvane::PropIndex index) const noexcept
    {
        const double v = propertyMirror[(size_t) index].load (std::memory_order_relaxed);
        return std::isfinite (v) ? v : 0.0;
    }

    juce::AudioProcessorValueTreeState& getValueTreeState() noexcept { return valueTreeState; }

    //==============================================================================
    // Randomiser
    void randomise (bool bar0, bool bar1, bool bar2, bool bar3, bool bar4);
    void loadUndo();
    void undoRandomise();
    // Carries out the rolls that controller 104 asked for (message thread; the
    // processor's own timer calls it).
    void runPendingMidiRolls();

    //==============================================================================
    // Engine mapping and the frame
    void syncUp();
    void setBarNet();
    void calcFrame (float& driverPeak, float& minGain, float* barPeaksA, float* barPeaksB,
                    float& outL, float& outR) noexcept;

    bool isEngineHalted() const noexcept { return engineHalted; }
    double getEngineRate() const noexcept { return engineRate; }

    // Editor-owned memory across editor lifetimes.
    bool lastViewWasDriver = false;

private:
    //==============================================================================
    void refreshPropertyMirror();
    void keepCurrentValuesOfMissingParameters (juce::ValueTree& tree) const;
    void valueTreePropertyChanged (juce::ValueTree&, const juce::Identifier&) override;
    void valueTreeRedirected (juce::ValueTree&) override;

    float param (quorvane::ParamPointer p) const noexcept { return params[(size_t) p]->load (std::memory_order_relaxed); }
    void setParameterNormalised (juce::RangedAudioParameter* p, float normalised);
    void setRealParameter (const char* id, float value);

    // Block loop pieces
    void handleMidiEvent (const juce::MidiMessage& message) noexcept;
    void startStringVoice (int note, int channel, float velocity) noexcept;
    void refreshPerBlock() noexcept;
    void advanceBlockSmoothers() noexcept;
    void setDelayFromTempo (double bpm) noexcept;
    double hostTempo() noexcept;
    void publishMeters (float driverPeak, float minGain, const float* barPeaksA, const float* barPeaksB) noexcept;

    juce::AudioProcessorValueTreeState valueTreeState;

    // Serialises the writers of the state tree (host save and restore, property writes).
    // The audio thread never takes it.
    juce::CriticalSection stateLock;

    // Raw (real-unit) values of every parameter, read by the audio thread.
    std::array<std::atomic<float>*, quorvane::kNumParamPointers> params {};

    // Parameters written by MIDI controllers, found once so the audio thread never looks up IDs.
    juce::RangedAudioParameter* cutoffParam = nullptr;
    juce::RangedAudioParameter* sawToneParam = nullptr;
    juce::RangedAudioParameter* pluckPosParam = nullptr;
    juce::RangedAudioParameter* strikeRateParam = nullptr;
    juce::RangedAudioParameter* stiffnessParam = nullptr;
    juce::RangedAudioParameter* nonlinearParam = nullptr;
    std::array<juce::RangedAudioParameter*, 5> barGainParams {};

    // Atomic copy of the numeric properties, kept in step with the tree on the
    // writer's thread; the audio thread reads only this.
    std::array<std::atomic<double>, quorvane::kNumProps> propertyMirror {};

    // Controller 104 asks for a roll; the message thread carries it out.
    std::atomic<int> pendingMidiRolls { 0 };
    struct MidiRandomiseTimer : juce::Timer
    {
        explicit MidiRandomiseTimer (QuorvaneAudioProcessor& p) : owner (p) {}
        void timerCallback() override;
        QuorvaneAudioProcessor& owner;
    };
    MidiRandomiseTimer midiRandomiseTimer { *this };

public:
    //==============================================================================
    // The engine
    vm::VM_BarNet barNet;
    std::array<vm::VM_DString, 7> stringVoices;
    std::array<int32_t, 7> stringVoiceKey { -1, -1, -1, -1, -1, -1, -1 };
    std::array<int32_t, 7> stringVoiceNote {};
    int32_t currentStringVoice = 0;
    VM_SBowInst sawtooth;
    VM_StrikerInst strikers;
    VM_Equaliser equaliser;
    VM_VCF vcf;
    VM_Drive driveStage;
    VM_Gate gate;
    VM_Delay delayLine;
    std::array<VM_ShelfFilter, 2> outputShelf;
    std::array<VM_ButterFilter, 2> outputInterpolator;
    LookAheadLimiter limiter;
    double engineRate = 44100.0;
    double k = 1.0 / 44100.0;
    double delayTempo = 110.0; // Bd, the delay tempo in force
    bool bowedMode = false;
    bool pitchedBarMode = false;
    bool frameOnNextSample = true; // at double rate: does the next host sample carry a frame?

    // Smoothers: nine advanced by the frame, ten by the block loop.
    enum SmootherIndex
    {
        smDriverGain, smBar0Gain, smBar1Gain, smBar2Gain, smBar3Gain, smBar4Gain,
        smStringOutpos, smGateDepth, smDrive,
        smEQLowFreq, smEQLowGain, smEQMidFreq, smEQMidGain, smEQHighFreq, smEQHighGain,
        smResonance, smDelayBPM, smDelayFeedback, smDelayLevel,
        kNumSmoothers
    };
    std::array<ParamSmoother, kNumSmoothers> smoothers;

    // Meters published to the editor.
    static constexpr int kNumMeterRings = 11;
    std::array<MeterRing, kNumMeterRings> meterRings;
    std::atomic<float> exciterPeak { 0.0f };
    std::array<std::atomic<float>, 5> barPeakA {};
    std::array<std::atomic<float>, 5> barPeakB {};
    std::atomic<float> limiterGain { 1.0f };
    std::array<std::atomic<bool>, 5> barStruck {};

    UndoSnapshot undoSnapshot;

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
    float preparedBlockSize = 1.0f;
    int32_t notesDown = 0;

    juce::Random random;
    juce::String dataFolder;

    std::atomic<bool> resyncHold { false };
    std::atomic<bool> resyncRequest { false };

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (QuorvaneAudioProcessor)
};
