// Real-time factor of processBlock at 48 kHz with 512-sample blocks: the
// "rt" counter is seconds of audio per second of CPU.
#include "PluginProcessor.h"

#include <benchmark/benchmark.h>

using namespace quorvane;

namespace
{
constexpr double kRate = 48000.0;
constexpr int kBlock = 512;

void setParam (QuorvaneAudioProcessor& p, const char* id, float value)
{
    auto* param = p.getValueTreeState().getParameter (id);
    param->setValueNotifyingHost (param->convertTo0to1 (value));
}

void runScenario (benchmark::State& state, QuorvaneAudioProcessor& p, const std::vector<int>& notes, int velocity = 100)
{
    p.prepareToPlay (kRate, kBlock);
    juce::AudioBuffer<float> buffer (2, kBlock);
    juce::MidiBuffer midi;
    for (int n : notes)
        midi.addEvent (juce::MidiMessage::noteOn (1, n, (juce::uint8) velocity), 0);
    p.processBlock (buffer, midi);

    // Notes are held; blocks run with the sound sustained (re-struck now and then
    // so that decaying models keep working).
    int64_t blocks = 0;
    for (auto _ : state)
    {
        juce::MidiBuffer events;
        if (++blocks % 400 == 0)
            for (int n : notes)
            {
                events.addEvent (juce::MidiMessage::noteOff (1, n), 0);
                events.addEvent (juce::MidiMessage::noteOn (1, n, (juce::uint8) velocity), 1);
            }
        p.processBlock (buffer, events);
        benchmark::DoNotOptimize (buffer.getReadPointer (0));
    }
    state.counters["rt"] = benchmark::Counter ((double) state.iterations() * kBlock / kRate, benchmark::Counter::kIsRate);
}

struct Framework
{
    juce::ScopedJuceInitialiser_GUI init;
};

void BM_DefaultInstrumentOneNote (benchmark::State& state)
{
    QuorvaneAudioProcessor p;
    runScenario (state, p, { 60 });
}

void BM_SevenLowPluckedNotes (benchmark::State& state)
{
    QuorvaneAudioProcessor p;
    p.setProperty (kProp_EType_ID, 2);
    runScenario (state, p, { 24, 25, 26, 27, 28, 29, 30 });
}

void BM_SevenBowedNotes (benchmark::State& state)
{
    QuorvaneAudioProcessor p;
    p.setProperty (kProp_EType_ID, 3);
    runScenario (state, p, { 36, 40, 43, 47, 50, 55, 60 });
}

void BM_ThirtyStrikersAtRate55 (benchmark::State& state)
{
    QuorvaneAudioProcessor p;
    p.setProperty (kProp_EType_ID, 5);
    setParam (p, kParam_StrikeRate_ID, 55.0f);
    std::vector<int> all;
    for (int n = 36; n <= 65; ++n)
        all.push_back (n);
    runScenario (state, p, all);
}

void BM_SevenPolySawtoothWithEffects (benchmark::State& state)
{
    QuorvaneAudioProcessor p;
    p.setProperty (kProp_EType_ID, 1);
    p.setProperty (kProp_PolyOn_ID, 1);
    p.setProperty (kProp_VCFOn_ID, 1);
    p.setProperty (kProp_GDOn_ID, 1);
    p.setProperty (kProp_GDType_ID, 1);
    setParam (p, kParam_Drive_ID, 60.0f);
    runScenario (state, p, { 48, 52, 55, 59, 62, 65, 69 });
}
} // namespace

BENCHMARK (BM_DefaultInstrumentOneNote)->Unit (benchmark::kMillisecond);
BENCHMARK (BM_SevenLowPluckedNotes)->Unit (benchmark::kMillisecond);
BENCHMARK (BM_SevenBowedNotes)->Unit (benchmark::kMillisecond);
BENCHMARK (BM_ThirtyStrikersAtRate55)->Unit (benchmark::kMillisecond);
BENCHMARK (BM_SevenPolySawtoothWithEffects)->Unit (benchmark::kMillisecond);

int main (int argc, char** argv)
{
    Framework framework;
    benchmark::Initialize (&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
